// The peer scan window over in-memory probes (nothing leaves the process): which hosts are probed on
// which port, the 200 ms step from network to network, what a late answer gets, refresh, close during
// a scan, and the names handed to the compose window. One case runs real sockets inside a network
// namespace of its own, with listeners on addresses that exist only there.
#include "app/windows/dialogs/frm_vellumo_explorer.h"

#include "app/ui/push_button.h"
#include "platform/net/name_resolver.h"
#include "platform/net/tcp_socket.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/fake_probe_network.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <ifaddrs.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

namespace vellumo {
namespace {

class ScanTest : public ::testing::Test, protected test::WindowFixture {
protected:
    ScanTest() : resolverScope(resolver) { makeState(); }

    frmVellumoExplorer& open(StreamSocketFactory probes = StreamSocketFactory()) {
        window =
            std::make_unique<frmVellumoExplorer>(*state, *loader, nullptr, probes ? std::move(probes) : net.factory());
        window->setRecipientsTarget([this](const QString& list) { picked = list; });
        return *window;
    }

    // Opens the window, lets its first activation start the scan and waits for the scan's end.
    frmVellumoExplorer& scan() {
        frmVellumoExplorer& w = open();
        w.show();
        EXPECT_TRUE(test::waitUntil([&] { return w.scansEnded() == 1; }, 10000));
        return w;
    }

    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < window->list().topLevelItemCount(); ++i)
            names << window->list().topLevelItem(i)->text(0);
        return names;
    }

    std::set<QString> hostsProbed() const {
        std::set<QString> hosts;
        for (const auto& a : net.attempts)
            hosts.insert(a.host);
        return hosts;
    }

    test::FakeNameResolver resolver;
    ScopedNameResolver resolverScope;
    test::FakeProbeNetwork net;
    std::unique_ptr<frmVellumoExplorer> window;
    std::optional<QString> picked;
};

TEST_F(ScanTest, ProbesEveryOtherHostOfTheOwnNetworkOnThePortAndListsThoseThatAccept) {
    // Loopback comes first in the station's list and is skipped; 40000 is above 32767 and is used as
    // it stands.
    resolver.setLocalAddresses({QStringLiteral("127.0.0.1"), QStringLiteral("192.168.1.20")});
    resolver.addHost(QStringLiteral("POSTE-07"), {QStringLiteral("192.168.1.7")});
    state->Settings.Port = 40000;
    net.accepting = {QStringLiteral("192.168.1.7"), QStringLiteral("192.168.1.255"), QStringLiteral("192.168.1.20")};

    frmVellumoExplorer& w = scan();

    ASSERT_EQ(net.attempts.size(), 254u);
    std::set<QString> expected;
    for (int i = 1; i <= 255; ++i)
        if (i != 20)
            expected.insert(QStringLiteral("192.168.1.%1").arg(i));
    EXPECT_EQ(hostsProbed(), expected);
    EXPECT_TRUE(std::all_of(net.attempts.begin(), net.attempts.end(), [](const auto& a) { return a.port == 40000; }));

    // A name where the address has one, the address itself (after the lookup's box) where not.
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("POSTE-07"), QStringLiteral("192.168.1.255")}));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("Call to gethostbyaddr failed."));
    for (int i = 0; i < w.list().topLevelItemCount(); ++i)
        EXPECT_EQ(w.list().topLevelItem(i)->checkState(0), Qt::Unchecked);

    // Done: the probes are gone, the timer is off, refresh is back, no no-peer text, arrow pointer.
    EXPECT_EQ(net.alive, 0);
    EXPECT_EQ(w.probesAlive(), 0);
    EXPECT_FALSE(w.timer().isActive());
    EXPECT_FALSE(w.refreshButton().isHidden());
    EXPECT_TRUE(w.noneUser().isHidden());
    EXPECT_FALSE(w.list().isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.windowTitle(), frmVellumoExplorer::Caption());
}

TEST_F(ScanTest, TheNextNetworkStartsOnTheTimerTickAndClosesThePreviousProbes) {
    resolver.setLocalAddresses({QStringLiteral("10.2.2.9"), QStringLiteral("10.1.1.5")});
    frmVellumoExplorer& w = open();
    w.show();
    // The first network's connects are all issued and the step timer runs.
    ASSERT_TRUE(test::waitUntil([&] { return w.timer().isActive(); }, 5000));
    EXPECT_EQ(w.currentAddress(), 1);
    EXPECT_EQ(net.attempts.size(), 254u);
    EXPECT_EQ(net.attempts.front().host, QStringLiteral("10.1.1.1"));
    EXPECT_EQ(w.timer().interval(), 200);

    // The second network: 10.2.2.x, every probe of the first closed before its connect.
    const int closesBefore = net.closes;
    ASSERT_TRUE(test::waitUntil([&] { return net.attempts.size() == 508u; }, 5000));
    EXPECT_EQ(w.currentAddress(), 2);
    EXPECT_GE(net.closes - closesBefore, 255);
    EXPECT_EQ(net.attempts[254].host, QStringLiteral("10.2.2.1"));
    // A host of the first network answering now finds no probe waiting for it.
    EXPECT_EQ(net.answer(QStringLiteral("10.1.1.77")), 0);
    // One of the second network answering within its window is listed.
    EXPECT_EQ(net.answer(QStringLiteral("10.2.2.77")), 1);

    // The scan ends on the next tick.
    ASSERT_TRUE(test::waitUntil([&] { return w.scansEnded() == 1; }, 5000));
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("10.2.2.77")}));
    EXPECT_EQ(net.alive, 0);
}

TEST_F(ScanTest, OnlyLoopbackEndsAtOnceWithTheNoPeerText) {
    resolver.setLocalAddresses({QStringLiteral("127.0.0.1")});
    frmVellumoExplorer& w = scan();
    EXPECT_TRUE(net.attempts.empty());
    EXPECT_EQ(w.list().topLevelItemCount(), 0);
    EXPECT_FALSE(w.noneUser().isHidden());
    EXPECT_EQ(w.noneUser().text(), frmVellumoExplorer::NoPeerText());
    EXPECT_FALSE(w.refreshButton().isHidden());
    EXPECT_EQ(net.alive, 0);
}

TEST_F(ScanTest, AddressesThatCannotBeListedEndTheScanLikeNoNetwork) {
    resolver.localAddressesError = 232;
    frmVellumoExplorer& w = scan();
    EXPECT_TRUE(net.attempts.empty());
    EXPECT_FALSE(w.noneUser().isHidden());
    ASSERT_FALSE(ui.events.empty());
    EXPECT_TRUE(ui.events.back().text.contains(QStringLiteral("GetIpAddrTable failed with return value 232")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ScanTest, ValiderHandsTheCheckedNamesInListOrderAndReplacesTheLine) {
    resolver.setLocalAddresses({QStringLiteral("192.168.1.20")});
    resolver.addHost(QStringLiteral("PC01"), {QStringLiteral("192.168.1.1")});
    resolver.addHost(QStringLiteral("PC02"), {QStringLiteral("192.168.1.2")});
    resolver.addHost(QStringLiteral("PC03"), {QStringLiteral("192.168.1.3")});
    net.accepting = {QStringLiteral("192.168.1.1"), QStringLiteral("192.168.1.2"), QStringLiteral("192.168.1.3")};
    state->OpenedFromCompose = true;
    frmVellumoExplorer& w = scan();
    ASSERT_EQ(listed(), (QStringList{QStringLiteral("PC01"), QStringLiteral("PC02"), QStringLiteral("PC03")}));

    // A click inverts the check of every selected item.
    w.list().topLevelItem(2)->setSelected(true);
    w.list().topLevelItem(0)->setSelected(true);
    w.Lvw_Click();
    w.list().clearSelection();
    w.list().topLevelItem(1)->setSelected(true);
    w.Lvw_Click();
    w.Lvw_Click(); // and back
    EXPECT_EQ(w.list().topLevelItem(1)->checkState(0), Qt::Unchecked);

    w.Btn_Valider_Click();
    EXPECT_EQ(picked, QStringLiteral("PC01;PC03;"));
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(state->OpenedFromCompose);
}

TEST_F(ScanTest, ValiderWithNothingCheckedEmptiesTheLineAndAnnulerHandsNothing) {
    resolver.setLocalAddresses({QStringLiteral("127.0.0.1")});
    frmVellumoExplorer& w = scan();
    w.Btn_Valider_Click();
    EXPECT_EQ(picked, QString());

    picked.reset();
    frmVellumoExplorer& again = scan();
    again.Btn_Annuler_Click();
    EXPECT_FALSE(picked.has_value());
    EXPECT_FALSE(again.isVisible());
}

TEST_F(ScanTest, EscapeDuringTheScanClosesLikeTheCloseBox) {
    resolver.setLocalAddresses({QStringLiteral("10.1.1.5")});
    state->OpenedFromCompose = true;
    frmVellumoExplorer& w = open();
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return w.timer().isActive(); }, 5000));
    w.reject();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(state->OpenedFromCompose);
    EXPECT_EQ(net.alive, 0);
    EXPECT_FALSE(w.timer().isActive());
}

TEST_F(ScanTest, LaterActivationsDoNotScanAgainButRefreshDoes) {
    resolver.setLocalAddresses({QStringLiteral("172.16.4.4")});
    net.accepting = {QStringLiteral("172.16.4.1")};
    frmVellumoExplorer& w = scan();
    ASSERT_EQ(net.created, 255);
    ASSERT_EQ(listed(), (QStringList{QStringLiteral("172.16.4.1")}));

    w.Form_Activate();
    w.hide();
    w.show();
    test::runEventLoopFor(50);
    EXPECT_EQ(net.created, 255);

    w.TeskButtonConcept1_Click();
    EXPECT_TRUE(test::waitUntil([&] { return w.scansEnded() == 2; }, 10000));
    EXPECT_EQ(net.created, 510);
    // The list was emptied first: one entry, not two.
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("172.16.4.1")}));
}

TEST_F(ScanTest, ClosingDuringTheScanDestroysTheProbesAndGivesThePointerBack) {
    resolver.setLocalAddresses({QStringLiteral("10.1.1.5"), QStringLiteral("10.2.2.9")});
    state->OpenedFromCompose = true;
    frmVellumoExplorer& w = open();
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return w.timer().isActive(); }, 5000));
    ASSERT_EQ(net.alive, 255);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);

    w.close();
    EXPECT_FALSE(state->OpenedFromCompose);
    EXPECT_EQ(net.alive, 0);
    EXPECT_FALSE(w.timer().isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const std::size_t attempts = net.attempts.size();
    test::runEventLoopFor(450);
    EXPECT_EQ(net.attempts.size(), attempts);
}

TEST_F(ScanTest, ClosingInTheMiddleOfTheFirstStepsStopsThere) {
    resolver.setLocalAddresses({QStringLiteral("10.1.1.5")});
    frmVellumoExplorer& w = open();
    // Close from inside the scan's own event pumping, while the probes are being made.
    QTimer::singleShot(0, &w, [&] { QTimer::singleShot(0, &w, [&] { w.close(); }); });
    w.show();
    test::runEventLoopFor(100);
    EXPECT_FALSE(w.scanning());
    EXPECT_EQ(net.alive, 0);
    EXPECT_TRUE(net.attempts.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ScanTest, AProbeDroppedWhileItsLookupBoxIsUpIsFreedAfterItsEvent) {
    // The unresolved name's box lets the step timer run: the scan ends and drops every probe, the
    // answering one included, while that probe's Connect event is still running.
    resolver.setLocalAddresses({QStringLiteral("10.9.9.9")});
    net.accepting = {QStringLiteral("10.9.9.1")};
    ui.onBox = [](const test::ShownBox&) { test::runEventLoopFor(450); };
    scan();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("10.9.9.1")}));
    EXPECT_TRUE(test::waitUntil([&] { return net.alive == 0; }, 2000));
}

TEST_F(ScanTest, TheWindowIsTranslatedFromTheLanguageFile) {
    state->Settings.CurrentLanguage = QStringLiteral("English");
    resolver.setLocalAddresses({QStringLiteral("127.0.0.1")});
    frmVellumoExplorer& w = scan();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Searching for connected Vellumo users"));
    EXPECT_EQ(w.noneUser().text(), QStringLiteral("No Vellumo user seems to be connected on the network"));
}

TEST_F(ScanTest, Screenshot) {
    resolver.setLocalAddresses({QStringLiteral("192.168.1.20")});
    resolver.addHost(QStringLiteral("POSTE-ACCUEIL"), {QStringLiteral("192.168.1.4")});
    resolver.addHost(QStringLiteral("POSTE-COMPTA"), {QStringLiteral("192.168.1.12")});
    net.accepting = {QStringLiteral("192.168.1.4"), QStringLiteral("192.168.1.12")};
    frmVellumoExplorer& w = scan();
    w.list().topLevelItem(1)->setCheckState(0, Qt::Checked);
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/peer_scan.png")));
}

// ---- real sockets, in a network namespace of the test's own ----------------------------------------

// The namespace holds only its own loopback interface, with 10.77.0.5/24 added to it: every address
// 10.77.0.x is local there and nowhere else. The station's list is 127.0.0.1 and 10.77.0.5.
constexpr const char* kInNamespace = "VELLUMO_SCAN_IN_NETNS";

bool onlyLoopbackInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool only = true;
    for (ifaddrs* a = list; a; a = a->ifa_next)
        only = only && QByteArray(a->ifa_name) == "lo";
    freeifaddrs(list);
    return only;
}

TEST_F(ScanTest, RealProbesInANamespaceListExactlyTheListeningHosts) {
    if (!qEnvironmentVariableIsSet(kInNamespace)) {
        // Outside: run this very test again inside a fresh user and network namespace.
        if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rn"), QStringLiteral("true")}) != 0)
            GTEST_SKIP() << "network namespaces are not available here";
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kInNamespace), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral("unshare"),
                    {QStringLiteral("-rn"), QStringLiteral("sh"), QStringLiteral("-c"),
                     QStringLiteral("ip link set lo up && ip addr add 10.77.0.5/24 dev lo && exec \"$0\" \"$@\""),
                     QCoreApplication::applicationFilePath(),
                     QStringLiteral("--gtest_filter=ScanTest.RealProbesInANamespaceListExactlyTheListeningHosts")});
        ASSERT_TRUE(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
        return;
    }

    // Inside: refuse to run anywhere but in the namespace made above.
    ASSERT_TRUE(onlyLoopbackInterfaces());
    // Listeners on the chosen port: two peers, the own address and a loopback one that must not be
    // probed.
    std::vector<std::unique_ptr<TcpSocket>> listeners;
    int accepted = 0;
    const auto listen = [&](const QString& address, int port) {
        auto l = std::make_unique<TcpSocket>();
        StreamSocket::Events e;
        e.ConnectionRequest = [&](std::int32_t) { ++accepted; };
        l->setEvents(e);
        l->Bind(port, address);
        l->Listen();
        listeners.push_back(std::move(l));
        return listeners.back()->LocalPort();
    };
    const int port = listen(QStringLiteral("10.77.0.1"), 0);
    ASSERT_GT(port, 0);
    listen(QStringLiteral("10.77.0.9"), port);
    listen(QStringLiteral("10.77.0.5"), port);
    listen(QStringLiteral("127.0.0.3"), port);
    state->Settings.Port = port;
    resolver.setLocalAddresses({QStringLiteral("127.0.0.1"), QStringLiteral("10.77.0.5")});
    resolver.addHost(QStringLiteral("PC01"), {QStringLiteral("10.77.0.1")});

    frmVellumoExplorer& w = open(StreamSocketFactory(&TcpSocket::create));
    w.show();
    ASSERT_TRUE(test::waitUntil([&] { return w.scansEnded() == 1; }, 20000));
    QStringList names = listed();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("10.77.0.9"), QStringLiteral("PC01")}));
    EXPECT_EQ(accepted, 2);
}

} // namespace
} // namespace vellumo
