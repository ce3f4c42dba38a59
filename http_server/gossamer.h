#pragma once
// Gossamer: the embedded HTTP server. The station owns one for the whole run: it sets Port,
// calls StartListening() and answers every POST in its GossamerHost::DynamicRequest. Gossamer owns
// the listening socket wskRequest and a pool of connection handlers (GossClient); handler i is made
// the first time it is needed and lives as long as the server. The pool holds at most
// MaxConnections handlers; a connection that finds them all busy is accepted and closed at once.
//
// Invariants: every handler's Index is its position in the pool; the pool only grows; the server
// raises nothing to the host but DynamicRequest and LogEvent, both synchronously.
//
// Errors raised to the caller (source "Gossamer"):
//   &H8004A700 "Already listening"                  StartListening while listening
//   &H8004A702 "MaxConnections must be 1 to 1000"   MaxConnections set outside 1 to 1000
//   &H8004A704 "Can't change VDir while listening"  VDir set while listening
//   &H8004A708 "Already stopped"                    StopListening while the listener is closed
//   &H8004A70A "Must be stopped to SetServerHeader" SetServerHeader while the listener is not closed
//   &H8004A70C "MaxConnectionsPerAddress must be 1 to 1000"  set outside 1 to 1000
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
#include <memory>
#include <optional>
#include <vector>

namespace vellumo {

class GossClient;

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
    static constexpr int DefaultMaxConnectionsPerAddress = 4;

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
    std::int16_t MaxConnectionsPerAddress() const { return maxPerAddress_; }
    void setMaxConnectionsPerAddress(std::int32_t Max);
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
    // The first wait before a failed listener is opened again.
    void setListenRetryDelay(int milliseconds) { listenRetryFirstMs_ = milliseconds; }
    // True while the listener takes new connections (listening, and a handler free or to be made).
    bool Accepting() const { return accepting_; }
    // Handlers made so far, and one of them.
    int PoolSize() const { return static_cast<int>(clients_.size()); }
    GossClient& Client(int index) { return *clients_.at(static_cast<std::size_t>(index)); }

    // For the handlers only: the handler has ended its connection and is free again.
    void ClientReleased(GossClient& client);

private:
    void wskRequest_ConnectionRequest(std::int32_t requestID);
    void wskRequest_Error(std::int32_t Number, const QString& Description);
    GossClient& addClient();
    bool hasRoom() const;
    void updateAccepting();
    // Binds and listens on Port (and the adapter address of StartListening); false on failure,
    // with the listener closed.
    bool bindAndListen();
    // The listener's start record (EventType 3, "Vellumo started"), at StartListening and when it
    // listens again after a failure.
    void logStarted(const QString& adapterIP);
    void scheduleRelisten();
    void relisten();

    StreamSocketFactory socketFactory_;
    GossamerHost* host_ = nullptr;
    std::int16_t maxConnections_ = 32;
    std::int16_t maxPerAddress_ = DefaultMaxConnectionsPerAddress;
    // Handlers in use per peer address, and the address each handler in use serves.
    QHash<QString, int> slotsByAddress_;
    std::vector<std::optional<QString>> clientAddress_;
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
    std::unique_ptr<StreamSocket> wskRequest_;
    std::vector<std::unique_ptr<GossClient>> clients_;
};

} // namespace vellumo
