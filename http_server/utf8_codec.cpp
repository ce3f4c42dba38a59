#include "http_server/utf8_codec.h"

#include "platform/runtime/runtime_error.h"

namespace vellumo {

QString Utf8Codec::FromUTF8(const QByteArray& UTF8) const {
    if (UTF8.isEmpty())
        raiseStandard(err::BadArgument, QStringLiteral("Utf8Codec"));
    return QString::fromUtf8(UTF8);
}

QByteArray Utf8Codec::ToUTF8(const QString& Wide) const {
    if (Wide.isEmpty())
        raiseStandard(err::BadArgument, QStringLiteral("Utf8Codec"));
    return Wide.toUtf8();
}

} // namespace vellumo
