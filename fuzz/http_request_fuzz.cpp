// Request parsing of the HTTP server's connection handler, fed without a socket: the input is cut
// into arrivals of varying size (chosen by its first byte), replies are completed after every
// arrival, and the peer closes at the end. Whatever the bytes, nothing may crash or leak, and the
// handler must end free with its connection closed.
#include "http_server/goss_client.h"
#include "http_server/gossamer.h"
#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

using namespace vellumo;

namespace {

class MemorySocket : public StreamSocket {
public:
    void Bind(std::int32_t port, const QString&) override {
        localPort_ = port;
        state_ = sck::Open;
    }
    void Listen() override { state_ = sck::Listening; }
    void Accept(std::int32_t) override { state_ = sck::Connected; }
    void Connect(const QString&, std::int32_t) override { state_ = sck::Connecting; }
    QByteArray GetData() override { return std::exchange(incoming_, QByteArray()); }
    bool SendData(const QByteArray& bytes, bool) override {
        if (state_ != sck::Connected)
            throw RuntimeError(sockerr::WrongState, QStringLiteral("MemorySocket"), QString());
        sentBytes += bytes.size();
        // Every other send waits for its completion, so both roads of the handler are taken.
        if ((++sends_ & 1) == 0)
            return true;
        ++pending_;
        return false;
    }
    void Close() override {
        state_ = sck::Closed;
        pending_ = 0;
        incoming_.clear();
    }
    int State() const override { return state_; }
    std::int32_t LocalPort() const override { return localPort_; }
    void setLocalPort(std::int32_t port) override { localPort_ = port; }
    QString LocalIP() const override { return QStringLiteral("127.0.0.1"); }
    QString LocalHostName() const override { return QStringLiteral("fuzz"); }
    QString RemoteHostIP() const override { return QStringLiteral("127.0.0.1"); }
    std::int32_t RemotePort() const override { return 1; }

    void connectionRequest() {
        if (events_.ConnectionRequest)
            events_.ConnectionRequest(7);
    }
    void feed(const QByteArray& bytes) {
        if (state_ != sck::Connected)
            return;
        incoming_ += bytes;
        if (events_.DataArrival)
            events_.DataArrival(static_cast<std::int32_t>(incoming_.size()));
    }
    void completeSends() {
        // Bounded: each completion can cause at most one further send.
        for (int i = 0; i < 10000 && pending_ > 0; ++i) {
            --pending_;
            if (events_.SendComplete)
                events_.SendComplete();
        }
    }
    void peerClose() {
        if (state_ == sck::Closed)
            return;
        state_ = sck::Closing;
        if (events_.Close)
            events_.Close();
    }

    qsizetype sentBytes = 0;

private:
    QByteArray incoming_;
    int state_ = sck::Closed;
    std::int32_t localPort_ = 0;
    int pending_ = 0;
    int sends_ = 0;
};

class EchoHost : public GossamerHost {
public:
    void HeadComplete(const QString&, const QString& URI, const HeaderCollection&, const QString&, HeadReply& Reply,
                      std::int16_t) override {
        if (URI.contains(u'~')) {
            Reply.Status = 401;
            Reply.StatusText = QStringLiteral("refused on its head");
            Reply.Body = "no";
        }
    }
    void DynamicRequest(QString&, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                        std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME, QString& RespExtraHeaders,
                        QByteArray& RespBody, std::int16_t&) override {
        if (URI.contains(u'~'))
            std::abort(); // refused on its head: it must never get here
        if (URI.contains(u'!'))
            throw RuntimeError(err::object(1), QStringLiteral("EchoHost"), QStringLiteral("refused"));
        if (URI.contains(u'?'))
            return;               // status 0: the 501 page
        Gossamer::URLDecode(URI); // a bad escape throws, as it would in the real host
        RespStatus = 200;
        RespStatusText = QStringLiteral("OK ") + URI;
        RespMIME = ReqHeaders.Value(QStringLiteral("ACCEPT"));
        RespExtraHeaders = ReqHeaders.Value(QStringLiteral("X-EXTRA"));
        RespBody = Params;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::uint32_t seed = data[0] * 2654435761u + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    std::vector<MemorySocket*> sockets;
    EchoHost host;
    Gossamer server([&sockets] {
        auto socket = std::make_unique<MemorySocket>();
        sockets.push_back(socket.get());
        return socket;
    });
    server.setHost(&host);
    server.StartListening(0);
    sockets.front()->connectionRequest();
    MemorySocket& connection = *sockets.at(1);

    qsizetype at = 0;
    while (at < stream.size()) {
        seed = seed * 1103515245u + 12345u;
        const qsizetype piece = 1 + static_cast<qsizetype>((seed >> 16) % 64);
        connection.feed(stream.mid(at, piece));
        connection.completeSends();
        at += piece;
    }
    connection.completeSends();
    connection.peerClose();
    if (server.Client(0).InUse() || connection.State() != sck::Closed)
        std::abort();
    return 0;
}
