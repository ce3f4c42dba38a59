#include "tests/support/fake_stream_socket.h"

#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"

#include <QMetaObject>

#include <utility>

namespace vellumo::test {

void FakeStreamSocket::Bind(std::int32_t port, const QString&) {
    localPort = port == 0 ? 50000 : port;
    state = sck::Open;
}

void FakeStreamSocket::Listen() {
    state = sck::Listening;
}

bool FakeStreamSocket::Defer(std::int32_t requestID) {
    deferred.push_back(requestID);
    return true;
}

void FakeStreamSocket::Reject(std::int32_t requestID) {
    rejected.push_back(requestID);
}

void FakeStreamSocket::Accept(std::int32_t requestID) {
    acceptedID = requestID;
    state = sck::Connected;
    localPort = 50000;
    reading = true;
    writeShut = false;
}

void FakeStreamSocket::Connect(const QString& host, std::int32_t) {
    remoteIP = host;
    state = sck::Connecting;
}

QByteArray FakeStreamSocket::GetData() {
    return std::exchange(incoming_, QByteArray());
}

bool FakeStreamSocket::SendData(const QByteArray& bytes, bool) {
    if (failSends || state != sck::Connected || writeShut)
        throw RuntimeError(sockerr::WrongState, QStringLiteral("FakeStreamSocket"),
                           sockerr::description(sockerr::WrongState));
    sent += bytes;
    sends.push_back(bytes);
    if (takeAtOnce)
        return true;
    ++pendingCompletions;
    if (autoComplete) {
        QMetaObject::invokeMethod(
            &context_,
            [this, generation = generation_] {
                if (generation == generation_ && pendingCompletions > 0) {
                    --pendingCompletions;
                    if (events_.SendComplete)
                        events_.SendComplete();
                }
            },
            Qt::QueuedConnection);
    }
    return false;
}

void FakeStreamSocket::Close() {
    ++closeCalls;
    state = sck::Closed;
    incoming_.clear();
    pendingCompletions = 0;
    ++generation_;
}

void FakeStreamSocket::feed(const QByteArray& bytes) {
    incoming_ += bytes;
    if (events_.DataArrival)
        events_.DataArrival(static_cast<std::int32_t>(incoming_.size()));
}

void FakeStreamSocket::peerClose() {
    state = sck::Closing;
    if (events_.Close)
        events_.Close();
}

void FakeStreamSocket::fail(std::int32_t number) {
    if (events_.Error)
        events_.Error(number, sockerr::description(number));
}

void FakeStreamSocket::requestConnection(std::int32_t requestID) {
    if (events_.ConnectionRequest)
        events_.ConnectionRequest(requestID);
}

void FakeStreamSocket::completeSends() {
    const quint64 generation = generation_;
    while (pendingCompletions > 0 && generation == generation_) {
        --pendingCompletions;
        if (events_.SendComplete)
            events_.SendComplete();
    }
}

} // namespace vellumo::test
