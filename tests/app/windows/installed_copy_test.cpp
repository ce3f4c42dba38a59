// An installed copy: the program folder carries the install marker, so the station keeps the
// user's files (settings, databases, lock, downloads) in the user's XDG folders and writes nothing into
// the program folder. In process, on the offscreen platform, with the recording tray.
#include "app/windows/main/frm_main.h"

#include "app/core/mod_vellumo.h"
#include "app/messaging/peer_message.h"
#include "app/station/mod_update.h"
#include "app/station/station.h"
#include "app/store/message_store.h"
#include "http_server/gossamer.h"
#include "platform/runtime/user_folders.h"
#include "tests/support/fake_ftp_client.h"
#include "tests/support/peer_requests.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/window_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vellumo {
namespace {

// Every file and folder below root, with its size: what a run may not change in the program folder.
QStringList listing(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << QDir(root).relativeFilePath(it.filePath()) + QLatin1Char(' ') +
                       QString::number(it.fileInfo().size());
    }
    entries.sort();
    return entries;
}

class InstalledCopy : public ::testing::Test, protected test::WindowFixture {
protected:
    InstalledCopy() {
        env.set("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
        env.set("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
        QFile marker(folder.file(UserFolders::markerFileName()));
        EXPECT_TRUE(marker.open(QIODevice::WriteOnly));
    }

    QString configFile(const QString& name) const { return home.filePath(QStringLiteral("config/vellumo/") + name); }
    QString dataFile(const QString& name) const { return home.filePath(QStringLiteral("data/vellumo/") + name); }

    QTemporaryDir home;
    test::ScopedEnvironment env;
};

TEST_F(InstalledCopy, StartUpReadsAndWritesOnlyTheUsersFolders) {
    // A settings file left in the program folder is not the user's: its port must not be used.
    folder.writeSettings(test::freeLoopbackPort());
    const QStringList before = listing(folder.path());
    const int port = test::freeLoopbackPort();

    modVellumo& state = makeState();
    ASSERT_TRUE(state.Folders().installed());
    ASSERT_TRUE(state.Folders().make());
    {
        QFile ini(configFile(QStringLiteral("Vellumo.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Server]\r\nPort=" + QByteArray::number(port) + "\r\n");
    }
    EXPECT_EQ(state.Settings.SettingsFile(), configFile(QStringLiteral("Vellumo.ini")));

    Station station(state);
    ASSERT_TRUE(station.Start());
    frmMain w(station, *loader);
    w.setEndProcess([] {});
    w.Form_Load();
    EXPECT_TRUE(station.server().ConnectedToPort);
    EXPECT_EQ(station.server().Port, port);
    // The first run made the user's database from the program folder's template.
    EXPECT_TRUE(QFile::exists(dataFile(QStringLiteral("Vellumo.dbo"))));
    EXPECT_TRUE(QFile::exists(dataFile(QString::fromLatin1(InstanceLock::FileName))));

    PeerMessage m;
    m.FROM = QStringLiteral("PC-A");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("ME;");
    m.Text = QStringLiteral("Bonjour");
    m.RTF = QStringLiteral("{\\rtf1 Bonjour}");
    EXPECT_EQ(test::postMessageToHost(station, m, state.Settings.Key).status, 200);
    {
        Database db = Database::open(dataFile(QStringLiteral("Vellumo.dbo")));
        auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
        ASSERT_EQ(rs->recordCount(), 1);
        rs->moveFirst();
        EXPECT_EQ(rs->text(QStringLiteral("Text")), QStringLiteral("Bonjour"));
    }
    EXPECT_EQ(listing(folder.path()), before);
}

TEST_F(InstalledCopy, TheOtherFilesOfTheUserGoToTheUsersDataFolder) {
    modVellumo& state = makeState();
    ASSERT_TRUE(state.Folders().make());
    const QStringList before = listing(folder.path());
    EXPECT_EQ(state.DataFile(QStringLiteral("Users.dbo")), dataFile(QStringLiteral("Users.dbo")));
    // The favourites start as a copy of the template, which stays in the program folder.
    MessageStore::openUsers(state.DataFolder(), state.ProgramFolder()).close();
    EXPECT_TRUE(QFile::exists(dataFile(QStringLiteral("Users.dbo"))));
    // The online update downloads below the data folder.
    test::FakeFtpClient ftp;
    modUpdate update(state, ftp, nullptr, nullptr);
    EXPECT_EQ(update.DownloadFolder(), dataFile(QStringLiteral("Temp/")));
    EXPECT_EQ(listing(folder.path()), before);
}

} // namespace
} // namespace vellumo
