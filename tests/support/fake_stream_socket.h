#pragma once
// FakeStreamSocket: an in-memory StreamSocket for tests. The test feeds bytes, closes or fails the
// connection from the peer's side, and reads what the owner sent; sends can be made to fail on
// demand. By default a send waits, as the real socket's does when the system has no room: its
// completion is posted to the event loop, unless autoComplete is off, in which case completeSends()
// delivers it. With takeAtOnce, sends are taken whole at once, as the real socket takes a reply that
// fits: SendData returns true and no completion follows.

#include "platform/net/stream_socket.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <vector>

namespace vellumo::test {

class FakeStreamSocket : public StreamSocket {
public:
    void Bind(std::int32_t port, const QString& address = QString()) override;
    void Listen() override;
    void SetAccepting(bool accepting) override { this->accepting = accepting; }
    bool Defer(std::int32_t requestID) override;
    void Reject(std::int32_t requestID) override;
    void Accept(std::int32_t requestID) override;
    void Connect(const QString& host, std::int32_t port) override;
    QByteArray GetData() override;
    bool SendData(const QByteArray& bytes, bool moreFollows = false) override;
    void SetReading(bool reading) override { this->reading = reading; }
    void ShutdownWrite() override { writeShut = true; }
    void Close() override;

    int State() const override { return state; }
    std::int32_t LocalPort() const override { return localPort; }
    void setLocalPort(std::int32_t port) override { localPort = port; }
    QString LocalIP() const override { return QStringLiteral("127.0.0.1"); }
    QString LocalHostName() const override { return QStringLiteral("fakehost"); }
    QString RemoteHostIP() const override { return remoteIP; }
    std::int32_t RemotePort() const override { return 40000; }

    // The peer's side.
    void feed(const QByteArray& bytes);
    void peerClose();
    void fail(std::int32_t number);
    void requestConnection(std::int32_t requestID);
    void completeSends();

    int state = sck::Closed;
    bool accepting = true; // what the owner last told a listener
    bool reading = true;   // what the owner last told a connection
    bool writeShut = false;
    std::vector<std::int32_t> deferred; // a listener's connections kept by its owner (Defer), in order
    std::vector<std::int32_t> rejected; // and those it closed (Reject)
    std::int32_t localPort = 0;
    QString remoteIP = QStringLiteral("127.0.0.1");
    std::int32_t acceptedID = -1;
    bool autoComplete = true;
    bool takeAtOnce = false;
    bool failSends = false;
    QByteArray sent;
    std::vector<QByteArray> sends;
    int closeCalls = 0;
    int pendingCompletions = 0;

private:
    QByteArray incoming_;
    quint64 generation_ = 0;
    QObject context_;
};

} // namespace vellumo::test
