// cSystray on the desktop backend (QtTrayShell), as the main window drives it: however many modifies a
// balloon request takes (icon, text, title, then BalloonShow), the desktop gets one notification per
// request, with the texts the request ended with. The offscreen platform shows nothing, so the shell's
// one door to the desktop counts what goes through it.

#include "tray/c_systray.h"

#include "platform/tray/qt_tray_shell.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace vellumo {
namespace {

class CountingDesktopShell : public QtTrayShell {
public:
    QStringList shown; // "title: text" per notification
    std::vector<quint32> iconKinds;

protected:
    void showNotification(QSystemTrayIcon&, const QString& title, const QString& text, quint32 infoFlags, const QIcon&,
                          int) override {
        shown << title + QStringLiteral(": ") + text;
        iconKinds.push_back(infoFlags & TrayShell::NIIF_ICON_MASK);
    }
};

// One balloon request of the main window (its ShowSystrayMessage, and its start-up before the icon).
void request(cSystray& tray, const QString& text, const QString& title, int icon) {
    tray.setBalloonIcon(icon);
    tray.setBalloonText(text);
    tray.setBalloonTitle(title);
    tray.BalloonShow(true, 10000, false);
}

void letEventsRun() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();
}

QIcon blueIcon() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    return QIcon(QPixmap::fromImage(image));
}

struct BalloonCase {
    const char* name;
    // Requests as "text|title|icon"; "-" lets the event loop run between two requests.
    std::vector<const char*> requests;
    std::vector<const char*> expected; // "title: text" of each notification, in order
};

class SystrayOnTheDesktop : public ::testing::TestWithParam<BalloonCase> {};

TEST_P(SystrayOnTheDesktop, OneNotificationPerBalloonRequest) {
    CountingDesktopShell shell;
    cSystray tray(shell);
    ASSERT_TRUE(tray.IsBalloonCapable());
    // The start-up of the main window: the waiting balloon is set before the icon is added.
    tray.setBalloonIcon(4);
    tray.setBalloonText(QStringLiteral("En attente de message..."));
    tray.setBalloonTitle(QStringLiteral("Vellumo"));
    tray.SysTrayIconFromHandle(blueIcon());
    tray.setSysTrayToolTip(QStringLiteral("Vellumo"));
    tray.SysTrayShow(true);
    tray.BalloonShow(true, 10000, false);
    letEventsRun();

    for (const char* r : GetParam().requests) {
        const QStringList parts = QString::fromUtf8(r).split(u'|');
        if (parts.size() == 3)
            request(tray, parts[0], parts[1], parts[2].toInt());
        else
            letEventsRun();
    }
    letEventsRun();
    QStringList expected{QStringLiteral("Vellumo: En attente de message...")};
    for (const char* e : GetParam().expected)
        expected << QString::fromUtf8(e);
    EXPECT_EQ(shell.shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Balloons, SystrayOnTheDesktop,
    ::testing::Values(BalloonCase{"start_up_only", {}, {}},
                      BalloonCase{
                          "one_report", {"PC9 à reçu le message|Vellumo|1"}, {"Vellumo: PC9 à reçu le message"}},
                      BalloonCase{"two_reports_one_after_the_other",
                                  {"PC1 à reçu le message|Vellumo|1", "-", "PC2 ne semble pas connecté|Vellumo|2"},
                                  {"Vellumo: PC1 à reçu le message", "Vellumo: PC2 ne semble pas connecté"}},
                      BalloonCase{"two_reports_in_one_turn_the_later_replaces",
                                  {"PC1 à reçu le message|Vellumo|1", "Erreur : refus|Erreur réseau|2"},
                                  {"Erreur réseau: Erreur : refus"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SystrayOnTheDesktopShell, TheBalloonKeepsItsIconAndABalloonTakenBackIsNotShown) {
    CountingDesktopShell shell;
    cSystray tray(shell);
    tray.SysTrayIconFromHandle(blueIcon());
    tray.SysTrayShow(true);
    request(tray, QStringLiteral("Attention"), QStringLiteral("Vellumo"), 2);
    letEventsRun();
    EXPECT_EQ(shell.iconKinds, std::vector<quint32>({2u}));

    // Shown and taken back before the desktop got it: nothing reaches the desktop.
    request(tray, QStringLiteral("Bref"), QStringLiteral("Vellumo"), 1);
    tray.BalloonShow(false, -1, false);
    letEventsRun();
    EXPECT_EQ(shell.shown, QStringList({QStringLiteral("Vellumo: Attention")}));

    // Released with a balloon on its way: nothing is shown for an icon that is gone.
    request(tray, QStringLiteral("Trop tard"), QStringLiteral("Vellumo"), 1);
    tray.SysTrayShow(false);
    letEventsRun();
    EXPECT_EQ(shell.shown.size(), 1);
}

} // namespace
} // namespace vellumo
