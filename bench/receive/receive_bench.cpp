// receive_bench: how fast a station takes in messages, and how fast one message reaches many.
//
//   receive_bench [messages per connection] [connections]
//
// 1. A real vellumo, started from a temporary copy of the program folder on a loopback port, gets
//    POST /MESSAGE from 8 keep-alive connections, each sending its next message when the previous
//    reply came (every reply means the row is durably stored); plain and CRYPT----- bodies.
// 2. One message to 200 recipients: 200 test peers on 127.0.0.2 to 127.0.0.201, one sender each, as
//    the compose window starts them; the time from the first Send to the last report.
// Loopback only.
#include "app/core/mod_vellumo.h"
#include "app/messaging/frm_to_send.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/sender_reports.h"
#include "platform/settings/file_registry.h"
#include "platform/shell/process_shell_start.h"
#include "tests/support/http_framing.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"
#include "tests/support/test_http_peer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace vellumo;

namespace {

struct Connection {
    std::unique_ptr<QTcpSocket> socket;
    QByteArray pending;
    int sent = 0;
    int answered = 0;
    int failures = 0;
    QElapsedTimer since;
};

QByteArray request(bool crypt, int n) {
    PeerMessage m;
    m.FROM = QStringLiteral("BENCH");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    m.Text = QStringLiteral("Message %1: ").arg(n) + QString(200, QLatin1Char('x'));
    m.RTF = QStringLiteral("{\\rtf1\\ansi ") + m.Text + QLatin1Char('}');
    return test::authorisedPost("/MESSAGE", m.Body(crypt).toUtf8());
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

void receiveRun(bool crypt, int perConnection, int connections) {
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    if (!program.start()) {
        std::printf("could not start vellumo\n");
        return;
    }
    // Requests are made before the clock starts (each carries a freshly enciphered key header).
    std::vector<QByteArray> requests;
    for (int i = 0; i < perConnection * connections; ++i)
        requests.push_back(request(crypt, i));

    std::vector<Connection> conns(static_cast<std::size_t>(connections));
    std::vector<double> latencies;
    int next = 0;
    QElapsedTimer clock;
    auto sendNext = [&](Connection& c) {
        c.socket->write(requests[static_cast<std::size_t>(next++)]);
        ++c.sent;
        c.since.start();
    };
    for (auto& c : conns) {
        c.socket = std::make_unique<QTcpSocket>();
        c.socket->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(program.port()));
        c.socket->waitForConnected(5000);
    }
    clock.start();
    for (auto& c : conns) {
        Connection* cp = &c;
        QObject::connect(c.socket.get(), &QTcpSocket::readyRead, [&, cp] {
            cp->pending += cp->socket->readAll();
            for (;;) {
                const qsizetype length = test::wholeHttpMessageLength(cp->pending);
                if (length == 0)
                    return;
                if (!cp->pending.startsWith("HTTP/1.1 200 MESSAGE:OK:"))
                    ++cp->failures;
                cp->pending.remove(0, length);
                latencies.push_back(static_cast<double>(cp->since.nsecsElapsed()) / 1000.0);
                ++cp->answered;
                if (cp->sent < perConnection)
                    sendNext(*cp);
            }
        });
        sendNext(c);
    }
    const int total = perConnection * connections;
    while (static_cast<int>(latencies.size()) < total && clock.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    int failures = 0;
    for (auto& c : conns)
        failures += c.failures;
    std::printf("%-6s %d messages over %d keep-alive connections in %.2f s: %.0f stored messages/s, "
                "p50 %.0f us, p99 %.0f us, failures %d\n",
                crypt ? "crypt" : "plain", static_cast<int>(latencies.size()), connections, seconds,
                static_cast<double>(latencies.size()) / seconds, percentile(latencies, 0.5),
                percentile(latencies, 0.99), failures);
}

class CountingReports : public SenderReports {
public:
    void StatusBar1_SimpleText(const QString&, std::int16_t intColor, bool) override {
        ++reports;
        delivered += intColor == 0;
    }
    void ShowSystrayMessage(const QString&, const QString&, int) override {}
    int reports = 0;
    int delivered = 0;
};

void fanOutRun(int recipients) {
    QTemporaryDir folder;
    QTemporaryDir registryRoot;
    FileRegistry registry(registryRoot.path());
    ProcessShellStart shell;
    modVellumo state(folder.path(), registry, shell);
    state.Settings.LocalStationName = QStringLiteral("BENCH");
    state.Settings.ShowBalloon = false;

    // The peers: one per loopback address, all on the same port, as stations are.
    std::vector<std::unique_ptr<test::TestHttpPeer>> peers;
    quint16 port = 0;
    for (int i = 0; i < recipients; ++i) {
        auto peer = std::make_unique<test::TestHttpPeer>();
        peer->reply = test::TestHttpPeer::response(200, "MESSAGE:OK:PEER" + QByteArray::number(i), "Initialisation OK");
        const QHostAddress address(QStringLiteral("127.0.0.%1").arg(i + 2));
        if (!peer->listen(address, port)) {
            std::printf("could not listen on %s\n", qUtf8Printable(address.toString()));
            return;
        }
        port = peer->port();
        peers.push_back(std::move(peer));
    }
    state.Settings.Port = port;

    CountingReports reports;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < recipients; ++i) {
        const int slot = state.Slots.FindFreeSendSlot();
        auto* sender = new frmToSend(state.Settings, state.Localisation, state.Slots, reports);
        state.Slots.Take(slot, sender);
        sender->Index = static_cast<std::int16_t>(slot);
        sender->UserSendTo = QStringLiteral("127.0.0.%1").arg(i + 2);
        sender->UserTo = QStringLiteral("ALL;");
        sender->UserTextMessage = QStringLiteral("Réunion à 14 h");
        sender->UserRTFMessage = QStringLiteral("{\\rtf1 R\\'e9union \\'e0 14 h}");
        sender->Send();
    }
    while (reports.reports < recipients && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    std::printf("one message to %d recipients: %d delivered, %d reports in %.3f s\n", recipients, reports.delivered,
                reports.reports, static_cast<double>(clock.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int perConnection = argc > 1 ? std::atoi(argv[1]) : 500;
    const int connections = argc > 2 ? std::atoi(argv[2]) : 8;
    receiveRun(false, perConnection, connections);
    receiveRun(true, perConnection, connections);
    fanOutRun(200);
    return 0;
}
