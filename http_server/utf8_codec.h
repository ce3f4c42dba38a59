#pragma once
// Utf8Codec: text to UTF-8 bytes and back, for the bodies the receive handler reads and answers.
// Stateless; make one where needed. Invalid UTF-8 is not an error: each bad sequence becomes U+FFFD,
// and an unpaired surrogate in a text is encoded as U+FFFD. Only the empty cases fail, with error 5,
// because the callers never have a reason to convert nothing.

#include <QByteArray>
#include <QString>

namespace vellumo {

class Utf8Codec {
public:
    QString FromUTF8(const QByteArray& UTF8) const;
    QByteArray ToUTF8(const QString& Wide) const;
};

} // namespace vellumo
