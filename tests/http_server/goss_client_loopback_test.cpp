// The connection handler driven through in-memory sockets: what happens while the host's handler
// runs, socket errors, and what a reused handler must not carry over.
#include "http_server/goss_client.h"
#include "http_server/gossamer.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_driver.h"
#include "tests/support/recording_host.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vellumo;
using namespace vellumo::test;

namespace {

class Loopback : public ::testing::Test {
protected:
    void SetUp() override {
        driver.server().setHost(&host);
        host.onRequest = [](const RecordedRequest& r, Reply& reply) {
            reply.Status = 200;
            reply.StatusText = QStringLiteral("OK");
            reply.Body = "re:" + r.Params;
        };
    }

    LoopbackDriver driver;
    RecordingHost host;
};

TEST_F(Loopback, ClosePathLeavesNoResponseForTheNextClient) {
    FakeStreamSocket* first = driver.connect();
    ASSERT_TRUE(first);
    first->autoComplete = false;
    first->feed("POST / HTTP/1.1\r\nContent-Length: 6\r\n\r\nsecret");
    ASSERT_EQ(first->sends.size(), 1u); // the head; the body waits for its completion
    first->peerClose();                 // gone before the head's completion
    EXPECT_FALSE(driver.server().Client(0).InUse());

    FakeStreamSocket* next = driver.connect();
    ASSERT_EQ(next, first); // the same handler, reused
    next->sent.clear();
    next->sends.clear();
    next->feed("GET / HTTP/1.1\r\n\r\n");
    next->completeSends();
    next->completeSends();
    ASSERT_EQ(next->sends.size(), 1u);
    EXPECT_FALSE(next->sent.contains("secret"));
    EXPECT_TRUE(next->sent.startsWith("HTTP/1.1 403"));
}

TEST_F(Loopback, RepliesTheSocketTakesWholeNeedNoTurnOfTheLoop) {
    // Three pipelined requests in one arrival, a socket that takes every send at once: all three are
    // answered, head and body each, before the arrival's event returns.
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->takeAtOnce = true;
    s->feed("POST /a HTTP/1.1\r\nContent-Length: 1\r\n\r\n1"
            "POST /b HTTP/1.1\r\nContent-Length: 0\r\n\r\n"
            "POST /c HTTP/1.1\r\nContent-Length: 1\r\n\r\n3");
    ASSERT_EQ(host.requests.size(), 3u);
    // Head and body of each.
    ASSERT_EQ(s->sends.size(), 6u);
    EXPECT_TRUE(s->sends[0].startsWith("HTTP/1.1 200 OK"));
    EXPECT_EQ(s->sends[1], "re:1");
    EXPECT_TRUE(s->sends[2].contains("Content-Length:3\r\n"));
    EXPECT_EQ(s->sends[3], "re:");
    EXPECT_EQ(s->sends[5], "re:3");
    EXPECT_TRUE(driver.server().Client(0).InUse());
}

TEST_F(Loopback, BytesArrivingDuringDispatchWaitAndEachRequestIsDispatchedOnce) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    host.onRequest = [&](const RecordedRequest& r, Reply& reply) {
        if (r.URI == QStringLiteral("/first"))
            s->feed("POST /second HTTP/1.1\r\nContent-Length: 1\r\n\r\n2");
        EXPECT_EQ(host.requests.size(), r.URI == QStringLiteral("/first") ? 1u : 2u);
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = r.URI.toLatin1();
    };
    s->feed("POST /first HTTP/1.1\r\nContent-Length: 1\r\n\r\n1");
    ASSERT_TRUE(waitUntil([&] { return host.requests.size() == 2u && s->sent.endsWith("/second"); }));
    runEventLoopFor(5);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_LT(s->sent.indexOf("/first"), s->sent.indexOf("HTTP/1.1 200 OK", s->sent.indexOf("/first")));
}

struct WaitingCase {
    const char* name;
    void (*end)(LoopbackDriver&, FakeStreamSocket&); // what becomes of the first one waiting
};

class WhileWaiting : public Loopback, public ::testing::WithParamInterface<WaitingCase> {};

// Requests that come while another is in the host wait their turn; one whose connection ends meanwhile
// leaves the line, and the rest are still served in their order once the host is free.
TEST_P(WhileWaiting, AConnectionThatEndsLeavesTheLineAndTheOthersAreServed) {
    FakeStreamSocket* first = driver.connect();
    FakeStreamSocket* gone = driver.connect();
    FakeStreamSocket* last = driver.connect();
    ASSERT_TRUE(first && gone && last);
    host.onRequest = [&](const RecordedRequest& r, Reply& reply) {
        if (r.URI == QStringLiteral("/long")) {
            gone->feed("POST /gone HTTP/1.1\r\nContent-Length: 1\r\n\r\ng");
            last->feed("POST /last HTTP/1.1\r\nContent-Length: 1\r\n\r\nl");
            EXPECT_EQ(driver.server().WaitingForHost(), 2);
            GetParam().end(driver, *gone);
            EXPECT_EQ(driver.server().WaitingForHost(), 1);
        }
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = r.URI.toLatin1();
    };
    first->feed("POST /long HTTP/1.1\r\nContent-Length: 1\r\n\r\nL");
    ASSERT_TRUE(waitUntil([&] { return host.requests.size() == 2u; }));
    runEventLoopFor(5);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].URI, QStringLiteral("/last"));
    EXPECT_TRUE(last->sent.endsWith("/last"));
    EXPECT_FALSE(gone->sent.contains("/gone"));
    EXPECT_EQ(driver.server().WaitingForHost(), 0);
    EXPECT_FALSE(driver.server().InHost());
}

INSTANTIATE_TEST_SUITE_P(
    HttpServer, WhileWaiting,
    ::testing::Values(WaitingCase{"peer_close", [](LoopbackDriver&, FakeStreamSocket& s) { s.peerClose(); }},
                      WaitingCase{"reset", [](LoopbackDriver&, FakeStreamSocket& s) { s.fail(10054); }},
                      WaitingCase{"shutdown",
                                  [](LoopbackDriver& d, FakeStreamSocket&) { d.server().Client(1).Shutdown(); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct CloseDuringDispatch {
    const char* name;
    void (*close)(LoopbackDriver&, FakeStreamSocket&);
};

class DuringDispatch : public Loopback, public ::testing::WithParamInterface<CloseDuringDispatch> {};

TEST_P(DuringDispatch, CloseWaitsForTheHandlerAndNoReplyIsSent) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    bool inUseInside = false;
    host.onRequest = [&](const RecordedRequest&, Reply& reply) {
        GetParam().close(driver, *s);
        // Another connection now must not land on this handler.
        FakeStreamSocket* other = driver.connect();
        EXPECT_NE(other, s);
        inUseInside = driver.server().Client(0).InUse();
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
    };
    s->feed("POST / HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(inUseInside);
    EXPECT_FALSE(driver.server().Client(0).InUse());
    EXPECT_TRUE(s->sends.empty());
    EXPECT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Loopback, DuringDispatch,
    ::testing::Values(
        CloseDuringDispatch{"peer_close", [](LoopbackDriver&, FakeStreamSocket& s) { s.peerClose(); }},
        CloseDuringDispatch{"reset", [](LoopbackDriver&, FakeStreamSocket& s) { s.fail(10054); }},
        CloseDuringDispatch{"stop_listening", [](LoopbackDriver& d, FakeStreamSocket&) { d.server().StopListening(); }},
        CloseDuringDispatch{"shutdown", [](LoopbackDriver& d, FakeStreamSocket&) { d.server().Client(0).Shutdown(); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
    const char* name;
    std::int32_t number;
    bool closes;
    std::vector<std::int32_t> types; // record types after the error, in order
};

class SocketError : public Loopback, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(SocketError, ClosesAndReportsAsTheNumberSays) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    host.logs.clear();
    s->fail(GetParam().number);
    EXPECT_EQ(driver.server().Client(0).InUse(), !GetParam().closes);
    EXPECT_EQ(s->closeCalls, GetParam().closes ? 1 : 0);
    std::vector<std::int32_t> types;
    for (const RecordedLog& l : host.logs)
        types.push_back(l.Event.EventType);
    EXPECT_EQ(types, GetParam().types);
    if (!host.logs.empty() && host.logs.back().Event.EventType != 5) {
        EXPECT_EQ(host.logs.back().Event.EventSubType, GetParam().number);
        EXPECT_FALSE(host.logs.back().Event.Text.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Loopback, SocketError,
                         ::testing::Values(ErrorCase{"would_block", 10035, false, {4}},
                                           ErrorCase{"reset", 10054, true, {5, 1}},
                                           ErrorCase{"aborted", 10053, true, {5}},
                                           ErrorCase{"timed_out", 10060, true, {5, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Loopback, ShutdownOnAClosedSocketStillDisconnectsAndFrees) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->Close();
    host.logs.clear();
    driver.server().Client(0).Shutdown();
    ASSERT_EQ(host.logs.size(), 1u);
    EXPECT_EQ(host.logs[0].Event.Method, QStringLiteral("DISCONNECT"));
    EXPECT_EQ(host.logs[0].ClientIndex, 0);
    EXPECT_FALSE(driver.server().Client(0).InUse());
}

TEST_F(Loopback, AFailingSendLeavesTheConnectionToTheSocket) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->failSends = true;
    s->feed("POST / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(host.requests.size(), 1u);
    EXPECT_TRUE(driver.server().Client(0).InUse());
    s->peerClose();
    EXPECT_FALSE(driver.server().Client(0).InUse());
}

TEST_F(Loopback, AClientPilingUpBytesWhileItsReplyCannotLeaveIsClosed) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->autoComplete = false;
    s->feed("POST / HTTP/1.1\r\n\r\n"); // its reply is never completed
    s->feed(QByteArray(GossClient::MaxHeadBytes, 'x'));
    EXPECT_TRUE(driver.server().Client(0).InUse());
    s->feed(QByteArray(GossClient::MaxBodyBytes + 1, 'x'));
    EXPECT_FALSE(driver.server().Client(0).InUse());
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);
}

TEST_F(Loopback, HeadersOfOneRequestDoNotReachTheNext) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->feed("POST /a HTTP/1.1\r\nX-One: 1\r\n\r\nPOST /b HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return host.requests.size() == 2u; }));
    EXPECT_EQ(host.requests[0].Headers.size(), 1u);
    EXPECT_TRUE(host.requests[1].Headers.empty());
}

// ---- what a request may cost before the host has looked at it ----

HeadReply refusal(std::int32_t delayMs = 0) {
    HeadReply reply;
    reply.Status = 401;
    reply.StatusText = QStringLiteral("Non");
    reply.Body = "refused";
    reply.DelayMs = delayMs;
    return reply;
}

TEST_F(Loopback, ARequestRefusedOnItsHeadHasItsBodyThrownAwayUnbuffered) {
    host.onHead = [](const RecordedRequest&, HeadReply& reply) { reply = refusal(); };
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->feed("POST /MESSAGE HTTP/1.1\r\nContent-Length: " + QByteArray::number(GossClient::MaxBodyBytes) + "\r\n\r\n" +
            QByteArray(1000, 'b'));
    ASSERT_EQ(host.heads.size(), 1u);
    EXPECT_EQ(host.headAddresses[0], QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(waitUntil([&] { return s->sent.endsWith("refused"); }));
    EXPECT_TRUE(s->sent.startsWith("HTTP/1.1 401 Non\r\n"));
    // The rest of the body comes and goes without being kept.
    const QByteArray piece(1024 * 1024, 'b');
    for (qsizetype left = GossClient::MaxBodyBytes - 1000; left > 0; left -= piece.size()) {
        s->feed(left >= piece.size() ? piece : piece.left(left));
        EXPECT_LE(driver.server().Client(0).BufferCapacity(), GossClient::ShrinkAboveBytes);
    }
    EXPECT_TRUE(host.requests.empty());
    // The connection has ended long before all of it came: a lingering close reads so much at most.
    EXPECT_TRUE(waitUntil([&] { return !driver.server().Client(0).InUse(); }));
}

TEST_F(Loopback, AHeldRefusalWaitsItsDelayWhileOthersAreServed) {
    host.onHead = [](const RecordedRequest& r, HeadReply& reply) {
        if (r.URI == QStringLiteral("/guess"))
            reply = refusal(60 * 60 * 1000);
    };
    FakeStreamSocket* guesser = driver.connect();
    ASSERT_TRUE(guesser);
    guesser->feed("POST /guess HTTP/1.1\r\nContent-Length: 2\r\n\r\nab");
    FakeStreamSocket* other = driver.connect();
    ASSERT_TRUE(other);
    other->feed("POST /fine HTTP/1.1\r\nContent-Length: 1\r\n\r\nx");
    ASSERT_TRUE(waitUntil([&] { return other->sent.endsWith("re:x"); }));
    EXPECT_TRUE(guesser->sent.isEmpty());
    EXPECT_TRUE(driver.server().Client(0).InUse());
    // A peer that gives up while its reply is held frees the handler; nothing is sent after.
    guesser->peerClose();
    EXPECT_FALSE(driver.server().Client(0).InUse());
    EXPECT_TRUE(guesser->sent.isEmpty());
}

TEST_F(Loopback, AHeldRefusalGoesOutAfterItsDelayAndEndsTheConnection) {
    driver.server().setLingerTimeout(20);
    host.onHead = [](const RecordedRequest&, HeadReply& reply) { reply = refusal(30); };
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    s->feed("POST / HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(s->sent.isEmpty()); // not before its delay
    ASSERT_TRUE(waitUntil([&] { return !driver.server().Client(0).InUse(); }));
    EXPECT_TRUE(s->sent.startsWith("HTTP/1.1 401 Non\r\n"));
    EXPECT_TRUE(s->sent.endsWith("refused"));
}

TEST_F(Loopback, ABufferGivesItsMemoryBackAfterALargeRequest) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    const QByteArray body(8 * 1024 * 1024, 'm');
    s->feed("POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
    for (qsizetype at = 0; at < body.size(); at += 256 * 1024)
        s->feed(body.mid(at, 256 * 1024));
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].Params.size(), body.size());
    EXPECT_LE(driver.server().Client(0).BufferCapacity(), GossClient::ShrinkAboveBytes);
    EXPECT_TRUE(driver.server().Client(0).InUse());
}

TEST_F(Loopback, EmptyLinesBeforeARequestCountAgainstTheHeadCap) {
    FakeStreamSocket* s = driver.connect();
    ASSERT_TRUE(s);
    QByteArray lines;
    for (int i = 0; i < GossClient::MaxHeadBytes / 2; ++i)
        lines += "\r\n";
    s->feed(lines); // exactly the cap: still waiting for the request line
    EXPECT_TRUE(driver.server().Client(0).InUse());
    s->feed("\r\n");
    EXPECT_FALSE(driver.server().Client(0).InUse());
    const auto errors = host.logsOf(2, 3);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].Event.Text.startsWith(QStringLiteral("Request head too large")));
}

// ---- the pool under pressure ----

// A pool of three whose connections give their slots up as soon as a caller waits (no grace), so
// that who goes first is seen without waiting for it.
class Pool : public Loopback {
protected:
    void SetUp() override {
        Loopback::SetUp();
        driver.server().setMaxConnections(3);
        driver.server().setEvictionGrace(0, 0);
        driver.server().setLingerTimeout(60 * 60 * 1000);
    }

    FakeStreamSocket* connectFrom(const char* address) {
        driver.listener().remoteIP = QString::fromLatin1(address);
        return driver.connect();
    }
    // A caller from address that finds the pool full: the fake that serves it once it has its turn.
    // (Without a grace it may be served at once, the slot given up inside the connection's event.)
    FakeStreamSocket* waitingCallerFrom(const char* address) {
        if (FakeStreamSocket* atOnce = connectFrom(address))
            return atOnce;
        const std::int32_t id = driver.lastRequestID();
        FakeStreamSocket* taken = nullptr;
        waitUntil([&] { return (taken = driver.socketFor(id)) != nullptr; }, 2000);
        return taken;
    }
    // Each handler keeps its fake: a caller served on a victim's fake was given the victim's slot.
};

TEST_F(Pool, WhileThereIsRoomOneAddressTakesAsManyHandlersAsItNeeds) {
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(connectFrom("192.0.2.7")) << i;
    EXPECT_EQ(driver.server().Serving(), 3);
    EXPECT_EQ(driver.server().WaitingCallers(), 0);
}

TEST_F(Pool, ACallerWaitsUnreadUntilAHandlerFreesAndIsServedOnIt) {
    driver.server().setEvictionGrace(60 * 60 * 1000, 60 * 60 * 1000); // nobody gives a slot up
    FakeStreamSocket* first = connectFrom("192.0.2.7");
    ASSERT_TRUE(first);
    ASSERT_TRUE(connectFrom("192.0.2.7"));
    ASSERT_TRUE(connectFrom("192.0.2.8"));
    EXPECT_EQ(connectFrom("192.0.2.9"), nullptr);
    const std::int32_t id = driver.lastRequestID();
    EXPECT_EQ(driver.listener().deferred, std::vector<std::int32_t>{id});
    EXPECT_EQ(driver.server().WaitingCallers(), 1);
    EXPECT_FALSE(driver.server().Accepting());
    EXPECT_TRUE(driver.listener().accepting); // there is room to wait
    runEventLoopFor(20);
    EXPECT_EQ(driver.socketFor(id), nullptr);
    first->peerClose();
    ASSERT_TRUE(waitUntil([&] { return driver.socketFor(id) != nullptr; }));
    EXPECT_EQ(driver.socketFor(id), first); // the freed handler
    EXPECT_EQ(driver.server().PoolSize(), 3);
}

TEST_F(Pool, TheConnectionThatShowedLeastProgressGoesFirstAndABodyLast) {
    FakeStreamSocket* body = connectFrom("192.0.2.7");
    body->feed("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nab");
    FakeStreamSocket* head = connectFrom("192.0.2.7");
    head->feed("POST / HTTP/1.1\r\nHost:"); // its head dribbles
    FakeStreamSocket* idle = connectFrom("192.0.2.7");
    runEventLoopFor(2);

    // A newcomer from another address: the oldest of those without a complete head gives way,
    // closed without a reply. The newcomers then stay busy (their replies never complete).
    const auto keepBusy = [](FakeStreamSocket* s) {
        ASSERT_TRUE(s);
        s->autoComplete = false;
        s->feed("POST / HTTP/1.1\r\n\r\n");
    };
    const int closesBefore = head->closeCalls;
    FakeStreamSocket* newcomer = waitingCallerFrom("192.0.2.8");
    EXPECT_EQ(newcomer, head);
    EXPECT_EQ(head->closeCalls, closesBefore + 1);
    EXPECT_TRUE(host.logsOf(2, 6).empty()); // no reply to anyone
    keepBusy(newcomer);
    EXPECT_EQ(idle->state, sck::Connected);
    newcomer = waitingCallerFrom("192.0.2.8");
    EXPECT_EQ(newcomer, idle);
    keepBusy(newcomer);
    EXPECT_EQ(body->state, sck::Connected);

    // The body's address now holds fewer slots than the next caller's: the caller waits.
    driver.listener().remoteIP = QStringLiteral("192.0.2.8");
    EXPECT_EQ(driver.connect(), nullptr);
    const std::int32_t patient = driver.lastRequestID();
    runEventLoopFor(50);
    EXPECT_EQ(driver.socketFor(patient), nullptr);
    EXPECT_TRUE(body->sent.isEmpty());
}

TEST_F(Pool, ABodyGoesOnlyToACallerFromAnAddressWithFewerSlotsAndIsToldSo) {
    FakeStreamSocket* body = connectFrom("192.0.2.7");
    body->feed("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nab");
    FakeStreamSocket* busy[2];
    for (FakeStreamSocket*& b : busy) {
        b = connectFrom("192.0.2.7");
        b->autoComplete = false;
        b->feed("POST / HTTP/1.1\r\n\r\n"); // answered, the reply never completes: busy
    }
    // A caller of the body's own address does not take it.
    driver.listener().remoteIP = QStringLiteral("192.0.2.7");
    EXPECT_EQ(driver.connect(), nullptr);
    const std::int32_t own = driver.lastRequestID();
    runEventLoopFor(50);
    EXPECT_EQ(driver.socketFor(own), nullptr);
    EXPECT_EQ(body->state, sck::Connected);
    // One from an address with fewer slots does; the body's sender hears 503, and the connection ends.
    FakeStreamSocket* other = waitingCallerFrom("192.0.2.9");
    ASSERT_TRUE(other);
    EXPECT_TRUE(body->sent.startsWith("HTTP/1.1 503 Service non Disponible (Vellumo Server)\r\n"));
    EXPECT_TRUE(body->sent.contains("\r\nConnection:close\r\n"));
    EXPECT_TRUE(body->writeShut);
    EXPECT_TRUE(host.requests.size() == 2u); // the two busy ones; the body never reached the host
    for (FakeStreamSocket* b : busy)
        EXPECT_EQ(b->state, sck::Connected);
}

TEST_F(Pool, TheAddressWithTheMostSlotsLosesOne) {
    FakeStreamSocket* lone = connectFrom("192.0.2.8"); // the oldest, alone from its address
    FakeStreamSocket* many[2] = {connectFrom("192.0.2.7"), connectFrom("192.0.2.7")};
    runEventLoopFor(2);
    EXPECT_EQ(waitingCallerFrom("192.0.2.9"), many[0]);
    EXPECT_EQ(lone->state, sck::Connected);
    EXPECT_EQ(many[1]->state, sck::Connected);
    // A caller from the crowded address takes its own address's idle slot, not the lone one's.
    EXPECT_EQ(waitingCallerFrom("192.0.2.7"), many[1]);
    EXPECT_EQ(lone->state, sck::Connected);
}

TEST_F(Pool, AConnectionBeingAnsweredNeverGivesItsSlotUp) {
    driver.server().setMaxConnections(1);
    FakeStreamSocket* s = connectFrom("192.0.2.7");
    s->autoComplete = false;
    s->feed("POST / HTTP/1.1\r\nContent-Length: 1\r\n\r\nx"); // the head of the reply is out, not done
    EXPECT_EQ(connectFrom("192.0.2.8"), nullptr);
    const std::int32_t id = driver.lastRequestID();
    runEventLoopFor(50);
    EXPECT_EQ(driver.socketFor(id), nullptr);
    EXPECT_EQ(s->state, sck::Connected);
    // Once its reply is out it is idle, and gives way.
    s->completeSends();
    s->completeSends();
    EXPECT_TRUE(s->sent.endsWith("re:x"));
    EXPECT_TRUE(waitUntil([&] { return driver.socketFor(id) != nullptr; }));
}

TEST_F(Pool, ACallerThatWaitsLongerThanTheKeepAliveTimeOutIsLetGo) {
    driver.server().setEvictionGrace(60 * 60 * 1000, 60 * 60 * 1000);
    driver.server().setKeepAliveTimeout(30);
    for (int i = 0; i < 3; ++i)
        connectFrom("192.0.2.7")->feed("POST"); // a head under way: its own time-out is far
    EXPECT_EQ(connectFrom("192.0.2.8"), nullptr);
    const std::int32_t id = driver.lastRequestID();
    EXPECT_TRUE(waitUntil([&] { return driver.listener().rejected == std::vector<std::int32_t>{id}; }));
    EXPECT_EQ(driver.server().WaitingCallers(), 0);
}

TEST_F(Pool, PastTheWaitingRoomCallersStayInTheBacklog) {
    driver.server().setEvictionGrace(60 * 60 * 1000, 60 * 60 * 1000);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(connectFrom("192.0.2.7"));
    for (int i = 0; i < Gossamer::MaxWaitingConnections; ++i) {
        EXPECT_TRUE(driver.listener().accepting);
        EXPECT_EQ(connectFrom("192.0.2.8"), nullptr);
    }
    EXPECT_FALSE(driver.listener().accepting);
}

// ---- the end of a connection after a refusal ----

TEST_F(Pool, ARefusalLeavesThePoolAndLingersUntilThePeerHasReadIt) {
    host.onHead = [](const RecordedRequest&, HeadReply& reply) { reply = refusal(); };
    FakeStreamSocket* s = connectFrom("192.0.2.7");
    s->feed("POST /MESSAGE HTTP/1.1\r\nContent-Length: 33554432\r\n\r\nabc");
    ASSERT_TRUE(waitUntil([&] { return s->writeShut; }));
    EXPECT_TRUE(s->sent.startsWith("HTTP/1.1 401 Non\r\n"));
    EXPECT_TRUE(s->sent.contains("\r\nConnection:close\r\n"));
    EXPECT_TRUE(s->sent.endsWith("refused"));
    // Out of the pool at once, though its announced body has not come.
    EXPECT_EQ(driver.server().Serving(), 0);
    EXPECT_TRUE(driver.server().Client(0).InUse());
    s->feed(QByteArray(1000, 'b')); // read and thrown away
    EXPECT_EQ(s->state, sck::Connected);
    s->peerClose();
    EXPECT_FALSE(driver.server().Client(0).InUse());
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);
}

TEST_F(Pool, OnlyAPeerThatAskedForTheEndAndSentItsRequestWholeIsClosedWithoutLingering) {
    host.onHead = [](const RecordedRequest& r, HeadReply& reply) {
        if (r.URI == QStringLiteral("/refused"))
            reply = refusal();
    };
    struct Case {
        const char* what;
        QByteArray request;
        bool lingers;
    };
    const Case cases[] = {
        {"GET asking for the end", "GET / HTTP/1.1\r\nConnection: close\r\n\r\n", false},
        {"served POST asking for the end", "POST /fine HTTP/1.1\r\nConnection: close\r\nContent-Length: 1\r\n\r\nx",
         false},
        {"GET without asking", "GET / HTTP/1.1\r\n\r\n", true},
        {"GET asking, with a body announced", "GET / HTTP/1.1\r\nConnection: close\r\nContent-Length: 9\r\n\r\n", true},
        {"refusal asking, its body unread", "POST /refused HTTP/1.1\r\nConnection: close\r\nContent-Length: 9\r\n\r\n",
         true},
        {"refusal asking, a chunked body announced",
         "POST /refused HTTP/1.1\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n", true},
        {"GET asking, more sent after it", "GET / HTTP/1.1\r\nConnection: close\r\n\r\nPOST /fine HTTP/1.1\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeStreamSocket* s = connectFrom("192.0.2.7");
        ASSERT_TRUE(s);
        s->feed(c.request);
        ASSERT_TRUE(waitUntil([&] { return s->writeShut || s->state == sck::Closed; }));
        EXPECT_TRUE(s->sent.contains("\r\nConnection:close\r\n"));
        EXPECT_EQ(s->state == sck::Connected, c.lingers);
        if (s->state == sck::Connected)
            s->peerClose();
        EXPECT_TRUE(waitUntil([&] {
            for (int i = 0; i < driver.server().PoolSize(); ++i)
                if (driver.server().Client(i).InUse())
                    return false;
            return true;
        }));
    }
}

TEST_F(Pool, ALingeringCloseEndsAtItsSizeOrItsTime) {
    host.onHead = [](const RecordedRequest&, HeadReply& reply) { reply = refusal(); };
    FakeStreamSocket* chatty = connectFrom("192.0.2.7");
    chatty->feed("POST / HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return chatty->writeShut; }));
    chatty->feed(QByteArray(Gossamer::LingerBytes, 'b'));
    EXPECT_EQ(chatty->state, sck::Closed);

    driver.server().setLingerTimeout(20);
    FakeStreamSocket* silent = connectFrom("192.0.2.7");
    silent->sent.clear();
    silent->feed("GET / HTTP/1.1\r\nContent-Length: 1000000\r\n\r\n");
    EXPECT_TRUE(waitUntil([&] { return silent->state == sck::Closed; }));
    EXPECT_TRUE(silent->sent.startsWith("HTTP/1.1 403 "));
}

TEST_F(Pool, DelayedRefusalsHoldNoSlotAndOnlyAFewWaitAtOnce) {
    host.onHead = [](const RecordedRequest& r, HeadReply& reply) {
        if (r.URI == QStringLiteral("/guess"))
            reply = refusal(60 * 60 * 1000);
    };
    std::vector<FakeStreamSocket*> guessers;
    for (int i = 0; i < Gossamer::MaxDelayedRefusals + 3; ++i) {
        FakeStreamSocket* g = connectFrom("192.0.2.7");
        ASSERT_TRUE(g) << i;
        g->feed("POST /guess HTTP/1.1\r\nContent-Length: 2\r\n\r\nab");
        guessers.push_back(g);
    }
    int held = 0, closed = 0;
    for (FakeStreamSocket* g : guessers) {
        EXPECT_TRUE(g->sent.isEmpty());
        if (g->state == sck::Connected) {
            ++held;
            EXPECT_FALSE(g->reading); // nothing is read while it waits
        } else {
            ++closed;
        }
    }
    EXPECT_EQ(held, Gossamer::MaxDelayedRefusals);
    EXPECT_EQ(closed, 3);
    EXPECT_EQ(driver.server().Serving(), 0);
    // A request with the key from the same address is served meanwhile.
    FakeStreamSocket* sender = connectFrom("192.0.2.7");
    ASSERT_TRUE(sender);
    sender->feed("POST /fine HTTP/1.1\r\nContent-Length: 1\r\n\r\nx");
    EXPECT_TRUE(waitUntil([&] { return sender->sent.endsWith("re:x"); }));
}

// ---- memory in flight ----

TEST_F(Pool, BigBodiesPastTheBudgetWaitUnreadUntilTheBodiesBeforeThemAreDone) {
    const std::int32_t big = 3 * 1024 * 1024;
    driver.server().setBodyBudget(4 * 1024 * 1024);
    const QByteArray head = "POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(big) + "\r\n\r\n";
    FakeStreamSocket* first = connectFrom("192.0.2.7");
    first->feed(head);
    FakeStreamSocket* second = connectFrom("192.0.2.8");
    second->feed(head);
    FakeStreamSocket* small = connectFrom("192.0.2.9");
    small->feed("POST /small HTTP/1.1\r\nContent-Length: " + QByteArray::number(Gossamer::SmallBodyBytes) + "\r\n\r\n");
    EXPECT_TRUE(first->reading);
    EXPECT_FALSE(second->reading); // 3 + 3 MiB would pass the budget
    EXPECT_TRUE(small->reading);   // a small body never waits
    EXPECT_EQ(driver.server().BodyBytesInFlight(), big);
    small->feed(QByteArray(Gossamer::SmallBodyBytes, 's'));
    EXPECT_EQ(host.requests.size(), 1u);

    first->feed(QByteArray(big, 'f'));
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].Params.size(), big);
    EXPECT_TRUE(second->reading); // its turn once the first is done
    EXPECT_EQ(driver.server().BodyBytesInFlight(), big);
    second->feed(QByteArray(big, 's'));
    EXPECT_EQ(host.requests.size(), 3u);
    EXPECT_EQ(driver.server().BodyBytesInFlight(), 0);
}

} // namespace
