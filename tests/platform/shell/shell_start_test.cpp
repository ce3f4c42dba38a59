#include "platform/shell/shell_start.h"

#include "platform/runtime/runtime_error.h"
#include "platform/shell/process_shell_start.h"
#include "tests/support/fake_shell_start.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

using namespace vellumo;

namespace {

struct ResultCase {
    const char* name;
    int shellResult;
    std::optional<int> error; // raised with RaiseErrors True
    const char* description = nullptr;
};

class ShellExecuteOpenResults : public ::testing::TestWithParam<ResultCase> {};

TEST_P(ShellExecuteOpenResults, RaiseOnlyWhenAskedTo) {
    const auto& c = GetParam();
    test::FakeShellStart shell;
    shell.result = c.shellResult;
    QString dir = "/opt/v/";
    if (c.error) {
        try {
            ShellExecuteOpen(nullptr, "/opt/v/Kippler", "/t", dir, 1, true, shell);
            ADD_FAILURE() << "no error raised";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), *c.error);
            EXPECT_EQ(e.source(), "API");
            if (c.description) {
                EXPECT_EQ(e.description(), c.description);
            }
        }
    } else {
        EXPECT_NO_THROW(ShellExecuteOpen(nullptr, "/opt/v/Kippler", "/t", dir, 1, true, shell));
    }
    EXPECT_NO_THROW(ShellExecuteOpen(nullptr, "/opt/v/Kippler", "/t", dir, 1, false, shell));
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0].parameters, "/t");
    EXPECT_EQ(shell.opened[0].directory, "/opt/v/");
    EXPECT_EQ(shell.opened[0].showCommand, 1);
    EXPECT_TRUE(shell.chooser.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShellExecuteOpenResults,
    ::testing::Values(
        ResultCase{"success", 42, std::nullopt}, ResultCase{"negative_is_success", -1, std::nullopt},
        ResultCase{"out_of_memory", 0, 7}, ResultCase{"not_enough_memory", 8, 7}, ResultCase{"file_not_found", 2, 53},
        ResultCase{"path_not_found", 3, 76}, ResultCase{"access_denied", 5, 70}, ResultCase{"bad_format", 11, 321},
        ResultCase{"sharing", 26, 26, "A Sharing violation occurred."},
        ResultCase{"association_incomplete", 27, 27, "The filename association is incomplete or invalid."},
        ResultCase{"dde_timeout", 28, 25, "The DDE transaction could not be completed because the request timed out."},
        ResultCase{"dde_fail", 29, 29, "The DDE transaction failed."},
        ResultCase{"dde_busy", 30, 30,
                   "The DDE transaction could not be completed because other DDE transactions "
                   "were being processed."},
        ResultCase{"dll_not_found", 32, 48}, ResultCase{"other_1", 1, std::nullopt},
        ResultCase{"other_4", 4, std::nullopt}, ResultCase{"other_12", 12, std::nullopt},
        ResultCase{"other_25", 25, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShellExecuteOpen, NoAssociationOpensTheChooserWhateverRaiseErrorsSays) {
    for (bool raise : {false, true}) {
        test::FakeShellStart shell;
        shell.result = shellresult::NoAssociation;
        QString dir;
        EXPECT_NO_THROW(ShellExecuteOpen(nullptr, "/home/u/notes.xyz", "", dir, 1, raise, shell));
        ASSERT_EQ(shell.chooser.size(), 1u);
        EXPECT_EQ(shell.chooser[0].file, "/home/u/notes.xyz");
        EXPECT_EQ(shell.chooser[0].directory, "/home/u/");
    }
}

// The chooser shown: nothing more is said. No chooser either: the program's notice tells the user.
TEST(ShellExecuteOpen, WithoutAChooserTheUserIsTold) {
    QStringList told;
    setNoProgramNotice([&](const QString& file) { told << file; });
    test::FakeShellStart shell;
    shell.result = shellresult::NoAssociation;
    QString dir;
    ShellExecuteOpen(nullptr, "/home/u/notes.xyz", "", dir, 1, false, shell);
    EXPECT_TRUE(told.isEmpty());
    shell.chooserResult = shellresult::NoAssociation;
    ShellExecuteOpen(nullptr, "/home/u/notes.xyz", "", dir, 1, false, shell);
    EXPECT_EQ(told, QStringList{"/home/u/notes.xyz"});
    // A program that started, or a failure of another kind, says nothing of the sort.
    shell.result = shellresult::FileNotFound;
    ShellExecuteOpen(nullptr, "/home/u/notes.xyz", "", dir, 1, false, shell);
    EXPECT_EQ(told.size(), 1);
    setNoProgramNotice(nullptr);
}

TEST(ShellExecuteOpen, EmptyDirectoryTakesTheFilesFolder) {
    test::FakeShellStart shell;
    QString dir;
    ShellExecuteOpen(nullptr, "/opt/v/Vellumo", "", dir, 1, false, shell);
    EXPECT_EQ(dir, "/opt/v/");
    QString none;
    ShellExecuteOpen(nullptr, "Vellumo", "", none, 1, false, shell);
    EXPECT_EQ(none, "");
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0].directory, "/opt/v/");
    EXPECT_EQ(shell.opened[1].directory, "");
}

class ProcessShell : public ::testing::Test {
protected:
    QString make(const char* name, const QByteArray& content, bool executable) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    QTemporaryDir dir;
    ProcessShellStart shell;
};

TEST_F(ProcessShell, StartsAProgram) {
    EXPECT_EQ(shell.open("/bin/true", "a b", "", 1), shellresult::Success);
    EXPECT_EQ(shell.open("true", "", dir.path(), 1), shellresult::Success); // found on PATH
}

TEST_F(ProcessShell, MissingProgramIsFileNotFound) {
    EXPECT_EQ(shell.open(dir.filePath("Kippler"), "/t", dir.path(), 1), shellresult::FileNotFound);
    EXPECT_EQ(shell.open("vellumo-no-such-program", "", "", 1), shellresult::FileNotFound);
}

TEST_F(ProcessShell, MissingFolderIsPathNotFound) {
    EXPECT_EQ(shell.open(dir.filePath("no/Kippler"), "", "", 1), shellresult::PathNotFound);
    EXPECT_EQ(shell.open("/bin/true", "", dir.filePath("no"), 1), shellresult::PathNotFound);
}

TEST_F(ProcessShell, ProgramWithoutExecuteRightIsAccessDenied) {
    QFile::copy("/bin/true", dir.filePath("true-copy"));
    QFile(dir.filePath("true-copy")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(shell.open(dir.filePath("true-copy"), "", "", 1), shellresult::AccessDenied);
    make("script", "#!/bin/sh\n", false);
    EXPECT_EQ(shell.open(dir.filePath("script"), "", "", 1), shellresult::AccessDenied);
}

TEST_F(ProcessShell, ExecutableThatDoesNotStartIsBadFormat) {
    EXPECT_EQ(shell.open(make("garbage", "not a program\n", true), "", "", 1), shellresult::BadFormat);
}

TEST_F(ProcessShell, DocumentWithoutOpenerIsNoAssociation) {
    const QString document = make("notes.txt", "hello\n", false);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path())); // no xdg-open to be found: nothing is opened
    const int result = shell.open(document, "", "", 1);
    qputenv("PATH", path);
    EXPECT_EQ(result, shellresult::NoAssociation);
    // No session bus, so no portal to offer a chooser: openWith says so (ShellExecuteOpen then tells the
    // user, see WithoutAChooserTheUserIsTold).
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(dir.filePath("no-bus")));
    EXPECT_EQ(shell.openWith(document, "", 1), shellresult::NoAssociation);
}

TEST_F(ProcessShell, ThroughShellExecuteOpen) {
    QString dirText;
    try {
        ShellExecuteOpen(nullptr, dir.filePath("Kippler"), "/t", dirText, 1, true, shell);
        ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    QString again;
    EXPECT_NO_THROW(ShellExecuteOpen(nullptr, dir.filePath("Kippler"), "/t", again, 1, false, shell));
}

} // namespace
