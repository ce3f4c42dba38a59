// The connection handler driven through in-memory sockets: what happens while the host's handler
// runs, socket errors, and what a reused handler must not carry over.
#include "http_server/goss_client.h"
#include "http_server/gossamer.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback_driver.h"
#include "tests/support/recording_host.h"

#include <gtest/gtest.h>

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
    // Once all of it has come, the connection ends.
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

TEST_F(Loopback, OnePeerAddressHoldsAtMostItsShareOfThePool) {
    Gossamer& g = driver.server();
    g.setMaxConnectionsPerAddress(2);
    driver.listener().remoteIP = QStringLiteral("192.0.2.7");
    FakeStreamSocket* first = driver.connect();
    ASSERT_TRUE(first);
    ASSERT_TRUE(driver.connect());
    EXPECT_EQ(driver.connect(), nullptr); // over its share: refused
    driver.listener().remoteIP = QStringLiteral("192.0.2.8");
    EXPECT_TRUE(driver.connect()); // another station is taken
    driver.listener().remoteIP = QStringLiteral("192.0.2.7");
    first->peerClose();
    EXPECT_TRUE(driver.connect()); // a freed share is taken again
    EXPECT_EQ(driver.connect(), nullptr);
    EXPECT_EQ(host.logsOf(5, 0).size(), 4u);
}

} // namespace
