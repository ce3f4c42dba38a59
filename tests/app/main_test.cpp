// The program's exit: a second copy in the same folder ends at once with 0; a folder whose lock
// file cannot be taken at all is reported and ends with a failure code, instead of passing for a
// second copy.
#include "tests/support/program_folder.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(ProgramExit, ALockFileThatCannotBeTakenIsReportedWithAFailureCode) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    folder.writeSettings(test::freeLoopbackPort());
    // A folder where the lock file should be: it cannot be opened, for root as for anyone.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Vellumo.lock")));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(folder.file(QStringLiteral("vellumo")), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    const QByteArray errors = program.readAllStandardError();
    EXPECT_TRUE(errors.contains("Vellumo.lock")) << errors.constData();
}

} // namespace
} // namespace vellumo
