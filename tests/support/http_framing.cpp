#include "tests/support/http_framing.h"

#include <QList>

namespace vellumo::test {

qsizetype wholeHttpMessageLength(const QByteArray& buffer) {
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return 0;
    qsizetype bodyLength = 0;
    for (const QByteArray& line : buffer.left(headEnd).split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.toLower().startsWith("content-length:"))
            bodyLength = trimmed.mid(15).trimmed().toLongLong();
    }
    const qsizetype total = headEnd + 4 + bodyLength;
    return buffer.size() >= total ? total : 0;
}

QByteArray postRequest(const QByteArray& target, const QByteArray& headLines, const QByteArray& body) {
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headLines +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace vellumo::test
