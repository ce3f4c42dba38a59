#pragma once
// TcpSocket: the StreamSocket of the running program, a non-blocking POSIX IPv4 socket driven by the
// Qt event loop through QSocketNotifier. Owned by whoever created it (a server, a connection handler,
// a probe); it closes its descriptor when destroyed.
//
// - Listeners use SO_REUSEADDR, so a restarted program binds its port again at once.
// - A listener accepts every pending connection itself and raises ConnectionRequest with the new
//   descriptor as the request identifier; a connection no socket Accepts inside that event is
//   closed at once, unless the owner kept it with Defer (it then waits, accepted and unread, for an
//   Accept or a Reject). Once the event has returned, the listener reads a connection accepted in it
//   at once (its DataArrival comes from there when the peer's request has come already); its read
//   notifier is switched on only when nothing was there. TCP_NODELAY is set on the listener and
//   inherited. SetAccepting(false) switches its notifier off: connections then wait in the kernel's
//   backlog and nothing runs until SetAccepting(true).
// - SetReading(false) switches a connection's read notifier off: what arrives stays in the kernel's
//   buffers and TCP holds the peer back. ShutdownWrite sends the end of the stream after what is
//   queued (shutdown(SHUT_WR)); reading goes on.
// - accept() failures that concern one connection only (the peer gave up, a network error of that
//   connection) are skipped. Running out of descriptors or memory is raised as 10024 or 10055 and the
//   listener stays open: it stops accepting for a moment (10 ms, doubling up to 1 s while it lasts)
//   and then tries again, the waiting connections kept in the backlog.
// - Every send uses MSG_NOSIGNAL: a peer that has gone is an error event (10053, 10054), never a
//   signal. A SendData whose bytes the kernel takes at once returns true and raises nothing: a reply
//   costs one system call and no turn of the loop. Bytes sent with moreFollows wait in the socket
//   and go out in one sendmsg with the next SendData's (a head and its body). Only bytes that had to
//   wait for room get a SendComplete, raised from the write notification once they are all in the
//   kernel. A failed send is reported as a posted Error, never inside SendData.
// - An owner that lets the event loop run inside DataArrival is not entered again by the same
//   socket: a read notification arriving meanwhile switches the notifier off until the event returns.
// - Each connection has a generation number; events already posted for a connection that has been
//   closed since are dropped.

#include "platform/net/stream_socket.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>

class QSocketNotifier;

namespace vellumo {

class TcpSocket final : public QObject, public StreamSocket {
public:
    TcpSocket();
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    void Bind(std::int32_t port, const QString& address = QString()) override;
    void Listen() override;
    void SetAccepting(bool accepting) override;
    bool Defer(std::int32_t requestID) override;
    void Reject(std::int32_t requestID) override;
    void Accept(std::int32_t requestID) override;
    void Connect(const QString& host, std::int32_t port) override;
    QByteArray GetData() override;
    bool SendData(const QByteArray& bytes, bool moreFollows = false) override;
    void SetReading(bool reading) override;
    void ShutdownWrite() override;
    void Close() override;

    int State() const override { return state_; }
    std::int32_t LocalPort() const override;
    void setLocalPort(std::int32_t port) override { localPort_ = port; }
    QString LocalIP() const override;
    QString LocalHostName() const override;
    QString RemoteHostIP() const override { return remoteIP_; }
    std::int32_t RemotePort() const override { return remotePort_; }

    // The factory the server uses for its listener and its connections.
    static std::unique_ptr<StreamSocket> create();

private:
    struct PendingSend {
        QByteArray bytes;
        qsizetype offset = 0;
        // SendData returned false for these bytes: their SendComplete is owed.
        bool owesCompletion = false;
    };

    std::int32_t boundPort() const;
    void startNotifiers(bool reading, bool writing);
    void stopNotifiers();
    void release();
    void onReadable();
    void onWritable();
    void acceptPending();
    void updateAcceptNotifier();
    // Hands what waits to the kernel, in as few sendmsg calls as it takes. Returns how many
    // SendCompletes became due; false in ok when the connection failed (its Error is posted).
    int flush(bool& ok);
    // Marks the connection failed and posts the error; used where raising at once would run the
    // owner's handler inside one of its own calls.
    void failLater(int errnoValue);
    void postError(std::int32_t number);
    void raiseError(std::int32_t number);
    [[noreturn]] void raise(std::int32_t number) const;

    int fd_ = -1;
    int state_ = sck::Closed;
    std::int32_t localPort_ = 0;
    QString remoteIP_;
    std::int32_t remotePort_ = 0;
    quint64 generation_ = 0;
    bool raising_ = false;         // inside DataArrival of this socket
    bool readPaused_ = false;      // a read notification came meanwhile
    bool acceptPaused_ = false;    // a listener told not to accept
    bool readingOff_ = false;      // a connection told not to read
    bool shutdownPending_ = false; // ShutdownWrite once the queued sends have gone
    QTimer acceptRetry_;           // a listener out of descriptors or memory, waiting to try again
    int acceptBackoffMs_ = 0;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray received_;
    std::deque<PendingSend> sends_;
};

} // namespace vellumo
