#include "frame_control/error_log.h"

#include "platform/runtime/user_folders.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo::test {
namespace {

TEST(ErrorLog, RecordHasEightQuotedFieldsAfterTheStamp) {
    const QDateTime evening(QDate(2026, 12, 7), QTime(22, 49, 15));
    EXPECT_EQ(ErrorLog::record(evening, "6", "Overflow", "Lumbra", "UserControl_ReadProperties", "marie", "POSTE1"),
              QByteArray("#2026-12-07 22:49:15#,\"6\",\"Overflow\",\"Lumbra\",\"UserControl_ReadProperties\","
                         "\"Lumbra v1.0.0\",\"marie\",\"POSTE1\"\r\n"));
    const QDateTime midnight(QDate(2026, 1, 2), QTime(0, 0, 0));
    EXPECT_EQ(
        ErrorLog::record(midnight, "", "say \"hi\"", "Lumbra", "DrawFlood", "", "é"),
        QByteArray("#2026-01-02#,\"\",\"say \"hi\"\",\"Lumbra\",\"DrawFlood\",\"Lumbra v1.0.0\",\"\",\"\xE9\"\r\n"));
}

TEST(ErrorLog, MessageTextLeavesOutEmptyLines) {
    EXPECT_EQ(ErrorLog::messageText("6", "Overflow", "Lumbra", "UserControl_ReadProperties"),
              QStringLiteral("Error occured: 6\r\nDescription: Overflow\r\nModule: Lumbra\r\nFunction: "
                             "UserControl_ReadProperties"));
    EXPECT_EQ(ErrorLog::messageText("", "", "Lumbra", ""), QStringLiteral("Error occured: \r\nModule: Lumbra\r\n"));
}

TEST(ErrorLog, AppendsARecordAfterTheBoxAndWithoutOneWhenNotShown) {
    ScriptedUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    QTemporaryDir dir;
    ErrorLog log(dir.path());
    QByteArray atBox;
    hooks.onBox = [&](const ShownBox&) {
        QFile f(log.filePath());
        atBox = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    };
    qputenv("USERNAME", "marie");
    qunsetenv("computername");
    qunsetenv("COMPUTERNAME");
    log.LogError(true, "13", "", "Lumbra", "UserControl_WriteProperties");
    log.LogError(false, "6", "Overflow", "Lumbra", "DrawFlood");
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].style, 16);
    EXPECT_EQ(hooks.boxes[0].title, QStringLiteral("Lumbra - ERROR"));
    EXPECT_EQ(atBox, QByteArray("missing")) << "the record follows the closed box";
    QFile f(log.filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(f.readAll());
    const QRegularExpression line(
        QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?#,\"13\",\"\",\"Lumbra\",\"UserControl_"
                       "WriteProperties\",\"Lumbra v1.0.0\",\"marie\",\"\"\r\n#[^#]+#,\"6\",\"Overflow\",\"Lumbra\","
                       "\"DrawFlood\",\"Lumbra v1.0.0\",\"marie\",\"\"\r\n$"));
    EXPECT_TRUE(line.match(text).hasMatch()) << qPrintable(text);
    qunsetenv("USERNAME");
}

TEST(ErrorLog, AFolderThatCannotBeWrittenDropsTheRecordSilently) {
    ScriptedUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    QTemporaryDir dir;
    QFile plain(dir.filePath("not-a-folder"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ErrorLog log(dir.filePath("not-a-folder"));
    EXPECT_NO_THROW(log.LogError(true, "6", "Overflow", "Lumbra", "UserControl_InitProperties"));
    EXPECT_EQ(hooks.boxes.size(), 1u);
}

TEST(ErrorLog, LivesBesideTheLibraryFile) {
    EXPECT_EQ(QDir(ErrorLog::libraryFolder()), QDir(QStringLiteral(VELLUMO_PROGRAM_DIR)));
    EXPECT_EQ(ErrorLog().filePath(), QDir(ErrorLog::libraryFolder()).filePath("ErrorLog.txt"));
}

TEST(ErrorLog, AnInstalledLibraryLogsInTheUsersDataFolder) {
    QTemporaryDir program, data;
    ScopedEnvironment env;
    env.set("XDG_DATA_HOME", data.path().toLocal8Bit());
    EXPECT_EQ(ErrorLog::folderFor(program.path()), program.path());
    QFile marker(QDir(program.path()).filePath(UserFolders::markerFileName()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    EXPECT_EQ(ErrorLog::folderFor(program.path()), data.path() + QStringLiteral("/vellumo"));
}

} // namespace
} // namespace vellumo::test
