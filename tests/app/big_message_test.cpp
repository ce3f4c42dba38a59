// Big messages against the real program on a loopback port: every shape that makes showing slow
// (one long paragraph, many paragraphs, many format runs, a long plain text, a picture; plain and
// enciphered) gets its reply and is stored whole, however little of it the viewer shows. How long
// each takes is measured by bench/big_message, not asserted here.
#include "app/messaging/peer_message.h"
#include "platform/store/database.h"
#include "tests/support/big_documents.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_process.h"
#include "tests/support/program_suite.h"

#include <gtest/gtest.h>

#include <functional>

namespace vellumo {
namespace {

struct Shape {
    const char* name;
    bool crypt;
    std::function<test::MessageContent()> content; // made when the case runs
};

const Shape kShapes[] = {
    {"one_paragraph_3MB", false, [] { return test::oneParagraph(3'000'000); }},
    {"paragraphs_100k", false, [] { return test::paragraphs(100'000); }},
    {"bold_runs_200k", false, [] { return test::boldRuns(200'000); }},
    {"unbreakable_word_1MB", false, [] { return test::unbreakableWord(1'000'000); }},
    {"plain_text_3MB", false, [] { return test::plainText(3'000'000); }},
    {"not_rtf_3MB", false, [] { return test::notRtf(3'000'000); }},
    {"picture_1MB", false, [] { return test::picture(1'000'000); }},
    {"crypt_one_paragraph_2MB", true, [] { return test::oneParagraph(2'000'000); }},
    {"crypt_bold_runs_100k", true, [] { return test::boldRuns(100'000); }},
    {"crypt_plain_text_2MB", true, [] { return test::plainText(2'000'000); }},
};

class BigMessages : public test::ProgramSuite<Shape> {};

TEST_P(BigMessages, AreAnsweredAndStoredWhole) {
    const Shape& shape = GetParam();
    ASSERT_TRUE(program && program->running());
    PeerMessage m;
    m.FROM = QString::fromLatin1(shape.name);
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    const test::MessageContent content = shape.content();
    m.Text = content.text;
    m.RTF = content.rtf;
    const QByteArray body = m.Body(shape.crypt).toUtf8();
    const QByteArray request = test::authorisedPost("/MESSAGE", body);

    // Generous: the reply comes in well under a second on a workstation; a loaded machine is slower.
    const QByteArray response = program->exchange(request, 120000);
    ASSERT_TRUE(test::statusLine(response).startsWith("HTTP/1.1 200 MESSAGE:OK:"))
        << test::statusLine(response).constData();

    Database db = Database::open(program->folder().file(QStringLiteral("Vellumo.dbo")));
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
    ASSERT_GT(rs->recordCount(), 0);
    rs->moveLast();
    EXPECT_EQ(rs->text(QStringLiteral("FROM")), m.FROM);
    EXPECT_EQ(rs->text(QStringLiteral("TO")), m.TO);
    EXPECT_TRUE(rs->text(QStringLiteral("Text")) == m.Text)
        << "Text stored with " << rs->text(QStringLiteral("Text")).size() << " characters of " << m.Text.size();
    EXPECT_TRUE(rs->text(QStringLiteral("RTF")) == m.RTF)
        << "RTF stored with " << rs->text(QStringLiteral("RTF")).size() << " characters of " << m.RTF.size();
    // The program is still answering once it has shown the message.
    const QByteArray test = program->exchange(test::authorisedPost("/TEST"), 120000);
    EXPECT_EQ(test::statusLine(test), "HTTP/1.1 200 TEST:OK");
}

INSTANTIATE_TEST_SUITE_P(Shapes, BigMessages, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
