#include "tests/support/test_http_peer_group.h"

#include "tests/support/test_http_peer.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace vellumo::test {

namespace {
const char* kBuffer = "pending";

qsizetype wholeRequest(const QByteArray& buffer) {
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
} // namespace

TestHttpPeerGroup::TestHttpPeerGroup(QObject* parent) : QObject(parent) {}

TestHttpPeerGroup::~TestHttpPeerGroup() = default;

bool TestHttpPeerGroup::listen(const QStringList& addresses) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        servers_.clear();
        quint16 port = 0;
        bool all = true;
        for (const QString& text : addresses) {
            const QHostAddress address(text);
            if (!address.isLoopback())
                return false;
            auto server = std::make_unique<QTcpServer>();
            if (!server->listen(address, port)) {
                all = false;
                break;
            }
            port = server->serverPort();
            QTcpServer* raw = server.get();
            connect(raw, &QTcpServer::newConnection, this, [this, raw] { onNewConnection(raw); });
            servers_.push_back(std::move(server));
        }
        if (all) {
            port_ = port;
            return true;
        }
    }
    servers_.clear();
    return false;
}

void TestHttpPeerGroup::onNewConnection(QTcpServer* server) {
    const QString address = server->serverAddress().toString();
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, address] { onReadyRead(socket, address); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpPeerGroup::onReadyRead(QTcpSocket* socket, const QString& address) {
    QByteArray buffer = socket->property(kBuffer).toByteArray() + socket->readAll();
    const qsizetype length = wholeRequest(buffer);
    if (length == 0) {
        socket->setProperty(kBuffer, buffer);
        return;
    }
    socket->setProperty(kBuffer, QByteArray());
    requests.push_back({address, buffer.left(length)});
    socket->write(replies_.value(address, TestHttpPeer::response(200, "OK")));
    socket->disconnectFromHost();
}

} // namespace vellumo::test
