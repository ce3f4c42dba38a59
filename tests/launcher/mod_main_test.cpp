// The launcher's start-up in process: a fake shell start and a temporary program folder.
#include "launcher/mod_main.h"

#include "launcher/frm_start.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/user_folders.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_shell_start.h"
#include "tests/support/program_folder.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace vellumo {
namespace {

struct ArgumentCase {
    const char* name;
    QStringList arguments;
    bool restart;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) {
    *os << c.name;
}

class LauncherArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(LauncherArguments, OnlyASingleSlashTIsARestart) {
    EXPECT_EQ(ModMain::IsRestart(ModMain::ArgumentText(GetParam().arguments)), GetParam().restart);
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, LauncherArguments,
    ::testing::Values(ArgumentCase{"SlashT", {QStringLiteral("/t")}, true},
                      ArgumentCase{"UpperCaseWithBlanks", {QStringLiteral("  /T  ")}, true},
                      ArgumentCase{"FollowedByAWord", {QStringLiteral("/t"), QStringLiteral("now")}, false},
                      ArgumentCase{"FollowedByAWordInOneArgument", {QStringLiteral("/t now")}, false},
                      ArgumentCase{"None", {}, false}, ArgumentCase{"OtherSwitch", {QStringLiteral("/x")}, false},
                      ArgumentCase{"SlashAlone", {QStringLiteral("/")}, false},
                      // Only blanks are trimmed, not tabs or line breaks.
                      ArgumentCase{"TabBefore", {QStringLiteral("\t/t")}, false},
                      ArgumentCase{"TabAfter", {QStringLiteral("/t\t")}, false},
                      ArgumentCase{"LineBreakAfter", {QStringLiteral("/T\r\n")}, false},
                      ArgumentCase{"BlanksAroundATab", {QStringLiteral(" \t/t ")}, false}),
    [](const auto& info) { return std::string(info.param.name); });

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)), uiScope(ui) {}

    // Runs Main as the launcher does; true when it keeps running.
    bool run(const QString& argumentText) {
        form.emplace(folder.path(), shell, [this] { ++ended; });
        return ModMain::Main(*form, argumentText);
    }
    void writeIni(const QByteArray& text) {
        QFile f(folder.file(QStringLiteral("Vellumo.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    // The one start the launcher makes: the folder's main program, normal window, folder as working folder.
    void expectStartedOnce() {
        ASSERT_EQ(shell.opened.size(), 1u);
        const QString slashed = OperationsFichiers::PathWithSlash(folder.path());
        EXPECT_EQ(shell.opened[0].file, slashed + QStringLiteral("vellumo"));
        EXPECT_EQ(shell.opened[0].parameters, QString());
        EXPECT_EQ(shell.opened[0].directory, slashed);
        EXPECT_EQ(shell.opened[0].showCommand, 1);
    }

    test::ProgramFolder folder;
    test::ScriptedUiHooks ui;
    ScopedUiHooks uiScope;
    test::FakeShellStart shell;
    std::optional<frmStart> form;
    int ended = 0;
};

struct SettingCase {
    const char* name;
    std::optional<QByteArray> ini; // nothing: no settings file at all
    bool starts;
};

void PrintTo(const SettingCase& c, std::ostream* os) {
    *os << c.name;
}

class LauncherWithoutArgument : public LauncherTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(LauncherWithoutArgument, StartsOnlyWhenStartWithWindowsIsNotZeroAndEndsAtOnce) {
    if (GetParam().ini)
        writeIni(*GetParam().ini);
    EXPECT_FALSE(run(QString()));
    if (GetParam().starts)
        expectStartedOnce();
    else
        EXPECT_TRUE(shell.opened.empty());
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_TRUE(ui.boxes.empty());
    // The settings file is only read.
    if (!GetParam().ini) {
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Vellumo.ini"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, LauncherWithoutArgument,
    ::testing::Values(SettingCase{"On", QByteArray("[Vellumo]\r\nStartWithWindows=1\r\n"), true},
                      SettingCase{"Off", QByteArray("[Vellumo]\r\nStartWithWindows=0\r\n"), false},
                      SettingCase{"KeyMissing", QByteArray("[Vellumo]\r\nCryptAll=1\r\n"), false},
                      SettingCase{"OtherSection", QByteArray("[Server]\r\nStartWithWindows=1\r\n"), false},
                      SettingCase{"NoFile", std::nullopt, false},
                      SettingCase{"EmptyValue", QByteArray("[Vellumo]\r\nStartWithWindows=\r\n"), true},
                      SettingCase{"DoubleZero", QByteArray("[Vellumo]\r\nStartWithWindows=00\r\n"), true},
                      SettingCase{"SectionAndKeyInOtherCase", QByteArray("[VELLUMO]\r\nstartwithwindows=1\r\n"), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LauncherTest, RestartWaitsForTheTimerThenStartsWhateverTheSettingsSayAndEnds) {
    writeIni("[Vellumo]\r\nStartWithWindows=0\r\n");
    ASSERT_TRUE(run(QStringLiteral(" /T ")));
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.interval(), 2000);
    EXPECT_TRUE(shell.opened.empty()); // not before the timer
    EXPECT_EQ(ended, 0);

    ASSERT_TRUE(test::waitUntil([&] { return ended > 0; }, 20000));
    expectStartedOnce();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(form->Timer1.isActive());
}

TEST_F(LauncherTest, AMainProgramThatCannotStartIsSilentAndTheLauncherStillEnds) {
    shell.result = shellresult::FileNotFound;
    ASSERT_TRUE(run(QStringLiteral("/t")));
    ASSERT_TRUE(test::waitUntil([&] { return ended > 0; }, 20000));
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());

    shell.opened.clear();
    writeIni("[Vellumo]\r\nStartWithWindows=1\r\n");
    EXPECT_FALSE(run(QString()));
    EXPECT_EQ(shell.opened.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());
}

// An installed launcher (the program folder carries the install marker) reads the user's own settings
// file, as the installed program writes it, and still starts the program of its own folder.
struct InstalledCase {
    const char* name;
    std::optional<QByteArray> userIni;
    QByteArray folderIni;
    bool starts;
};

void PrintTo(const InstalledCase& c, std::ostream* os) {
    *os << c.name;
}

class InstalledLauncher : public LauncherTest, public ::testing::WithParamInterface<InstalledCase> {};

TEST_P(InstalledLauncher, ReadsStartWithWindowsFromTheUsersSettings) {
    QTemporaryDir configHome;
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QFile marker(folder.file(UserFolders::markerFileName()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    writeIni(GetParam().folderIni);
    if (GetParam().userIni) {
        ASSERT_TRUE(QDir().mkpath(configHome.filePath(QStringLiteral("vellumo"))));
        QFile f(configHome.filePath(QStringLiteral("vellumo/Vellumo.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(*GetParam().userIni);
    }
    EXPECT_FALSE(run(QString()));
    if (GetParam().starts)
        expectStartedOnce();
    else
        EXPECT_TRUE(shell.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, InstalledLauncher,
    ::testing::Values(InstalledCase{"UserOnFolderOff", QByteArray("[Vellumo]\r\nStartWithWindows=1\r\n"),
                                    QByteArray("[Vellumo]\r\nStartWithWindows=0\r\n"), true},
                      InstalledCase{"UserOffFolderOn", QByteArray("[Vellumo]\r\nStartWithWindows=0\r\n"),
                                    QByteArray("[Vellumo]\r\nStartWithWindows=1\r\n"), false},
                      InstalledCase{"NoUserFileFolderOn", std::nullopt,
                                    QByteArray("[Vellumo]\r\nStartWithWindows=1\r\n"), false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
