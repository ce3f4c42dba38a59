#pragma once
// TestHttpPeer: a scripted HTTP peer on a loopback address for tests of the client side. It accepts
// connections, reads each request (head and Content-Length body), records its bytes exactly as they
// came, and then does what the script says: answer with given bytes (and close, unless told to keep
// the connection), never answer, or close without answering. Runs on the test's event loop.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

namespace vellumo::test {

class TestHttpPeer : public QObject {
    Q_OBJECT

public:
    enum class Behaviour { Answer, NeverAnswer, CloseWithoutAnswer };

    explicit TestHttpPeer(QObject* parent = nullptr);

    // Listens on address (127.0.0.1 unless given) and a free port.
    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return server_.serverPort(); }
    QString url(const QString& path = QStringLiteral("/MESSAGE")) const;

    // A whole response: status line with the reason's bytes as given, a text/plain head with
    // Content-Length, the extra head lines (each ending in CRLF), then the body.
    static QByteArray response(int status, const QByteArray& reasonBytes, const QByteArray& body = QByteArray(),
                               const QByteArray& extraHead = QByteArray());

    // Answer every request with status and reason (put on the wire as Windows-1252).
    void answer(int status, const QString& reason, const QByteArray& body = QByteArray());
    // Answer every request with these bytes.
    void answerRaw(const QByteArray& bytes);
    void neverAnswer() { behaviour = Behaviour::NeverAnswer; }
    void closeWithoutAnswer() { behaviour = Behaviour::CloseWithoutAnswer; }

    Behaviour behaviour = Behaviour::Answer;
    QByteArray reply = response(200, "OK");
    bool closeAfterAnswer = true;

    // Every request received, bytes as on the wire.
    QList<QByteArray> requests;
    int connections = 0;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer server_;
};

} // namespace vellumo::test
