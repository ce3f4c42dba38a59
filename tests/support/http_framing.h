#pragma once
// How test peers and clients find where one HTTP message ends in the bytes a connection delivered:
// the head up to the empty line, then as many body bytes as its Content-Length says (none without).

#include <QByteArray>

namespace vellumo::test {

// The length of the first whole message in buffer (head and body), or 0 when it is not all there yet.
qsizetype wholeHttpMessageLength(const QByteArray& buffer);

// A POST request to a station: the request line, "Host: 127.0.0.1", headLines (each ended by CR LF),
// the Content-Length of body, the empty line and body.
QByteArray postRequest(const QByteArray& target, const QByteArray& headLines, const QByteArray& body);

} // namespace vellumo::test
