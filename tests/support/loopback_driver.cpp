#include "tests/support/loopback_driver.h"

namespace vellumo::test {

LoopbackDriver::LoopbackDriver() {
    server_ = std::make_unique<Gossamer>([this] {
        auto socket = std::make_unique<FakeStreamSocket>();
        sockets_.push_back(socket.get());
        return socket;
    });
    server_->StartListening(0);
}

LoopbackDriver::~LoopbackDriver() = default;

FakeStreamSocket* LoopbackDriver::connect() {
    const std::int32_t id = nextID_++;
    listener().requestConnection(id);
    return socketFor(id);
}

FakeStreamSocket* LoopbackDriver::socketFor(std::int32_t requestID) const {
    for (FakeStreamSocket* s : sockets_) {
        if (s->acceptedID == requestID && s->state == sck::Connected)
            return s;
    }
    return nullptr;
}

} // namespace vellumo::test
