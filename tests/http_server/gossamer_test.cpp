// The server control's own members: its errors, start and stop, and the helpers it offers its host.
#include "http_server/gossamer.h"

#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_driver.h"
#include "tests/support/recording_host.h"
#include "tests/support/tcp_test_client.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <functional>
#include <memory>
#include <set>
#include <sys/resource.h>
#include <vector>

using namespace vellumo;
using namespace vellumo::test;

namespace {

std::int32_t errorOf(const std::function<void()>& f, QString* description = nullptr) {
    try {
        f();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.source(), QStringLiteral("Gossamer"));
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

TEST(Gossamer, NewControlDefaults) {
    Gossamer g;
    EXPECT_EQ(g.Port, 8080);
    EXPECT_EQ(g.DefaultPage, QStringLiteral("index.htm"));
    EXPECT_FALSE(g.ConnectedToPort);
    EXPECT_EQ(g.MaxConnections(), 32);
    EXPECT_EQ(g.State(), 0);
    EXPECT_EQ(g.ServerHeader(), QStringLiteral("Server:Vellumo/2.0"));
    EXPECT_EQ(g.XPBHeader(), QStringLiteral("X-Powered-By:Brantwick/2.0, Linux"));
    EXPECT_EQ(g.PoolSize(), 1);
}

TEST(Gossamer, MaxConnectionsBounds) {
    Gossamer g;
    QString text;
    EXPECT_EQ(errorOf([&] { g.setMaxConnections(0); }, &text), err::object(0xA702));
    EXPECT_EQ(text, QStringLiteral("MaxConnections must be 1 to 1000"));
    EXPECT_EQ(errorOf([&] { g.setMaxConnections(1001); }), err::object(0xA702));
    EXPECT_EQ(g.MaxConnections(), 32);
    g.setMaxConnections(1);
    EXPECT_EQ(g.MaxConnections(), 1);
    g.setMaxConnections(1000);
    EXPECT_EQ(g.MaxConnections(), 1000);
}

TEST(Gossamer, StartAndStopListening) {
    Gossamer g;
    RecordingHost host;
    g.setHost(&host);
    g.Port = 0;
    g.StartListening();
    EXPECT_EQ(g.State(), 2);
    EXPECT_TRUE(g.ConnectedToPort);
    EXPECT_GT(g.LocalPort(), 0);
    ASSERT_EQ(host.logs.size(), 1u);
    EXPECT_EQ(host.logs[0].Event.EventType, 3);
    EXPECT_EQ(host.logs[0].Event.Text, QStringLiteral("Vellumo started"));
    EXPECT_EQ(host.logs[0].ClientIndex, -1);

    QString text;
    EXPECT_EQ(errorOf([&] { g.StartListening(-1); }, &text), err::object(0xA700));
    EXPECT_EQ(text, QStringLiteral("Already listening"));
    EXPECT_EQ(host.logs.size(), 2u); // the start record comes first
    EXPECT_EQ(errorOf([&] { g.setVDir(QStringLiteral("/tmp")); }, &text), err::object(0xA704));
    EXPECT_EQ(text, QStringLiteral("Can't change VDir while listening"));
    EXPECT_EQ(errorOf([&] { g.SetServerHeader(QStringLiteral("x")); }, &text), err::object(0xA70A));
    EXPECT_EQ(text, QStringLiteral("Must be stopped to SetServerHeader"));

    g.StopListening();
    EXPECT_EQ(g.State(), 0);
    EXPECT_EQ(host.logs.back().Event.EventType, 3);
    EXPECT_EQ(host.logs.back().Event.EventSubType, 1);
    EXPECT_EQ(errorOf([&] { g.StopListening(); }, &text), err::object(0xA708));
    EXPECT_EQ(text, QStringLiteral("Already stopped"));
    g.SetServerHeader(QStringLiteral("Other/1"));
    EXPECT_EQ(g.ServerHeader(), QStringLiteral("Server:Other/1"));
}

TEST(Gossamer, StartListeningStoresThePortItIsGiven) {
    Gossamer holder;
    holder.StartListening(0);
    const int taken = holder.LocalPort();
    Gossamer g;
    g.StartListening(taken); // in use: the bind fails silently
    EXPECT_EQ(g.Port, taken);
    EXPECT_FALSE(g.ConnectedToPort);
    EXPECT_EQ(g.State(), 0);
}

TEST(Gossamer, VDirEmptyIsTheCurrentDirectory) {
    Gossamer g;
    g.setVDir(QString());
    EXPECT_EQ(g.VDirPath(), QDir::currentPath());
    g.setVDir(QStringLiteral("site/../www"));
    EXPECT_EQ(g.VDirPath(), QDir::current().absoluteFilePath(QStringLiteral("www")));
}

TEST(Gossamer, PropertiesRoundTripWritingOnlyWhatDiffersFromTheDefaults) {
    Gossamer g;
    EXPECT_TRUE(g.WriteProperties().isEmpty());
    g.Port = 32666;
    g.setMaxConnections(5);
    const Gossamer::PropertyBag bag = g.WriteProperties();
    EXPECT_EQ(bag.size(), 2);
    Gossamer h;
    h.ReadProperties(bag);
    EXPECT_EQ(h.Port, 32666);
    EXPECT_EQ(h.MaxConnections(), 5);
    EXPECT_EQ(h.DefaultPage, QStringLiteral("index.htm"));
    EXPECT_EQ(h.VDirPath(), QDir::currentPath());
    EXPECT_EQ(errorOf([&] { h.ReadProperties({{QStringLiteral("MaxConnections"), 0}}); }), err::object(0xA702));
}

struct DecodeCase {
    const char* name;
    QString input;
    QString expected; // empty with fails = true: error 13
    bool fails = false;
};

class URLDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(URLDecode, DecodesOrRaisesTypeMismatch) {
    const DecodeCase& c = GetParam();
    if (c.fails) {
        EXPECT_EQ(errorOf([&] { Gossamer::URLDecode(c.input); }), err::TypeMismatch);
    } else {
        EXPECT_EQ(Gossamer::URLDecode(c.input), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Gossamer, URLDecode,
    ::testing::Values(DecodeCase{"plus_and_escapes", QStringLiteral("a+b%20c%41"), QStringLiteral("a b cA")},
                      DecodeCase{"tilde", QStringLiteral("%7e"), QStringLiteral("~")},
                      DecodeCase{"unchanged", QStringLiteral("/MESSAGE"), QStringLiteral("/MESSAGE")},
                      DecodeCase{"ansi_byte", QStringLiteral("%E9t%80"), QStringLiteral("ét€")},
                      DecodeCase{"one_digit_at_end", QStringLiteral("x%9"), QStringLiteral("x\t")},
                      DecodeCase{"percent_at_end", QStringLiteral("abc%"), QString(), true},
                      DecodeCase{"double_percent", QStringLiteral("%%41"), QString(), true},
                      DecodeCase{"not_hex", QStringLiteral("%zz"), QString(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Gossamer, EntityEncodeReplacesTheAmpersandFirst) {
    EXPECT_EQ(Gossamer::EntityEncode(QStringLiteral("<a href=\"x\">&lt;'</a>")),
              QStringLiteral("&lt;a href=&quot;x&quot;&gt;&amp;lt;'&lt;/a&gt;"));
}

TEST(Gossamer, ExtensionToMIME) {
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("hTm")), QStringLiteral("text/html"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("ico")), QStringLiteral("image/vnd.microsoft.icon"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("xsd")), QStringLiteral("text/xml"));
    EXPECT_EQ(Gossamer::ExtensionToMIME(QStringLiteral("exe")), QStringLiteral("application/octet-stream"));
}

TEST(Gossamer, UTCStringIsTheHttpDateOfTheUtcTime) {
    const QDateTime local(QDate(2026, 12, 8), QTime(10, 5, 3));
    const int offset = QDateTime::currentDateTime().offsetFromUtc();
    const QDateTime utc = QDateTime(local.date(), local.time(), Qt::UTC).addSecs(-offset);
    const QString expected = QLocale::c().toString(utc, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) + " GMT";
    EXPECT_EQ(Gossamer::UTCString(local), expected);
    if (offset == 0) {
        EXPECT_EQ(Gossamer::UTCString(local), QStringLiteral("Tue, 08 Dec 2026 10:05:03 GMT"));
    }
}

TEST(Gossamer, UTCParseStringReadsAnHttpDate) {
    const QDateTime parsed = Gossamer::UTCParseString(QStringLiteral("Tue, 08 Dec 2026 09:05:03 GMT"));
    EXPECT_EQ(parsed.date(), QDate(2026, 12, 8));
    EXPECT_EQ(parsed.time(), QTime(9, 5, 3));
    const QDateTime fallback = Gossamer::UTCParseString(QStringLiteral("nonsense"));
    EXPECT_TRUE(fallback.isValid());
}

// ---- the listener ----

class Listener : public ::testing::Test {
protected:
    void SetUp() override {
        driver.server().setHost(&host);
        driver.server().setListenRetryDelay(10);
    }
    LoopbackDriver driver;
    RecordingHost host;
};

TEST_F(Listener, AFullPoolKeepsCallersWaitingAndPastTheWaitingRoomStopsAccepting) {
    Gossamer& g = driver.server();
    g.setMaxConnections(2);
    g.setEvictionGrace(60 * 60 * 1000, 60 * 60 * 1000); // nobody gives a slot up here
    EXPECT_TRUE(driver.listener().accepting);
    FakeStreamSocket* first = driver.connect();
    ASSERT_TRUE(first);
    ASSERT_TRUE(driver.connect());
    EXPECT_FALSE(g.Accepting());
    // The next callers are kept, unread, until a handler frees; past the waiting room the listener
    // leaves them in the backlog.
    std::vector<std::int32_t> waiting;
    for (int i = 0; i < Gossamer::MaxWaitingConnections; ++i) {
        EXPECT_TRUE(driver.listener().accepting);
        EXPECT_EQ(driver.connect(), nullptr);
        waiting.push_back(driver.lastRequestID());
    }
    EXPECT_FALSE(driver.listener().accepting);
    EXPECT_EQ(driver.listener().deferred, waiting);
    first->peerClose();
    ASSERT_TRUE(waitUntil([&] { return driver.socketFor(waiting.front()) != nullptr; }));
    EXPECT_EQ(driver.socketFor(waiting.front()), first); // the first to wait, on the freed handler
    EXPECT_TRUE(driver.listener().accepting);
    EXPECT_EQ(g.PoolSize(), 2);
}

struct ListenerErrorCase {
    const char* name;
    std::int32_t number;
    bool failed; // the listening socket itself failed (else it stays open)
};

class ListenerError : public Listener, public ::testing::WithParamInterface<ListenerErrorCase> {};

TEST_P(ListenerError, TransientOnesKeepListeningOthersAreReportedAndListenAgain) {
    Gossamer& g = driver.server();
    driver.listener().fail(GetParam().number);
    ASSERT_FALSE(host.logs.empty());
    EXPECT_EQ(host.logs.back().Event.EventSubType, GetParam().number);
    EXPECT_EQ(host.logs.back().ClientIndex, -1);
    if (!GetParam().failed) {
        EXPECT_EQ(host.logs.back().Event.EventType, 4);
        EXPECT_EQ(g.State(), sck::Listening);
        EXPECT_TRUE(host.listenerFailures.empty());
        EXPECT_TRUE(driver.connect());
        return;
    }
    EXPECT_EQ(host.logs.back().Event.EventType, 1);
    EXPECT_EQ(g.State(), sck::Closed);
    EXPECT_EQ(host.listenerFailures, std::vector<std::int32_t>{GetParam().number});
    ASSERT_TRUE(waitUntil([&] { return g.State() == sck::Listening; }));
    EXPECT_EQ(host.listenerRestorations, 1);
    EXPECT_TRUE(g.ConnectedToPort);
    EXPECT_EQ(host.logs.back().Event.EventType, 3);
    EXPECT_TRUE(driver.connect());
}

INSTANTIATE_TEST_SUITE_P(Gossamer, ListenerError,
                         ::testing::Values(ListenerErrorCase{"would_block", sockerr::WouldBlock, false},
                                           ListenerErrorCase{"out_of_descriptors", sockerr::TooManySockets, false},
                                           ListenerErrorCase{"out_of_memory", sockerr::NoBufferSpace, false},
                                           ListenerErrorCase{"network_down", sockerr::NetworkDown, true},
                                           ListenerErrorCase{"not_a_socket", sockerr::NotSocket, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Gossamer, APortTakenAtStartIsListenedOnOnceItIsFree) {
    auto holder = std::make_unique<Gossamer>();
    holder->StartListening(0, QStringLiteral("127.0.0.1"));
    const int taken = holder->LocalPort();
    Gossamer g;
    RecordingHost host;
    g.setHost(&host);
    g.setListenRetryDelay(10);
    g.StartListening(taken, QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(g.ConnectedToPort);
    holder.reset();
    ASSERT_TRUE(waitUntil([&] { return g.State() == sck::Listening; }, 20000));
    EXPECT_TRUE(g.ConnectedToPort);
    EXPECT_EQ(host.listenerRestorations, 1);
    TcpTestClient c(taken);
    c.send("GET / HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(c.nextResponse());
}

// A server in a process of its own with only a couple of descriptors to spare, so that accepting
// runs out of them: it must keep its listener and serve the callers in turn once some are freed.
// Run by the test below as a child process; it prints its port and serves until it is killed.
TEST(GossamerUnderDescriptorLimit, DISABLED_ChildServer) {
    Gossamer server;
    RecordingHost host;
    host.onRequest = [](const RecordedRequest& r, Reply& reply) {
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = "echo:" + r.Params;
    };
    server.setHost(&host);
    server.StartListening(0, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(server.ConnectedToPort);
    Gossamer::UTCStringNow(); // the time zone is read now, while descriptors are there for it
    // The lowest descriptor numbers are handed out first: leave exactly `spare` free ones below the
    // limit.
    const int spare = qEnvironmentVariableIntValue("VELLUMO_SPARE_DESCRIPTORS");
    std::set<int> open;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds)) {
            if (entry->d_name[0] != '.')
                open.insert(std::atoi(entry->d_name));
        }
        open.erase(::dirfd(fds)); // closed below
        ::closedir(fds);
    }
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    rlim_t cap = 0;
    for (int free = 0; free < spare || open.count(static_cast<int>(cap)); ++cap) {
        if (!open.count(static_cast<int>(cap)))
            ++free;
    }
    limit.rlim_cur = cap;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    std::printf("PORT %d\n", server.LocalPort());
    std::fflush(stdout);
    waitUntil([] { return false; }, 120000);
}

TEST(GossamerUnderDescriptorLimit, OutOfDescriptorsTheListenerPausesAndServesCallersInTurn) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer runtimes need descriptors of their own (their pointer checks open a pipe), so "
                    "a sanitized process out of descriptors reports errors that are not there";
#endif
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELLUMO_SPARE_DESCRIPTORS"), QStringLiteral("2"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=GossamerUnderDescriptorLimit.DISABLED_ChildServer")});
    ASSERT_TRUE(child.waitForStarted(10000));
    int port = 0;
    QByteArray out;
    ASSERT_TRUE(waitUntil(
        [&] {
            out += child.readAllStandardOutput();
            const qsizetype at = out.indexOf("PORT ");
            if (at >= 0 && out.indexOf('\n', at) > at)
                port = out.mid(at + 5, out.indexOf('\n', at) - at - 5).trimmed().toInt();
            return port > 0 || child.state() == QProcess::NotRunning;
        },
        30000))
        << out.constData();
    ASSERT_GT(port, 0) << out.constData();

    const auto post = [](const QByteArray& body) {
        return "POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    };
    // Two callers take the two spare descriptors and keep their connections.
    auto a = std::make_unique<TcpTestClient>(port);
    auto b = std::make_unique<TcpTestClient>(port);
    a->send(post("a"));
    b->send(post("b"));
    ASSERT_TRUE(a->nextResponse(20000));
    ASSERT_TRUE(b->nextResponse(20000));
    // Two more find the server out of descriptors; they wait (their connections are complete in the
    // backlog, their requests sent).
    TcpTestClient c(port), d(port);
    c.send(post("c"));
    d.send(post("d"));
    runEventLoopFor(300);
    // Freeing the first two lets the waiting ones in, and a caller after them too.
    a.reset();
    b.reset();
    const auto rc = c.nextResponse(30000);
    const auto rd = d.nextResponse(30000);
    ASSERT_TRUE(rc && rd) << "c closed " << c.peerClosed << ", d closed " << d.peerClosed;
    EXPECT_TRUE(rc->endsWith("echo:c"));
    EXPECT_TRUE(rd->endsWith("echo:d"));
    c.close();
    d.close();
    TcpTestClient e(port);
    ASSERT_TRUE(e.connected());
    e.send(post("e"));
    const auto re = e.nextResponse(30000);
    ASSERT_TRUE(re);
    EXPECT_TRUE(re->endsWith("echo:e"));

    child.kill();
    child.waitForFinished(10000);
}

} // namespace
