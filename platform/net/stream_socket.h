#pragma once
// StreamSocket: one TCP stream socket as the HTTP server and the peer scan use it: a listener that
// reports connection requests, a connection accepted by its request identifier, or an outgoing
// connect probe. The owner (a server, one of its connection handlers, a probe of the scan) holds it
// by value or unique_ptr and installs its Events before use.
//
// Invariants every implementation keeps:
// - Every event is raised from the event loop, never from inside a call of the owner: SendData hands
//   the bytes on and returns. When it says it took them whole, no SendComplete follows for them; when
//   some had to wait, SendComplete follows later, once for that SendData, in order.
// - After Close no event of the closed connection is raised, even one already under way.
// - DataArrival comes before Close when the peer sent bytes and then closed.
// - The owner may call any member, Close included, from inside an event.
//
// States (the numbers the owners compare against):
//   0 closed      3 connection pending   6 connecting   9 error
//   1 open        4 resolving host       7 connected
//   2 listening   5 host resolved        8 closing (the peer has closed; Close to finish)

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace vellumo {

namespace sck {
inline constexpr int Closed = 0, Open = 1, Listening = 2, ConnectionPending = 3, ResolvingHost = 4, HostResolved = 5,
                     Connecting = 6, Connected = 7, Closing = 8, Error = 9;
} // namespace sck

class StreamSocket {
public:
    struct Events {
        // A listener has a pending connection; the identifier goes to Accept on another socket. A
        // connection not accepted before the event returns is closed at once (refused).
        std::function<void(std::int32_t requestID)> ConnectionRequest;
        // An outgoing Connect has succeeded.
        std::function<void()> Connect;
        // Bytes have arrived; bytesTotal is how many GetData would now return.
        std::function<void(std::int32_t bytesTotal)> DataArrival;
        // The bytes of one SendData that could not all be taken at once have now been handed to the
        // system.
        std::function<void()> SendComplete;
        // The peer has closed its side (state 8).
        std::function<void()> Close;
        // A failure, with a number of socket_errors.h and its description. On a listener, 10024 and
        // 10055 (out of descriptors or memory for the moment) leave it listening; other numbers mean
        // the listening socket itself has failed.
        std::function<void(std::int32_t number, const QString& description)> Error;
    };

    virtual ~StreamSocket() = default;

    void setEvents(Events events) { events_ = std::move(events); }

    // Binds to a local port (0: any) and an optional dotted IPv4 address; raises RuntimeError with
    // a socket error number on failure.
    virtual void Bind(std::int32_t port, const QString& address = QString()) = 0;
    // Listens, binding to LocalPort first when not yet bound.
    virtual void Listen() = 0;
    // A listener that does not accept leaves new connections waiting in the system's backlog, with no
    // ConnectionRequest and no work of its own, until it accepts again. Listeners accept unless told
    // otherwise; other sockets ignore this.
    virtual void SetAccepting(bool accepting) { static_cast<void>(accepting); }
    // A listener keeps the pending connection requestID past its ConnectionRequest event, unread in
    // the system, until a socket Accepts it or Reject closes it. False when it cannot (the connection
    // is then closed when the event returns, as one nobody accepted).
    virtual bool Defer(std::int32_t requestID) {
        static_cast<void>(requestID);
        return false;
    }
    // Closes a connection kept by Defer.
    virtual void Reject(std::int32_t requestID) { static_cast<void>(requestID); }
    // Takes over the pending connection a listener reported (or kept by Defer).
    virtual void Accept(std::int32_t requestID) = 0;
    // Starts an asynchronous connect to a dotted IPv4 host; Connect or Error follows.
    virtual void Connect(const QString& host, std::int32_t port) = 0;
    // Everything that has arrived and not yet been taken.
    virtual QByteArray GetData() = 0;
    // Sends bytes; raises RuntimeError 40006 when the socket is not connected. True when the socket
    // took them whole: they are with the system (or, with moreFollows, held to go out with the next
    // ones), or the connection failed and its Error follows; no SendComplete comes for them. False
    // when some wait for room: SendComplete follows once they are all with the system.
    // moreFollows says the owner will send again at once (a head before its body), so the socket
    // may hold these bytes back to go out with the next ones; a send without it pushes everything.
    virtual bool SendData(const QByteArray& bytes, bool moreFollows = false) = 0;
    // A connection that does not read leaves what arrives in the system, whose buffers then hold
    // the peer back (TCP back-pressure); nothing is raised meanwhile, not even the peer's close.
    // Connections read unless told otherwise.
    virtual void SetReading(bool reading) { static_cast<void>(reading); }
    // Ends the sending side once what SendData queued has gone, so that the peer reads the end of
    // the stream; the connection still reads (and sees the peer's close).
    virtual void ShutdownWrite() {}
    // Closes the connection or listener; the socket can be used again afterwards.
    virtual void Close() = 0;

    virtual int State() const = 0;
    virtual std::int32_t LocalPort() const = 0;
    virtual void setLocalPort(std::int32_t port) = 0;
    virtual QString LocalIP() const = 0;
    virtual QString LocalHostName() const = 0;
    virtual QString RemoteHostIP() const = 0;
    virtual std::int32_t RemotePort() const = 0;

protected:
    Events events_;
};

using StreamSocketFactory = std::function<std::unique_ptr<StreamSocket>()>;

} // namespace vellumo
