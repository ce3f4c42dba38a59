// Big messages against the real program on a loopback port: every shape that makes showing slow
// (one long paragraph, many paragraphs, many format runs, a long plain text, a picture; plain and
// enciphered) gets its reply and is stored whole, however little of it the viewer shows. How long
// each takes is measured by bench/big_message, not asserted here.
#include "app/app_settings.h"
#include "app/peer_message.h"
#include "platform/runtime/windows1252.h"
#include "platform/store/database.h"
#include "tests/support/program_process.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <functional>

namespace vellumo {
namespace {

QByteArray repeated(const QByteArray& unit, qsizetype bytes) {
    QByteArray out;
    out.reserve(bytes + unit.size());
    while (out.size() < bytes)
        out += unit;
    return out;
}

QString rtf(const QByteArray& body) {
    return cp1252::decode("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + body + "}");
}

QByteArray noisePng(int side) {
    QImage image(side, side, QImage::Format_RGB888);
    QRandomGenerator random(3);
    for (int y = 0; y < side; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < side * 3; ++x)
            line[x] = static_cast<uchar>(random.bounded(256));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return png;
}

const QByteArray kWords = "Bonjour le monde, voici un message ordinaire qui se r\xe9p\xe8te. ";

struct Shape {
    const char* name;
    bool crypt;
    std::function<std::pair<QString, QString>()> textAndRtf; // made when the case runs
};

const Shape kShapes[] = {
    {"one_paragraph_3MB", false,
     [] {
         return std::pair{QStringLiteral("p"), rtf(repeated(kWords, 3'000'000))};
     }},
    {"paragraphs_100k", false,
     [] {
         return std::pair{QStringLiteral("q"), rtf(repeated("x\\par ", 600'000))};
     }},
    {"bold_runs_200k", false,
     [] {
         return std::pair{QStringLiteral("b"), rtf(repeated("\\b x\\b0 y", 1'800'000))};
     }},
    {"unbreakable_word_1MB", false,
     [] {
         return std::pair{QStringLiteral("w"), rtf(repeated("x", 1'000'000))};
     }},
    {"plain_text_3MB", false,
     [] {
         return std::pair{cp1252::decode(repeated(kWords, 3'000'000)), rtf("Un petit texte riche.")};
     }},
    {"not_rtf_3MB", false,
     [] {
         return std::pair{QStringLiteral("n"), cp1252::decode(repeated(kWords, 3'000'000))};
     }},
    {"picture_1MB", false,
     [] {
         return std::pair{QStringLiteral("i"),
                          rtf("Une image : {\\pict\\pngblip " + noisePng(580).toHex() + "} et la suite.")};
     }},
    {"crypt_one_paragraph_2MB", true,
     [] {
         return std::pair{QStringLiteral("cp"), rtf(repeated(kWords, 2'000'000))};
     }},
    {"crypt_bold_runs_100k", true,
     [] {
         return std::pair{QStringLiteral("cb"), rtf(repeated("\\b x\\b0 y", 900'000))};
     }},
    {"crypt_plain_text_2MB", true,
     [] {
         return std::pair{cp1252::decode(repeated(kWords, 2'000'000)), rtf("petit")};
     }},
};

class BigMessages : public ::testing::TestWithParam<Shape> {
protected:
    static void SetUpTestSuite() {
        program = std::make_unique<test::ProgramProcess>(QStringLiteral(VELLUMO_PROGRAM_DIR));
        ASSERT_TRUE(program->start());
    }
    static void TearDownTestSuite() { program.reset(); }

    static std::unique_ptr<test::ProgramProcess> program;
};
std::unique_ptr<test::ProgramProcess> BigMessages::program;

TEST_P(BigMessages, AreAnsweredAndStoredWhole) {
    const Shape& shape = GetParam();
    ASSERT_TRUE(program && program->running());
    PeerMessage m;
    m.FROM = QString::fromLatin1(shape.name);
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("STATION;");
    std::tie(m.Text, m.RTF) = shape.textAndRtf();
    const QByteArray body = m.Body(shape.crypt).toUtf8();
    const QByteArray request = "POST /MESSAGE HTTP/1.1\r\nHost: 127.0.0.1\r\nVellumo: " +
                               cp1252::encode(KeyHeader::Value(AppSettings::DefaultKey())) +
                               "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;

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
    const QByteArray test = program->exchange("POST /TEST HTTP/1.1\r\nHost: 127.0.0.1\r\nVellumo: " +
                                                  cp1252::encode(KeyHeader::Value(AppSettings::DefaultKey())) +
                                                  "\r\nContent-Length: 0\r\n\r\n",
                                              120000);
    EXPECT_EQ(test::statusLine(test), "HTTP/1.1 200 TEST:OK");
}

INSTANTIATE_TEST_SUITE_P(Shapes, BigMessages, ::testing::ValuesIn(kShapes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
