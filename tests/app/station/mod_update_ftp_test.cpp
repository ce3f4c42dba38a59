// The online update end to end: the real FTP client against a local FTP server (python3-pyftpdlib on
// 127.0.0.1) that knows the program's own update credentials, deciphered from the program.
#include "app/station/mod_update.h"

#include "app/core/mod_vellumo.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "platform/lan/curl_ftp_client.h"
#include "platform/runtime/ui_hooks.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell_start.h"
#include "tests/support/local_ftp_server.h"
#include "tests/support/program_folder.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

class ModUpdateFtpTest : public ::testing::Test {
protected:
    ModUpdateFtpTest()
        : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)), uiScope(ui), state(folder.path(), registry, shell) {}

    void SetUp() override {
        ASSERT_TRUE(remote.isValid());
        ASSERT_TRUE(QDir(remote.path()).mkpath(QStringLiteral("Vellumo/Maintenance")));
        server = std::make_unique<test::LocalFtpServer>(remote.path(), DecryptWithFixedKey(modUpdate::LoginCipher()),
                                                        DecryptWithFixedKey(modUpdate::PasswordCipher()));
        if (!server->available())
            GTEST_SKIP() << "FTP tests skipped: " << server->whyUnavailable().toStdString();
    }

    void publish(const QString& name, const QByteArray& bytes) {
        QFile f(remote.filePath(QStringLiteral("Vellumo/Maintenance/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void run(int port) {
        modUpdate update(state, ftp, nullptr, nullptr, {QStringLiteral("127.0.0.1"), port}, QStringLiteral("2.0.2"));
        update.CheckForUpdate();
    }

    test::ProgramFolder folder;
    test::ScriptedUiHooks ui;
    ScopedUiHooks uiScope;
    test::FakeRegistry registry;
    test::FakeShellStart shell;
    modVellumo state;
    QTemporaryDir remote;
    std::unique_ptr<test::LocalFtpServer> server;
    CurlFtpClient ftp;
};

TEST_F(ModUpdateFtpTest, ANewerVersionIsDownloadedIntoTempAndItsInstallerStarted) {
    publish(QStringLiteral("Version.txt"), "2.1.0|Nouvelle version");
    QByteArray installer;
    for (int i = 0; i < 200000; ++i)
        installer.append(static_cast<char>(i % 251));
    publish(QStringLiteral("InstallVellumo.exe"), installer);
    ui.answer(mb::Yes);
    run(server->port());

    const QString target = folder.file(QStringLiteral("Temp/InstallVellumo.exe"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), installer);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].prompt.startsWith(QStringLiteral("La mise à jour d'Vellumo à été téléchargée")));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].file, target);
    EXPECT_FALSE(ftp.isConnected());
}

TEST_F(ModUpdateFtpTest, ATwoDigitRevisionIsNewerThanTheLocalOneDigitRevision) {
    publish(QStringLiteral("Version.txt"), "2.0.10|Corrections");
    publish(QStringLiteral("InstallVellumo.exe"), "installer");
    ui.answer(mb::No); // not installed now
    run(server->port());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].prompt.startsWith(QStringLiteral("La mise à jour d'Vellumo à été téléchargée")));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("Temp/InstallVellumo.exe"))));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(ModUpdateFtpTest, AMissingFolderOrInstallerIsToldAndTheSameVersionOnlyAsked) {
    // No Version.txt yet: the folder's text reads as empty.
    run(server->port());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].prompt.startsWith(QStringLiteral("Répertoire de Maintenance inaccessible")));

    // The same version, downloaded again on Yes, but the installer is missing.
    publish(QStringLiteral("Version.txt"), "2.0.2|");
    ui.boxes.clear();
    ui.answer(mb::Yes);
    run(server->port());
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].style, mb::YesNo | mb::Question);
    EXPECT_TRUE(ui.boxes[1].prompt.startsWith(QStringLiteral("La mise à jour n'est pas retrouvée")));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Temp/InstallVellumo.exe"))));
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(ModUpdateFtpTest, NoServerOnThePortOffersRetryAndCancelEnds) {
    ui.answer(mb::Cancel);
    run(test::freeLoopbackPort());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, mb::RetryCancel | mb::Exclamation | mb::SystemModal);
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("Temp"))).exists());
}

} // namespace
} // namespace vellumo
