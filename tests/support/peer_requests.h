#pragma once
// The access key's header as a peer station sends it, and an authorised request, as bytes on the
// wire: for the tests and benchmarks that link the application (whose KeyHeader makes the header).
// Inline, so that the test support library itself does not need the application.

#include "app/app_settings.h"
#include "app/peer_message.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/http_framing.h"

#include <QByteArray>
#include <QString>

namespace vellumo::test {

// The "Vellumo" header line (ended by CR LF) of a station whose stored key is storedKey; by default
// the key of a fresh installation.
inline QByteArray keyHeaderLine(const QString& storedKey = AppSettings::DefaultKey()) {
    return "Vellumo: " + cp1252::encode(KeyHeader::Value(storedKey)) + "\r\n";
}

// A POST to target with the key header of a fresh installation.
inline QByteArray authorisedPost(const QByteArray& target, const QByteArray& body = {}) {
    return postRequest(target, keyHeaderLine(), body);
}

} // namespace vellumo::test
