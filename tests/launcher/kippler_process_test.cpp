// The built launcher, run from a temporary copy of the program folder in which the main program is
// a small script that leaves a marker file behind when it is started.
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

struct ProcessCase {
    const char* name;
    QStringList arguments;
    QByteArray ini;
};

void PrintTo(const ProcessCase& c, std::ostream* os) {
    *os << c.name;
}

class KipplerProcessBase : public ::testing::Test {
protected:
    KipplerProcessBase() : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)) {}
    ~KipplerProcessBase() override {
        if (launcher.state() != QProcess::NotRunning) {
            launcher.kill();
            launcher.waitForFinished(5000);
        }
    }

    // The main program: writes its working folder and arguments to "marker".
    void replaceMainProgram() {
        const QString path = folder.file(QStringLiteral("vellumo"));
        QFile::remove(path);
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     "dir=$(dirname \"$0\")\n"
                     "{ pwd; echo \"args:$*\"; } > \"$dir/marker.tmp\" && mv \"$dir/marker.tmp\" \"$dir/marker\"\n");
        script.close();
        ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void start(const QStringList& arguments) {
        launcher.setProcessChannelMode(QProcess::ForwardedChannels);
        launcher.start(folder.file(QStringLiteral("kippler")), arguments);
        ASSERT_TRUE(launcher.waitForStarted(10000));
    }

    // The launcher has ended (it may have done so while the test ran the event loop).
    bool finished() { return launcher.state() == QProcess::NotRunning || launcher.waitForFinished(30000); }

    test::ProgramFolder folder;
    QProcess launcher;
};

class KipplerProcess : public KipplerProcessBase, public ::testing::WithParamInterface<ProcessCase> {};

TEST_P(KipplerProcess, StartsTheMainProgramOfItsFolderAndEnds) {
    ASSERT_TRUE(QFile::exists(folder.file(QStringLiteral("kippler")))) << "the launcher is not built";
    replaceMainProgram();
    {
        QFile ini(folder.file(QStringLiteral("Vellumo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(GetParam().ini);
    }
    start(GetParam().arguments);

    const QString marker = folder.file(QStringLiteral("marker"));
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(marker); }, 30000));
    ASSERT_TRUE(finished());
    EXPECT_EQ(launcher.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(launcher.exitCode(), 0);

    QFile f(marker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(QFile::decodeName(lines[0]), QFileInfo(folder.path()).canonicalFilePath());
    EXPECT_EQ(lines[1], QByteArray("args:"));
}

INSTANTIATE_TEST_SUITE_P(Launcher, KipplerProcess,
                         ::testing::Values(ProcessCase{"RestartWithStartWithWindowsOff",
                                                       {QStringLiteral("/t")},
                                                       QByteArray("[Vellumo]\r\nStartWithWindows=0\r\n")},
                                           ProcessCase{"NoArgumentWithStartWithWindowsOn",
                                                       {},
                                                       QByteArray("[Vellumo]\r\nStartWithWindows=1\r\n")}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KipplerProcessBase, WithoutArgumentAndNoSettingsItEndsWithoutStartingAnything) {
    ASSERT_TRUE(QFile::exists(folder.file(QStringLiteral("kippler")))) << "the launcher is not built";
    replaceMainProgram();
    start({});
    ASSERT_TRUE(finished());
    EXPECT_EQ(launcher.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(launcher.exitCode(), 0);
    // Read only, never written; and the main program was not started (it would have written the
    // marker before the launcher could end, since the start comes first).
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Vellumo.ini"))));
}

} // namespace
} // namespace vellumo
