#include "tests/support/fake_probe_network.h"

#include "platform/runtime/runtime_error.h"

#include <QTimer>

#include <algorithm>

namespace vellumo::test {

class FakeProbeNetwork::Probe final : public StreamSocket {
public:
    explicit Probe(FakeProbeNetwork& net) : net_(net) {
        ++net_.created;
        ++net_.alive;
        net_.probes.push_back(this);
    }
    ~Probe() override {
        --net_.alive;
        std::erase(net_.probes, this);
    }

    void Bind(std::int32_t, const QString&) override {}
    void Listen() override {}
    void Accept(std::int32_t) override {}
    void Connect(const QString& host, std::int32_t port) override {
        net_.attempts.push_back({host, port});
        remote_ = host;
        state_ = sck::Connecting;
        const quint64 generation = ++generation_;
        if (net_.accepting.contains(host)) {
            // The fake network outlives its probes, so its context guards the posted answer.
            Probe* self = this;
            FakeProbeNetwork* net = &net_;
            QTimer::singleShot(0, &net_.context_, [net, self, generation] {
                if (std::find(net->probes.begin(), net->probes.end(), self) != net->probes.end() &&
                    self->generation_ == generation)
                    self->accept();
            });
        }
    }
    QByteArray GetData() override { return {}; }
    bool SendData(const QByteArray&, bool) override { return true; }
    void Close() override {
        ++net_.closes;
        ++generation_;
        state_ = sck::Closed;
    }

    int State() const override { return state_; }
    std::int32_t LocalPort() const override { return 0; }
    void setLocalPort(std::int32_t) override {}
    QString LocalIP() const override { return QString(); }
    QString LocalHostName() const override { return QString(); }
    QString RemoteHostIP() const override { return remote_; }
    std::int32_t RemotePort() const override { return 0; }

    bool connectingTo(const QString& host) const { return state_ == sck::Connecting && remote_ == host; }
    void accept() {
        state_ = sck::Connected;
        if (events_.Connect)
            events_.Connect();
    }

private:
    FakeProbeNetwork& net_;
    QString remote_;
    int state_ = sck::Closed;
    quint64 generation_ = 0;
};

FakeProbeNetwork::FakeProbeNetwork() = default;
FakeProbeNetwork::~FakeProbeNetwork() = default;

StreamSocketFactory FakeProbeNetwork::factory() {
    return [this]() -> std::unique_ptr<StreamSocket> { return std::make_unique<Probe>(*this); };
}

int FakeProbeNetwork::answer(const QString& host) {
    std::vector<Probe*> now;
    for (Probe* p : probes)
        if (p->connectingTo(host))
            now.push_back(p);
    for (Probe* p : now)
        if (std::find(probes.begin(), probes.end(), p) != probes.end())
            p->accept();
    return static_cast<int>(now.size());
}

} // namespace vellumo::test
