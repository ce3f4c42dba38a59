// Two real stations, each in a network namespace of its own made by this test and joined by a veth
// pair, exchange a message both ways with the program's own sender. Needs root (ip netns); skips
// with a message where it cannot run. Only the namespaces' own addresses are ever reached.
#include "platform/store/database.h"
#include "tests/support/command.h"
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vellumo {
namespace {

// Addresses of the benchmarking range, given to the test's own namespaces only.
const QString kAddressA = QStringLiteral("198.18.0.1");
const QString kAddressB = QStringLiteral("198.18.0.2");

class TwoStations : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to make network namespaces (ip netns); not run";
        const QString tag = QString::number(::getpid());
        nsA = QStringLiteral("vlm-a-") + tag;
        nsB = QStringLiteral("vlm-b-") + tag;
        const QString vethA = QStringLiteral("vla") + tag.right(8);
        const QString vethB = QStringLiteral("vlb") + tag.right(8);
        const test::CommandOutcome added = test::runCommand({"ip", "netns", "add", nsA});
        if (added.code != 0)
            GTEST_SKIP() << "ip netns add failed, network namespaces unavailable here: " << added.output.constData();
        made = true;
        ASSERT_EQ(test::runCommand({"ip", "netns", "add", nsB}).code, 0);
        ASSERT_EQ(test::runCommand({"ip", "link", "add", vethA, "type", "veth", "peer", "name", vethB}).code, 0);
        ASSERT_EQ(test::runCommand({"ip", "link", "set", vethA, "netns", nsA}).code, 0);
        ASSERT_EQ(test::runCommand({"ip", "link", "set", vethB, "netns", nsB}).code, 0);
        for (const auto& [ns, veth, address] : {std::tuple{nsA, vethA, kAddressA}, std::tuple{nsB, vethB, kAddressB}}) {
            ASSERT_EQ(
                test::runCommand({"ip", "-n", ns, "addr", "add", address + QStringLiteral("/24"), "dev", veth}).code,
                0);
            ASSERT_EQ(test::runCommand({"ip", "-n", ns, "link", "set", veth, "up"}).code, 0);
            ASSERT_EQ(test::runCommand({"ip", "-n", ns, "link", "set", "lo", "up"}).code, 0);
        }
    }

    void TearDown() override {
        for (QProcess* p : {&stationA, &stationB}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000))
                    p->kill();
                p->waitForFinished(5000);
            }
        }
        if (made) {
            test::runCommand({"ip", "netns", "del", nsA});
            test::runCommand({"ip", "netns", "del", nsB});
        }
    }

    void startStation(QProcess& p, const QString& ns, const test::ProgramFolder& folder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral("ip"), {"netns", "exec", ns, folder.file(QStringLiteral("vellumo"))});
        ASSERT_TRUE(p.waitForStarted(10000));
    }

    // Sends with the sender of station `from` (run inside its namespace); retried while the other
    // station may still be starting.
    bool send(const QString& ns, const test::ProgramFolder& from, const QString& to, const QString& text) {
        const QString tool = QStringLiteral(VELLUMO_TEST_TOOLS_DIR) + QStringLiteral("/peer_send");
        return test::waitUntil(
            [&] {
                const test::CommandOutcome sent =
                    test::runCommand({"ip", "netns", "exec", ns, tool, from.path(), to, text});
                lastOutput = sent.output;
                return sent.code == 0;
            },
            30000);
    }

    static QStringList storedTexts(const test::ProgramFolder& folder) {
        QStringList texts;
        Database db = Database::open(folder.file(QStringLiteral("Vellumo.dbo")));
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            texts << rs->text(QStringLiteral("Text"));
        return texts;
    }

    QString nsA, nsB;
    bool made = false;
    QProcess stationA, stationB;
    QByteArray lastOutput;
};

TEST_F(TwoStations, ExchangeAMessageBothWays) {
    test::ProgramFolder folderA(QStringLiteral(VELLUMO_PROGRAM_DIR));
    test::ProgramFolder folderB(QStringLiteral(VELLUMO_PROGRAM_DIR));
    // Each namespace has its own ports: both stations use the program's default port.
    folderA.writeSettings(32666);
    folderB.writeSettings(32666, QStringLiteral("[Vellumo]\r\nCryptAll=1"));
    startStation(stationA, nsA, folderA);
    startStation(stationB, nsB, folderB);

    ASSERT_TRUE(send(nsA, folderA, kAddressB, QStringLiteral("Bonjour B, ici A"))) << lastOutput.constData();
    EXPECT_TRUE(lastOutput.contains("reçu le message")) << lastOutput.constData();
    ASSERT_TRUE(send(nsB, folderB, kAddressA, QStringLiteral("Bien reçu, A — B (chiffré)"))) << lastOutput.constData();

    EXPECT_EQ(storedTexts(folderB), QStringList{QStringLiteral("Bonjour B, ici A")});
    EXPECT_EQ(storedTexts(folderA), QStringList{QStringLiteral("Bien reçu, A — B (chiffré)")});
}

} // namespace
} // namespace vellumo
