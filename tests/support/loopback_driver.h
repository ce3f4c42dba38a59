#pragma once
// LoopbackDriver: a Gossamer whose listener and connections are FakeStreamSockets, so a test feeds
// bytes to a connection handler and reads its replies without any socket. Owns the server and every
// fake it made (sockets[0] is the listener).

#include "http_server/gossamer.h"
#include "tests/support/fake_stream_socket.h"

#include <memory>
#include <vector>

namespace vellumo::test {

class LoopbackDriver {
public:
    LoopbackDriver();
    ~LoopbackDriver();

    Gossamer& server() { return *server_; }
    FakeStreamSocket& listener() { return *sockets_.front(); }
    // A new connection; returns the fake of the handler that took it, or nullptr when none did (it
    // may wait, kept by the listener's Defer, to be taken later: socketFor tells).
    FakeStreamSocket* connect();
    // The request identifier of the last connect().
    std::int32_t lastRequestID() const { return nextID_ - 1; }
    // The fake of the handler that has taken connection requestID now, or nullptr.
    FakeStreamSocket* socketFor(std::int32_t requestID) const;

private:
    std::vector<FakeStreamSocket*> sockets_;
    std::unique_ptr<Gossamer> server_;
    std::int32_t nextID_ = 1000;
};

} // namespace vellumo::test
