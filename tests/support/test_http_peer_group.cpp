#include "tests/support/test_http_peer_group.h"

#include "tests/support/http_framing.h"
#include "tests/support/test_http_peer.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace vellumo::test {

namespace {
const char* kBuffer = "pending";
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
    const qsizetype length = wholeHttpMessageLength(buffer);
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
