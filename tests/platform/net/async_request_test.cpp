// AsyncRequest against a scripted peer on 127.0.0.1: the request as the wire carries it, every status
// reported as one completion with its reason text, every transport failure as one error.
#include "platform/net/async_request.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"
#include "tests/support/test_http_peer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vellumo {
namespace {

using test::TestHttpPeer;

class AsyncRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(peer.listen());
        QObject::connect(&request, &AsyncRequest::OnResponseFinished, [this] { ++finished; });
        QObject::connect(&request, &AsyncRequest::OnError, [this](int number, const QString& description) {
            ++errors;
            errorNumber = number;
            errorDescription = description;
        });
    }

    void post(const QString& url, const QString& body = QStringLiteral("body"), int receiveMs = 10000) {
        request.Abort();
        request.SetTimeouts(10000, 10000, 10000, receiveMs);
        request.Open(QStringLiteral("POST"), url);
        request.SetRequestHeader(QStringLiteral("Vellumo"), QStringLiteral("0123ABCD"));
        request.Send(body);
        // Never from inside Send.
        EXPECT_EQ(finished + errors, 0);
    }

    // Waits for the outcome, then a little longer to show that no second one follows.
    void waitForOutcome() {
        ASSERT_TRUE(test::waitUntil([this] { return finished + errors > 0; }, 5000));
        test::runEventLoopFor(50);
        EXPECT_EQ(finished + errors, 1);
    }

    TestHttpPeer peer;
    AsyncRequest request;
    int finished = 0;
    int errors = 0;
    int errorNumber = 0;
    QString errorDescription;
};

TEST_F(AsyncRequestTest, PutsTheRequestOnTheWireWithTheOneHeaderAndTheBodyAsUtf8) {
    const QString body = QStringLiteral("PC2#Separator#10/12/2026 à 08:00:00#Separator#PC1;#Separator#"
                                        "Été 20 € ж 日本#Separator#{\\rtf1}");
    post(peer.url(), body);
    waitForOutcome();
    ASSERT_EQ(peer.requests.size(), 1);
    const QByteArray utf8 = body.toUtf8();
    const QByteArray expected = "POST /MESSAGE HTTP/1.1\r\n"
                                "Host: 127.0.0.1:" +
                                QByteArray::number(peer.port()) +
                                "\r\n"
                                "Vellumo: 0123ABCD\r\n"
                                "Content-Length: " +
                                QByteArray::number(utf8.size()) +
                                "\r\n"
                                "Connection: close\r\n"
                                "\r\n" +
                                utf8;
    EXPECT_EQ(peer.requests[0], expected);
    EXPECT_EQ(finished, 1);
}

TEST_F(AsyncRequestTest, CarriesAnEmptyBodyWithLengthZero) {
    post(peer.url(QStringLiteral("/TEST?x=1")), QString());
    waitForOutcome();
    ASSERT_EQ(peer.requests.size(), 1);
    EXPECT_TRUE(peer.requests[0].startsWith("POST /TEST?x=1 HTTP/1.1\r\n"));
    EXPECT_TRUE(peer.requests[0].endsWith("Content-Length: 0\r\nConnection: close\r\n\r\n"));
}

struct StatusCase {
    const char* name;
    QByteArray reply;
    bool keepOpen;
    int status;
    QString statusText;
    QByteArray body;
};
void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.name;
}

class AsyncRequestStatusTest : public AsyncRequestTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(AsyncRequestStatusTest, ReportsTheStatusAndItsReasonTextAsOneCompletion) {
    const StatusCase& c = GetParam();
    peer.answerRaw(c.reply);
    peer.closeAfterAnswer = !c.keepOpen;
    post(peer.url());
    waitForOutcome();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(errors, 0) << errorDescription.toStdString();
    EXPECT_EQ(request.Status(), c.status);
    EXPECT_EQ(request.StatusText(), c.statusText);
    EXPECT_EQ(request.ResponseBody(), c.body);
    // Neither a credential nor a redirect makes it try again.
    EXPECT_EQ(peer.connections, 1);
    EXPECT_EQ(peer.requests.size(), 1);
}

const StatusCase kStatusCases[] = {
    {"MessageOk", TestHttpPeer::response(200, "MESSAGE:OK:PC1", "Initialisation OK"), false, 200,
     QStringLiteral("MESSAGE:OK:PC1"), "Initialisation OK"},
    {"MessageOkOnAKeptConnection", TestHttpPeer::response(200, "MESSAGE:OK:PC1", "Initialisation OK"), true, 200,
     QStringLiteral("MESSAGE:OK:PC1"), "Initialisation OK"},
    {"StubCommand", TestHttpPeer::response(200, "TEST:OK"), true, 200, QStringLiteral("TEST:OK"), ""},
    {"Unauthorised",
     TestHttpPeer::response(401, cp1252::encode(u"Utilisateur non autorisé !"), "Authentification requise",
                            "WWW-Authenticate: Basic realm=\"Vellumo\"\r\n"),
     false, 401, QStringLiteral("Utilisateur non autorisé !"), "Authentification requise"},
    {"Forbidden", TestHttpPeer::response(403, cp1252::encode(u"Accès Interdit")), false, 403,
     QStringLiteral("Accès Interdit"), ""},
    {"BadRequest", TestHttpPeer::response(400, cp1252::encode(u"Requête incorrecte"), "Argument incorrect"), false, 400,
     QStringLiteral("Requête incorrecte"), "Argument incorrect"},
    {"ServerErrorWithAccents", TestHttpPeer::response(500, cp1252::encode(u"Erreur interne au serveur : élément")),
     false, 500, QStringLiteral("Erreur interne au serveur : élément"), ""},
    {"RedirectIsNotFollowed", TestHttpPeer::response(302, "Found", "", "Location: http://127.0.0.1:9/MESSAGE\r\n"),
     false, 302, QStringLiteral("Found"), ""},
    {"EveryByteOfTheCodePage", TestHttpPeer::response(200, "\x80\x81\x9D\xE9\xFF"), false, 200,
     QString::fromUtf16(u"\u20AC\u0081\u009D\u00E9\u00FF"), ""},
    {"ReasonKeepsItsBlanks", TestHttpPeer::response(200, " MESSAGE:OK:PC1  "), false, 200,
     QStringLiteral(" MESSAGE:OK:PC1  "), ""},
    {"NoReasonText", "HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n", true, 404, QString(), ""},
    {"ChunkedBody",
     "HTTP/1.1 200 MESSAGE:OK:PC2\r\nTransfer-Encoding: chunked\r\n\r\n4;x=y\r\nInit\r\nC\r\nialisation O\r\n1\r\nK\r\n"
     "0\r\nX-Trailer: 1\r\n\r\n",
     true, 200, QStringLiteral("MESSAGE:OK:PC2"), "Initialisation OK"},
    {"BodyUntilClose", "HTTP/1.0 200 MESSAGE:OK:PC3\r\n\r\nInitialisation OK", false, 200,
     QStringLiteral("MESSAGE:OK:PC3"), "Initialisation OK"},
    {"InterimContinueIsSkipped",
     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 MESSAGE:OK:PC4\r\nContent-Length: 2\r\n\r\nOK", true, 200,
     QStringLiteral("MESSAGE:OK:PC4"), "OK"},
    {"BareLineFeeds", "HTTP/1.1 200 MESSAGE:OK:PC5\nContent-Length: 2\n\nOK", true, 200,
     QStringLiteral("MESSAGE:OK:PC5"), "OK"},
};

INSTANTIATE_TEST_SUITE_P(Statuses, AsyncRequestStatusTest, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AsyncRequestTest, DoesNotFollowARedirectToAnotherPeer) {
    TestHttpPeer other;
    ASSERT_TRUE(other.listen());
    peer.answerRaw(
        TestHttpPeer::response(307, "Temporary Redirect", "", "Location: " + other.url().toLatin1() + "\r\n"));
    post(peer.url());
    waitForOutcome();
    EXPECT_EQ(request.Status(), 307);
    EXPECT_EQ(other.connections, 0);
}

// A port that refuses connections, held so that no other test takes it meanwhile.
quint16 closedPort() {
    return test::refusingLoopbackPort();
}

struct FailureCase {
    const char* name;
    std::function<QString(TestHttpPeer&)> arrange; // returns the URL to post to
    int number;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class AsyncRequestFailureTest : public AsyncRequestTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(AsyncRequestFailureTest, ReportsOneErrorWithADescription) {
    const FailureCase& c = GetParam();
    post(c.arrange(peer), QStringLiteral("body"), 300);
    waitForOutcome();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(errorNumber, c.number);
    EXPECT_FALSE(errorDescription.isEmpty());
}

const FailureCase kFailureCases[] = {
    {"RefusedConnection", [](TestHttpPeer&) { return QStringLiteral("http://127.0.0.1:%1/MESSAGE").arg(closedPort()); },
     AsyncRequest::CannotConnect},
    {"PeerNeverAnswers",
     [](TestHttpPeer& p) {
         p.neverAnswer();
         return p.url();
     },
     AsyncRequest::TimedOut},
    {"PeerStopsInTheMiddleOfTheHead",
     [](TestHttpPeer& p) {
         p.answerRaw("HTTP/1.1 200 MESSAGE:OK:PC1\r\nContent-");
         p.closeAfterAnswer = false;
         return p.url();
     },
     AsyncRequest::TimedOut},
    {"PeerClosesWithoutAnswer",
     [](TestHttpPeer& p) {
         p.closeWithoutAnswer();
         return p.url();
     },
     AsyncRequest::ConnectionAborted},
    {"MalformedStatusLine",
     [](TestHttpPeer& p) {
         p.answerRaw("HTTP/2 200 OK\r\n\r\n");
         return p.url();
     },
     AsyncRequest::InvalidServerResponse},
    {"TruncatedBody",
     [](TestHttpPeer& p) {
         p.answerRaw("HTTP/1.1 200 MESSAGE:OK:PC1\r\nContent-Length: 10\r\n\r\nabc");
         return p.url();
     },
     AsyncRequest::InvalidServerResponse},
    {"EndlessHead",
     [](TestHttpPeer& p) {
         p.answerRaw("HTTP/1.1 200 OK\r\nX: " + QByteArray(70000, 'a') + "\r\n\r\n");
         p.closeAfterAnswer = false;
         return p.url();
     },
     AsyncRequest::InvalidServerResponse},
    {"InvalidUrl", [](TestHttpPeer&) { return QStringLiteral("http://"); }, AsyncRequest::InvalidUrl},
    {"OtherScheme", [](TestHttpPeer&) { return QStringLiteral("ftp://127.0.0.1/MESSAGE"); },
     AsyncRequest::UnrecognizedScheme},
};

INSTANTIATE_TEST_SUITE_P(Failures, AsyncRequestFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A listener that never accepts: the kernel completes the connection and takes bytes into its buffers
// until they are full, and nobody ever reads them. Returns the descriptor and sets port.
int listenerThatNeverAccepts(int backlog, quint16& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(where.sin_port);
    return fd;
}

TEST_F(AsyncRequestTest, TimesOutAConnectThatNeverCompletes) {
    // A listener whose accept queue is full drops further connection attempts, so the next connect
    // hangs on loopback.
    quint16 port = 0;
    const int fd = listenerThatNeverAccepts(0, port);
    ASSERT_GE(fd, 0);
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 2; ++i) {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QHostAddress::LocalHost, port);
        fillers.back()->waitForConnected(200);
    }
    request.SetTimeouts(10000, 300, 10000, 10000);
    request.Open(QStringLiteral("POST"), QStringLiteral("http://127.0.0.1:%1/MESSAGE").arg(port));
    request.Send(QStringLiteral("body"));
    ASSERT_TRUE(test::waitUntil([this] { return finished + errors > 0; }, 5000));
    ::close(fd);
    if (errorNumber != AsyncRequest::TimedOut)
        GTEST_SKIP() << "this kernel completed the connect: " << errorDescription.toStdString();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(finished, 0);
}

TEST_F(AsyncRequestTest, TimesOutASendThatThePeerNeverReads) {
    quint16 port = 0;
    const int fd = listenerThatNeverAccepts(1, port);
    ASSERT_GE(fd, 0);
    request.SetTimeouts(10000, 10000, 300, 10000);
    request.Open(QStringLiteral("POST"), QStringLiteral("http://127.0.0.1:%1/MESSAGE").arg(port));
    // Far more than the kernel's buffers on both ends hold.
    request.Send(QString(32 * 1024 * 1024, u'x'));
    waitForOutcome();
    ::close(fd);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(errorNumber, AsyncRequest::TimedOut);
}

TEST_F(AsyncRequestTest, AbortRaisesNothing) {
    peer.neverAnswer();
    post(peer.url());
    ASSERT_TRUE(test::waitUntil([this] { return peer.requests.size() == 1; }));
    request.Abort();
    test::runEventLoopFor(100);
    EXPECT_EQ(finished + errors, 0);
}

TEST_F(AsyncRequestTest, ANewOpenCancelsTheRequestInFlightAndOnlyTheNewOneReports) {
    TestHttpPeer silent;
    ASSERT_TRUE(silent.listen());
    silent.neverAnswer();
    post(silent.url());
    // A failure already decided but not yet delivered is cancelled too.
    post(QStringLiteral("http://"));
    peer.answer(200, QStringLiteral("MESSAGE:OK:PC1"));
    post(peer.url());
    waitForOutcome();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(request.StatusText(), QStringLiteral("MESSAGE:OK:PC1"));
}

TEST_F(AsyncRequestTest, ItsHolderMayDeleteItFromEitherSignal) {
    for (bool succeed : {true, false}) {
        if (succeed)
            peer.answer(200, QStringLiteral("MESSAGE:OK:PC1"));
        else
            peer.closeWithoutAnswer();
        auto* owned = new AsyncRequest;
        QPointer<AsyncRequest> watch(owned);
        QObject::connect(owned, &AsyncRequest::OnResponseFinished, owned, [owned] { delete owned; });
        QObject::connect(owned, &AsyncRequest::OnError, owned, [owned] { delete owned; });
        owned->Open(QStringLiteral("POST"), peer.url());
        owned->Send(QStringLiteral("body"));
        EXPECT_TRUE(test::waitUntil([&] { return watch.isNull(); })) << succeed;
        test::runEventLoopFor(20);
    }
}

TEST_F(AsyncRequestTest, ManyRequestsAtOnceEachReportOnce) {
    peer.answer(200, QStringLiteral("MESSAGE:OK:PC1"));
    std::vector<std::unique_ptr<AsyncRequest>> requests;
    std::vector<int> outcomes(40, 0);
    for (int i = 0; i < 40; ++i) {
        requests.push_back(std::make_unique<AsyncRequest>());
        AsyncRequest* r = requests.back().get();
        QObject::connect(r, &AsyncRequest::OnResponseFinished, [&outcomes, i] { ++outcomes[i]; });
        QObject::connect(r, &AsyncRequest::OnError, [&outcomes, i] { outcomes[i] += 100; });
        r->Open(QStringLiteral("POST"),
                i % 4 == 3 ? QStringLiteral("http://127.0.0.1:%1/").arg(closedPort()) : peer.url());
        r->Send(QStringLiteral("message %1").arg(i));
    }
    ASSERT_TRUE(test::waitUntil([&] { return std::count(outcomes.begin(), outcomes.end(), 0) == 0; }, 10000));
    test::runEventLoopFor(50);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(outcomes[i], i % 4 == 3 ? 100 : 1) << i;
}

TEST(AsyncRequestArguments, RefusesHeadersThatCouldSmuggleAnotherLineAndCallsOutOfOrder) {
    AsyncRequest request;
    const auto isBadArgument = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return e.number() == err::BadArgument;
        }
        return false;
    };
    EXPECT_TRUE(isBadArgument([&] { request.SetRequestHeader(QStringLiteral("Vellumo"), QStringLiteral("x")); }));
    EXPECT_TRUE(isBadArgument([&] { request.Send(QStringLiteral("x")); }));
    EXPECT_TRUE(isBadArgument([&] { request.Open(QStringLiteral("PO ST"), QStringLiteral("http://127.0.0.1/")); }));
    EXPECT_TRUE(isBadArgument([&] { request.SetTimeouts(-2, 0, 0, 0); }));
    request.Open(QStringLiteral("POST"), QStringLiteral("http://127.0.0.1/"));
    EXPECT_TRUE(
        isBadArgument([&] { request.SetRequestHeader(QStringLiteral("Vellumo"), QStringLiteral("a\r\nX: y")); }));
    EXPECT_TRUE(isBadArgument([&] { request.SetRequestHeader(QStringLiteral("Vel lumo"), QStringLiteral("a")); }));
    EXPECT_TRUE(
        isBadArgument([&] { request.SetRequestHeader(QStringLiteral("content-length"), QStringLiteral("9")); }));
    EXPECT_FALSE(isBadArgument([&] { request.SetRequestHeader(QStringLiteral("Vellumo"), QStringLiteral("ABC")); }));
}

} // namespace
} // namespace vellumo
