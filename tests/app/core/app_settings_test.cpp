#include "app/core/app_settings.h"

#include "tests/support/fake_registry.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

const QString kPortValue = QStringLiteral("SOFTWARE\\Vellumo\\Server|Port");

class AppSettingsFile : public ::testing::Test {
protected:
    void put(const QByteArray& bytes) {
        QFile f(settings.SettingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QTemporaryDir dir;
    AppSettings settings{dir.path()};
    test::FakeRegistry registry;
    test::ScriptedUiHooks hooks;
    ScopedUiHooks installed{hooks};
};

TEST_F(AppSettingsFile, LivesInTheProgramFolder) {
    EXPECT_EQ(settings.SettingsFile(), dir.path() + "/Vellumo.ini");
}

TEST_F(AppSettingsFile, EmptyFileStartsWithTheDefaults) {
    put("");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Port, 32666);
    EXPECT_EQ(settings.Key, AppSettings::DefaultKey());
    EXPECT_TRUE(settings.IsAlwaysOnTop);
    EXPECT_FALSE(settings.StartWithWindows);
    EXPECT_FALSE(settings.CryptAll);
    EXPECT_TRUE(settings.ShowBalloon);
    EXPECT_TRUE(settings.IconizeAfterSend);
    EXPECT_EQ(settings.CurrentLanguage, "English");
    EXPECT_EQ(registry.values.value(kPortValue), "32666");
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(AppSettingsFile, MissingFileAfterApplyTurnsBalloonsAndHidingOff) {
    settings.ReloadAfterApply(registry);
    EXPECT_EQ(settings.Port, 32666);
    EXPECT_EQ(settings.Key, AppSettings::DefaultKey());
    EXPECT_TRUE(settings.IsAlwaysOnTop);
    EXPECT_FALSE(settings.ShowBalloon);
    EXPECT_FALSE(settings.IconizeAfterSend);
    EXPECT_EQ(registry.values.value(kPortValue), "32666");
}

TEST_F(AppSettingsFile, LanguageIsReadOnlyWhenTheMenuListsOne) {
    put("[Vellumo]\r\nLanguage=Deutsch\r\n");
    settings.LoadAtStartUp(false, registry);
    EXPECT_EQ(settings.CurrentLanguage, "");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.CurrentLanguage, "Deutsch");
    put("[Vellumo]\r\nLanguage=Italiano\r\n");
    settings.ReloadAfterApply(registry);
    EXPECT_EQ(settings.CurrentLanguage, "Deutsch"); // not re-read
}

TEST_F(AppSettingsFile, ValuesOfTheFile) {
    put("[Server]\r\nPort=8080\r\nKey=00ab\r\n[Vellumo]\r\nIsAlwaysOnTop=0\r\nStartWithWindows=1\r\nCryptAll=1\r\n"
        "ShowBalloon=0\r\nIconizeAfterSend=0\r\n");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Port, 8080);
    EXPECT_EQ(settings.Key, "00ab"); // as stored, letter case included
    EXPECT_FALSE(settings.IsAlwaysOnTop);
    EXPECT_TRUE(settings.StartWithWindows);
    EXPECT_TRUE(settings.CryptAll);
    EXPECT_FALSE(settings.ShowBalloon);
    EXPECT_FALSE(settings.IconizeAfterSend);
    EXPECT_EQ(registry.values.value(kPortValue), "8080");
}

TEST_F(AppSettingsFile, EmptyKeyIsTheDefaultKey) {
    put("[Server]\r\nKey=\r\n");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Key, AppSettings::DefaultKey());
}

TEST_F(AppSettingsFile, LongKeyIsCutTo254Characters) {
    put("[Server]\r\nKey=" + QByteArray(300, 'A') + "\r\n");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Key, QString(254, u'A'));
}

TEST_F(AppSettingsFile, BadPortFallsBackAndIsReported) {
    put("[Server]\r\nPort=4294967297\r\n"); // would wrap to port 1
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Port, 32666);
    EXPECT_EQ(registry.values.value(kPortValue), "32666");
    ASSERT_EQ(hooks.events.size(), 1u);
    EXPECT_TRUE(hooks.events[0].text.contains("4294967297"));
}

TEST_F(AppSettingsFile, RefusedRegistryCopyIsReportedAndTheSettingsStay) {
    put("[Server]\r\nPort=8080\r\n[Vellumo]\r\nCryptAll=1\r\n");
    registry.createResult = 5;
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.Port, 8080);
    EXPECT_TRUE(settings.CryptAll);
    ASSERT_EQ(hooks.events.size(), 1u);
    EXPECT_EQ(hooks.events[0].type, EventLogType::Warning);
    EXPECT_TRUE(hooks.events[0].text.contains("Could not open/create registry section"));
}

struct FlagCase {
    const char* name;
    const char* line; // the IsAlwaysOnTop line, or "" for none
    bool on;
};

class AppSettingsFlags : public AppSettingsFile, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(AppSettingsFlags, OnlyZeroIsOff) {
    put(QByteArray("[Vellumo]\r\n") + GetParam().line + "\r\n");
    settings.LoadAtStartUp(true, registry);
    EXPECT_EQ(settings.IsAlwaysOnTop, GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AppSettingsFlags,
    ::testing::Values(FlagCase{"zero", "IsAlwaysOnTop=0", false},
                      FlagCase{"zero_with_blanks", "IsAlwaysOnTop = 0 ", false},
                      FlagCase{"quoted_zero", "IsAlwaysOnTop=\"0\"", false}, FlagCase{"one", "IsAlwaysOnTop=1", true},
                      FlagCase{"yes", "IsAlwaysOnTop=yes", true}, FlagCase{"false", "IsAlwaysOnTop=false", true},
                      FlagCase{"empty", "IsAlwaysOnTop=", true}, FlagCase{"double_zero", "IsAlwaysOnTop=00", true},
                      FlagCase{"missing", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct PortCase {
    const char* name;
    QString text;
    std::optional<std::int32_t> port;
};

class AppSettingsPorts : public ::testing::TestWithParam<PortCase> {};

TEST_P(AppSettingsPorts, DecimalFrom1To65535) {
    EXPECT_EQ(AppSettings::ParsePort(GetParam().text), GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(Table, AppSettingsPorts,
                         ::testing::Values(PortCase{"default", "32666", 32666}, PortCase{"lowest", "1", 1},
                                           PortCase{"highest", "65535", 65535}, PortCase{"leading_zeros", "0080", 80},
                                           PortCase{"zero", "0", std::nullopt},
                                           PortCase{"above_range", "65536", std::nullopt},
                                           PortCase{"wraps_in_32_bits", "4294967297", std::nullopt},
                                           PortCase{"negative", "-1", std::nullopt},
                                           PortCase{"plus", "+80", std::nullopt}, PortCase{"hex", "&H50", std::nullopt},
                                           PortCase{"exponent", "1e3", std::nullopt},
                                           PortCase{"inner_blank", "80 80", std::nullopt},
                                           PortCase{"word", "abc", std::nullopt}, PortCase{"empty", "", std::nullopt},
                                           PortCase{"arabic_digits", QStringLiteral("٨٠"), std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
