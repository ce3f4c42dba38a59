// The POSIX socket layer on real 127.0.0.1 sockets: listen and accept by request identifier,
// connect probes, data both ways, sends taken at once or completed later, orderly close against reset, and the
// error numbers mapped from errno.
#include "platform/net/tcp_socket.h"

#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/event_loop.h"
#include "tests/support/tcp_test_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>

using namespace vellumo;
using namespace vellumo::test;

namespace {

// A listener on an ephemeral port whose connection requests are accepted by `accepted`.
class Listening : public ::testing::Test {
protected:
    void SetUp() override {
        StreamSocket::Events events;
        events.ConnectionRequest = [this](std::int32_t id) {
            ++requests;
            if (!acceptRequests)
                return;
            accepted = std::make_unique<TcpSocket>();
            accepted->setEvents(serverEvents());
            accepted->Accept(id);
        };
        listener.setEvents(events);
        listener.Bind(0, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(listener.State(), sck::Open);
        listener.Listen();
        ASSERT_EQ(listener.State(), sck::Listening);
        port = listener.LocalPort();
        ASSERT_GT(port, 0);
    }

    StreamSocket::Events serverEvents() {
        StreamSocket::Events e;
        e.DataArrival = [this](std::int32_t) { serverReceived += accepted->GetData(); };
        e.SendComplete = [this] { ++serverCompletions; };
        e.Close = [this] { ++serverCloses; };
        e.Error = [this](std::int32_t n, const QString& d) {
            serverErrors.push_back(n);
            serverErrorText = d;
        };
        return e;
    }

    TcpSocket listener;
    std::unique_ptr<TcpSocket> accepted;
    bool acceptRequests = true;
    int requests = 0;
    int port = 0;
    QByteArray serverReceived;
    int serverCompletions = 0;
    int serverCloses = 0;
    std::vector<std::int32_t> serverErrors;
    QString serverErrorText;
};

TEST_F(Listening, AcceptsExchangesDataAndCompletesWhatCouldNotGoAtOnce) {
    TcpTestClient client(port);
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    EXPECT_EQ(accepted->State(), sck::Connected);
    EXPECT_EQ(accepted->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(accepted->LocalPort(), port);
    EXPECT_EQ(listener.RemoteHostIP(), QStringLiteral("127.0.0.1"));

    client.send("ping");
    ASSERT_TRUE(waitUntil([&] { return serverReceived == "ping"; }));

    // Taken whole at once: no completion follows.
    EXPECT_TRUE(accepted->SendData("po", true)); // held, to go with the next bytes
    EXPECT_TRUE(accepted->SendData("ng"));
    runEventLoopFor(20);
    EXPECT_EQ(serverCompletions, 0);
    // More than the kernel takes at once: the completion comes from the loop, once, never inside the call.
    const QByteArray big(32 << 20, 'x');
    EXPECT_FALSE(accepted->SendData(big));
    EXPECT_FALSE(accepted->SendData("!")); // behind bytes that wait: told too
    EXPECT_EQ(serverCompletions, 0);
    ASSERT_TRUE(client.waitFor([&](const QByteArray& r) { return r.size() == 5 + big.size(); }, 20000));
    ASSERT_TRUE(waitUntil([&] { return serverCompletions == 2; }));
    runEventLoopFor(20);
    EXPECT_EQ(serverCompletions, 2);
    EXPECT_TRUE(client.received.startsWith("pongx"));
    EXPECT_TRUE(client.received.endsWith("x!"));
}

TEST_F(Listening, OrderlyCloseAndResetAreTold) {
    {
        TcpTestClient client(port);
        ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
        client.send("last words");
        client.close();
        ASSERT_TRUE(waitUntil([&] { return serverCloses == 1; }));
        EXPECT_EQ(serverReceived, QByteArray("last words")); // the data before the close
        EXPECT_EQ(accepted->State(), sck::Closing);
        EXPECT_TRUE(serverErrors.empty());
        accepted->Close();
        EXPECT_EQ(accepted->State(), sck::Closed);
        EXPECT_THROW(accepted->SendData("x"), RuntimeError);
    }
    accepted.reset();
    TcpTestClient client(port);
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    client.reset();
    ASSERT_TRUE(waitUntil([&] { return !serverErrors.empty(); }));
    EXPECT_EQ(serverErrors[0], sockerr::ConnectionReset);
    EXPECT_EQ(serverErrorText, QStringLiteral("The connection is reset by remote side"));
    EXPECT_EQ(accepted->State(), sck::Error);
}

TEST_F(Listening, AnOwnerRunningTheLoopInsideDataArrivalIsNotEnteredAgain) {
    TcpTestClient client(port);
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    int depth = 0, deepest = 0, arrivals = 0;
    StreamSocket::Events e = serverEvents();
    e.DataArrival = [&](std::int32_t) {
        ++arrivals;
        deepest = std::max(deepest, ++depth);
        serverReceived += accepted->GetData();
        if (arrivals == 1) {
            client.send("second");
            runEventLoopFor(30);
        }
        --depth;
    };
    accepted->setEvents(e);
    client.send("first");
    ASSERT_TRUE(waitUntil([&] { return serverReceived == "firstsecond"; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(arrivals, 2);
}

TEST_F(Listening, AConnectionNobodyAcceptsIsClosedAtOnce) {
    acceptRequests = false;
    TcpTestClient client(port);
    EXPECT_TRUE(client.waitForClose());
    EXPECT_EQ(requests, 1);
}

TEST_F(Listening, AListenerThatDoesNotAcceptLeavesCallersWaitingInTheBacklog) {
    listener.SetAccepting(false);
    TcpTestClient first(port), second(port);
    ASSERT_TRUE(first.connected() && second.connected()); // the kernel completes them meanwhile
    first.send("hello");
    runEventLoopFor(50);
    EXPECT_EQ(requests, 0);
    EXPECT_FALSE(first.peerClosed);
    // Accepting again takes them in turn; the bytes sent while waiting are there.
    listener.SetAccepting(true);
    ASSERT_TRUE(waitUntil([&] { return requests == 2; }));
    ASSERT_TRUE(accepted);
    listener.SetAccepting(false); // inside or outside the event, it holds
    TcpTestClient third(port);
    runEventLoopFor(50);
    EXPECT_EQ(requests, 2);
}

TEST_F(Listening, ConnectProbeReportsConnect) {
    TcpSocket probe;
    bool connected = false;
    StreamSocket::Events e;
    e.Connect = [&] { connected = true; };
    probe.setEvents(e);
    probe.Connect(QStringLiteral("127.0.0.1"), port);
    EXPECT_FALSE(connected);
    ASSERT_TRUE(waitUntil([&] { return connected; }));
    EXPECT_EQ(probe.State(), sck::Connected);
    EXPECT_EQ(probe.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(probe.RemotePort(), port);
    ASSERT_TRUE(waitUntil([&] { return accepted != nullptr; }));
    probe.SendData("hi");
    ASSERT_TRUE(waitUntil([&] { return serverReceived == "hi"; }));
    probe.Close();
    EXPECT_EQ(probe.State(), sck::Closed);
}

TEST(TcpSocket, ConnectToAClosedPortIsRefused) {
    int freePort;
    {
        TcpSocket s;
        s.Bind(0, QStringLiteral("127.0.0.1"));
        freePort = s.LocalPort();
    }
    TcpSocket probe;
    std::int32_t error = 0;
    StreamSocket::Events e;
    e.Error = [&](std::int32_t n, const QString&) { error = n; };
    probe.setEvents(e);
    probe.Connect(QStringLiteral("127.0.0.1"), freePort);
    ASSERT_TRUE(waitUntil([&] { return error != 0; }));
    EXPECT_EQ(error, sockerr::ConnectionRefused);
    EXPECT_EQ(probe.State(), sck::Error);
    probe.Close();
    EXPECT_EQ(probe.State(), sck::Closed);
}

TEST(TcpSocket, BindFailuresRaiseTheirNumbers) {
    TcpSocket first;
    first.Bind(0, QStringLiteral("127.0.0.1"));
    first.Listen();
    TcpSocket second;
    try {
        second.Bind(first.LocalPort(), QStringLiteral("127.0.0.1"));
        FAIL() << "bound a port in use";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), sockerr::AddressInUse);
        EXPECT_EQ(e.description(), QStringLiteral("Address in use"));
    }
    EXPECT_EQ(second.State(), sck::Closed);
    try {
        second.Bind(0, QStringLiteral("192.0.2.1")); // not an address of this machine
        FAIL() << "bound a foreign address";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), sockerr::AddressNotAvailable);
    }
    EXPECT_THROW(first.Bind(0), RuntimeError); // not closed
}

TEST(TcpSocket, ErrnoMapsToTheSocketNumbers) {
    const std::pair<int, std::int32_t> rows[] = {{ECONNABORTED, 10053}, {ECONNRESET, 10054}, {ETIMEDOUT, 10060},
                                                 {ECONNREFUSED, 10061}, {EADDRINUSE, 10048}, {EADDRNOTAVAIL, 10049},
                                                 {EAGAIN, 10035},       {EPIPE, 10053},      {EHOSTUNREACH, 10065},
                                                 {ENETUNREACH, 10051},  {ENOTCONN, 10057},   {EIO, 10050}};
    for (const auto& [e, number] : rows) {
        EXPECT_EQ(sockerr::fromErrno(e), number) << e;
        EXPECT_FALSE(sockerr::description(number).isEmpty()) << number;
    }
}

} // namespace
