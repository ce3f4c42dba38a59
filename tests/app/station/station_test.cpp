// The station without any window, in process on the offscreen platform with the recording tray: it
// starts, listens, stores what peers send, keeps what failed for a window to show, and says once where
// it listens.
#include "app/station/station.h"

#include "app/core/mod_vellumo.h"
#include "app/messaging/peer_message.h"
#include "app/store/message_store.h"
#include "http_server/gossamer.h"
#include "platform/store/database.h"
#include "platform/store/recordset.h"
#include "tests/support/event_loop.h"
#include "tests/support/peer_requests.h"
#include "tests/support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

class StationTest : public ::testing::Test, protected test::WindowFixture {
protected:
    const test::RecordingTrayShell::Icon* trayIcon() const {
        return tray.icons.empty() ? nullptr : &tray.icons.begin()->second;
    }
};

TEST_F(StationTest, RunsWithoutAWindowListensAndStoresWhatAPeerSends) {
    const int port = test::freeLoopbackPort();
    folder.writeSettings(port);
    makeState();
    Station station(*state);
    QStringList notices;
    station.setListeningNotice([&](const QString& line) { notices << line; });
    ASSERT_TRUE(station.Start());
    EXPECT_TRUE(station.StartReports().isEmpty());
    EXPECT_TRUE(station.server().ConnectedToPort);
    EXPECT_EQ(station.server().Port, port);
    ASSERT_NE(station.DataDB(), nullptr);
    ASSERT_NE(trayIcon(), nullptr);
    EXPECT_EQ(trayIcon()->tip, QStringLiteral("Vellumo"));
    EXPECT_EQ(notices, QStringList{Station::ListeningNotice(port, state->DataFolder())});

    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("Bonjour"), QStringLiteral("{\\rtf1 Bonjour}")};
    EXPECT_EQ(test::postMessageToHost(station, m, state->Settings.Key).status, 200);
    EXPECT_EQ(station.DataDB()->recordCount(), 1);
    EXPECT_EQ(station.DataDB()->text(QStringLiteral("Text")), QStringLiteral("Bonjour"));
}

TEST_F(StationTest, APortInUseAndAnUnreachableStoreAreKeptForTheStatusLineAndLogged) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, 0));
    folder.writeSettings(squatter.serverPort());
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("Vellumo.dbo")))); // a folder where the file goes
    makeState();
    Station station(*state);
    int notices = 0;
    station.setListeningNotice([&](const QString&) { ++notices; });
    ASSERT_TRUE(station.Start());
    EXPECT_EQ(station.DataDB(), nullptr);
    EXPECT_FALSE(station.server().ConnectedToPort);
    ASSERT_EQ(station.StartReports().size(), 2);
    EXPECT_TRUE(station.StartReports()[0].startsWith(QStringLiteral("Message database unreachable: ")))
        << station.StartReports()[0].toStdString();
    EXPECT_EQ(station.StartReports()[1],
              QStringLiteral("Port %1 is already in use: no message can be received.").arg(squatter.serverPort()));
    EXPECT_EQ(ui.events.size(), 2u);
    EXPECT_EQ(notices, 0);
    EXPECT_TRUE(ui.boxes.empty());

    // Without a store, a peer's message is refused as an internal error, and nothing is lost silently.
    PeerMessage m{QStringLiteral("PC-A"), QString(), QStringLiteral("ME;"), QStringLiteral("x"), QString()};
    EXPECT_EQ(test::postMessageToHost(station, m, state->Settings.Key).status, 500);

    // The port freed: the station listens again and says so, once.
    squatter.close();
    ASSERT_TRUE(test::waitUntil([&] { return station.server().ConnectedToPort; }, 20000));
    EXPECT_EQ(notices, 1);
}

TEST_F(StationTest, QuittingRemovesTheIconAndFreesTheFolder) {
    folder.writeSettings(test::freeLoopbackPort());
    makeState();
    Station station(*state);
    ASSERT_TRUE(station.Start());
    ASSERT_NE(trayIcon(), nullptr);
    station.RemoveTrayIcon();
    EXPECT_EQ(trayIcon(), nullptr);
    station.ReleaseLock();
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Vellumo.lock"))));
    modVellumo next(folder.path(), registry, shell);
    Station second(next);
    EXPECT_TRUE(second.Start());
}

TEST(StationNotice, IsOneLineWithThePortAndTheFolder) {
    EXPECT_EQ(Station::ListeningNotice(32666, QStringLiteral("/home/u/.local/share/vellumo")),
              QStringLiteral("vellumo: listening on port 32666; messages are kept in /home/u/.local/share/vellumo"));
}

} // namespace
} // namespace vellumo
