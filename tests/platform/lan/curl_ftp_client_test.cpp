// The FTP client against a real FTP server on 127.0.0.1 (python3-pyftpdlib), serving a temporary
// folder laid out as the update server is.
#include "platform/lan/curl_ftp_client.h"

#include "platform/runtime/windows1252.h"
#include "tests/support/local_ftp_server.h"
#include "tests/support/program_folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class CurlFtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(remote.isValid() && local.isValid());
        writeFile(remote.filePath(QStringLiteral("Vellumo/Maintenance/Version.txt")), versionBytes);
        // Larger than one network read, every byte value.
        for (int i = 0; i < 300 * 1024; ++i)
            installer.append(static_cast<char>((i * 7 + i / 256) & 0xFF));
        writeFile(remote.filePath(QStringLiteral("Vellumo/Maintenance/InstallVellumo.exe")), installer);
        server = std::make_unique<test::LocalFtpServer>(remote.path(), QStringLiteral("maj"), QStringLiteral("s3cret"));
        if (!server->available())
            GTEST_SKIP() << "FTP tests skipped: " << server->whyUnavailable().toStdString();
        ftp.setHostName(QStringLiteral("127.0.0.1"));
        ftp.setPort(server->port());
        ftp.setUserName(QStringLiteral("maj"));
        ftp.setPassword(QStringLiteral("s3cret"));
        ftp.setPassive(true);
    }

    const QByteArray versionBytes = QByteArray("2.1.0|Nouveaut\xe9s");
    QByteArray installer;
    QTemporaryDir remote, local;
    std::unique_ptr<test::LocalFtpServer> server;
    CurlFtpClient ftp;
};

TEST_F(CurlFtpClientTest, LogsInEntersTheFolderReadsTheVersionAndDownloadsTheInstaller) {
    ASSERT_TRUE(ftp.connectToServer());
    EXPECT_TRUE(ftp.isConnected());
    ASSERT_TRUE(ftp.changeRemoteFolder(QStringLiteral("Vellumo/Maintenance")));
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Version.txt")), cp1252::decode(versionBytes));
    const QString target = local.filePath(QStringLiteral("InstallVellumo.exe"));
    ASSERT_TRUE(ftp.download(QStringLiteral("InstallVellumo.exe"), target));
    EXPECT_EQ(readAll(target), installer);
    // Several operations on one session.
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Version.txt")), cp1252::decode(versionBytes));
    ftp.disconnectFromServer();
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Version.txt")), QString());
}

TEST_F(CurlFtpClientTest, AWrongPasswordDoesNotConnectAndNothingWorksWithoutAConnection) {
    ftp.setPassword(QStringLiteral("wrong"));
    EXPECT_FALSE(ftp.connectToServer());
    EXPECT_FALSE(ftp.isConnected());
    EXPECT_FALSE(ftp.changeRemoteFolder(QStringLiteral("Vellumo")));
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Vellumo/Maintenance/Version.txt")), QString());
    EXPECT_FALSE(ftp.download(QStringLiteral("Version.txt"), local.filePath(QStringLiteral("v"))));
    EXPECT_FALSE(QFile::exists(local.filePath(QStringLiteral("v"))));

    ftp.setPassword(QStringLiteral("s3cret"));
    EXPECT_TRUE(ftp.connectToServer());
}

TEST_F(CurlFtpClientTest, AMissingFolderFailsAndLeavesTheCurrentFolder) {
    ASSERT_TRUE(ftp.connectToServer());
    EXPECT_FALSE(ftp.changeRemoteFolder(QStringLiteral("Vellumo/Nothing")));
    ASSERT_TRUE(ftp.changeRemoteFolder(QStringLiteral("Vellumo")));
    EXPECT_FALSE(ftp.changeRemoteFolder(QStringLiteral("Vellumo"))); // relative: Vellumo/Vellumo
    ASSERT_TRUE(ftp.changeRemoteFolder(QStringLiteral("Maintenance")));
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Version.txt")), cp1252::decode(versionBytes));
    // A new session starts again at the login folder.
    ASSERT_TRUE(ftp.connectToServer());
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Version.txt")), QString());
}

TEST_F(CurlFtpClientTest, AFailedDownloadLeavesTheLocalFileAsItWas) {
    const QString target = local.filePath(QStringLiteral("InstallVellumo.exe"));
    writeFile(target, "previous");
    ASSERT_TRUE(ftp.connectToServer());
    ASSERT_TRUE(ftp.changeRemoteFolder(QStringLiteral("Vellumo/Maintenance")));
    EXPECT_EQ(ftp.readRemoteText(QStringLiteral("Missing.txt")), QString());
    EXPECT_FALSE(ftp.download(QStringLiteral("Missing.exe"), target));
    EXPECT_EQ(readAll(target), QByteArray("previous"));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList{QStringLiteral("InstallVellumo.exe")});
    // Into a folder that does not exist.
    EXPECT_FALSE(ftp.download(QStringLiteral("InstallVellumo.exe"), local.filePath(QStringLiteral("no/such/file"))));
    // The session is still usable after the failures.
    EXPECT_TRUE(ftp.download(QStringLiteral("InstallVellumo.exe"), target));
    EXPECT_EQ(readAll(target), installer);
}

TEST_F(CurlFtpClientTest, ARemoteTextLongerThanTheLimitIsCutThere) {
    QByteArray big(CurlFtpClient::MaxTextBytes * 2, 'v');
    big.prepend("9.9.9|");
    writeFile(remote.filePath(QStringLiteral("Big.txt")), big);
    ASSERT_TRUE(ftp.connectToServer());
    const QString text = ftp.readRemoteText(QStringLiteral("Big.txt"));
    EXPECT_EQ(text.size(), CurlFtpClient::MaxTextBytes);
    EXPECT_TRUE(text.startsWith(QStringLiteral("9.9.9|")));
}

TEST(CurlFtpClientNoServer, NothingListeningOrABadHostNameDoesNotConnect) {
    CurlFtpClient ftp;
    ftp.setHostName(QStringLiteral("127.0.0.1"));
    ftp.setPort(test::freeLoopbackPort());
    ftp.setUserName(QStringLiteral("maj"));
    ftp.setPassword(QStringLiteral("s3cret"));
    EXPECT_FALSE(ftp.connectToServer());
    // Never put into a URL: a host with a path or a user part in it.
    for (const char* host : {"127.0.0.1/x", "user@127.0.0.1", "", "127.0.0.1 x"}) {
        ftp.setHostName(QString::fromLatin1(host));
        ftp.setPort(21);
        EXPECT_FALSE(ftp.connectToServer()) << host;
    }
}

} // namespace
} // namespace vellumo
