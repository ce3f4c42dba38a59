// PeerMessage: the date text of the sender, the two body forms and the receiver's reading of them.
#include "app/peer_message.h"

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
