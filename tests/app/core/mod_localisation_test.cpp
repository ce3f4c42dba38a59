#include "app/core/mod_localisation.h"
#include "tests/support/language_folder.h"

#include "platform/runtime/windows1252.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

using test::Localisation;

TEST_F(Localisation, LanguageFileIsInLngBelowTheProgramFolder) {
    EXPECT_EQ(loc.LanguageFile("English"), dir.path() + "/Lng/English.lng");
}

TEST_F(Localisation, EndMarkerEndsTheTable) {
    language("[Strings]\r\nString1=one\r\nString2=two\r\nString3=three\r\nString4=###END###\r\nString5=five\r\n");
    loc.LoadStrings("Test");
    ASSERT_TRUE(loc.LanguageStrings().has_value());
    EXPECT_EQ(loc.LanguageStrings()->size(), 5u); // ids 1 to 3 stored: indices 0 to 4
    EXPECT_EQ(loc.GetString(1, "d"), "one");
    EXPECT_EQ(loc.GetString(3, "d"), "three");
    EXPECT_EQ(loc.GetString(4, "d4"), "d4");
    EXPECT_EQ(loc.GetString(5, "d5"), "d5");
    EXPECT_EQ(loc.GetString(0, "d0"), "d0");
    EXPECT_EQ(loc.GetString(-1, "neg"), "neg");
}

TEST_F(Localisation, MissingKeyFallsBackToItsDefault) {
    language("[Strings]\r\nString1=one\r\nString3=three\r\nString4=###END###\r\n");
    loc.LoadStrings("Test");
    EXPECT_EQ(loc.GetString(1, "d"), "one");
    EXPECT_EQ(loc.GetString(2, "d2"), "d2");
    EXPECT_EQ(loc.GetString(3, "d"), "three");
}

TEST_F(Localisation, LowerCaseEndMarkerIsText) {
    language("[Strings]\r\nString1=###end###\r\nString2=two\r\nString3=###END###\r\n");
    loc.LoadStrings("Test");
    EXPECT_EQ(loc.GetString(1, "d"), "###end###");
    EXPECT_EQ(loc.GetString(2, "d"), "two");
}

TEST_F(Localisation, MissingFileLoadsEmptyEntriesAndKeepsDefaults) {
    loc.LoadStrings("Nowhere");
    ASSERT_TRUE(loc.LanguageStrings().has_value());
    EXPECT_EQ(loc.LanguageStrings()->size(), static_cast<std::size_t>(modLocalisation::MaxStringId) + 2);
    EXPECT_EQ(loc.GetString(1, "En attente de message..."), "En attente de message...");
    EXPECT_EQ(loc.GetString(32001, "x"), "x");
}

TEST_F(Localisation, NoLanguageGivesTheDefaults) {
    EXPECT_FALSE(loc.LanguageStrings().has_value());
    EXPECT_EQ(loc.GetString(14, QStringLiteral("Quitter ? |Vous ne pourrez plus recevoir de message.")),
              QStringLiteral("Quitter ? \r\nVous ne pourrez plus recevoir de message."));
}

TEST_F(Localisation, AccentsOfTheFileArrive) {
    language(QStringLiteral("[Strings]\r\nString1=Déjà reçu €\r\nString2=###END###\r\n"));
    loc.LoadStrings("Test");
    EXPECT_EQ(loc.GetString(1, "d"), QStringLiteral("Déjà reçu €"));
}

// What the language menu lists, and what start-up reads the language for: every "*.lng" of Lng/ (the
// pattern without regard to case), ".lng" removed in its exact case, the reference file left out.
TEST_F(Localisation, LanguagesAreTheFilesOfLngButTheReferenceFile) {
    for (const char* name : {"English", "APPLICATION", "Deutsch"})
        language("[Strings]\r\nString1=###END###\r\n", name);
    QFile capitals(dir.filePath("Lng/Italiano.LNG"));
    ASSERT_TRUE(capitals.open(QIODevice::WriteOnly));
    capitals.close();
    QStringList languages = loc.Languages();
    languages.sort();
    EXPECT_EQ(languages, (QStringList{"Deutsch", "English", "Italiano.LNG"}));
    EXPECT_TRUE(modLocalisation(dir.filePath("nowhere")).Languages().isEmpty());
}

TEST(ControlIndex, DecimalTextOrEmpty) {
    QPushButton grouped, single;
    modLocalisation::SetControlIndex(&grouped, 12);
    EXPECT_EQ(modLocalisation::GetControlIndex(&grouped), "12");
    EXPECT_EQ(modLocalisation::GetControlIndex(&single), "");
    EXPECT_EQ(modLocalisation::GetControlIndex(nullptr), "");
}

} // namespace
