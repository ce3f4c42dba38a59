#pragma once
// TestHttpPeerGroup: scripted HTTP peers on several loopback addresses that share one port, as the
// stations of one network do (a sender posts to every recipient on its own Port setting). Each peer
// reads one request per connection (head and Content-Length body), records its bytes with the address
// it came to, answers with the reply scripted for that address (TestHttpPeer::response) and closes.
// Runs on the test's event loop.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace vellumo::test {

class TestHttpPeerGroup : public QObject {
    Q_OBJECT

public:
    struct Request {
        QString address; // the peer's own address, "127.0.0.x"
        QByteArray bytes;
        QByteArray head() const { return bytes.left(bytes.indexOf("\r\n\r\n") + 2); }
        QByteArray body() const { return bytes.mid(bytes.indexOf("\r\n\r\n") + 4); }
    };

    explicit TestHttpPeerGroup(QObject* parent = nullptr);
    ~TestHttpPeerGroup() override;

    // Listens on every address (loopback ones only) on one free port; false when no port was free on
    // all of them after a few tries.
    bool listen(const QStringList& addresses);
    quint16 port() const { return port_; }

    // The whole response the peer on address gives (200 "OK" until set).
    void setReply(const QString& address, const QByteArray& response) { replies_.insert(address, response); }

    std::vector<Request> requests;

private:
    void onNewConnection(QTcpServer* server);
    void onReadyRead(QTcpSocket* socket, const QString& address);

    std::vector<std::unique_ptr<QTcpServer>> servers_;
    QHash<QString, QByteArray> replies_;
    quint16 port_ = 0;
};

} // namespace vellumo::test
