// frmToSend against a scripted peer on 127.0.0.1: the request as the wire carries it (plain and
// enciphered), every reply case with its status-line and balloon texts, the failures, the send slots
// after each outcome, and one delivery to a real receiver.
#include "app/messaging/frm_to_send.h"

#include "app/core/app_settings.h"
#include "app/core/mod_localisation.h"
#include "app/core/send_slots.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/receive_handler.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/gossamer.h"
#include "platform/net/name_resolver.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/fake_registry.h"
#include "tests/support/recording_message_sink.h"
#include "tests/support/recording_sender_reports.h"
#include "tests/support/scripted_ui_hooks.h"
#include "tests/support/test_http_peer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vellumo {
namespace {

using test::RecordingSenderReports;
using test::TestHttpPeer;

const QString kAccessKey = QStringLiteral("clé partagée 42");

// A port on 127.0.0.1 that refuses connections for as long as this object lives: a socket bound to it
// and never listening. Holding the bind (without address reuse) keeps every other test process off
// the port, so connections meant to be refused never reach someone else's listener.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    quint16 port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

// A receiving station of its own: its settings in a folder of its own, its real receive handler, and
// its server, on a loopback port once listen() has started it.
struct Receiver {
    Receiver() : settings(folder.path()), handler(settings, sink) {}
    // Starts the server; its port.
    std::int32_t listen() {
        server.setHost(&handler);
        server.StartListening(0, QStringLiteral("127.0.0.1"));
        return server.LocalPort();
    }

    QTemporaryDir folder;
    AppSettings settings;
    test::RecordingMessageSink sink;
    ReceiveHandler handler;
    Gossamer server;
};

class FrmToSendTest : public ::testing::Test {
protected:
    FrmToSendTest() : settings(folder.path()), localisation(folder.path()) {
        resolver.addHost(QStringLiteral("PC2"), {QStringLiteral("127.0.0.1")});
        settings.Key = EncryptWithFixedKey(kAccessKey);
        settings.LocalStationName = QStringLiteral("PC1");
        settings.ShowBalloon = true;
    }

    void SetUp() override {
        ASSERT_TRUE(peer.listen());
        settings.Port = peer.port();
    }

    // What the compose window does: take the lowest free slot, create the sender in it, fill it and
    // call Send.
    QPointer<frmToSend> start(const QString& to, int timeoutMs = frmToSend::DefaultTimeoutMs) {
        const int index = sendSlots.FindFreeSendSlot();
        EXPECT_GE(index, 0);
        auto* sender = new frmToSend(settings, localisation, sendSlots, reports);
        sendSlots.Take(index, sender);
        sender->Index = static_cast<std::int16_t>(index);
        sender->UserSendTo = to;
        sender->UserTo = QStringLiteral("PC2;PC3;");
        sender->UserFrom = QString();
        sender->UserTextMessage = QStringLiteral("Bonjour à tous, ж");
        sender->UserRTFMessage = QStringLiteral("{\\rtf1 Bonjour}");
        sender->TimeoutMs = timeoutMs;
        sender->Send();
        return sender;
    }

    // Waits until the sender has gone; it frees its slot before that. A sender that ended inside
    // Send, called here outside any event loop, is deleted by the explicit flush of deferred deletes
    // (in the program Send runs inside the event loop, which deletes it).
    static bool finished(const QPointer<frmToSend>& sender) {
        return test::waitUntil(
            [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                return sender.isNull();
            },
            5000);
    }

    bool allSlotsFree() const {
        for (int i = 0; i < SendSlots::Count; ++i) {
            if (sendSlots.Flag(i) != SendSlots::Free)
                return false;
        }
        return true;
    }

    // The body of the one request the peer got.
    static QByteArray bodyOf(const QByteArray& request) { return request.mid(request.indexOf("\r\n\r\n") + 4); }
    static QByteArray headOf(const QByteArray& request) { return request.left(request.indexOf("\r\n\r\n") + 2); }

    test::ScriptedUiHooks hooks;
    ScopedUiHooks scopedHooks{hooks};
    test::FakeNameResolver resolver;
    ScopedNameResolver scopedResolver{resolver};
    QTemporaryDir folder;
    AppSettings settings;
    modLocalisation localisation;
    SendSlots sendSlots;
    RecordingSenderReports reports;
    TestHttpPeer peer;
};

TEST_F(FrmToSendTest, PostsThePlainBodyWithTheOneKeyHeader) {
    peer.answer(200, QStringLiteral("MESSAGE:OK:PC2"));
    const QDateTime before = QDateTime::currentDateTime();
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"));
    const QDateTime after = QDateTime::currentDateTime();
    ASSERT_TRUE(finished(sender));
    ASSERT_EQ(peer.requests.size(), 1);

    const QByteArray head = headOf(peer.requests[0]);
    const QList<QByteArray> lines = head.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "POST /MESSAGE HTTP/1.1\r");
    QByteArray keyValue;
    for (const QByteArray& line : lines) {
        const QByteArray lower = line.toLower();
        EXPECT_FALSE(lower.startsWith("authorization")) << line.data();
        EXPECT_FALSE(lower.startsWith("content-type")) << line.data();
        if (line.startsWith("Vellumo: "))
            keyValue = line.mid(9).trimmed();
    }
    EXPECT_EQ(head.count("Vellumo:"), 1);
    // A fresh ciphertext of the stored key, not the stored text itself.
    ASSERT_FALSE(keyValue.isEmpty());
    EXPECT_NE(QString::fromLatin1(keyValue), settings.Key);
    EXPECT_EQ(DecryptWithFixedKey(QString::fromLatin1(keyValue)), kAccessKey);

    // The body: UTF-8 of the five fields, FROM the station's name because UserFrom was empty.
    const QString body = QString::fromUtf8(bodyOf(peer.requests[0]));
    const std::optional<PeerMessage> message = PeerMessage::FromText(body);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->FROM, QStringLiteral("PC1"));
    EXPECT_TRUE(message->OnDate == PeerMessage::DateText(before) || message->OnDate == PeerMessage::DateText(after))
        << message->OnDate.toStdString();
    EXPECT_EQ(message->TO, QStringLiteral("PC2;PC3;"));
    EXPECT_EQ(message->Text, QStringLiteral("Bonjour à tous, ж"));
    EXPECT_EQ(message->RTF, QStringLiteral("{\\rtf1 Bonjour}"));
    EXPECT_EQ(body, message->PlainBody());
}

TEST_F(FrmToSendTest, WithCryptAllPostsTheEncipheredBody) {
    settings.CryptAll = true;
    peer.answer(200, QStringLiteral("MESSAGE:OK:PC2"));
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"));
    ASSERT_TRUE(finished(sender));
    ASSERT_EQ(peer.requests.size(), 1);
    const QByteArray body = bodyOf(peer.requests[0]);
    ASSERT_TRUE(body.startsWith("CRYPT-----"));
    EXPECT_FALSE(body.contains("#Separator#"));
    for (const char c : body.mid(10))
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << c;
    const std::optional<PeerMessage> message = PeerMessage::FromText(QString::fromUtf8(body));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->FROM, QStringLiteral("PC1"));
    // The enciphered text passes through the ANSI code page: what it lacks arrives as "?".
    EXPECT_EQ(message->Text, QStringLiteral("Bonjour à tous, ?"));
}

struct ReplyCase {
    const char* name;
    QByteArray response; // the whole reply of the peer
    bool showBalloon;
    const char* statusLine;
    std::int16_t colour;
    bool statusBalloon;
    const char* balloonText; // nullptr: no balloon of its own
};

QByteArray reply(int status, const QString& reason) {
    return TestHttpPeer::response(status, cp1252::encode(reason));
}

const ReplyCase kReplies[] = {
    {"Delivered", reply(200, QStringLiteral("MESSAGE:OK:PC-DEUX")), true, "PC-DEUX à reçu le message", 0, true,
     nullptr},
    {"DeliveredWithoutBalloon", reply(200, QStringLiteral("MESSAGE:OK:PC-DEUX")), false, "PC-DEUX à reçu le message", 0,
     false, nullptr},
    {"DeliveredNameCutAtItsColon", reply(200, QStringLiteral("MESSAGE:OK:PC:DEUX")), true, "PC à reçu le message", 0,
     true, nullptr},
    {"DeliveredMarkerInsideTheReason", reply(200, QStringLiteral("xMESSAGE:OK:PC-DEUX")), true,
     "PC-DEUX à reçu le message", 0, true, nullptr},
    {"NotReceived", reply(200, QStringLiteral("TEST:OK")), true, "PC2 n'a pas reçu le message", 192, true, nullptr},
    {"NotReceivedMarkerInLowerCase", reply(200, QStringLiteral("message:ok:PC-DEUX")), false,
     "PC2 n'a pas reçu le message", 192, false, nullptr},
    {"InitialisationError", reply(500, QStringLiteral("MESSAGE:Erreur d'initialisation : ")), true,
     "PC2 ne semble pas connecté", 192, false, "500\r\nMESSAGE:Erreur d'initialisation : "},
    {"KeyRefused", reply(401, QStringLiteral("Utilisateur non autorisé !")), true,
     "PC2 a refusé le message : la clé d'accès n'est pas la même sur les deux postes", 192, false,
     "PC2 a refusé le message : la clé d'accès n'est pas la même sur les deux postes"}, // not the peer's reason
    {"RedirectNotFollowed", reply(302, QStringLiteral("Found")), true, "PC2 ne semble pas connecté", 192, false,
     "302\r\nFound"},
    {"BadRequest", reply(400, QStringLiteral("Requête incorrecte")), false, "PC2 ne semble pas connecté", 192, false,
     "400\r\nRequête incorrecte"},
};

class ReplyCases : public FrmToSendTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyCases, ReportsTheReplyAndFreesTheSlot) {
    const ReplyCase& c = GetParam();
    settings.ShowBalloon = c.showBalloon;
    peer.answerRaw(c.response);
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"));
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Busy);
    ASSERT_TRUE(finished(sender));
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Free);

    ASSERT_EQ(reports.statusLines.size(), 1u);
    EXPECT_EQ(reports.statusLines[0].text, QString::fromUtf8(c.statusLine));
    EXPECT_EQ(reports.statusLines[0].colour, c.colour);
    EXPECT_EQ(reports.statusLines[0].balloon, c.statusBalloon);
    if (c.balloonText) {
        ASSERT_EQ(reports.balloons.size(), 1u);
        EXPECT_EQ(reports.balloons[0].text, QString::fromUtf8(c.balloonText));
        EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Erreur"));
        EXPECT_EQ(reports.balloons[0].icon, 3);
    } else {
        EXPECT_TRUE(reports.balloons.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyCases, ::testing::ValuesIn(kReplies),
                         [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST_F(FrmToSendTest, AnUnresolvedNameCostsNoRequest) {
    const QPointer<frmToSend> sender = start(QStringLiteral("NULLEPART"));
    // Reported and freed inside Send.
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Free);
    ASSERT_EQ(reports.statusLines.size(), 1u);
    EXPECT_EQ(reports.statusLines[0].text, QStringLiteral("NULLEPART ne présente pas son adress IP !"));
    EXPECT_EQ(reports.statusLines[0].colour, 192);
    EXPECT_TRUE(reports.statusLines[0].balloon);
    EXPECT_TRUE(reports.balloons.empty());
    ASSERT_TRUE(finished(sender));
    EXPECT_EQ(peer.connections, 0);
}

TEST_F(FrmToSendTest, ARefusedConnectionIsANetworkError) {
    const RefusingPort refusing;
    settings.Port = refusing.port();
    ASSERT_NE(settings.Port, 0);
    settings.ShowBalloon = true;
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"));
    ASSERT_TRUE(finished(sender));
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Free);
    ASSERT_EQ(reports.balloons.size(), 1u);
    // In the interface language, with the station's name; not the socket's own English text.
    EXPECT_EQ(reports.balloons[0].text,
              QStringLiteral("Erreur : PC2 n'accepte pas la connexion : Vellumo n'y est peut-être pas démarré"));
    EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Erreur réseau"));
    EXPECT_EQ(reports.balloons[0].icon, 2);
    ASSERT_EQ(reports.statusLines.size(), 1u);
    EXPECT_EQ(reports.statusLines[0].text, QStringLiteral("PC2 ne semble pas connecté !"));
    EXPECT_EQ(reports.statusLines[0].colour, 192);
    EXPECT_FALSE(reports.statusLines[0].balloon);
}

TEST_F(FrmToSendTest, APeerThatNeverAnswersTimesOut) {
    peer.neverAnswer();
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"), 200);
    ASSERT_TRUE(finished(sender));
    EXPECT_EQ(peer.requests.size(), 1);
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Free);
    ASSERT_EQ(reports.balloons.size(), 1u);
    EXPECT_EQ(reports.balloons[0].text, QStringLiteral("Erreur : PC2 ne répond pas dans le délai"));
    EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Erreur réseau"));
    EXPECT_EQ(reports.balloons[0].icon, 2);
    ASSERT_EQ(reports.statusLines.size(), 1u);
    EXPECT_EQ(reports.statusLines[0].text, QStringLiteral("PC2 ne semble pas connecté !"));
}

TEST_F(FrmToSendTest, AReplyCutShortIsANetworkError) {
    peer.closeWithoutAnswer();
    const QPointer<frmToSend> sender = start(QStringLiteral("PC2"));
    ASSERT_TRUE(finished(sender));
    EXPECT_EQ(sendSlots.Flag(0), SendSlots::Free);
    ASSERT_EQ(reports.balloons.size(), 1u);
    EXPECT_EQ(reports.balloons[0].text, QStringLiteral("Erreur : PC2 a coupé la connexion avant de répondre"));
    EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Erreur réseau"));
}

TEST_F(FrmToSendTest, ThreeHundredFailuresInARowLeaveEverySlotFree) {
    resolver.addHost(QStringLiteral("FERME"), {QStringLiteral("127.0.0.1")});
    peer.answer(500, QStringLiteral("MESSAGE:Erreur d'initialisation : "));
    const quint16 livePort = peer.port();
    const RefusingPort refusing;
    const quint16 deadPort = refusing.port();
    ASSERT_NE(deadPort, 0);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(sendSlots.FindFreeSendSlot(), 0) << i;
        // In turn: a name that does not resolve, a refused connection, a refusing peer.
        settings.Port = i % 3 == 1 ? deadPort : livePort;
        const QPointer<frmToSend> sender = start(i % 3 == 0 ? QStringLiteral("INCONNU") : QStringLiteral("PC2"));
        ASSERT_TRUE(finished(sender)) << i;
    }
    EXPECT_TRUE(allSlotsFree());
    EXPECT_EQ(reports.statusLines.size(), 300u);
    EXPECT_EQ(peer.requests.size(), 100);
}

TEST_F(FrmToSendTest, TwoHundredFiftySixSendersHoldEverySlotUntilTheyEnd) {
    auto quiet = std::make_unique<TestHttpPeer>();
    ASSERT_TRUE(quiet->listen());
    quiet->neverAnswer();
    settings.Port = quiet->port();
    std::vector<QPointer<frmToSend>> senders;
    for (int i = 0; i < SendSlots::Count; ++i) {
        senders.push_back(start(QStringLiteral("PC2")));
        EXPECT_EQ(senders.back()->Index, i);
    }
    EXPECT_EQ(sendSlots.FindFreeSendSlot(), -1);
    ASSERT_TRUE(test::waitUntil([&] { return quiet->requests.size() == SendSlots::Count; }, 10000));
    EXPECT_EQ(sendSlots.FindFreeSendSlot(), -1);
    EXPECT_TRUE(reports.statusLines.empty());

    // The peer goes away: every sender ends with a network error and frees its slot.
    quiet.reset();
    ASSERT_TRUE(test::waitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            for (const auto& sender : senders) {
                if (!sender.isNull())
                    return false;
            }
            return true;
        },
        10000));
    EXPECT_TRUE(allSlotsFree());
    EXPECT_EQ(reports.statusLines.size(), 256u);
    EXPECT_EQ(reports.balloons.size(), 256u);
}

TEST_F(FrmToSendTest, TranslatesItsTextsByNumber) {
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Lng")));
    QFile file(folder.path() + QStringLiteral("/Lng/English.lng"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(cp1252::encode(QStringLiteral("[Strings]\r\nString31=Error\r\nString35=received the message\r\n"
                                             "String36=did not receive the message\r\nString37=does not seem "
                                             "connected\r\nString38=has no IP address!\r\nString40=refused the "
                                             "key\r\nString68=\"Error: \"\r\nString69=Network error\r\n"
                                             "String70=\" is not connected!\"\r\nString199=###END###\r\n")));
    file.close();
    localisation.LoadStrings(QStringLiteral("English"));

    peer.answer(200, QStringLiteral("MESSAGE:OK:PC-DEUX"));
    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    peer.answer(200, QStringLiteral("OK"));
    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    peer.answer(503, QStringLiteral("Occupé"));
    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    ASSERT_TRUE(finished(start(QStringLiteral("NULLEPART"))));
    peer.answer(401, QStringLiteral("Utilisateur non autorisé !"));
    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    const RefusingPort refusing;
    settings.Port = refusing.port();
    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));

    ASSERT_EQ(reports.statusLines.size(), 6u);
    EXPECT_EQ(reports.statusLines[0].text, QStringLiteral("PC-DEUX received the message"));
    EXPECT_EQ(reports.statusLines[1].text, QStringLiteral("PC2 did not receive the message"));
    EXPECT_EQ(reports.statusLines[2].text, QStringLiteral("PC2 does not seem connected"));
    EXPECT_EQ(reports.statusLines[3].text, QStringLiteral("NULLEPART has no IP address!"));
    EXPECT_EQ(reports.statusLines[4].text, QStringLiteral("PC2 refused the key"));
    // The network error's texts too.
    EXPECT_EQ(reports.statusLines[5].text, QStringLiteral("PC2 is not connected!"));
    ASSERT_EQ(reports.balloons.size(), 3u);
    EXPECT_EQ(reports.balloons[0].text, QStringLiteral("503\r\nOccupé"));
    EXPECT_EQ(reports.balloons[0].title, QStringLiteral("Error"));
    EXPECT_EQ(reports.balloons[1].title, QStringLiteral("Error"));
    EXPECT_EQ(reports.balloons[2].title, QStringLiteral("Network error"));
    EXPECT_TRUE(reports.balloons[2].text.startsWith(QStringLiteral("Error: ")))
        << reports.balloons[2].text.toStdString();
}

// Two stations that never set a key: one sends, the other's real server and receive handler store.
TEST_F(FrmToSendTest, DeliversToARealReceiverWithTheDefaultKeyOfTwoFreshInstallations) {
    test::FakeRegistry registry;
    settings.LoadAtStartUp(false, registry);
    settings.LocalStationName = QStringLiteral("PC1");
    Receiver receiver;
    receiver.settings.LoadAtStartUp(false, registry);
    receiver.settings.LocalStationName = QStringLiteral("PC2");
    settings.Port = receiver.listen();
    const auto& sink = receiver.sink;

    for (const bool cryptAll : {false, true}) {
        settings.CryptAll = cryptAll;
        ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    }
    ASSERT_EQ(sink.stored.size(), 2u);
    for (const auto& stored : sink.stored) {
        EXPECT_EQ(stored.message.FROM, QStringLiteral("PC1"));
        EXPECT_EQ(stored.message.TO, QStringLiteral("PC2;PC3;"));
        EXPECT_EQ(stored.message.RTF, QStringLiteral("{\\rtf1 Bonjour}"));
    }
    EXPECT_EQ(sink.stored[0].message.Text, QStringLiteral("Bonjour à tous, ж"));
    EXPECT_EQ(sink.stored[1].message.Text, QStringLiteral("Bonjour à tous, ?"));
    ASSERT_EQ(reports.statusLines.size(), 2u);
    EXPECT_EQ(reports.statusLines[0].text, QStringLiteral("PC2 à reçu le message"));
    EXPECT_EQ(reports.statusLines[1].text, QStringLiteral("PC2 à reçu le message"));
    EXPECT_TRUE(allSlotsFree());
}

// A real receiver whose access key differs answers 401: the sender says the station refused the key,
// not that it is away.
TEST_F(FrmToSendTest, AReceiverWithAnotherKeyIsReportedAsRefusingIt) {
    Receiver receiver;
    receiver.settings.Key = EncryptWithFixedKey(QStringLiteral("une autre clé"));
    receiver.settings.LocalStationName = QStringLiteral("PC2");
    settings.Port = receiver.listen();
    const auto& sink = receiver.sink;

    ASSERT_TRUE(finished(start(QStringLiteral("PC2"))));
    EXPECT_TRUE(sink.stored.empty());
    ASSERT_EQ(reports.statusLines.size(), 1u);
    EXPECT_EQ(reports.statusLines[0].text,
              QStringLiteral("PC2 a refusé le message : la clé d'accès n'est pas la même sur les deux postes"));
    EXPECT_EQ(reports.statusLines[0].colour, 192);
    ASSERT_EQ(reports.balloons.size(), 1u);
    EXPECT_EQ(reports.balloons[0].text, reports.statusLines[0].text); // not "401 / Utilisateur non autorisé !"
    EXPECT_TRUE(allSlotsFree());
}

} // namespace
} // namespace vellumo
