// The real program, started from a temporary copy of the program folder on a free loopback port.
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"
#include "tests/support/program_process.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

class VellumoProcess : public ::testing::Test {
protected:
    VellumoProcess() : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)), port(test::freeLoopbackPort()) {
        folder.writeSettings(port);
    }
    ~VellumoProcess() override {
        for (QProcess* p : {&first, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(test::scaledMs(5000)))
                    p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    void startProgram(QProcess& p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(folder.file(QStringLiteral("vellumo")), {});
        ASSERT_TRUE(p.waitForStarted(test::scaledMs(10000)));
    }

    // Connects to the program's port once it listens; a program that does not come up says why.
    ::testing::AssertionResult connectToProgram(QProcess& p, QTcpSocket& s) {
        ::testing::AssertionResult listening = test::waitUntilListening(p, port, test::scaledMs(30000));
        if (!listening)
            return listening;
        s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
        if (!s.waitForConnected(test::scaledMs(5000)))
            return ::testing::AssertionFailure() << "port " << port << " listens, but refused this connection";
        return ::testing::AssertionSuccess();
    }

    test::ProgramFolder folder;
    int port;
    QProcess first, second;
};

TEST_F(VellumoProcess, AnswersGetWith403AndASecondCopyEndsAtOnce) {
    ASSERT_NE(port, 0) << "no free port for the program was found";
    startProgram(first);
    QTcpSocket s;
    ASSERT_TRUE(connectToProgram(first, s));
    s.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(
        test::waitUntil([&] { return s.bytesAvailable() > 0 && s.peek(64).contains("\r\n"); }, test::scaledMs(10000)));
    EXPECT_TRUE(s.readAll().startsWith("HTTP/1.1 403 "));

    startProgram(second);
    ASSERT_TRUE(second.waitForFinished(test::scaledMs(20000)));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
}

} // namespace
} // namespace vellumo
