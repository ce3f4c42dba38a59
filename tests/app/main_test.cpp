// The program's main, run as a process: what it does before the main window has a say, and how it
// ends. A second copy in the same folder ends at once with 0; a folder whose lock file cannot be taken
// at all is reported and ends with a failure code, instead of passing for a second copy. A request to
// end (SIGTERM, SIGINT, SIGHUP) goes through the program's own quit path. Started from a terminal, it
// says in one line where it listens.
#include "app/messaging/peer_message.h"
#include "platform/store/database.h"
#include "tests/support/event_loop.h"
#include "tests/support/peer_requests.h"
#include "tests/support/program_folder.h"
#include "tests/support/program_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vellumo {
namespace {

// The launcher starts the program with its own output, and may end long before the program does. When
// that output was a pipe whose reader went with the launcher, the program's first line to it (here:
// the line it prints when it finds no display) must not end the program.
TEST(ProgramMain, AnOutputWhoseReaderIsGoneDoesNotEndTheProgram) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    const int port = test::freeLoopbackPort();
    ASSERT_NE(port, 0) << "no free port for the program was found";
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
    ASSERT_TRUE(program.waitForStarted(test::scaledMs(10000)));
    ::close(writeEnd);

    // It listens and goes on running: a program that ends, or does not come up, says how.
    EXPECT_TRUE(test::waitUntilListening(program, port, test::scaledMs(30000)));
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
    ASSERT_TRUE(program.waitForStarted(test::scaledMs(10000)));
    ASSERT_TRUE(program.waitForFinished(test::scaledMs(30000)));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    const QByteArray errors = program.readAllStandardError();
    EXPECT_TRUE(errors.contains("Vellumo.lock")) << errors.constData();
}

struct EndSignal {
    const char* name;
    int number;
};

class ProgramEndSignal : public ::testing::TestWithParam<EndSignal> {};

// The store is closed (its write-ahead log folded in and gone), the lock file removed, the tray icon
// taken away, and the exit is a normal one; the next copy starts at once.
TEST_P(ProgramEndSignal, EndsTheProgramThroughItsQuitPath) {
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ASSERT_TRUE(program.start());
    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("avant la fin"), QStringLiteral("{\\rtf1 avant la fin}")};
    const QByteArray response = program.exchange(test::authorisedPost("/MESSAGE", m.Body(false).toUtf8()));
    ASSERT_TRUE(test::statusLine(response).startsWith("HTTP/1.1 200 MESSAGE:OK:")) << response.constData();
    const QString store = program.folder().file(QStringLiteral("Vellumo.dbo"));
    const QString lock = program.folder().file(QStringLiteral("Vellumo.lock"));
    ASSERT_TRUE(QFileInfo::exists(lock));
    ASSERT_TRUE(QFileInfo::exists(store + QStringLiteral("-wal"))) << "the store runs with a write-ahead log";

    ASSERT_EQ(::kill(static_cast<pid_t>(program.pid()), GetParam().number), 0);
    ASSERT_TRUE(program.process().waitForFinished(test::scaledMs(30000)));
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(lock));
    EXPECT_FALSE(QFileInfo::exists(store + QStringLiteral("-wal")));
    EXPECT_FALSE(QFileInfo::exists(store + QStringLiteral("-shm")));
    {
        Database db = Database::open(store);
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
        ASSERT_EQ(rs->recordCount(), 1);
        rs->moveFirst();
        EXPECT_EQ(rs->text(QStringLiteral("Text")), QStringLiteral("avant la fin"));
    }

    // The next copy finds the folder free: it listens instead of ending as a second copy.
    ASSERT_TRUE(program.start());
    EXPECT_TRUE(program.running());
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEndSignal,
                         ::testing::Values(EndSignal{"SIGTERM", SIGTERM}, EndSignal{"SIGINT", SIGINT},
                                           EndSignal{"SIGHUP", SIGHUP}),
                         [](const auto& info) { return std::string(info.param.name); });

// Reads what arrives on fd until it holds a line ending in LF or timeoutMs passes.
QByteArray readLine(int fd, int timeoutMs) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (!got.contains('\n') && clock.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<qsizetype>(n));
    }
    return got;
}

// Started from a terminal, the program prints one line once it listens: the port and the folder where
// its messages are kept.
TEST(ProgramTerminal, SaysWhereItListensInOneLine) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    const int port = test::freeLoopbackPort();
    ASSERT_NE(port, 0) << "no free port for the program was found";
    folder.writeSettings(port);
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(::grantpt(terminal), 0);
    ASSERT_EQ(::unlockpt(terminal), 0);
    const QByteArray side = ::ptsname(terminal);
    const int child = ::open(side.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(child, 0);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([child] { ::dup2(child, STDERR_FILENO); });
    program.start(folder.file(QStringLiteral("vellumo")), {});
    ASSERT_TRUE(program.waitForStarted(test::scaledMs(10000)));
    ::close(child);

    const QByteArray expected = "vellumo: listening on port " + QByteArray::number(port) + "; messages are kept in " +
                                QFile::encodeName(folder.path()) + "\r\n";
    QByteArray seen;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            seen += readLine(terminal, 100);
            return seen.contains(expected);
        },
        test::scaledMs(30000)))
        << seen.constData();
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(test::scaledMs(20000)));
    seen += readLine(terminal, 200);
    // One line for the whole run (the terminal may also show what Qt itself has to say).
    EXPECT_EQ(seen.count("vellumo: listening"), 1) << seen.constData();
    ::close(terminal);
}

// Started by the launcher or the log-on, its output is a pipe or a file: the program says nothing there.
TEST(ProgramTerminal, SaysNothingWhenItsOutputIsNoTerminal) {
    test::ProgramProcess program(QStringLiteral(VELLUMO_PROGRAM_DIR));
    program.process().setProcessChannelMode(QProcess::SeparateChannels);
    ASSERT_TRUE(program.start());
    program.process().terminate();
    ASSERT_TRUE(program.process().waitForFinished(test::scaledMs(20000)));
    EXPECT_FALSE(program.process().readAllStandardError().contains("listening on port"));
}

} // namespace
} // namespace vellumo
