// PeerMessage: the date text of the sender, the two body forms and the receiver's reading of them.
#include "app/messaging/peer_message.h"

#include "cipher/mod_crypt_carrowmere.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "tests/support/scripted_ui_hooks.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(PeerMessageDateText, TwoDigitsAndTheLocaleSeparators) {
    const QDateTime evening(QDate(2026, 3, 7), QTime(21, 4, 9));
    EXPECT_EQ(PeerMessage::DateText(evening, QLocale(QLocale::French, QLocale::France)),
              QStringLiteral("07/03/2026 à 21:04:09"));
    EXPECT_EQ(PeerMessage::DateText(evening, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("07.03.2026 à 21:04:09"));
    // A locale that writes no separator keeps "/" and ":".
    EXPECT_EQ(PeerMessage::DateText(QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0)), QLocale::c()),
              QStringLiteral("31/12/2026 à 00:00:00"));
}

TEST(PeerMessageBody, PlainAndEncipheredFormsReadBack) {
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    const PeerMessage m{QStringLiteral("PC1"), QStringLiteral("07/03/2026 à 21:04:09"), QStringLiteral("PC2;"),
                        QString(), QString()};
    EXPECT_EQ(m.PlainBody(),
              QStringLiteral("PC1#Separator#07/03/2026 à 21:04:09#Separator#PC2;#Separator##Separator#"));
    const QString crypt = m.Body(true);
    ASSERT_TRUE(crypt.startsWith(QStringLiteral("CRYPT-----")));
    EXPECT_EQ(DecryptWithFixedKey(crypt.mid(10)), m.PlainBody());

    for (const QString& body : {m.Body(false), crypt}) {
        const std::optional<PeerMessage> read = PeerMessage::Read(body.toUtf8());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->FROM, m.FROM);
        EXPECT_EQ(read->OnDate, m.OnDate);
        EXPECT_EQ(read->TO, m.TO);
        EXPECT_TRUE(read->Text.isEmpty());
        EXPECT_TRUE(read->RTF.isEmpty());
    }
}

TEST(PeerMessageBody, OnlyFivePiecesAreAMessage) {
    PeerMessage m{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                  QStringLiteral("E")};
    EXPECT_TRUE(PeerMessage::FromText(m.PlainBody()));
    m.Text = QStringLiteral("un #Separator# au milieu");
    EXPECT_FALSE(PeerMessage::FromText(m.PlainBody()));
    EXPECT_FALSE(PeerMessage::FromText(QStringLiteral("A#Separator#B#Separator#C#Separator#D")));
    EXPECT_FALSE(PeerMessage::FromText(QStringLiteral("A#separator#B#separator#C#separator#D#separator#E")));
    EXPECT_FALSE(PeerMessage::FromText(QString()));
    try {
        PeerMessage::Read(QByteArray());
        FAIL() << "an empty body is not a text";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::BadArgument);
    }
}

struct BodyCase {
    const char* name;
    PeerMessage message;
};

const BodyCase kBodies[] = {
    {"ascii", {"PC1", "07/03/2026 à 21:04:09", "PC2;", "Bonjour", "{\\rtf1 Bonjour}"}},
    {"empty_fields", {"", "", "", "", ""}},
    {"accented_and_euro",
     {"PC1", "07.03.2026 à 21:04:09", "PC2;PC3;", u"Réunion à 14 h — 5 €"_qs, "{\\rtf1 R\\'e9union}"}},
    {"beyond_the_code_page", {"PC1", "d", "PC2;", u"会議 Встреча \U0001F600 fin"_qs, u"\U0001F600\U0001F600"_qs}},
    {"lone_surrogates", {"PC1", "d", "PC2;", QString(QChar(0xD800)) + "x" + QChar(0xDC00), QString(QChar(0xDBFF))}},
    {"separator_halves", {"PC1", "d", "PC2;", "#Separa", "tor#"}},
};

class PeerMessageBodies : public ::testing::TestWithParam<BodyCase> {
protected:
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped{hooks};
};

// The sender measures a body without building it; the measure is the body's size on the wire.
TEST_P(PeerMessageBodies, BodySizeIsTheSizeOnTheWire) {
    const PeerMessage& m = GetParam().message;
    EXPECT_EQ(m.BodySize(false), m.Body(false).toUtf8().size());
    EXPECT_EQ(m.BodySize(true), m.Body(true).toUtf8().size());
}

// The receiver reads big bodies piece by piece as bytes; that reading is the reading of the text.
TEST_P(PeerMessageBodies, ReadingAsBytesIsReadingTheText) {
    const PeerMessage& m = GetParam().message;
    for (const bool crypt : {false, true}) {
        const QByteArray body = m.Body(crypt).toUtf8();
        const std::optional<PeerMessage> bytes = PeerMessage::Read(body);
        const std::optional<PeerMessage> text = PeerMessage::FromText(QString::fromUtf8(body));
        ASSERT_TRUE(bytes && text) << crypt;
        for (auto field :
             {&PeerMessage::FROM, &PeerMessage::OnDate, &PeerMessage::TO, &PeerMessage::Text, &PeerMessage::RTF})
            EXPECT_EQ((*bytes).*field, (*text).*field) << crypt;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PeerMessageBodies, ::testing::ValuesIn(kBodies),
                         [](const auto& info) { return std::string(info.param.name); });

struct RawBodyCase {
    const char* name;
    QByteArray body;
};

class PeerMessageRawBodies : public ::testing::TestWithParam<RawBodyCase> {
protected:
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped{hooks};
};

// Bodies no sender makes (broken UTF-8 next to a separator, a cipher text with foreign characters)
// read as their text does.
TEST_P(PeerMessageRawBodies, ReadAsTheirTextIsRead) {
    const QByteArray& body = GetParam().body;
    const std::optional<PeerMessage> read = PeerMessage::Read(body);
    const std::optional<PeerMessage> text = PeerMessage::FromText(QString::fromUtf8(body));
    ASSERT_EQ(read.has_value(), text.has_value());
    if (!read)
        return;
    EXPECT_EQ(read->FROM, text->FROM);
    EXPECT_EQ(read->OnDate, text->OnDate);
    EXPECT_EQ(read->TO, text->TO);
    EXPECT_EQ(read->Text, text->Text);
    EXPECT_EQ(read->RTF, text->RTF);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PeerMessageRawBodies,
    ::testing::Values(RawBodyCase{"cut_sequence_before_separator",
                                  "A\xC3#Separator#B#Separator#C#Separator#D\xE2\x82#Separator#E\xF0"},
                      RawBodyCase{"stray_continuation_bytes",
                                  "\x80#Separator#\xBF#Separator#C#Separator#D#Separator#\xFF"},
                      RawBodyCase{"four_pieces", "A#Separator#B#Separator#C#Separator#D"},
                      RawBodyCase{"six_pieces", "A#Separator#B#Separator#C#Separator#D#Separator#E#Separator#F"},
                      RawBodyCase{"crypt_with_foreign_digits", "CRYPT-----0011\xC3\xA9"
                                                               "2233"},
                      RawBodyCase{"crypt_nothing", "CRYPT-----"},
                      RawBodyCase{"crypt_garbage", "CRYPT-----ZZ00ZZ00ZZ00ZZ00ZZ00ZZ00ZZ00ZZ00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyHeaderValue, FreshEachTimeAndComparedDeciphered) {
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    const QString stored = EncryptWithFixedKey(QStringLiteral("clé"));
    const QString first = KeyHeader::Value(stored);
    const QString second = KeyHeader::Value(stored);
    EXPECT_NE(first, second);
    EXPECT_NE(first, stored);
    EXPECT_TRUE(KeyHeader::Matches(first, stored));
    EXPECT_TRUE(KeyHeader::Matches(second, stored));
    EXPECT_FALSE(KeyHeader::Matches(EncryptWithFixedKey(QStringLiteral("cle")), stored));
    EXPECT_EQ(KeyHeader::Name(), QStringLiteral("Vellumo"));
}

} // namespace
} // namespace vellumo
