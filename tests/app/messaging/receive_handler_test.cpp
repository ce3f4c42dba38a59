// ReceiveHandler: the reply table of the peer protocol (authorisation forms, argument lists, commands,
// message bodies), what reaches the main window, and one request end to end through a real server.
#include "app/messaging/receive_handler.h"

#include "app/core/app_settings.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/goss_client.h"
#include "http_server/gossamer.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_registry.h"
#include "tests/support/http_framing.h"
#include "tests/support/peer_requests.h"
#include "tests/support/recording_message_sink.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace vellumo {
namespace {

const QString kAccessKey = QStringLiteral("clé partagée 42");
const QString kStation = QStringLiteral("PC-RECEPTION");

// The credential part of a Basic header: Base64 of user ":" password.
QString basic(const QString& user, const QString& password) {
    return QStringLiteral("Basic ") + QString::fromLatin1((user + u':' + password).toLatin1().toBase64());
}

enum class Auth {
    KeyHeader,            // Vellumo: fresh ciphertext of the right key
    Basic,                // Authorization: Basic user:<fresh ciphertext of the right key>
    BasicLowerCaseScheme, // "basic ..."
    BasicWrongUser,       // another user name, the right password
    BasicWrongKeyHeaderRight,
    BasicRightKeyHeaderWrong,
    Neither,
    KeyHeaderWrongKey,
    KeyHeaderNoColon, // a "Vellumo" line without a colon
    KeyHeaderEmpty,   // "Vellumo:" with nothing after it
    KeyHeaderNotHex,
    BasicNoColon,           // the decoded credential has no ":"
    BasicWithoutCredential, // "Basic" alone
    BasicEmptyCredential,   // "Basic " and nothing
    BasicNotBase64,         // a length that is not a multiple of 4
    AuthorizationNoColonKeyHeaderRight,
    OtherScheme, // "Bearer ..."
};

HeaderCollection headersFor(Auth auth) {
    HeaderCollection headers;
    const auto add = [&headers](const QString& name, std::optional<QString> value) {
        QStringList item{name};
        if (value)
            item << *value;
        headers.Add(item, name.toUpper());
    };
    const QString right = EncryptWithFixedKey(kAccessKey);
    const QString wrong = EncryptWithFixedKey(QStringLiteral("une autre clé"));
    add(QStringLiteral("Content-Length"), QStringLiteral("10"));
    switch (auth) {
    case Auth::KeyHeader:
        add(QStringLiteral("Vellumo"), right);
        break;
    case Auth::Basic:
        add(QStringLiteral("Authorization"), basic(QStringLiteral("Vellumo"), right));
        break;
    case Auth::BasicLowerCaseScheme:
        add(QStringLiteral("authorization"), QStringLiteral("basic ") + basic(QStringLiteral("x"), right).mid(6));
        break;
    case Auth::BasicWrongUser:
        add(QStringLiteral("Authorization"), basic(QStringLiteral("quelquun"), right));
        break;
    case Auth::BasicWrongKeyHeaderRight:
        add(QStringLiteral("Authorization"), basic(QStringLiteral("Vellumo"), wrong));
        add(QStringLiteral("Vellumo"), right);
        break;
    case Auth::BasicRightKeyHeaderWrong:
        add(QStringLiteral("Vellumo"), wrong);
        add(QStringLiteral("Authorization"), basic(QStringLiteral("Vellumo"), right));
        break;
    case Auth::Neither:
        break;
    case Auth::KeyHeaderWrongKey:
        add(QStringLiteral("Vellumo"), wrong);
        break;
    case Auth::KeyHeaderNoColon:
        add(QStringLiteral("Vellumo"), std::nullopt);
        break;
    case Auth::KeyHeaderEmpty:
        add(QStringLiteral("Vellumo"), QString(""));
        break;
    case Auth::KeyHeaderNotHex:
        add(QStringLiteral("Vellumo"), kAccessKey);
        break;
    case Auth::BasicNoColon:
        add(QStringLiteral("Authorization"),
            QStringLiteral("Basic ") + QString::fromLatin1(right.toLatin1().toBase64()));
        break;
    case Auth::BasicWithoutCredential:
        add(QStringLiteral("Authorization"), QStringLiteral("Basic"));
        break;
    case Auth::BasicEmptyCredential:
        add(QStringLiteral("Authorization"), QStringLiteral("Basic "));
        break;
    case Auth::BasicNotBase64:
        add(QStringLiteral("Authorization"), QStringLiteral("Basic QUJ"));
        break;
    case Auth::AuthorizationNoColonKeyHeaderRight:
        add(QStringLiteral("Authorization"), std::nullopt);
        add(QStringLiteral("Vellumo"), right);
        break;
    case Auth::OtherScheme:
        add(QStringLiteral("Authorization"), QStringLiteral("Bearer ") + right);
        break;
    }
    return headers;
}

const PeerMessage kMessage{QStringLiteral("PC-ENVOI"), QStringLiteral("10/12/2026 à 08:05:03"),
                           QStringLiteral("PC-RECEPTION;PC3;"), QStringLiteral("Bonjour, réunion à 10 h."),
                           QStringLiteral("{\\rtf1\\ansi Bonjour}")};
const PeerMessage kEmptyTexts{QStringLiteral("PC-ENVOI"), QStringLiteral("10/12/2026 à 08:05:03"),
                              QStringLiteral("PC-RECEPTION;"), QString(), QString()};
const PeerMessage kWorldText{QStringLiteral("PC-ÉTÉ"), QStringLiteral("10/12/2026 à 08:05:03"),
                             QStringLiteral("PC-RECEPTION;"),
                             QStringLiteral("Été 20 € — Привет, 日本語, עברית, 🙂 \u0081\u009D"),
                             QStringLiteral("{\\rtf1 \\u1055?}")};

enum class Body {
    Message,
    EmptyTexts,
    WorldText,
    Crypt,
    CryptEmptyTexts,
    CryptLowerCasePrefix,
    CryptGarbage,
    Four,
    Six,
    Empty,
    OnlyPrefix
};

QByteArray bodyFor(Body body) {
    const QString sep = PeerMessage::Separator();
    switch (body) {
    case Body::Message:
        return kMessage.PlainBody().toUtf8();
    case Body::EmptyTexts:
        return kEmptyTexts.PlainBody().toUtf8();
    case Body::WorldText:
        return kWorldText.PlainBody().toUtf8();
    case Body::Crypt:
        return kMessage.Body(true).toUtf8();
    case Body::CryptEmptyTexts:
        return kEmptyTexts.Body(true).toUtf8();
    case Body::CryptLowerCasePrefix:
        return (QStringLiteral("crypt-----") + EncryptWithFixedKey(kMessage.PlainBody())).toUtf8();
    case Body::CryptGarbage:
        return QByteArrayLiteral("CRYPT-----0123456789ABCDEF0123456789ABCDEF");
    case Body::Four:
        return QStringList{kMessage.FROM, kMessage.OnDate, kMessage.TO, kMessage.Text}.join(sep).toUtf8();
    case Body::Six:
        return (kMessage.PlainBody() + sep + QStringLiteral("en trop")).toUtf8();
    case Body::Empty:
        return QByteArray();
    case Body::OnlyPrefix:
        return QByteArrayLiteral("CRYPT-----");
    }
    return QByteArray();
}

const char* const kTextPlain = "text/plain; Charset=UTF-8";
const char* const kUnauthorisedBody = "Authentification requise\r\nIdentifiant et/ou Mot de passe incorrects\r\n"
                                      "Veuillez vérifier votre saisie";
const char* const kRealm = "WWW-Authenticate: Basic realm=\"Vellumo\"";
const char* const kBadArgument = "Argument incorrect, \"=\" manquant.";
const char* const kInitReason = "MESSAGE:Erreur d'initialisation : ";
const char* const kInitBody = "MESSAGE : Erreur d'initialisation 0 : ";

struct Case {
    const char* name;
    Auth auth;
    const char* uri;
    Body body;
    int status;
    const char* reason; // "%" stands for the receiver's station name
    const char* mime;
    const char* extraHeaders;
    const char* replyBody;
    const PeerMessage* stored; // what reaches the main window, or nothing
};

Case stored(const char* name, Auth auth, const char* uri, Body body, const PeerMessage* message) {
    return {name, auth, uri, body, 200, "MESSAGE:OK:%", kTextPlain, "", "Initialisation OK", message};
}
Case refused(const char* name, Auth auth, const char* uri = "/MESSAGE") {
    return {name,   auth, uri, Body::Message, 401, "Utilisateur non autorisé !", kTextPlain, kRealm, kUnauthorisedBody,
            nullptr};
}
Case badRequest(const char* name, const char* uri, const char* body) {
    return {name, Auth::KeyHeader, uri, Body::Message, 400, "Requête incorrecte", kTextPlain, "", body, nullptr};
}
Case initError(const char* name, Body body) {
    return {name, Auth::KeyHeader, "/MESSAGE", body, 500, kInitReason, kTextPlain, "", kInitBody, nullptr};
}

const Case kCases[] = {
    // Authorisation forms.
    stored("KeyHeader", Auth::KeyHeader, "/MESSAGE", Body::Message, &kMessage),
    stored("Basic", Auth::Basic, "/MESSAGE", Body::Message, &kMessage),
    stored("BasicSchemeInLowerCase", Auth::BasicLowerCaseScheme, "/MESSAGE", Body::Message, &kMessage),
    stored("BasicWrongUserRightPassword", Auth::BasicWrongUser, "/MESSAGE", Body::Message, &kMessage),
    stored("BasicRightAndKeyHeaderWrong", Auth::BasicRightKeyHeaderWrong, "/MESSAGE", Body::Message, &kMessage),
    refused("BasicWrongAndKeyHeaderRight", Auth::BasicWrongKeyHeaderRight),
    refused("Neither", Auth::Neither),
    refused("KeyHeaderWrongKey", Auth::KeyHeaderWrongKey),
    refused("KeyHeaderWithoutColon", Auth::KeyHeaderNoColon),
    refused("KeyHeaderEmpty", Auth::KeyHeaderEmpty),
    refused("KeyHeaderPlainKeyNotHex", Auth::KeyHeaderNotHex),
    refused("BasicCredentialWithoutColon", Auth::BasicNoColon),
    refused("BasicWithoutCredential", Auth::BasicWithoutCredential),
    refused("BasicEmptyCredential", Auth::BasicEmptyCredential),
    refused("BasicNotBase64", Auth::BasicNotBase64),
    refused("AuthorizationWithoutColonDecidesAlone", Auth::AuthorizationNoColonKeyHeaderRight),
    refused("OtherScheme", Auth::OtherScheme),
    // Authorisation comes before everything else.
    refused("BadKeyAndBadArgument", Auth::Neither, "/MESSAGE?x"),
    refused("BadKeyAndBadEscape", Auth::Neither, "/MESSAGE%zz"),
    refused("BadKeyAndStub", Auth::KeyHeaderWrongKey, "/TEST"),
    // Argument lists.
    stored("ArgumentIgnored", Auth::KeyHeader, "/MESSAGE?x=1", Body::Message, &kMessage),
    stored("ArgumentsRepeated", Auth::KeyHeader, "/MESSAGE?a=1,a=,b==2", Body::Message, &kMessage),
    stored("EmptyArgumentList", Auth::KeyHeader, "/MESSAGE?", Body::Message, &kMessage),
    badRequest("ArgumentWithoutEquals", "/MESSAGE?x", kBadArgument),
    badRequest("TrailingComma", "/MESSAGE?x=1,", kBadArgument),
    badRequest("EmptyItem", "/MESSAGE?,x=1", kBadArgument),
    badRequest("BadArgumentBeforeUnknownCommand", "/FOO?x", kBadArgument),
    // Commands.
    stored("LowerCaseCommand", Auth::KeyHeader, "/message", Body::Message, &kMessage),
    stored("EscapedCommand", Auth::KeyHeader, "/MES%53AGE?x%3D1", Body::Message, &kMessage),
    stored("PlusInArgument", Auth::KeyHeader, "/MESSAGE?a=b+c", Body::Message, &kMessage),
    {"Stub", Auth::KeyHeader, "/TEST", Body::Message, 200, "TEST:OK", "text/xml; Charset=UTF-8", "", "", nullptr},
    {"StubInLowerCaseWithArgument", Auth::KeyHeader, "/where?x=1", Body::Message, 200, "WHERE:OK",
     "text/xml; Charset=UTF-8", "", "", nullptr},
    badRequest("UnknownCommand", "/FOO", "\"FOO\" n'est pas une méthode supportée par l'API"),
    badRequest("UnknownCommandUpperCased", "/foo?x=1", "\"FOO\" n'est pas une méthode supportée par l'API"),
    badRequest("EmptyCommand", "/", "\"\" n'est pas une méthode supportée par l'API"),
    badRequest("CommandWithTrailingSlash", "/MESSAGE/", "\"MESSAGE/\" n'est pas une méthode supportée par l'API"),
    // A target that does not URL-decode is a bad request, not a failure of the server.
    badRequest("BadEscape", "/MESSAGE%zz", "Requête incorrecte"),
    badRequest("EscapeCutAtTheEnd", "/MESSAGE%", "Requête incorrecte"),
    badRequest("TwoPercentSigns", "/MESS%%41GE", "Requête incorrecte"),
    // Bodies.
    stored("EmptyTextAndRtf", Auth::KeyHeader, "/MESSAGE", Body::EmptyTexts, &kEmptyTexts),
    stored("AccentedAndNonLatinText", Auth::KeyHeader, "/MESSAGE", Body::WorldText, &kWorldText),
    stored("Crypt", Auth::KeyHeader, "/MESSAGE", Body::Crypt, &kMessage),
    stored("CryptEmptyTextAndRtf", Auth::Basic, "/MESSAGE", Body::CryptEmptyTexts, &kEmptyTexts),
    initError("CryptPrefixIsCaseSensitive", Body::CryptLowerCasePrefix),
    initError("CryptUnderAnotherKey", Body::CryptGarbage),
    initError("CryptPrefixAlone", Body::OnlyPrefix),
    initError("FourFields", Body::Four),
    initError("SixFields", Body::Six),
    {"EmptyBody", Auth::KeyHeader, "/MESSAGE", Body::Empty, 500,
     "Erreur interne au serveur : Invalid procedure call or argument", kTextPlain, "",
     "Erreur : Invalid procedure call or argument", nullptr},
};

class ReceiveHandlerTest : public ::testing::Test {
protected:
    ReceiveHandlerTest() : settings(folder.path()), handler(settings, sink) {
        settings.Key = EncryptWithFixedKey(kAccessKey);
        settings.LocalStationName = kStation;
    }

    using Response = test::HostReply;

    Response post(const QString& uri, HeaderCollection headers, QByteArray body) {
        return test::postToHost(handler, uri, std::move(headers), std::move(body));
    }

    test::ScriptedUiHooks hooks;
    ScopedUiHooks scopedHooks{hooks};
    QTemporaryDir folder;
    AppSettings settings;
    test::RecordingMessageSink sink;
    ReceiveHandler handler;
};

void expectSameMessage(const PeerMessage& actual, const PeerMessage& expected) {
    EXPECT_EQ(actual.FROM, expected.FROM);
    EXPECT_EQ(actual.OnDate, expected.OnDate);
    EXPECT_EQ(actual.TO, expected.TO);
    EXPECT_EQ(actual.Text, expected.Text);
    EXPECT_EQ(actual.RTF, expected.RTF);
}

class ReplyTable : public ReceiveHandlerTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ReplyTable, AnswersAndStoresAsTheProtocolSays) {
    const Case& c = GetParam();
    const QDateTime before = QDateTime::currentDateTime();
    const Response r = post(QString::fromUtf8(c.uri), headersFor(c.auth), bodyFor(c.body));
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.reason, QString::fromUtf8(c.reason).replace(u'%', kStation));
    EXPECT_EQ(r.mime, QString::fromUtf8(c.mime));
    EXPECT_EQ(r.extraHeaders, QString::fromUtf8(c.extraHeaders));
    EXPECT_EQ(r.body, QByteArray(c.replyBody));

    if (c.stored) {
        ASSERT_EQ(sink.stored.size(), 1u);
        expectSameMessage(sink.stored[0].message, *c.stored);
        EXPECT_GE(sink.stored[0].receiptDate, before);
        EXPECT_LE(sink.stored[0].receiptDate, after);
        EXPECT_EQ(sink.calls, (QStringList{QStringLiteral("StoreReceived"), QStringLiteral("ShowAfterReceipt")}));
    } else {
        EXPECT_TRUE(sink.stored.empty());
        EXPECT_TRUE(sink.calls.isEmpty());
    }
}

// The head alone settles authorisation: the same 401 reply for every request the table refuses,
// nothing for the others (their body is read and DynamicRequest answers).
TEST_P(ReplyTable, TheHeadIsRefusedExactlyWhenTheRequestIs) {
    const Case& c = GetParam();
    HeadReply reply;
    handler.HeadComplete(QStringLiteral("POST"), QString::fromUtf8(c.uri), headersFor(c.auth),
                         QStringLiteral("192.0.2.1"), reply, 0);
    if (c.status != 401) {
        EXPECT_EQ(reply.Status, 0);
        return;
    }
    EXPECT_EQ(reply.Status, 401);
    EXPECT_EQ(reply.StatusText, QString::fromUtf8(c.reason));
    EXPECT_EQ(reply.MIME, QString::fromUtf8(c.mime));
    EXPECT_EQ(reply.ExtraHeaders, QString::fromUtf8(c.extraHeaders));
    EXPECT_EQ(reply.Body, QByteArray(c.replyBody));
    EXPECT_EQ(reply.DelayMs, 0); // the first refusal of a burst is answered at once
    EXPECT_TRUE(sink.calls.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Requests, ReplyTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

struct AfterHeadCase {
    const char* name;
    Auth head;       // the credential of the head HeadComplete saw
    Auth request;    // the one DynamicRequest then gets on the same connection
    bool keyChanged; // the stored key was replaced between the two
    int headOnIndex; // the connection the head came on (the request comes on 0)
    int status;
};

class AfterHead : public ReceiveHandlerTest, public ::testing::WithParamInterface<AfterHeadCase> {};

// The key is checked on the head; the request that follows it on the same connection with the same
// credential is not checked again. Anything else (another credential, another connection, a key that
// changed meanwhile) is checked as if there had been no head.
TEST_P(AfterHead, TheRequestIsCheckedAgainOnlyWhenItIsNotTheOneWhoseHeadPassed) {
    const AfterHeadCase& c = GetParam();
    HeadReply reply;
    HeaderCollection headHeaders = headersFor(c.head);
    handler.HeadComplete(QStringLiteral("POST"), QStringLiteral("/MESSAGE"), headHeaders, QStringLiteral("192.0.2.1"),
                         reply, static_cast<std::int16_t>(c.headOnIndex));
    if (c.keyChanged)
        settings.Key = EncryptWithFixedKey(QStringLiteral("une autre clé"));
    HeaderCollection requestHeaders = c.request == c.head ? headHeaders : headersFor(c.request);
    const Response r = post(QStringLiteral("/MESSAGE"), std::move(requestHeaders), bodyFor(Body::Message));
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(sink.stored.size(), c.status == 200 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AfterHead,
    ::testing::Values(AfterHeadCase{"same_credential", Auth::KeyHeader, Auth::KeyHeader, false, 0, 200},
                      AfterHeadCase{"same_basic_credential", Auth::Basic, Auth::Basic, false, 0, 200},
                      AfterHeadCase{"other_credential", Auth::KeyHeader, Auth::KeyHeaderWrongKey, false, 0, 401},
                      AfterHeadCase{"key_changed_meanwhile", Auth::KeyHeader, Auth::KeyHeader, true, 0, 401},
                      AfterHeadCase{"head_on_another_connection", Auth::KeyHeader, Auth::Neither, false, 1, 401},
                      AfterHeadCase{"refused_head", Auth::KeyHeaderWrongKey, Auth::KeyHeaderWrongKey, false, 0, 401}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiveHandlerTest, EveryStubAnswersWithItsNameAndStoresNothing) {
    for (const QString& stub : ReceiveHandler::StubCommands()) {
        for (const QString& uri : {QStringLiteral("/") + stub, QStringLiteral("/") + stub.toLower() + u'?'}) {
            const Response r = post(uri, headersFor(Auth::KeyHeader), bodyFor(Body::Message));
            EXPECT_EQ(r.status, 200) << uri.toStdString();
            EXPECT_EQ(r.reason, stub + QStringLiteral(":OK"));
            EXPECT_EQ(r.mime, QStringLiteral("text/xml; Charset=UTF-8"));
            EXPECT_TRUE(r.body.isEmpty());
        }
    }
    EXPECT_EQ(ReceiveHandler::StubCommands().size(), 9);
    EXPECT_TRUE(sink.calls.isEmpty());
}

TEST_F(ReceiveHandlerTest, AFailingStoreAnswersTheInternalErrorAndShowsNothing) {
    sink.failStoreWith = QStringLiteral("La base est verrouillée");
    const Response r = post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), bodyFor(Body::Message));
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.reason, QStringLiteral("Erreur interne au serveur : La base est verrouillée"));
    EXPECT_EQ(r.mime, QString::fromUtf8(kTextPlain));
    EXPECT_TRUE(r.extraHeaders.isEmpty());
    EXPECT_EQ(r.body, QStringLiteral("Erreur : La base est verrouillée").toUtf8());
    EXPECT_EQ(sink.shown, 0);

    // The handler keeps nothing of a failed request: the next one is stored.
    sink.failStoreWith.clear();
    EXPECT_EQ(post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), bodyFor(Body::Message)).status, 200);
    EXPECT_EQ(sink.stored.size(), 1u);
}

// The description of a 500 reply as the peer reads it: no file or folder of the station.
struct PathCase {
    const char* name;
    const char* description; // the store's error
    const char* told;        // what the peer reads of it
};

class InternalErrorText : public ReceiveHandlerTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(InternalErrorText, NamesNoPathOfTheStation) {
    sink.failStoreWith = QString::fromUtf8(GetParam().description);
    const Response r = post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), bodyFor(Body::Message));
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.reason, QStringLiteral("Erreur interne au serveur : ") + QString::fromUtf8(GetParam().told));
    EXPECT_EQ(r.body, (QStringLiteral("Erreur : ") + QString::fromUtf8(GetParam().told)).toUtf8());
}

INSTANTIATE_TEST_SUITE_P(
    ReceiveHandlerTest, InternalErrorText,
    ::testing::Values(
        PathCase{"store_error",
                 "database is locked (InsertRow, database '/home/pat/.local/share/Vellumo/Vellumo.dbo').",
                 "database is locked (InsertRow, database)."},
        PathCase{"open_error", "Cannot open database '/srv/poste/Vellumo.dbo': unable to open database file.",
                 "Cannot open database: unable to open database file."},
        PathCase{"double_quoted", "disk I/O error (Update, file \"/tmp/v/Vellumo.dbo-journal\").",
                 "disk I/O error (Update, file)."},
        PathCase{"bare_path", "cannot write /var/lib/vellumo/Vellumo.dbo-journal", "cannot write"},
        PathCase{"drive_path", "cannot open C:\\Vellumo\\Vellumo.dbo now", "cannot open now"},
        PathCase{"no_path", "La base est verrouillée, 10/12/2026", "La base est verrouillée, 10/12/2026"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReceiveHandlerTest, FieldsOfAnyLengthReachTheStoreWhole) {
    PeerMessage big = kMessage;
    big.Text = QString(300000, u'é');
    big.RTF = QStringLiteral("{\\rtf1 ") + QString(500000, u'x') + u'}';
    big.TO = QString(2000, u'P') + u';';
    const Response r = post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), big.PlainBody().toUtf8());
    EXPECT_EQ(r.status, 200);
    ASSERT_EQ(sink.stored.size(), 1u);
    expectSameMessage(sink.stored[0].message, big);
}

TEST_F(ReceiveHandlerTest, ReadsTheSettingsAtEachRequest) {
    settings.LocalStationName = QStringLiteral("NOUVEAU:NOM");
    EXPECT_EQ(post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), bodyFor(Body::Message)).reason,
              QStringLiteral("MESSAGE:OK:NOUVEAU:NOM"));
    settings.Key = EncryptWithFixedKey(QStringLiteral("une autre clé"));
    EXPECT_EQ(post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeader), bodyFor(Body::Message)).status, 401);
    EXPECT_EQ(post(QStringLiteral("/MESSAGE"), headersFor(Auth::KeyHeaderWrongKey), bodyFor(Body::Message)).status,
              200);
}

TEST(ReceiveHandlerKeys, TwoInstallationsThatNeverSetAKeyAgree) {
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scopedHooks(hooks);
    QTemporaryDir first, second;
    test::FakeRegistry registry;
    AppSettings sender(first.path()), receiver(second.path());
    sender.LoadAtStartUp(false, registry);
    receiver.LoadAtStartUp(false, registry);
    ASSERT_EQ(receiver.Key, AppSettings::DefaultKey());

    test::RecordingMessageSink sink;
    ReceiveHandler handler(receiver, sink);
    HeaderCollection headers;
    const QString value = KeyHeader::Value(sender.Key);
    EXPECT_NE(value, sender.Key); // a fresh ciphertext, not the stored one
    headers.Add({QStringLiteral("Vellumo"), value}, QStringLiteral("VELLUMO"));
    EXPECT_TRUE(handler.IsAuthorised(headers));

    HeaderCollection other;
    other.Add({QStringLiteral("Vellumo"), KeyHeader::Value(EncryptWithFixedKey(QStringLiteral("secret")))},
              QStringLiteral("VELLUMO"));
    EXPECT_FALSE(handler.IsAuthorised(other));
}

// Through a real server on 127.0.0.1: the reply as the wire carries it, on one kept-alive connection.
class ReceiveHandlerOverHttp : public ReceiveHandlerTest {
protected:
    void SetUp() override {
        server.setHost(&handler);
        server.StartListening(0, QStringLiteral("127.0.0.1"));
        ASSERT_NE(server.LocalPort(), 0);
        socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.LocalPort()));
        ASSERT_TRUE(socket.waitForConnected(5000));
    }

    // Sends one request and reads one whole response (head and Content-Length body), on the kept-alive
    // connection, or on a new one when the last reply ended it.
    QByteArray roundTrip(const QByteArray& target, const QByteArray& head, const QByteArray& body) {
        if (socket.state() != QAbstractSocket::ConnectedState) {
            socket.abort();
            socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.LocalPort()));
            EXPECT_TRUE(socket.waitForConnected(5000));
        }
        socket.write(test::postRequest(target, head, body));
        QByteArray response;
        const bool complete = test::waitUntil(
            [&] {
                response += socket.readAll();
                return test::wholeHttpMessageLength(response) > 0;
            },
            5000);
        EXPECT_TRUE(complete);
        return response;
    }

    // True once the server has ended the connection.
    bool closedByServer() {
        return test::waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 5000);
    }

    Gossamer server;
    QTcpSocket socket;
};

TEST_F(ReceiveHandlerOverHttp, StoresRefusesAndKeepsServingAfterABadEscape) {
    const QByteArray key = "Vellumo: " + EncryptWithFixedKey(kAccessKey).toLatin1() + "\r\n";

    QByteArray r = roundTrip("/MESSAGE%zz", key, bodyFor(Body::Message));
    EXPECT_TRUE(r.startsWith(cp1252::encode(QStringLiteral("HTTP/1.1 400 Requête incorrecte\r\n")))) << r.data();
    EXPECT_TRUE(r.contains("\r\nContent-Type:text/plain; Charset=UTF-8\r\n"));
    EXPECT_TRUE(r.endsWith(QStringLiteral("\r\n\r\nRequête incorrecte").toUtf8()));
    EXPECT_TRUE(closedByServer()); // a refused request ends its connection

    r = roundTrip("/MESSAGE", QByteArray(), bodyFor(Body::Message));
    EXPECT_TRUE(r.startsWith(cp1252::encode(QStringLiteral("HTTP/1.1 401 Utilisateur non autorisé !\r\n"))));
    EXPECT_TRUE(r.contains("\r\nWWW-Authenticate: Basic realm=\"Vellumo\"\r\n"));
    EXPECT_TRUE(r.endsWith(QByteArray("\r\n\r\n") + kUnauthorisedBody));
    EXPECT_TRUE(closedByServer());

    r = roundTrip("/message?x=1", key, bodyFor(Body::WorldText));
    EXPECT_TRUE(r.startsWith("HTTP/1.1 200 MESSAGE:OK:PC-RECEPTION\r\n")) << r.data();
    EXPECT_TRUE(r.endsWith("\r\n\r\nInitialisation OK"));
    ASSERT_EQ(sink.stored.size(), 1u);
    expectSameMessage(sink.stored[0].message, kWorldText);

    r = roundTrip("/MESSAGE", key, bodyFor(Body::Crypt));
    EXPECT_TRUE(r.startsWith("HTTP/1.1 200 MESSAGE:OK:PC-RECEPTION\r\n"));
    ASSERT_EQ(sink.stored.size(), 2u);
    expectSameMessage(sink.stored[1].message, kMessage);
    EXPECT_EQ(socket.state(), QAbstractSocket::ConnectedState);
}

TEST_F(ReceiveHandlerOverHttp, AFloodOfRefusedAndMalformedRequestsLeavesItAnswering) {
    const QByteArray wrong = "Vellumo: " + EncryptWithFixedKey(QStringLiteral("une autre clé")).toLatin1() + "\r\n";
    const QByteArray right = "Vellumo: " + EncryptWithFixedKey(kAccessKey).toLatin1() + "\r\n";
    handler.throttle().setSchedule(1000000, 1, 1); // the flood itself, not its slowing down, is tried here
    for (int i = 0; i < 1000; ++i) {
        const bool unauthorised = i % 2 == 0;
        const QByteArray r =
            roundTrip(unauthorised ? "/MESSAGE" : "/MESSAGE%%?x", unauthorised ? wrong : right, bodyFor(Body::Message));
        ASSERT_TRUE(r.startsWith(unauthorised ? "HTTP/1.1 401 " : "HTTP/1.1 400 ")) << i;
        // The refusal ends the connection: the next request goes on a new one only once the client has
        // seen the end (written on the one ending, it would be lost).
        ASSERT_TRUE(closedByServer()) << i;
    }
    EXPECT_TRUE(sink.stored.empty());
    // Each refused connection was ended: none is left in use.
    EXPECT_TRUE(test::waitUntil([&] {
        for (int i = 0; i < server.PoolSize(); ++i) {
            if (server.Client(i).InUse())
                return false;
        }
        return true;
    }));
    const QByteArray r = roundTrip("/MESSAGE", right, bodyFor(Body::Message));
    EXPECT_TRUE(r.startsWith("HTTP/1.1 200 MESSAGE:OK:PC-RECEPTION\r\n"));
    EXPECT_EQ(sink.stored.size(), 1u);
}

TEST_F(ReceiveHandlerOverHttp, TheRightKeyFromTheSameAddressLeavesItsBackOffAsItIs) {
    // A guesser beside a station with the key (the same host, the same gateway): the station's
    // request does not give the guesser its free refusals back.
    handler.throttle().setSchedule(1, 60 * 60 * 1000, 60 * 60 * 1000);
    const QByteArray wrong = "Vellumo: " + EncryptWithFixedKey(QStringLiteral("devinette")).toLatin1() + "\r\n";
    const QByteArray right = "Vellumo: " + EncryptWithFixedKey(kAccessKey).toLatin1() + "\r\n";
    EXPECT_TRUE(roundTrip("/MESSAGE", wrong, bodyFor(Body::Message)).startsWith("HTTP/1.1 401 "));
    EXPECT_TRUE(closedByServer());
    EXPECT_TRUE(roundTrip("/MESSAGE", right, bodyFor(Body::Message)).startsWith("HTTP/1.1 200 "));

    QTcpSocket guess;
    guess.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.LocalPort()));
    ASSERT_TRUE(guess.waitForConnected(5000));
    guess.write("POST /MESSAGE HTTP/1.1\r\n" + wrong + "Content-Length: 2\r\n\r\nab");
    test::runEventLoopFor(300);
    EXPECT_EQ(guess.bytesAvailable(), 0); // held for its delay
    EXPECT_EQ(guess.state(), QAbstractSocket::ConnectedState);
    guess.abort();
}

TEST_F(ReceiveHandlerOverHttp, RepeatedWrongKeysAreAnsweredEverMoreSlowlyWithOneLogLinePerBurst) {
    // One refusal answered at once, then a wait far longer than the test: the second is held.
    handler.throttle().setSchedule(1, 60 * 60 * 1000, 60 * 60 * 1000);
    hooks.events.clear();
    const QByteArray wrong = "Vellumo: " + EncryptWithFixedKey(QStringLiteral("devinette")).toLatin1() + "\r\n";
    QByteArray r = roundTrip("/MESSAGE", wrong, bodyFor(Body::Message));
    EXPECT_TRUE(r.startsWith("HTTP/1.1 401 "));
    EXPECT_TRUE(closedByServer());

    QTcpSocket held;
    held.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.LocalPort()));
    ASSERT_TRUE(held.waitForConnected(5000));
    held.write("POST /MESSAGE HTTP/1.1\r\n" + wrong + "Content-Length: 2\r\n\r\nab");

    // Another station with the right key is served meanwhile.
    QTcpSocket other;
    ASSERT_TRUE(other.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    other.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.LocalPort()));
    ASSERT_TRUE(other.waitForConnected(5000));
    const QByteArray body = bodyFor(Body::Message);
    other.write("POST /MESSAGE HTTP/1.1\r\nVellumo: " + EncryptWithFixedKey(kAccessKey).toLatin1() +
                "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray answer;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            answer += other.readAll();
            return test::wholeHttpMessageLength(answer) > 0;
        },
        10000));
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 MESSAGE:OK:PC-RECEPTION\r\n"));
    EXPECT_EQ(held.bytesAvailable(), 0);
    EXPECT_EQ(held.state(), QAbstractSocket::ConnectedState);

    // One line for the burst, naming the address.
    ASSERT_EQ(hooks.events.size(), 1u);
    EXPECT_EQ(hooks.events[0].type, EventLogType::Warning);
    EXPECT_TRUE(hooks.events[0].text.contains(QStringLiteral("127.0.0.1")));
    held.abort();
}

} // namespace
} // namespace vellumo
