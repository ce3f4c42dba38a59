#pragma once
// How test peers and clients find where one HTTP message ends in the bytes a connection delivered:
// the head up to the empty line, then as many body bytes as its Content-Length says (none without).

#include <QByteArray>

namespace vellumo::test {

// The length of the first whole message in buffer (head and body), or 0 when it is not all there yet.
qsizetype wholeHttpMessageLength(const QByteArray& buffer);

} // namespace vellumo::test
