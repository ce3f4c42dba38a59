// receive_bench: how a running station takes in messages from many senders at once, and for how long.
//
//   receive_bench [--program DIR]... [--seconds S] [--soak N] [--no-fanout]
//
// DIR is a program folder (VELLUMO_PROGRAM_DIR in the environment, else the build's); given more than
// once (an older build's, then this one's), every figure is measured for each in turn, in one run.
// Every sender is a keep-alive connection from a loopback address of its own (127.0.0.2, .3, ...), as
// stations are, that posts its next message once the reply to the previous one came (a reply means the
// row is durably stored). Each figure is printed with the load average of the machine.
//
// 1. Shares: 8 and 32 senders for S seconds (default 4) of plain messages, and 8 of CRYPT----- ones:
//    stored messages/s, p50 and p99 of the reply time, and every sender's share of the replies
//    (goals: p99 < 20 ms at 8 and < 50 ms at 32; each share within 2x of the mean).
// 2. Store only: the same rows added straight to a store of the same format in a temporary folder,
//    one commit each, as the receive handler adds them; the ratio of 1 to it (goal >= 0.7 at 8).
// 3. Soak: N messages (default 20,000) from 4 senders, every one shown by the running program:
//    resident memory after the first 1,000 and at the end, and the rate of the first and the last
//    1,000 (goals: the same memory within a few MB; last >= 0.9 x first).
// 4. One message to 200 recipients: 200 test peers on 127.0.0.2 to 127.0.0.201, one sender each, as
//    the compose window starts them; the time from the first Send to the last report.
//
// The program runs pinned to a core of its own, the senders' threads on others. Every run has a
// deadline; each program is stopped by its id. Loopback only.
#include "app/core/mod_vellumo.h"
#include "app/messaging/frm_to_send.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/sender_reports.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "bench/http/load_generator.h"
#include "platform/settings/file_registry.h"
#include "platform/shell/process_shell_start.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"
#include "tests/support/test_http_peer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

using namespace vellumo;
using namespace vellumo::bench;

namespace {

PeerMessage message(int n) {
    PeerMessage m;
    m.FROM = QStringLiteral("BENCH");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    m.Text = QStringLiteral("Message %1: ").arg(n) + QString(200, QLatin1Char('x'));
    m.RTF = QStringLiteral("{\\rtf1\\ansi ") + m.Text + QLatin1Char('}');
    return m;
}

// A pool of distinct requests, each with its own freshly enciphered key header; the senders take them
// in turn.
std::vector<std::string> requests(bool crypt) {
    std::vector<std::string> out;
    for (int i = 0; i < 64; ++i)
        out.push_back(test::authorisedPost("/MESSAGE", message(i).Body(crypt).toUtf8()).toStdString());
    return out;
}

struct Cores {
    int program = -1;
    std::vector<int> senders;
};

Cores pickCores() {
    const std::vector<int> allowed = bench::allowedCores();
    Cores c;
    if (allowed.size() >= 4) {
        c.program = allowed[1];
        for (std::size_t i = 2; i < allowed.size() && c.senders.size() < 4; ++i)
            c.senders.push_back(allowed[i]);
    }
    return c;
}

// A program started from a copy of folder, pinned to its core.
std::unique_ptr<test::ProgramProcess> startProgram(const QString& folder, int core) {
    auto program = std::make_unique<test::ProgramProcess>(folder);
    if (core >= 0) {
        program->process().setChildProcessModifier([core] {
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(core, &set);
            ::sched_setaffinity(0, sizeof set, &set);
        });
    }
    if (!program->start()) {
        std::printf("could not start the program of %s\n", qPrintable(folder));
        return nullptr;
    }
    // For whoever wants to watch it (perf, strace) while it runs.
    std::fprintf(stderr, "receive_bench: the program of %s runs as process %lld\n", qPrintable(folder),
                 static_cast<long long>(program->pid()));
    return program;
}

LoadPlan plan(int port, int senders, const Cores& cores) {
    LoadPlan p;
    p.port = port;
    p.connections = senders;
    p.cpus = cores.senders;
    p.expectStatus = "HTTP/1.1 200 MESSAGE:OK:";
    return p;
}

// Stored messages per second of one run.
double sharesRun(const QString& folder, const Cores& cores, int senders, bool crypt, double seconds) {
    const auto program = startProgram(folder, cores.program);
    if (!program)
        return 0;
    LoadPlan p = plan(program->port(), senders, cores);
    p.seconds = seconds;
    p.payloads = requests(crypt);
    const LoadResult r = runLoad(p);
    const double rate = r.seconds > 0 ? double(r.requests) / r.seconds : 0;
    double mean = 0;
    for (std::int64_t n : r.perConnection)
        mean += double(n);
    mean /= std::max<std::size_t>(1, r.perConnection.size());
    const auto [least, most] = std::minmax_element(r.perConnection.begin(), r.perConnection.end());
    std::printf("%-40s %-5s %2d senders: %6.0f stored messages/s, p50 %6.2f ms, p99 %7.2f ms, failures %lld; "
                "shares: mean %.0f, least %lld (%.2f x), most %lld (%.2f x)  | %s\n",
                qPrintable(folder.right(40)), crypt ? "crypt" : "plain", senders, rate, r.p50Microseconds / 1000,
                r.p99Microseconds / 1000, static_cast<long long>(r.failures), mean, static_cast<long long>(*least),
                mean > 0 ? double(*least) / mean : 0, static_cast<long long>(*most),
                mean > 0 ? double(*most) / mean : 0, bench::loadAverage().c_str());
    std::printf("    replies per sender:");
    for (std::int64_t n : r.perConnection)
        std::printf(" %lld", static_cast<long long>(n));
    std::printf("\n");
    std::fflush(stdout);
    return rate;
}

// Rows per second added straight to a store, one commit each, with the fields of the messages sent.
double storeOnlyRun(int rows) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QString::fromLatin1(MessageStore::MessageDatabase));
    MessageStore::createFile(path, MessageStore::Kind::Messages);
    Database db = Database::open(path);
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i) {
        const PeerMessage m = message(i);
        rs->addNew();
        rs->setField(QStringLiteral("FROM"), m.FROM);
        rs->setField(QStringLiteral("TO"), m.TO);
        rs->setField(QStringLiteral("OnDate"), m.OnDate);
        rs->setField(QStringLiteral("ReceiptDate"), QDateTime::currentDateTime());
        rs->setField(QStringLiteral("Text"), m.Text);
        rs->setField(QStringLiteral("RTF"), m.RTF);
        rs->update();
        rs->moveLast();
    }
    const double rate = rows / (double(timer.nsecsElapsed()) / 1e9);
    std::printf("%-40s store only: %6.0f rows/s (%d rows, one commit each, in %s)  | %s\n", "", rate, rows,
                qPrintable(QDir::tempPath()), bench::loadAverage().c_str());
    std::fflush(stdout);
    return rate;
}

void soakRun(const QString& folder, const Cores& cores, std::int64_t messages) {
    const auto program = startProgram(folder, cores.program);
    if (!program)
        return;
    std::atomic<std::int64_t> progress{0};
    LoadPlan p = plan(program->port(), 4, cores);
    p.requests = messages;
    p.seconds = 900;
    p.payloads = requests(false);
    p.progress = &progress;
    std::atomic<bool> gone{false};
    p.cancel = &gone;
    const qint64 pid = program->pid();
    const qint64 rssAtStart = program->residentKiB();
    qint64 rssAt1000 = -1;
    LoadResult r;
    std::atomic<bool> loaded{false};
    std::thread load([&] {
        r = runLoad(p);
        loaded = true;
    });
    // Watched from here until the load ends (its deadline bounds it): the memory once the first 1,000
    // are in.
    while (!loaded) {
        if (rssAt1000 < 0 && progress.load() >= 1000)
            rssAt1000 = test::procStatusKiB(pid, "VmRSS:");
        // (No event loop runs here to tell the process object: a program gone has no memory line.)
        if (test::procStatusKiB(pid, "VmRSS:") < 0)
            gone = true;
        QThread::msleep(5);
    }
    load.join();
    // What the program still has to show after the last reply.
    QThread::msleep(500);
    const qint64 rssAtEnd = program->residentKiB();
    const qint64 peak = program->peakResidentKiB();
    const std::vector<double>& t = r.completions;
    double first = 0, last = 0;
    if (t.size() >= 2000) {
        first = 999 / (t[999] - t[0]);
        last = 999 / (t[t.size() - 1] - t[t.size() - 1000]);
    }
    std::printf("%-40s soak: %lld messages from 4 senders in %.1f s, failures %lld; RSS %.1f MB at start, %.1f MB "
                "after 1,000, %.1f MB at the end (%+.1f MB), peak %.1f MB; first 1,000 at %.0f/s, last 1,000 at "
                "%.0f/s (%.2f x)  | %s\n",
                qPrintable(folder.right(40)), static_cast<long long>(r.requests), r.seconds,
                static_cast<long long>(r.failures), rssAtStart / 1024.0, rssAt1000 / 1024.0, rssAtEnd / 1024.0,
                (rssAtEnd - rssAt1000) / 1024.0, peak / 1024.0, first, last, first > 0 ? last / first : 0,
                bench::loadAverage().c_str());
    std::fflush(stdout);
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
    std::printf("one message to %d recipients: %d delivered, %d reports in %.3f s  | %s\n", recipients,
                reports.delivered, reports.reports, static_cast<double>(clock.nsecsElapsed()) / 1e9,
                bench::loadAverage().c_str());
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList programs;
    double seconds = 4;
    std::int64_t soak = 20000;
    bool fanOut = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--program") && !value.isEmpty()) {
            programs << value;
            ++i;
        } else if (a == QLatin1String("--seconds") && !value.isEmpty()) {
            seconds = std::max(0.5, value.toDouble());
            ++i;
        } else if (a == QLatin1String("--soak") && !value.isEmpty()) {
            soak = std::max<std::int64_t>(0, value.toLongLong());
            ++i;
        } else if (a == QLatin1String("--no-fanout")) {
            fanOut = false;
        } else {
            std::fprintf(stderr, "usage: receive_bench [--program DIR]... [--seconds S] [--soak N] [--no-fanout]\n");
            return 2;
        }
    }
    if (programs.isEmpty())
        programs << (qEnvironmentVariableIsSet("VELLUMO_PROGRAM_DIR") ? qEnvironmentVariable("VELLUMO_PROGRAM_DIR")
                                                                      : QStringLiteral(VELLUMO_PROGRAM_DIR));
    const Cores cores = pickCores();
    std::printf("receive_bench: program on core %d, senders on", cores.program);
    for (int c : cores.senders)
        std::printf(" %d", c);
    std::printf("\n");

    // Each figure for every program in turn, then the next figure.
    std::vector<double> atEight(static_cast<std::size_t>(programs.size()));
    for (std::size_t i = 0; i < atEight.size(); ++i)
        atEight[i] = sharesRun(programs[static_cast<int>(i)], cores, 8, false, seconds);
    const double storeOnly = storeOnlyRun(2000);
    for (std::size_t i = 0; i < atEight.size(); ++i)
        std::printf("%-40s 8 senders / store only: %.2f (goal >= 0.70)\n",
                    qPrintable(programs[static_cast<int>(i)].right(40)), storeOnly > 0 ? atEight[i] / storeOnly : 0);
    for (const QString& folder : programs)
        sharesRun(folder, cores, 32, false, seconds);
    for (const QString& folder : programs)
        sharesRun(folder, cores, 8, true, seconds);
    if (soak > 0) {
        for (const QString& folder : programs)
            soakRun(folder, cores, soak);
    }
    if (fanOut)
        fanOutRun(200);
    return 0;
}
