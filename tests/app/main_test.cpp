// The program's main, run as a process: what it does before the main window has a say, and how it
// ends. A second copy in the same folder ends at once with 0; a folder whose lock file cannot be taken
// at all is reported and ends with a failure code, instead of passing for a second copy.
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace vellumo {
namespace {

// The launcher starts the program with its own output, and may end long before the program does. When
// that output was a pipe whose reader went with the launcher, the program's first line to it (here:
// the line it prints when it finds no display) must not end the program.
TEST(ProgramMain, AnOutputWhoseReaderIsGoneDoesNotEndTheProgram) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    const int port = test::freeLoopbackPort();
    folder.writeSettings(port);

    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ::close(fds[0]); // nobody reads what the program writes
    const int writeEnd = fds[1];

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([writeEnd] {
        ::dup2(writeEnd, STDOUT_FILENO);
        ::dup2(writeEnd, STDERR_FILENO);
    });
    program.start(folder.file(QStringLiteral("vellumo")), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    ::close(writeEnd);

    const bool listening = test::waitUntil(
        [&] {
            if (program.state() == QProcess::NotRunning)
                return true;
            QTcpSocket s;
            s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
            return s.waitForConnected(200);
        },
        30000);
    EXPECT_TRUE(listening);
    EXPECT_EQ(program.state(), QProcess::Running)
        << "ended: status " << program.exitStatus() << ", code " << program.exitCode();
    program.terminate();
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished(5000);
    }
}

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
