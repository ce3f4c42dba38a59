// The peer protocol on the wire, against the real program started from a temporary copy of the
// program folder on a free loopback port: every reply case as raw bytes, then the rows the program
// stored in its database.
#include "app/core/app_settings.h"
#include "app/messaging/peer_message.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "platform/runtime/windows1252.h"
#include "platform/store/database.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"
#include "tests/support/program_suite.h"

#include <QHostInfo>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

using test::keyHeaderLine;
using test::postRequest;

QByteArray basicHeader(const QString& user, const QString& storedKey = AppSettings::DefaultKey()) {
    const QString password = EncryptWithFixedKey(DecryptWithFixedKey(storedKey));
    return "Authorization: Basic " + cp1252::encode(user + QLatin1Char(':') + password).toBase64() + "\r\n";
}

QByteArray messageBody(const QString& text, bool crypt = false, const QString& from = QStringLiteral("PC-A")) {
    PeerMessage m;
    m.FROM = from;
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("PC-B;PC-C;");
    m.Text = text;
    m.RTF = QStringLiteral("{\\rtf1 ") + text + QLatin1Char('}');
    return m.Body(crypt).toUtf8();
}

struct WireCase {
    const char* name;
    QByteArray request;
    QByteArray status; // the whole status line
    QByteArray bodyStart;
    const char* storedText; // the Text stored, or nullptr when nothing is stored
};

class PeerProtocolWire : public test::ProgramSuite<WireCase> {};

QByteArray ok() {
    return "HTTP/1.1 200 MESSAGE:OK:" + cp1252::encode(QHostInfo::localHostName());
}
const QByteArray k401 = cp1252::encode(QStringLiteral("HTTP/1.1 401 Utilisateur non autorisé !"));
const QByteArray k400 = cp1252::encode(QStringLiteral("HTTP/1.1 400 Requête incorrecte"));

std::vector<WireCase> wireCases() {
    const QString accented = QStringLiteral("Réunion à 14 h, n'oubliez pas l'ordre du jour : « budget » €");
    const QString foreign = QStringLiteral("会議は14時です — Встреча в 14:00");
    return {
        {"key_header", postRequest("/MESSAGE", keyHeaderLine(), messageBody("one")), ok(), "Initialisation OK", "one"},
        {"basic_any_user", postRequest("/MESSAGE", basicHeader("nobody"), messageBody("two")), ok(), "", "two"},
        {"lower_case_command", postRequest("/message", keyHeaderLine(), messageBody("three")), ok(), "", "three"},
        {"argument_ignored", postRequest("/MESSAGE?x=1", keyHeaderLine(), messageBody("four")), ok(), "", "four"},
        {"empty_text_and_rtf",
         postRequest("/MESSAGE", keyHeaderLine(),
                     QStringLiteral("A#Separator#d#Separator#B;#Separator##Separator#").toUtf8()),
         ok(), "", ""},
        {"crypt_body", postRequest("/MESSAGE", keyHeaderLine(), messageBody("secret", true)), ok(), "", "secret"},
        {"accented_plain", postRequest("/MESSAGE", keyHeaderLine(), messageBody(accented)), ok(), "",
         "Réunion à 14 h, n'oubliez pas l'ordre du jour : « budget » €"},
        {"non_latin_plain", postRequest("/MESSAGE", keyHeaderLine(), messageBody(foreign)), ok(), "",
         "会議は14時です — Встреча в 14:00"},
        {"no_key", postRequest("/MESSAGE", "", messageBody("refused")), k401, "Authentification requise", nullptr},
        {"wrong_key",
         postRequest("/MESSAGE", keyHeaderLine(EncryptWithFixedKey(QStringLiteral("other"))), messageBody("refused")),
         k401, "", nullptr},
        {"wrong_basic_beats_right_header",
         postRequest("/MESSAGE", basicHeader("u", EncryptWithFixedKey(QStringLiteral("x"))) + keyHeaderLine(),
                     messageBody("refused")),
         k401, "", nullptr},
        {"basic_without_colon",
         postRequest("/MESSAGE", "Authorization: Basic " + QByteArray("nocolon").toBase64() + "\r\n",
                     messageBody("refused")),
         k401, "", nullptr},
        {"header_without_colon", postRequest("/MESSAGE", "Vellumo\r\n", messageBody("refused")), k401, "", nullptr},
        {"stub_test", postRequest("/TEST", keyHeaderLine(), ""), "HTTP/1.1 200 TEST:OK", "", nullptr},
        {"unknown_command", postRequest("/FOO", keyHeaderLine(), ""), k400,
         QStringLiteral("\"FOO\" n'est pas une méthode supportée par l'API").toUtf8(), nullptr},
        {"argument_without_equals", postRequest("/MESSAGE?x", keyHeaderLine(), messageBody("refused")), k400,
         "Argument incorrect", nullptr},
        {"trailing_comma", postRequest("/MESSAGE?x=1,", keyHeaderLine(), messageBody("refused")), k400,
         "Argument incorrect", nullptr},
        {"bad_escape", postRequest("/MES%G1SAGE", keyHeaderLine(), messageBody("refused")), k400, "", nullptr},
        {"four_fields", postRequest("/MESSAGE", keyHeaderLine(), QByteArray("A#Separator#B#Separator#C#Separator#D")),
         "HTTP/1.1 500 MESSAGE:Erreur d'initialisation : ", "MESSAGE : Erreur d'initialisation 0 : ", nullptr},
        {"six_fields", postRequest("/MESSAGE", keyHeaderLine(), messageBody("a#Separator#b")),
         "HTTP/1.1 500 MESSAGE:Erreur d'initialisation : ", "", nullptr},
    };
}

TEST_P(PeerProtocolWire, AnswersAsThePeersExpect) {
    const WireCase& c = GetParam();
    const QByteArray response = program->exchange(c.request);
    EXPECT_EQ(test::statusLine(response), c.status) << response.constData();
    EXPECT_TRUE(test::responseBody(response).startsWith(c.bodyStart)) << response.constData();
    if (c.status == k401) {
        EXPECT_TRUE(response.contains("\r\nWWW-Authenticate: Basic realm=\"Vellumo\"\r\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, PeerProtocolWire, ::testing::ValuesIn(wireCases()),
                         [](const auto& info) { return std::string(info.param.name); });

class PeerProtocolStore : public ::testing::Test {};

TEST_F(PeerProtocolStore, StoresAcceptedMessagesOnlyAndKeepsThemWhenKilledRightAfterTheReply) {
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ASSERT_TRUE(program.start());
    std::vector<QString> expected;
    for (const WireCase& c : wireCases()) {
        const QByteArray response = program.exchange(c.request);
        ASSERT_EQ(test::statusLine(response), c.status) << c.name;
        if (c.storedText)
            expected.push_back(QString::fromUtf8(c.storedText));
    }
    // Killed at once after the last reply: nothing acknowledged may be lost.
    program.kill();

    Database db = Database::open(program.folder().file(QStringLiteral("Vellumo.dbo")));
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
    ASSERT_EQ(rs->recordCount(), static_cast<int>(expected.size()));
    rs->moveFirst();
    for (const QString& text : expected) {
        ASSERT_FALSE(rs->eof());
        EXPECT_EQ(rs->text(QStringLiteral("Text")), text);
        if (!text.isEmpty()) {
            EXPECT_EQ(rs->text(QStringLiteral("FROM")), QStringLiteral("PC-A"));
            EXPECT_EQ(rs->text(QStringLiteral("TO")), QStringLiteral("PC-B;PC-C;"));
            EXPECT_EQ(rs->text(QStringLiteral("OnDate")), QStringLiteral("10/12/2026 à 09:00:00"));
            EXPECT_EQ(rs->text(QStringLiteral("RTF")), QStringLiteral("{\\rtf1 ") + text + QLatin1Char('}'));
        }
        EXPECT_TRUE(rs->dateTime(QStringLiteral("ReceiptDate")).isValid());
        rs->moveNext();
    }
}

TEST_F(PeerProtocolStore, TwoInstallationsThatNeverSetAKeyAcceptEachOther) {
    // Neither settings file has a Key: both use the default ciphertext; the header is made afresh from it.
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ASSERT_TRUE(program.start());
    const QByteArray response = program.exchange(postRequest("/MESSAGE", keyHeaderLine(), messageBody("hello")));
    EXPECT_EQ(test::statusLine(response), ok());
}

} // namespace
} // namespace vellumo
