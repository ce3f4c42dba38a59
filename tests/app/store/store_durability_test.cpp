// A row whose add has returned must survive the process being killed at once: a peer that was told
// "MESSAGE:OK" must never lose its message. The test runs this same test executable as a child that
// adds rows and reports each one once its add has returned, kills it with SIGKILL while it is still
// adding, and then checks that every reported row is in the file.
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "platform/store/database.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <set>

namespace vellumo {
namespace {

constexpr char folderVariable[] = "VELLUMO_DURABILITY_FOLDER";

// The child's side; disabled so that it only runs when the parent asks for it.
TEST(StoreDurabilityChild, DISABLED_AddsRowsUntilKilled) {
    const QString folder = qEnvironmentVariable(folderVariable);
    ASSERT_FALSE(folder.isEmpty());
    Database db = MessageStore::openMessages(folder);
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    const QString rtf = QString(4096, u'r');
    for (int i = 1;; ++i) {
        rs->addNew();
        rs->setField("FROM", QString::number(i));
        rs->setField("TO", "ME;");
        rs->setField("OnDate", "01/03/2026 à 10:00:00");
        rs->setField("ReceiptDate", QDateTime::currentDateTime());
        rs->setField("Text", QString(1024, u't'));
        rs->setField("RTF", rtf);
        rs->update();
        // Reported straight to the pipe, past any buffering, only after the add has returned.
        const QByteArray line = QByteArray::number(i) + '\n';
        if (::write(STDOUT_FILENO, line.constData(), std::size_t(line.size())) != line.size())
            std::_Exit(3);
    }
}

TEST(StoreDurability, EveryAddThatReturnedSurvivesAKill) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(folderVariable, dir.path());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=StoreDurabilityChild.*", "--gtest_brief=1"});
    ASSERT_TRUE(child.waitForStarted(30000));

    // Read the child's reports until it has stored a good number of rows, then kill it at once.
    std::set<int> reported;
    QByteArray pending;
    while (reported.size() < 40) {
        ASSERT_TRUE(child.waitForReadyRead(60000)) << child.readAllStandardError().constData();
        pending += child.readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            bool ok = false;
            const int n = pending.left(end).toInt(&ok);
            if (ok)
                reported.insert(n);
            pending.remove(0, end + 1);
        }
    }
    child.kill();
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    // The last lines may still have been in the pipe: read them too, they were reported as well.
    pending += child.readAllStandardOutput();
    for (const QByteArray& line : pending.split('\n')) {
        bool ok = false;
        if (const int n = line.toInt(&ok); ok)
            reported.insert(n);
    }

    Database db = Database::open(dir.filePath(MessageStore::MessageDatabase));
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    std::set<int> stored;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        stored.insert(rs->text("FROM").toInt());
        EXPECT_EQ(rs->text("RTF").size(), 4096);
    }
    for (int n : reported)
        EXPECT_TRUE(stored.count(n)) << "row " << n << " was added but is gone";
}

} // namespace
} // namespace vellumo
