#pragma once
// Gossamer: the embedded HTTP server. The station owns one for the whole run: it sets Port,
// calls StartListening() and answers every POST in its GossamerHost::DynamicRequest. Gossamer owns
// the listening socket wskRequest and a pool of connection handlers (GossClient); handler i is made
// the first time it is needed and lives as long as the server.
//
// The pool, and who waits for it:
// - At most MaxConnections handlers serve at once. While one is free, any caller is served at once,
//   however many connections its address already has (stations behind one gateway, users of one
//   host).
// - A caller past them waits, accepted and unread (TCP holds its bytes), among at most
//   MaxWaitingConnections; further callers wait in the system's backlog. The next to be served is the
//   waiting caller whose address holds fewest of the serving handlers; among those, the one whose
//   address was served least recently (a station never served goes before holders who keep coming
//   back), then the longest waiting.
// - When every handler serves and a caller waits, the connection that has shown least progress gives
//   its slot up: one idle since its accept or its last reply, or whose head is still not complete,
//   for EvictionGrace at least (closed without a reply); the last to go is one in the middle of an
//   authorised body that has been quiet for BodyEvictionGrace (answered 503). Only the caller's own
//   address, or one holding more handlers than the caller's, loses a slot so; a body goes only to a
//   caller from another address.
// - A caller that waits longer than KeepAliveTimeout is closed.
// - After a refusal (and after any reply after which the connection ends) the handler leaves the
//   pool: the reply is sent, the sending side ended, and what the peer still sends is read and thrown
//   away for LingerTimeout or LingerBytes at most (a lingering close), so that the peer reads its
//   reply; at most MaxLingering at once, beyond that closed as soon as the reply is out. A peer
//   that asked for the end and sent its request whole owes nothing more: it is closed at once. A refusal
//   the host delays (HeadReply::DelayMs) waits out of the pool too, unread, at most
//   MaxDelayedRefusals at once; beyond that it is closed at once without a reply.
// - Bodies being received that are bigger than SmallBodyBytes take their announced length from a
//   budget of BodyBudget bytes; a body that does not fit is not read (TCP holds its peer back) until
//   bodies before it are done.
//
// Invariants: every handler's Index is its position in the pool; the pool only grows (to at most
// MaxConnections + MaxLingering + MaxDelayedRefusals handlers); the server raises nothing to the
// host but DynamicRequest and LogEvent, both synchronously. At most one request is in the host at a
// time: requests ready meanwhile wait and are served first come, first served (TakeHostTurn), so
// replies leave in the order the requests came, and a handler of the host is never entered inside
// another.
//
// Errors raised to the caller (source "Gossamer"):
//   &H8004A700 "Already listening"                  StartListening while listening
//   &H8004A702 "MaxConnections must be 1 to 1000"   MaxConnections set outside 1 to 1000
//   &H8004A704 "Can't change VDir while listening"  VDir set while listening
//   &H8004A708 "Already stopped"                    StopListening while the listener is closed
//   &H8004A70A "Must be stopped to SetServerHeader" SetServerHeader while the listener is not closed
//   13         "Type mismatch"                      URLDecode of a bad % escape
//
// HTTP date (UTCString):  Tue, 08 Dec 2026 09:05:03 GMT
//
// Saved properties (a value equal to its default is not written):
//   "DefaultPage"     "index.htm"      "Port"  8080
//   "MaxConnections"  32 (its setter)  "VDir"  "" (its setter, which also sets VDirPath)

#include "http_server/goss_event.h"
#include "http_server/gossamer_host.h"
#include "http_server/header_collection.h"
#include "platform/net/stream_socket.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace vellumo {

class GossClient;

// Where a handler stands: free; serving a connection (one of the pool's MaxConnections slots); or
// out of the pool, ending a connection with a lingering close, or holding a refusal for its delay.
enum class ClientPhase { Free, Serving, Lingering, Delaying };

class Gossamer {
public:
    // The product and version in the Server and X-Powered-By lines.
    static constexpr const char* ProductName = "Vellumo";
    static constexpr int MajorVersion = 2;
    static constexpr int MinorVersion = 0;
    static constexpr const char* PlatformTag = "Linux";
    // Default of each of the three time-outs of a connection.
    static constexpr int DefaultTimeoutMs = 30000;
    // First wait before a failed listener is opened again; it doubles up to MaxListenRetryMs.
    static constexpr int DefaultListenRetryMs = 1000;
    static constexpr int MaxListenRetryMs = 60000;
    // Callers kept accepted, waiting for a handler (further ones wait in the system's backlog).
    static constexpr int MaxWaitingConnections = 256;
    // How long a connection must have shown no progress before it gives its slot to a caller who
    // waits: one without a complete head, and one in the middle of an authorised body.
    static constexpr int DefaultEvictionGraceMs = 500;
    static constexpr int DefaultBodyEvictionGraceMs = 2000;
    // The lingering close after a refusal: how long and how much is read and thrown away at most,
    // and how many connections may linger at once.
    static constexpr int DefaultLingerMs = 2000;
    static constexpr std::int32_t LingerBytes = 64 * 1024;
    static constexpr int MaxLingering = 64;
    // Refusals held for their delay at once.
    static constexpr int MaxDelayedRefusals = 16;
    // Bodies being received above SmallBodyBytes share this budget of their announced lengths.
    static constexpr std::int64_t DefaultBodyBudgetBytes = std::int64_t{256} * 1024 * 1024;
    static constexpr std::int32_t SmallBodyBytes = 1024 * 1024;

    // socketFactory makes the listener and every connection's socket (the real TCP sockets unless a
    // test drives the server without them).
    explicit Gossamer(StreamSocketFactory socketFactory = {});
    ~Gossamer();
    Gossamer(const Gossamer&) = delete;
    Gossamer& operator=(const Gossamer&) = delete;

    void setHost(GossamerHost* host) { host_ = host; }
    GossamerHost* host() const { return host_; }

    QString DefaultPage = QStringLiteral("index.htm");
    std::int32_t Port = 8080;
    bool ConnectedToPort = false;
    // The socket error number (10048 in use, 10013 refused, 10049 address not available, ...) of the
    // last StartListening that could not bind its port; 0 when it bound.
    std::int32_t BindError = 0;

    QString hostname() const;
    QString IP() const;
    std::int16_t MaxConnections() const { return maxConnections_; }
    void setMaxConnections(std::int32_t Max);
    QString ServerHeader() const { return serverHeader_; }
    std::int16_t State() const;
    QString VDir() const { return vDir_; }
    void setVDir(const QString& Directory);
    QString VDirPath() const { return vDirPath_; }
    QString XPBHeader() const { return xpbHeader_; }

    static QString EntityEncode(const QString& Text);
    static QString ExtensionToMIME(const QString& Extension);
    std::int16_t GetFreeFile() const;
    void RaiseDynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                             std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                             QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex);
    void RaiseLogEvent(GossEvent& Event, std::int16_t ClientIndex);
    // For the handlers only: the host's decision on a request head (nothing when there is no host).
    void RaiseHeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                           const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex);
    static QString ResolvePath(const QString& RelativePath);
    void SetServerHeader(const QString& HeaderValue);
    void StartListening(std::int32_t Port = -1, const QString& AdapterIP = QString());
    void StopListening();
    static QString URLDecode(const QString& URLEncoded);
    static QDateTime UTCDateTime(const QDateTime& DateTime);
    static QDateTime UTCParseString(const QString& UTCString);
    static QString UTCString(const QDateTime& DateTime);
    // UTCString of the current time, formatted at most once a second.
    static QString UTCStringNow();

    // The saved properties, read back (through the setters where they check) and written.
    using PropertyBag = QHash<QString, QVariant>;
    void ReadProperties(const PropertyBag& bag);
    PropertyBag WriteProperties() const;

    // The port the listener holds now (what Port 0 picked), 0 when not listening.
    std::int32_t LocalPort() const;
    // The time-outs of a connection, in milliseconds (0 or less: none). A connection is closed
    // (through the close path, without a reply) when
    //   HeadTimeout       the head of a request is not complete this long after its first byte;
    //   BodyTimeout       no byte of an announced body has come for this long;
    //   KeepAliveTimeout  no byte of a next request has come this long after the reply before it
    //                     (or after the accept).
    int HeadTimeout() const { return headTimeoutMs_; }
    void setHeadTimeout(int milliseconds) { headTimeoutMs_ = milliseconds; }
    int BodyTimeout() const { return bodyTimeoutMs_; }
    void setBodyTimeout(int milliseconds) { bodyTimeoutMs_ = milliseconds; }
    int KeepAliveTimeout() const { return keepAliveTimeoutMs_; }
    void setKeepAliveTimeout(int milliseconds) { keepAliveTimeoutMs_ = milliseconds; }
    // All three at once.
    void setIdleTimeout(int milliseconds);
    // The pool's limits of the table above (tests shorten them).
    int EvictionGrace() const { return evictionGraceMs_; }
    int BodyEvictionGrace() const { return bodyEvictionGraceMs_; }
    void setEvictionGrace(int milliseconds, int bodyMilliseconds);
    int LingerTimeout() const { return lingerMs_; }
    void setLingerTimeout(int milliseconds) { lingerMs_ = milliseconds; }
    std::int64_t BodyBudget() const { return bodyBudget_; }
    void setBodyBudget(std::int64_t bytes) { bodyBudget_ = bytes; }
    // The first wait before a failed listener is opened again.
    void setListenRetryDelay(int milliseconds) { listenRetryFirstMs_ = milliseconds; }
    // True while a new connection would be served at once (listening, a handler free, nobody
    // waiting).
    bool Accepting() const;
    // Handlers made so far, and one of them.
    int PoolSize() const { return static_cast<int>(clients_.size()); }
    GossClient& Client(int index) { return *clients_.at(static_cast<std::size_t>(index)); }
    // Handlers serving now (lingering and delayed connections are out of the pool), callers waiting,
    // and the announced bytes of the big bodies being received.
    int Serving() const { return serving_; }
    int WaitingCallers() const { return static_cast<int>(waiting_.size()); }
    std::int64_t BodyBytesInFlight() const { return bodyBytes_; }

    // For the handlers only.
    // A handler has moved from one phase to another (it has taken a connection, left the pool, ...).
    void ClientPhaseChanged(GossClient& client, ClientPhase from, ClientPhase to);
    // Whether one more may linger, or wait out a delayed refusal.
    bool MayLinger() const { return lingering_ < MaxLingering; }
    bool MayDelayRefusal() const { return delaying_ < MaxDelayedRefusals; }
    // A body of `bytes` may be read now (true), or once bodies before it are done (false: the
    // server calls client.BodyBudgetGranted() then). ReleaseBody gives back what it took, or stops
    // its wait.
    bool ReserveBody(GossClient& client, std::int64_t bytes);
    void ReleaseBody(GossClient& client, std::int64_t reserved);
    // Milliseconds on a steady clock, the time base of the handlers' progress.
    static std::int64_t Now();

    // For the handlers only: the one turn to call into the host (HeadComplete, DynamicRequest). True
    // when client may call now; false when another call runs (a host that lets the loop run inside a
    // long job) or others wait before it: client then waits in line, and once the host is free the
    // server resumes the waiting handlers in the order they asked (GossClient::ResumeHostCall).
    bool TakeHostTurn(GossClient& client);
    void ReleaseHostTurn(GossClient& client);
    // The handler no longer waits (its connection has ended).
    void ForgetHostTurn(GossClient& client);
    // Handlers waiting for their turn, and whether a call into the host runs now.
    int WaitingForHost() const { return static_cast<int>(hostQueue_.size()); }
    bool InHost() const { return inHost_ != nullptr; }

private:
    void wskRequest_ConnectionRequest(std::int32_t requestID);
    void wskRequest_Error(std::int32_t Number, const QString& Description);
    GossClient& addClient();
    GossClient& freeClient();
    // Serves the connection requestID (accepted now, or kept waiting) on a free handler.
    void serve(std::int32_t requestID, const QString& address);
    // Serves waiting callers while handlers free up or give their slots up; then sets the timer for
    // the next look.
    void admitWaiting();
    // The serving handler that gives its slot to a caller from `address`, or nullptr.
    GossClient* victimFor(const QString& address, std::int64_t now) const;
    void rejectWaiting();
    void updateAccepting();
    // Binds and listens on Port (and the adapter address of StartListening); false on failure,
    // with the listener closed.
    bool bindAndListen();
    // The listener's start record (EventType 3, "Vellumo started"), at StartListening and when it
    // listens again after a failure.
    void logStarted(const QString& adapterIP);
    void scheduleRelisten();
    void relisten();
    // Gives the waiting handlers their turns, one after the other, while the host is free.
    void serveWaiting();

    StreamSocketFactory socketFactory_;
    GossamerHost* host_ = nullptr;
    std::int16_t maxConnections_ = 32;
    // What each peer address holds of the pool and of the waiting room (an address that holds
    // nothing is not there).
    struct AddressShare {
        int serving = 0;
        int waiting = 0;
    };
    QHash<QString, AddressShare> shares_;
    int slotsOf(const QString& address) const;
    void shareChanged(const QString& address, int serving, int waiting);
    // When the addresses served last were served, the longest ago first; at most
    // MaxServedAddresses, the oldest forgotten first (an address not there counts as never served).
    static constexpr int MaxServedAddresses = 4096;
    std::list<std::pair<QString, std::int64_t>> servedOrder_;
    QHash<QString, std::list<std::pair<QString, std::int64_t>>::iterator> servedAt_;
    std::int64_t lastServedOf(const QString& address) const;
    void noteServed(const QString& address);
    int serving_ = 0;
    int lingering_ = 0;
    int delaying_ = 0;
    struct WaitingCaller {
        std::int32_t requestID;
        QString address;
        std::int64_t since;
    };
    std::deque<WaitingCaller> waiting_;
    QTimer admitTimer_;
    bool admitting_ = false;
    bool admitAgain_ = false;
    int evictionGraceMs_ = DefaultEvictionGraceMs;
    int bodyEvictionGraceMs_ = DefaultBodyEvictionGraceMs;
    int lingerMs_ = DefaultLingerMs;
    std::int64_t bodyBudget_ = DefaultBodyBudgetBytes;
    std::int64_t bodyBytes_ = 0;
    std::deque<GossClient*> bodyWaiters_;
    QString xpbHeader_;
    QString serverHeader_;
    QString vDir_;
    QString vDirPath_;
    int headTimeoutMs_ = DefaultTimeoutMs;
    int bodyTimeoutMs_ = DefaultTimeoutMs;
    int keepAliveTimeoutMs_ = DefaultTimeoutMs;
    int listenRetryFirstMs_ = DefaultListenRetryMs;
    int listenRetryMs_ = 0;
    QString adapterIP_;
    bool accepting_ = false;
    QTimer relistenTimer_;
    // The handler calling into the host now, those waiting for it, and the zero timer that serves
    // them once the call has returned (from the loop, after the handler that called has sent its reply).
    GossClient* inHost_ = nullptr;
    std::deque<GossClient*> hostQueue_;
    QTimer serveWaitingTimer_;
    std::unique_ptr<StreamSocket> wskRequest_;
    std::vector<std::unique_ptr<GossClient>> clients_;
};

} // namespace vellumo
