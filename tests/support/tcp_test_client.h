#pragma once
// TcpTestClient: the far end of a real 127.0.0.1 connection in tests, a plain POSIX socket read
// without blocking while the Qt event loop runs, so that the server under test (on the same thread)
// keeps serving. Also splits what arrived into HTTP responses.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

namespace vellumo::test {

class TcpTestClient {
public:
    // sourceAddress: the local address to connect from (another 127.x.y.z stands for another
    // station); the default one when null.
    explicit TcpTestClient(int port, const char* sourceAddress = nullptr);
    ~TcpTestClient();
    TcpTestClient(const TcpTestClient&) = delete;
    TcpTestClient& operator=(const TcpTestClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    void send(QByteArrayView bytes);
    // Runs the event loop until pred(received) holds or the time is up.
    bool waitFor(const std::function<bool(const QByteArray&)>& pred, int timeoutMs = 5000);
    // Waits until the server has closed the connection.
    bool waitForClose(int timeoutMs = 5000);
    // Waits for one whole response (head and Content-Length body) and takes it out of received.
    std::optional<QByteArray> nextResponse(int timeoutMs = 5000, bool headOnly = false);
    // Closes with a reset instead of an orderly close.
    void reset();
    void close();

    QByteArray received;
    bool peerClosed = false;

private:
    void drain();
    int fd_ = -1;
};

// The length of the first whole response in bytes, or 0 when it has not all arrived.
qsizetype completeResponseLength(const QByteArray& bytes, bool headOnly = false);

} // namespace vellumo::test
