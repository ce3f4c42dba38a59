#include "tests/support/test_http_peer.h"

#include "platform/runtime/windows1252.h"
#include "tests/support/http_framing.h"

#include <QTcpSocket>

namespace vellumo::test {

namespace {
const char* kBuffer = "pending";
} // namespace

TestHttpPeer::TestHttpPeer(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &TestHttpPeer::onNewConnection);
}

bool TestHttpPeer::listen(const QHostAddress& address, quint16 port) {
    return server_.listen(address, port);
}

QString TestHttpPeer::url(const QString& path) const {
    return QStringLiteral("http://%1:%2%3").arg(server_.serverAddress().toString()).arg(port()).arg(path);
}

QByteArray TestHttpPeer::response(int status, const QByteArray& reasonBytes, const QByteArray& body,
                                  const QByteArray& extraHead) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonBytes +
           "\r\nContent-Type: text/plain; Charset=UTF-8\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n" + extraHead + "\r\n" + body;
}

void TestHttpPeer::answer(int status, const QString& reason, const QByteArray& body) {
    answerRaw(response(status, cp1252::encode(reason), body));
}

void TestHttpPeer::answerRaw(const QByteArray& bytes) {
    behaviour = Behaviour::Answer;
    reply = bytes;
}

void TestHttpPeer::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpPeer::onReadyRead(QTcpSocket* socket) {
    QByteArray buffer = socket->property(kBuffer).toByteArray() + socket->readAll();
    while (const qsizetype length = wholeHttpMessageLength(buffer)) {
        requests.append(buffer.left(length));
        buffer.remove(0, length);
        switch (behaviour) {
        case Behaviour::Answer:
            socket->write(reply);
            if (closeAfterAnswer)
                socket->disconnectFromHost();
            break;
        case Behaviour::NeverAnswer:
            break;
        case Behaviour::CloseWithoutAnswer:
            socket->disconnectFromHost();
            break;
        }
        if (socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
    socket->setProperty(kBuffer, buffer);
}

} // namespace vellumo::test
