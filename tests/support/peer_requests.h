#pragma once
// The access key's header as a peer station sends it, and an authorised request: as bytes on the
// wire, or handed to a host as the server hands it a request it has read. For the tests and benchmarks
// that link the application (whose KeyHeader makes the header); inline, so that the test support
// library itself does not need the application.

#include "app/core/app_settings.h"
#include "app/messaging/peer_message.h"
#include "http_server/gossamer_host.h"
#include "http_server/header_collection.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/http_framing.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>

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

// What a host answered to one request: the out values of its DynamicRequest.
struct HostReply {
    std::int16_t status = 0;
    QString reason;
    QString mime;
    QString extraHeaders;
    QByteArray body;
};

// A POST to uri with these headers and body, handed to host as the server hands it over.
inline HostReply postToHost(GossamerHost& host, const QString& uri, HeaderCollection headers, QByteArray body) {
    QString method = QStringLiteral("POST");
    QString target = uri;
    std::int16_t clientIndex = 0;
    HostReply r;
    host.DynamicRequest(method, target, body, headers, r.status, r.reason, r.mime, r.extraHeaders, r.body, clientIndex);
    return r;
}

// A peer's message (its plain form), posted to host's POST /MESSAGE with the key header of storedKey.
inline HostReply postMessageToHost(GossamerHost& host, const PeerMessage& message, const QString& storedKey) {
    HeaderCollection headers;
    headers.Add({QStringLiteral("Vellumo"), KeyHeader::Value(storedKey)}, QStringLiteral("VELLUMO"));
    return postToHost(host, QStringLiteral("/MESSAGE"), std::move(headers), message.Body(false).toUtf8());
}

} // namespace vellumo::test
