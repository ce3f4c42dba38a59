// The connection handler end to end, on real 127.0.0.1 sockets: parsing, the replies on the wire,
// keep-alive, pipelining, the pool, and the bad-request paths.
#include "http_server/goss_client.h"
#include "http_server/gossamer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/event_loop.h"
#include "tests/support/recording_host.h"
#include "tests/support/tcp_test_client.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace vellumo;
using namespace vellumo::test;

namespace {

const QString kForbidden = QStringLiteral("403 Accès Interdit (Vellumo Server)");
const QString kNotImplemented = QStringLiteral("501 Non Implémenté (Vellumo Server)");

// The Date value of a response, checked against the HTTP date pattern.
QString dateOf(const QByteArray& response) {
    static const QRegularExpression date(
        QStringLiteral("\r\nDate:([A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2} GMT)\r\n"));
    const QRegularExpressionMatch m = date.match(QString::fromLatin1(response));
    return m.hasMatch() ? m.captured(1) : QString();
}

// Every error page ends its connection, and says so.
QByteArray errorPage(const QString& version, const QString& status, const QString& date, bool withPage = true) {
    QString text = version + u' ' + status + QStringLiteral("\r\nDate:") + date +
                   QStringLiteral("\r\nContent-Type:text/html\r\nContent-Length:") +
                   QString::number(status.size() + 35) +
                   QStringLiteral("\r\nAccept-Ranges:none\r\nServer:Vellumo/2.0\r\n"
                                  "X-Powered-By:Brantwick/2.0, Linux\r\nConnection:close\r\n\r\n");
    if (withPage)
        text += QStringLiteral("<html><body><h1>") + status + QStringLiteral("</h1></body></html>");
    return cp1252::encode(text);
}

QByteArray post(const QByteArray& target, const QByteArray& body, const QByteArray& extra = {}) {
    return "POST " + target + " HTTP/1.1\r\nHost: x\r\n" + extra +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class HttpServer : public ::testing::Test {
protected:
    void SetUp() override {
        server.setHost(&host);
        host.onRequest = [](const RecordedRequest& r, Reply& reply) {
            reply.Status = 200;
            reply.StatusText = QStringLiteral("OK");
            reply.Body = "echo:" + r.Params;
        };
        server.StartListening(0);
        ASSERT_TRUE(server.ConnectedToPort);
        port = server.LocalPort();
        ASSERT_GT(port, 0);
    }

    std::unique_ptr<TcpTestClient> client() { return std::make_unique<TcpTestClient>(port); }

    Gossamer server;
    RecordingHost host;
    int port = 0;
};

TEST_F(HttpServer, GetGetsTheForbiddenPageByteForByteAndTheConnectionEnds) {
    auto c = client();
    c->send("GET /index.htm HTTP/1.1\r\nHost: x\r\n\r\n");
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    const QString date = dateOf(*response);
    ASSERT_FALSE(date.isEmpty()) << response->constData();
    EXPECT_EQ(*response, errorPage(QStringLiteral("HTTP/1.1"), kForbidden, date));
    EXPECT_TRUE(response->contains("Content-Length:70\r\n"));
    EXPECT_TRUE(c->waitForClose());
    // Lower-case method and version: treated as GET, version sent back in upper case.
    c = client();
    c->send("get / http/1.0\r\n\r\n");
    const auto second = c->nextResponse();
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, errorPage(QStringLiteral("HTTP/1.0"), kForbidden, dateOf(*second)));
    EXPECT_TRUE(host.requests.empty());
}

TEST_F(HttpServer, HeadGetsTheForbiddenHeadWithoutThePage) {
    auto c = client();
    c->send("HEAD / HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n\r\n");
    const auto head = c->nextResponse(5000, true);
    ASSERT_TRUE(head);
    EXPECT_EQ(*head, errorPage(QStringLiteral("HTTP/1.1"), kForbidden, dateOf(*head), false));
    // No page follows, and the refusal ended the connection: the GET behind it is not answered.
    EXPECT_TRUE(c->waitForClose());
    EXPECT_TRUE(c->received.isEmpty()) << c->received.constData();
}

TEST_F(HttpServer, HostLeavingStatusZeroGetsTheNotImplementedPage) {
    host.onRequest = nullptr;
    auto c = client();
    c->send(post("/MESSAGE", "hello"));
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    EXPECT_EQ(*response, errorPage(QStringLiteral("HTTP/1.1"), kNotImplemented, dateOf(*response)));
    ASSERT_EQ(host.requests.size(), 1u);
}

TEST_F(HttpServer, PostReachesTheHostAndItsReplyGoesOnTheWire) {
    host.onRequest = [](const RecordedRequest&, Reply& reply) {
        reply.Status = 200;
        reply.StatusText = QStringLiteral("MESSAGE:OK:STATION");
        reply.MIME = QStringLiteral("text/plain");
        reply.ExtraHeaders = QStringLiteral("X-A:1");
        reply.Body = "seventeen bytes!!";
    };
    auto c = client();
    c->send("post /MESSAGE%20x?a=b HTTP/1.1\r\ncontent-length:  5\r\nVellumo: KEY\r\n"
            "Authorization: one\r\nAuthorization: two\r\nNoColon\r\n\r\nhello");
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    ASSERT_EQ(host.requests.size(), 1u);
    const RecordedRequest& r = host.requests[0];
    EXPECT_EQ(r.Method, QStringLiteral("POST"));
    EXPECT_EQ(r.URI, QStringLiteral("/MESSAGE%20x?a=b"));
    EXPECT_EQ(r.Params, QByteArray("hello"));
    EXPECT_EQ(r.ClientIndex, 0);
    ASSERT_EQ(r.Headers.size(), 4u);
    EXPECT_EQ(r.Headers[0].key, QStringLiteral("CONTENT-LENGTH"));
    EXPECT_EQ(r.Headers[0].item, (QStringList{QStringLiteral("content-length"), QStringLiteral("5")}));
    EXPECT_EQ(r.Headers[1].item, (QStringList{QStringLiteral("Vellumo"), QStringLiteral("KEY")}));
    // The second Authorization line replaced the first and went last.
    EXPECT_EQ(r.Headers[2].item, (QStringList{QStringLiteral("Authorization"), QStringLiteral("two")}));
    EXPECT_EQ(r.Headers[3].key, QStringLiteral("NOCOLON"));
    EXPECT_EQ(r.Headers[3].item, QStringList{QStringLiteral("NoColon")});

    const QString date = dateOf(*response);
    const QByteArray expected =
        cp1252::encode(QStringLiteral("HTTP/1.1 200 MESSAGE:OK:STATION\r\nDate:") + date +
                       QStringLiteral("\r\nLast-Modified:") + date +
                       QStringLiteral("\r\nContent-Type:text/plain\r\nContent-Length:17\r\nAccept-Ranges:none\r\n"
                                      "Server:Vellumo/2.0\r\nX-Powered-By:Brantwick/2.0, Linux\r\nX-A:1\r\n\r\n"
                                      "seventeen bytes!!"));
    EXPECT_EQ(*response, expected);
    const auto posts = host.logsOf(2, 4);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].Event.Text, QStringLiteral("/MESSAGE%20x?a=b"));
    EXPECT_EQ(posts[0].Event.HTTPVersion, QStringLiteral("HTTP/1.1"));
}

TEST_F(HttpServer, ExtraHeadersDecideLastModifiedAndTheFinalLineEnd) {
    struct Case {
        QString extra;
        bool ownLastModified;
        QByteArray tail;
    };
    for (const Case& k : {Case{QStringLiteral("last-modified:yesterday"), false, "\r\nlast-modified:yesterday\r\n\r\n"},
                          Case{QStringLiteral("X-B:2\r\n"), true, "\r\nX-B:2\r\n\r\n"}}) {
        host.onRequest = [&](const RecordedRequest&, Reply& reply) {
            reply.Status = 204;
            reply.StatusText = QStringLiteral("Vide");
            reply.ExtraHeaders = k.extra;
        };
        auto c = client();
        c->send(post("/", ""));
        const auto response = c->nextResponse();
        ASSERT_TRUE(response);
        EXPECT_EQ(response->contains("\r\nLast-Modified:"), k.ownLastModified) << response->constData();
        EXPECT_TRUE(response->endsWith(k.tail)) << response->constData();
        EXPECT_TRUE(response->contains("\r\nContent-Length:0\r\n"));
        EXPECT_FALSE(response->contains("Content-Type:"));
    }
}

enum class Split { Whole, ByteByByte, BodyFourThenSix, InsideHeadEnd };

struct SplitCase {
    const char* name;
    Split split;
};

class SplitRequest : public HttpServer, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitRequest, IsDispatchedOnceWithItsBody) {
    const QByteArray request = "\r\n\r\n" + post("/MESSAGE", "0123456789");
    const int bodyAt = static_cast<int>(request.indexOf("\r\n\r\n", 4)) + 4;
    std::vector<int> pieces; // sizes of the sends before the last, which takes the rest
    switch (GetParam().split) {
    case Split::Whole:
        break;
    case Split::ByteByByte:
        pieces.assign(static_cast<std::size_t>(request.size() - 1), 1);
        break;
    case Split::BodyFourThenSix:
        pieces = {bodyAt + 4};
        break;
    case Split::InsideHeadEnd:
        pieces = {bodyAt - 3, 1, 1};
        break;
    }
    auto c = client();
    qsizetype at = 0;
    for (int size : pieces) {
        c->send(QByteArrayView(request).sliced(at, size));
        at += size;
        runEventLoopFor(1);
        EXPECT_TRUE(host.requests.empty());
    }
    c->send(QByteArrayView(request).sliced(at));
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].Params, QByteArray("0123456789"));
    EXPECT_TRUE(response->endsWith("echo:0123456789"));
}

INSTANTIATE_TEST_SUITE_P(HttpServer, SplitRequest,
                         ::testing::Values(SplitCase{"whole", Split::Whole},
                                           SplitCase{"byte_by_byte", Split::ByteByByte},
                                           SplitCase{"body_four_then_six", Split::BodyFourThenSix},
                                           SplitCase{"inside_head_end", Split::InsideHeadEnd}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpServer, PipelinedRequestsAreAnsweredInOrderWithoutMoreBytes) {
    auto c = client();
    c->send(post("/one", "first") + "\r\n" + post("/two", "") + post("/three", "third"));
    const auto r1 = c->nextResponse();
    const auto r2 = c->nextResponse();
    const auto r3 = c->nextResponse();
    ASSERT_TRUE(r1 && r2 && r3);
    EXPECT_TRUE(r1->endsWith("echo:first"));
    EXPECT_TRUE(r2->endsWith("echo:"));
    EXPECT_TRUE(r3->endsWith("echo:third"));
    ASSERT_EQ(host.requests.size(), 3u);
    EXPECT_EQ(host.requests[0].URI, QStringLiteral("/one"));
    EXPECT_EQ(host.requests[2].URI, QStringLiteral("/three"));
    EXPECT_FALSE(c->peerClosed);
}

// A refused request ends its connection once its reply is out, whatever follows it; a request the
// host answers otherwise keeps it.
struct RefusalCase {
    const char* name;
    QByteArray request;
    std::int16_t hostStatus; // what the host answers a POST (0: left at 0, the 501 page)
    QByteArray statusLine;   // start of the reply's first line
    bool ends;
};

class Refusal : public HttpServer, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, EndsTheConnectionAfterItsReply) {
    host.onRequest = [](const RecordedRequest&, Reply& reply) {
        reply.Status = GetParam().hostStatus;
        reply.StatusText = QStringLiteral("Texte");
    };
    auto c = client();
    // A second request follows at once, as a peer holding the connection would send it.
    c->send(GetParam().request + post("/again", "x"));
    const auto response = c->nextResponse(5000, GetParam().request.startsWith("HEAD"));
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->startsWith(GetParam().statusLine)) << response->constData();
    // A reply after which the connection ends says so (a keep-alive client then opens a new one).
    EXPECT_EQ(response->contains("\r\nConnection:close\r\n"), GetParam().ends) << response->constData();
    if (GetParam().ends) {
        EXPECT_TRUE(c->waitForClose());
        EXPECT_TRUE(c->received.isEmpty()) << c->received.constData();
        EXPECT_LE(host.requests.size(), 1u);
    } else {
        ASSERT_TRUE(c->nextResponse());
        EXPECT_FALSE(c->peerClosed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    HttpServer, Refusal,
    ::testing::Values(RefusalCase{"get", "GET / HTTP/1.1\r\n\r\n", 0, "HTTP/1.1 403 ", true},
                      RefusalCase{"head", "HEAD / HTTP/1.1\r\n\r\n", 0, "HTTP/1.1 403 ", true},
                      RefusalCase{"get_with_a_body", "GET / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", 0,
                                  "HTTP/1.1 403 ", true},
                      RefusalCase{"not_implemented", post("/", "a"), 0, "HTTP/1.1 501 ", true},
                      RefusalCase{"bad_request", post("/", "a"), 400, "HTTP/1.1 400 Texte", true},
                      RefusalCase{"not_authorised", post("/", "a"), 401, "HTTP/1.1 401 Texte", true},
                      RefusalCase{"forbidden", post("/", "a"), 403, "HTTP/1.1 403 Texte", true},
                      RefusalCase{"not_found", post("/", "a"), 404, "HTTP/1.1 404 Texte", true},
                      RefusalCase{"ok", post("/", "a"), 200, "HTTP/1.1 200 Texte", false},
                      RefusalCase{"server_error", post("/", "a"), 500, "HTTP/1.1 500 Texte", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpServer, RequestsWithoutHeaderLinesAreComplete) {
    auto get = client();
    get->send("GET / HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(get->nextResponse());
    auto c = client();
    c->send("POST /x HTTP/1.1\r\n\r\n\r\nPOST /y HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(c->nextResponse());
    ASSERT_TRUE(c->nextResponse());
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_TRUE(host.requests[0].Params.isEmpty());
    EXPECT_TRUE(host.requests[0].Headers.empty());
    EXPECT_EQ(host.requests[1].URI, QStringLiteral("/y"));
}

TEST_F(HttpServer, ConnectionCloseEndsAfterTheReplyKeepAliveDoesNot) {
    auto keep = client();
    keep->send(post("/a", "1", "Connection: keep-alive\r\n"));
    auto reply = keep->nextResponse();
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->contains("Connection:"));
    keep->send(post("/b", "2"));
    ASSERT_TRUE(keep->nextResponse());
    EXPECT_FALSE(keep->peerClosed);

    // A request that asks to close hears it back.
    for (const QByteArray& request :
         {post("/c", "3", "connection: ClOsE\r\n"), QByteArray("GET / HTTP/1.1\r\nConnection: close\r\n\r\n")}) {
        auto c = client();
        c->send(request);
        reply = c->nextResponse();
        ASSERT_TRUE(reply);
        EXPECT_TRUE(reply->contains("\r\nConnection:close\r\n")) << reply->constData();
        EXPECT_TRUE(c->waitForClose());
        EXPECT_TRUE(c->received.isEmpty());
    }
}

TEST_F(HttpServer, MaxConnectionsTwoKeepsTheThirdWaitingAndServesItOnAFreedHandler) {
    server.setMaxConnections(2);
    auto a = client();
    auto b = client();
    a->send(post("/a", "a"));
    b->send(post("/b", "b"));
    ASSERT_TRUE(a->nextResponse());
    ASSERT_TRUE(b->nextResponse());
    // The pool is full: the listener stops accepting and the third caller waits in the backlog.
    EXPECT_FALSE(server.Accepting());
    auto third = client();
    third->send(post("/c", "c"));
    runEventLoopFor(50);
    EXPECT_TRUE(third->received.isEmpty());
    EXPECT_FALSE(third->peerClosed);
    EXPECT_EQ(server.PoolSize(), 2);
    EXPECT_EQ(host.logsOf(5, 0).size(), 2u);

    a->close();
    const auto response = third->nextResponse();
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->endsWith("echo:c"));
    ASSERT_EQ(host.requests.size(), 3u);
    EXPECT_EQ(host.requests[2].ClientIndex, 0);
    const auto connects = host.logsOf(5, 0);
    ASSERT_EQ(connects.size(), 3u);
    EXPECT_EQ(connects[0].ClientIndex, 0);
    EXPECT_EQ(connects[1].ClientIndex, 1);
    EXPECT_EQ(connects[2].ClientIndex, 0);
    EXPECT_EQ(connects[0].Event.Method, QStringLiteral("CONNECT"));
    EXPECT_EQ(connects[0].Event.IP, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(connects[0].Event.Port, port);
}

TEST_F(HttpServer, AFullPoolKeepsCallersWaitingAndServesThemInTurn) {
    // 40 idle connections on a pool of 32, four from each of ten stations (the most one station may
    // hold): the last 8 wait in the backlog; the idle ones are cut by the keep-alive time-out, and
    // then everyone waiting is taken, a fresh caller's POST included.
    server.setKeepAliveTimeout(3000);
    std::vector<std::unique_ptr<TcpTestClient>> idle;
    for (int i = 0; i < 40; ++i) {
        const QByteArray station = "127.0.1." + QByteArray::number(10 + i / 4);
        idle.push_back(std::make_unique<TcpTestClient>(port, station.constData()));
        ASSERT_TRUE(idle.back()->connected());
    }
    ASSERT_TRUE(waitUntil([&] { return server.PoolSize() == 32 && !server.Accepting(); }, 10000));
    auto fresh = std::make_unique<TcpTestClient>(port, "127.0.1.99");
    fresh->send(post("/fresh", "x"));
    const auto response = fresh->nextResponse(30000);
    ASSERT_TRUE(response) << "fresh caller closed: " << fresh->peerClosed;
    EXPECT_TRUE(response->endsWith("echo:x"));
    EXPECT_EQ(server.PoolSize(), 32);
    for (auto& c : idle)
        EXPECT_TRUE(c->waitForClose(30000)); // each was taken, then cut when it stayed idle
    EXPECT_EQ(host.logsOf(5, 0).size(), 41u);
}

struct BadCase {
    const char* name;
    QByteArray request;
    QString logged; // start of the type 2 / subtype 3 record's text
    bool disconnectRecord;
};

class BadRequest : public HttpServer, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadRequest, IsLoggedAndClosedWithoutAReply) {
    auto c = client();
    c->send(GetParam().request);
    EXPECT_TRUE(c->waitForClose());
    EXPECT_TRUE(c->received.isEmpty()) << c->received.left(200).constData();
    EXPECT_TRUE(host.requests.empty());
    ASSERT_TRUE(waitUntil([&] { return !server.Client(0).InUse(); }));
    if (GetParam().logged.isEmpty()) {
        EXPECT_TRUE(host.logsOf(2, 3).empty());
    } else {
        const auto errors = host.logsOf(2, 3);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].Event.Method, QStringLiteral("ERROR"));
        EXPECT_TRUE(errors[0].Event.Text.startsWith(GetParam().logged)) << errors[0].Event.Text.toStdString();
    }
    EXPECT_EQ(host.logsOf(5, 1).size(), GetParam().disconnectRecord ? 1u : 0u);
    // The server goes on serving.
    auto next = client();
    next->send("GET / HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(next->nextResponse());
}

INSTANTIATE_TEST_SUITE_P(
    HttpServer, BadRequest,
    ::testing::Values(
        BadCase{"letters_length", "POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: abc"), true},
        BadCase{"length_past_32_bits", "POST / HTTP/1.1\r\nContent-Length: 2147483648\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: 2147483648"), true},
        BadCase{"length_over_body_cap", "POST / HTTP/1.1\r\nContent-Length: 33554433\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: 33554433"), true},
        BadCase{"fraction_length", "POST / HTTP/1.1\r\nContent-Length: 1.5\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: 1.5"), true},
        BadCase{"endless_request_line", QByteArray(70000, 'A'), QStringLiteral("Request head too large"), true},
        BadCase{"endless_headers", "GET / HTTP/1.1\r\n" + QByteArray(70000, 'h'),
                QStringLiteral("Request head too large"), true},
        BadCase{"negative_length", "POST / HTTP/1.1\r\nContent-Length: -37\r\n\r\nGET /smuggled HTTP/1.1\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: -37"), true},
        BadCase{"signed_length", "POST / HTTP/1.1\r\nContent-Length: +5\r\n\r\nabcde",
                QStringLiteral("Bad Content-Length header value: +5"), true},
        BadCase{"two_lengths", "POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 7\r\n\r\n",
                QStringLiteral("Bad Content-Length header value: 5, 7"), true},
        BadCase{"endless_empty_lines", QByteArray(70000, '\n').replace("\n", "\r\n"),
                QStringLiteral("Request head too large"), true},
        BadCase{"two_part_line", "GET /\r\n\r\n", QStringLiteral("Bad Request Line: GET /"), false},
        BadCase{"put", "PUT / HTTP/1.1\r\n\r\n", QString(), true},
        BadCase{"options", "OPTIONS * HTTP/1.1\r\n\r\n", QString(), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpServer, PipelinedRequestsAndEmptyLinesAreReadWithoutMovingWhatFollows) {
    // A megabyte of requests, each after two empty lines, in one go: reading them must not move the
    // rest of the buffer down for every one (the bytes moved stay below the bytes received).
    const QByteArray one = "\r\n\r\n" + post("/p", "hi");
    const int count = 1024 * 1024 / static_cast<int>(one.size());
    const QByteArray all = one.repeated(count);
    auto c = client();
    c->send(all);
    ASSERT_TRUE(c->waitFor([&](const QByteArray& r) { return r.count("HTTP/1.1 200 OK") == count; }, 120000))
        << c->received.count("HTTP/1.1 200 OK") << " of " << count;
    EXPECT_EQ(host.requests.size(), static_cast<std::size_t>(count));
    EXPECT_LE(server.Client(0).BufferBytesMoved(), all.size());
    EXPECT_LE(server.Client(0).BufferCapacity(), GossClient::ShrinkAboveBytes);
}

// Many connections from one address, as from the stations behind one gateway or the users of one
// host: all are served, those past the pool in turn.
struct OneAddressCase {
    const char* name;
    int connections;
};

class OneAddress : public HttpServer, public ::testing::WithParamInterface<OneAddressCase> {};

TEST_P(OneAddress, SimultaneousSendersAreAllServed) {
    std::vector<std::unique_ptr<TcpTestClient>> station;
    for (int i = 0; i < GetParam().connections; ++i) {
        station.push_back(std::make_unique<TcpTestClient>(port, "127.0.2.1"));
        ASSERT_TRUE(station.back()->connected());
    }
    for (int i = 0; i < GetParam().connections; ++i)
        station[static_cast<std::size_t>(i)]->send(post("/s", QByteArray::number(i)));
    for (int i = 0; i < GetParam().connections; ++i) {
        const auto response = station[static_cast<std::size_t>(i)]->nextResponse(30000);
        ASSERT_TRUE(response) << "connection " << i << " closed: " << station[static_cast<std::size_t>(i)]->peerClosed;
        EXPECT_TRUE(response->endsWith("echo:" + QByteArray::number(i)));
    }
    EXPECT_EQ(host.requests.size(), static_cast<std::size_t>(GetParam().connections));
}

INSTANTIATE_TEST_SUITE_P(HttpServer, OneAddress,
                         ::testing::Values(OneAddressCase{"eight_with_the_pool_otherwise_empty", 8},
                                           OneAddressCase{"a_whole_pool", 32},
                                           OneAddressCase{"more_than_the_pool", 48}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpServer, TwoThousandRequestsOverEightKeepAliveConnectionsFromOneAddressAreAllAnswered) {
    std::vector<std::unique_ptr<TcpTestClient>> station;
    for (int i = 0; i < 8; ++i)
        station.push_back(std::make_unique<TcpTestClient>(port, "127.0.2.2"));
    int answered = 0;
    for (int round = 0; round < 250; ++round) {
        for (auto& c : station)
            c->send(post("/k", "k"));
        for (auto& c : station) {
            const auto response = c->nextResponse(30000);
            ASSERT_TRUE(response) << "round " << round << ", closed: " << c->peerClosed;
            EXPECT_TRUE(response->endsWith("echo:k"));
            ++answered;
        }
    }
    EXPECT_EQ(answered, 2000);
    for (auto& c : station)
        EXPECT_FALSE(c->peerClosed);
}

// ---- holders from many addresses, and the stations that must still get through ----

// A sender of its own address posts once on a fresh connection; true when it is answered in time.
bool servedWithin(int port, const char* address, int timeoutMs) {
    TcpTestClient fresh(port, address);
    fresh.send(post("/fresh", "f"));
    const auto response = fresh.nextResponse(timeoutMs);
    return response && response->endsWith("echo:f");
}

QByteArray addressOf(int group, int station) {
    return "127.0." + QByteArray::number(group) + "." + QByteArray::number(station);
}

TEST_F(HttpServer, RefusedRequestsTricklingTheirBodiesLeaveThePoolToFreshSenders) {
    // 32 requests from 8 addresses announce 32 MiB bodies and send a byte now and then: GETs, and
    // POSTs the host refuses on their heads. Each is answered, told the connection ends, and holds
    // no slot meanwhile.
    host.onHead = [](const RecordedRequest& r, HeadReply& reply) {
        if (r.URI == QStringLiteral("/guess")) {
            reply.Status = 401;
            reply.StatusText = QStringLiteral("Non");
        }
    };
    std::vector<std::unique_ptr<TcpTestClient>> tricklers;
    for (int i = 0; i < 32; ++i) {
        tricklers.push_back(std::make_unique<TcpTestClient>(port, addressOf(3, 1 + i % 8).constData()));
        tricklers.back()->send(QByteArray(i % 2 ? "POST /guess" : "GET /") +
                               " HTTP/1.1\r\nContent-Length: 33554432\r\n\r\nx");
    }
    for (int round = 0; round < 10; ++round) {
        for (auto& t : tricklers)
            t->send("x");
        EXPECT_TRUE(servedWithin(port, "127.0.3.100", 10000)) << "fresh sender " << round;
    }
    for (std::size_t i = 0; i < tricklers.size(); ++i) {
        const auto reply = tricklers[i]->nextResponse(10000, i % 2 == 0);
        ASSERT_TRUE(reply) << i;
        EXPECT_TRUE(reply->startsWith(i % 2 ? "HTTP/1.1 401 Non" : "HTTP/1.1 403 ")) << i;
        EXPECT_TRUE(reply->contains("\r\nConnection:close\r\n")) << i;
        EXPECT_TRUE(tricklers[i]->waitForClose(10000)) << i;
    }
    EXPECT_EQ(host.requests.size(), 10u);
}

TEST_F(HttpServer, IdleHoldersFromManyAddressesGiveTheirSlotsToFreshSenders) {
    // 39 addresses, 4 connections each that never send a byte and come back when closed: more than
    // the pool. A fresh sender from another address gets a slot every time.
    std::vector<std::unique_ptr<TcpTestClient>> holders;
    for (int i = 0; i < 39 * 4; ++i)
        holders.push_back(std::make_unique<TcpTestClient>(port, addressOf(5, 1 + i / 4).constData()));
    ASSERT_TRUE(waitUntil([&] { return server.Serving() == 32; }, 10000));
    const auto comeBack = [&] {
        for (std::size_t i = 0; i < holders.size(); ++i) {
            if (holders[i]->waitForClose(0))
                holders[i] =
                    std::make_unique<TcpTestClient>(port, addressOf(5, 1 + static_cast<int>(i) / 4).constData());
        }
    };
    for (int round = 0; round < 10; ++round) {
        TcpTestClient fresh(port, "127.0.5.200");
        fresh.send(post("/fresh", "f"));
        bool served = false;
        waitUntil(
            [&] {
                comeBack();
                served = fresh.waitFor([](const QByteArray& r) { return completeResponseLength(r) > 0; }, 0);
                return served;
            },
            10000);
        EXPECT_TRUE(served) << "fresh sender " << round << ", closed: " << fresh.peerClosed;
    }
    EXPECT_EQ(host.requests.size(), 10u);
}

TEST_F(HttpServer, DelayedRefusalsLeaveTheAddressItsShareAndOnlyAFewAreHeld) {
    // Guesses from one address, each refusal held for an hour; the same address's stations with
    // the right key are served meanwhile, and past a few held refusals the rest are closed unanswered.
    host.onHead = [](const RecordedRequest& r, HeadReply& reply) {
        if (r.URI == QStringLiteral("/guess")) {
            reply.Status = 401;
            reply.StatusText = QStringLiteral("Non");
            reply.DelayMs = 60 * 60 * 1000;
        }
    };
    std::vector<std::unique_ptr<TcpTestClient>> guessers;
    for (int i = 0; i < Gossamer::MaxDelayedRefusals + 8; ++i) {
        guessers.push_back(std::make_unique<TcpTestClient>(port, "127.0.6.1"));
        guessers.back()->send(post("/guess", "g"));
    }
    ASSERT_TRUE(waitUntil([&] { return host.heads.size() == guessers.size(); }, 10000));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(servedWithin(port, "127.0.6.1", 10000)) << "sender " << i;
    EXPECT_TRUE(servedWithin(port, "127.0.6.2", 10000));
    int held = 0, closed = 0;
    for (auto& g : guessers) {
        if (g->waitForClose(0))
            ++closed;
        else
            ++held;
        EXPECT_TRUE(g->received.isEmpty());
    }
    EXPECT_EQ(held, Gossamer::MaxDelayedRefusals);
    EXPECT_EQ(closed, 8);
}

TEST_F(HttpServer, TwoEqualContentLengthsAreOne) {
    auto c = client();
    c->send("POST /twice HTTP/1.1\r\nContent-Length: 3\r\ncontent-length:3\r\n\r\nabc");
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->endsWith("echo:abc"));
}

TEST_F(HttpServer, BodyAtTheCapIsTaken) {
    const QByteArray body(GossClient::MaxBodyBytes, 'b');
    host.onRequest = [](const RecordedRequest& r, Reply& reply) {
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = QByteArray::number(r.Params.size());
    };
    auto c = client();
    c->send(post("/big", body));
    const auto response = c->nextResponse(20000);
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->endsWith(QByteArray::number(GossClient::MaxBodyBytes)));
}

TEST_F(HttpServer, LineBreaksInTheVersionNeverReachTheStatusLine) {
    auto c = client();
    c->send("GET / HTTP/1.1\nX-Injected: yes\r\n\r\n");
    const auto response = c->nextResponse();
    ASSERT_TRUE(response);
    const QByteArray firstLine = response->left(response->indexOf("\r\n"));
    EXPECT_FALSE(firstLine.contains('\n'));
    EXPECT_FALSE(firstLine.contains('\r'));
    EXPECT_FALSE(response->contains("\r\nX-INJECTED"));
}

TEST_F(HttpServer, HostErrorIsLoggedClosesThatConnectionAndServingGoesOn) {
    host.onRequest = [](const RecordedRequest& r, Reply&) {
        if (r.URI == QStringLiteral("/boom"))
            throw RuntimeError(err::object(0x1234), QStringLiteral("frmMain"), QStringLiteral("host failed"));
    };
    auto c = client();
    c->send(post("/boom", "x"));
    EXPECT_TRUE(c->waitForClose());
    EXPECT_TRUE(c->received.isEmpty());
    const auto failures = host.logsOf(1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].Event.EventSubType, err::object(0x1234));
    EXPECT_EQ(failures[0].Event.Text, QStringLiteral("host failed"));
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);

    auto next = client();
    next->send(post("/fine", "y"));
    const auto response = next->nextResponse();
    ASSERT_TRUE(response);
    EXPECT_TRUE(response->startsWith("HTTP/1.1 501"));
}

TEST_F(HttpServer, IdleConnectionsAreClosedThroughTheClosePath) {
    server.setIdleTimeout(50);
    auto quiet = client();
    auto partial = client();
    partial->send("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
    EXPECT_TRUE(quiet->waitForClose());
    EXPECT_TRUE(partial->waitForClose());
    EXPECT_TRUE(host.requests.empty());
    EXPECT_EQ(host.logsOf(5, 1).size(), 2u);
    EXPECT_FALSE(server.Client(0).InUse());
    EXPECT_FALSE(server.Client(1).InUse());
}

// Each wait of a connection has its own time-out; the other two are made long, so a cut shows that
// the one under test fired.
struct StallCase {
    const char* name;
    void (Gossamer::*shorten)(int);
    QByteArray sent;    // what the client sends before it stalls
    bool answeredFirst; // a whole request went before, and its reply came
};

class Stall : public HttpServer, public ::testing::WithParamInterface<StallCase> {};

TEST_P(Stall, IsCutByTheTimeOutOfWhatItWaitsFor) {
    server.setIdleTimeout(120000);
    (server.*GetParam().shorten)(200);
    auto c = client();
    c->send(GetParam().sent);
    if (GetParam().answeredFirst) {
        ASSERT_TRUE(c->nextResponse());
    }
    EXPECT_TRUE(c->waitForClose(20000));
    EXPECT_TRUE(c->received.isEmpty());
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    HttpServer, Stall,
    ::testing::Values(StallCase{"nothing_after_accept", &Gossamer::setKeepAliveTimeout, "", false},
                      StallCase{"nothing_after_a_reply", &Gossamer::setKeepAliveTimeout, post("/a", "1"), true},
                      StallCase{"half_a_head", &Gossamer::setHeadTimeout, "POST / HTTP/1.1\r\nHost: x", false},
                      StallCase{"empty_lines_only", &Gossamer::setHeadTimeout, "\r\n\r\n", false},
                      StallCase{"half_a_body", &Gossamer::setBodyTimeout,
                                "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpServer, ABodyThatKeepsComingIsNeverCut) {
    // Twenty pieces 200 ms apart: twice the time-out in all, each gap a tenth of it.
    server.setIdleTimeout(2000);
    auto c = client();
    c->send("POST /slow HTTP/1.1\r\nContent-Length: 40\r\n\r\n");
    for (int i = 0; i < 20; ++i) {
        runEventLoopFor(200);
        c->send("ab");
    }
    const auto response = c->nextResponse();
    ASSERT_TRUE(response) << "closed: " << c->peerClosed;
    EXPECT_TRUE(response->endsWith("echo:" + QByteArray("ab").repeated(20)));
}

TEST_F(HttpServer, AHeadThatDribblesIsCutAtItsTimeOut) {
    server.setIdleTimeout(120000);
    server.setHeadTimeout(500);
    auto c = client();
    c->send("POST / HTTP/1.1\r\nX-Slow: ");
    // One byte every 20 ms would take far longer than the time-out to end the head.
    waitUntil(
        [&] {
            c->send("a");
            runEventLoopFor(20);
            return !c->connected() || c->waitForClose(0);
        },
        30000);
    EXPECT_TRUE(c->peerClosed);
    EXPECT_TRUE(host.requests.empty());
}

TEST_F(HttpServer, AResetByThePeerClosesAndLogsTheError) {
    auto c = client();
    c->send("GET / HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(c->nextResponse());
    c->send("POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\npartial");
    runEventLoopFor(5);
    c->reset();
    ASSERT_TRUE(waitUntil([&] { return !server.Client(0).InUse(); }));
    EXPECT_EQ(host.logsOf(5, 1).size(), 1u);
    const auto errors = host.logsOf(1);
    if (!errors.empty()) {
        // An RST seen while reading is 10054; one seen as a plain end of stream is a close.
        EXPECT_EQ(errors[0].Event.EventSubType, 10054);
        EXPECT_EQ(errors[0].Event.Text, QStringLiteral("The connection is reset by remote side"));
    }
}

TEST_F(HttpServer, RequestsDuringALongJobAreServedInTheirOrderAndNoneInsideAnother) {
    // Eight stations, each from an address of its own, each post one request while a ninth station's
    // request runs a long job that lets the loop run (as the cipher does in a big body). Each posts
    // once the one before it waits, so the order they came in is known.
    constexpr int kStations = 8;
    std::vector<std::unique_ptr<TcpTestClient>> stations;
    int depth = 0, deepest = 0, served = 0;
    host.onHead = [&](const RecordedRequest&, HeadReply&) { deepest = std::max(deepest, depth + 1); };
    host.onRequest = [&](const RecordedRequest& r, Reply& reply) {
        deepest = std::max(deepest, ++depth);
        if (r.URI == QStringLiteral("/long")) {
            for (int i = 0; i < kStations; ++i) {
                const QByteArray address = "127.0.0." + QByteArray::number(3 + i);
                stations.push_back(std::make_unique<TcpTestClient>(port, address.constData()));
                stations.back()->send(post("/station" + QByteArray::number(i), "s"));
                EXPECT_TRUE(waitUntil([&] { return server.WaitingForHost() == i + 1; }, 10000)) << i;
            }
            runEventLoopFor(20);
            EXPECT_EQ(host.requests.size(), 1u);
        }
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = QByteArray::number(++served) + r.URI.toLatin1();
        --depth;
    };
    TcpTestClient first(port, "127.0.0.2");
    first.send(post("/long", "L"));
    const auto longReply = first.nextResponse(20000);
    ASSERT_TRUE(longReply);
    EXPECT_TRUE(longReply->endsWith("1/long"));
    ASSERT_EQ(stations.size(), static_cast<std::size_t>(kStations));
    for (int i = 0; i < kStations; ++i) {
        const auto reply = stations[static_cast<std::size_t>(i)]->nextResponse(10000);
        ASSERT_TRUE(reply) << i;
        EXPECT_TRUE(reply->endsWith(QByteArray::number(i + 2) + "/station" + QByteArray::number(i)))
            << reply->constData();
    }
    EXPECT_EQ(deepest, 1); // no handler of the host entered inside another
    ASSERT_EQ(host.heads.size(), static_cast<std::size_t>(kStations + 1));
    for (int i = 0; i < kStations; ++i)
        EXPECT_EQ(host.headAddresses[static_cast<std::size_t>(i + 1)], QStringLiteral("127.0.0.%1").arg(3 + i));
    EXPECT_EQ(server.WaitingForHost(), 0);
    EXPECT_FALSE(server.InHost());
}

TEST_F(HttpServer, HostLettingTheLoopRunIsNotEnteredAgainAndRequestsWaitTheirTurn) {
    TcpTestClient first(port);
    std::unique_ptr<TcpTestClient> second;
    host.onRequest = [&](const RecordedRequest& r, Reply& reply) {
        if (r.URI == QStringLiteral("/slow")) {
            // While this request is out, the same client pipelines another and a second client asks:
            // neither enters the host meanwhile; the second waits in line.
            first.send(post("/after", "C"));
            second = client();
            second->send(post("/other", "B"));
            EXPECT_TRUE(waitUntil([&] { return server.WaitingForHost() == 1; }));
            runEventLoopFor(30);
            EXPECT_EQ(host.requests.size(), 1u);
            EXPECT_TRUE(server.InHost());
        }
        reply.Status = 200;
        reply.StatusText = QStringLiteral("OK");
        reply.Body = r.URI.toLatin1();
    };
    first.send(post("/slow", "A"));
    const auto r1 = first.nextResponse();
    const auto r2 = first.nextResponse();
    ASSERT_TRUE(r1 && r2) << first.received.constData() << " requests " << host.requests.size();
    EXPECT_TRUE(r1->endsWith("/slow"));
    EXPECT_TRUE(r2->endsWith("/after"));
    ASSERT_TRUE(second);
    const auto other = second->nextResponse();
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->endsWith("/other"));
    ASSERT_EQ(host.requests.size(), 3u);
    EXPECT_EQ(host.requests[0].URI, QStringLiteral("/slow"));
    EXPECT_EQ(host.requests[1].URI, QStringLiteral("/other"));
    EXPECT_EQ(host.requests[2].URI, QStringLiteral("/after"));
}

} // namespace
