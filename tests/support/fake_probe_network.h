#pragma once
// FakeProbeNetwork: a StreamSocketFactory of in-memory connect probes, for tests of the peer scan
// that must send nothing anywhere. Every Connect is recorded (host, port); a probe connecting to a
// host of `accepting` raises its Connect event from the event loop, unless it was closed or sent
// elsewhere since; answer() makes a host accept later, on demand. Probes alive are counted.

#include "platform/net/stream_socket.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

namespace vellumo::test {

class FakeProbeNetwork {
public:
    struct Attempt {
        QString host;
        std::int32_t port;
    };

    FakeProbeNetwork();
    ~FakeProbeNetwork();

    StreamSocketFactory factory();

    // Raises Connect on every probe connecting to host right now; returns how many.
    int answer(const QString& host);

    QSet<QString> accepting;
    std::vector<Attempt> attempts;
    int created = 0;
    int alive = 0;
    int closes = 0;

    class Probe;
    std::vector<Probe*> probes; // alive ones

private:
    QObject context_;
};

} // namespace vellumo::test
