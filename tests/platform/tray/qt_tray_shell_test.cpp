// The desktop tray backend on the offscreen platform: the icon's clicks and balloons become the
// shell's notification codes on the icon's window, a balloon goes to the desktop once per turn of
// the event loop however many modifies set it, and the balloon's time-out is held to the shell's
// limits. The offscreen platform shows nothing: the shell's one door to the desktop is counted.

#include "platform/tray/qt_tray_shell.h"

#include "platform/runtime/windows1252.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

class CountingShell : public QtTrayShell {
public:
    QStringList shown; // "title: text" of each notification

protected:
    void showNotification(QSystemTrayIcon&, const QString& title, const QString& text, quint32, const QIcon&,
                          int) override {
        shown << title + QStringLiteral(": ") + text;
    }
};

class QtTrayShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        MessageWindow::setWindowProc(window.handle(), [this](WindowHandle, quint32 m, qintptr w, qintptr l) -> qintptr {
            if (m == 512 && w == 9)
                codes << l;
            return 0;
        });
        record.cbSize = TrayShell::SizeV3;
        record.hWnd = window.handle();
        record.uID = 9;
        record.uCallbackMessage = 512;
        record.uFlags = TrayShell::NIF_MESSAGE | TrayShell::NIF_TIP;
        record.szTip = cp1252::encode(u"Vellumo");
        record.uTimeoutOrVersion = 3;
    }
    // Lets the posted events run: the shell's own (a balloon goes out once the turn is over), then
    // the notifications they post to the icon's window.
    QList<qintptr> deliver() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
        QList<qintptr> out = codes;
        codes.clear();
        return out;
    }
    QSystemTrayIcon* icon() {
        const auto icons = shell.findChildren<QSystemTrayIcon*>();
        return icons.size() == 1 ? icons.first() : nullptr;
    }

    MessageWindow window;
    CountingShell shell;
    NotifyIconData record;
    QList<qintptr> codes;
};

TEST_F(QtTrayShellTest, ClicksBecomeNotificationCodes) {
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_ADD, record));
    EXPECT_FALSE(shell.notifyIcon(TrayShell::NIM_ADD, record));
    ASSERT_NE(icon(), nullptr);
    EXPECT_EQ(icon()->toolTip(), QStringLiteral("Vellumo"));
    emit icon()->activated(QSystemTrayIcon::Trigger);
    emit icon()->activated(QSystemTrayIcon::DoubleClick);
    emit icon()->activated(QSystemTrayIcon::Context);
    emit icon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(deliver(), QList<qintptr>({513, 514, 515, 514, 516, 517, 519, 520}));
    EXPECT_TRUE(shell.notifyIcon(TrayShell::NIM_DELETE, record));
    EXPECT_FALSE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(icon(), nullptr);
}

TEST_F(QtTrayShellTest, BalloonShownClickedAndTakenAway) {
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_ADD, record));
    record.uFlags = TrayShell::NIF_INFO;
    record.szInfo = cp1252::encode(u"En attente de message...");
    record.szInfoTitle = cp1252::encode(u"Vellumo");
    record.dwInfoFlags = TrayShell::NIIF_USER;
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(deliver(), QList<qintptr>({1026}));
    EXPECT_EQ(shell.shown, QStringList({QStringLiteral("Vellumo: En attente de message...")}));
    emit icon()->messageClicked();
    emit icon()->messageClicked(); // a second click on a balloon already gone is nothing
    EXPECT_EQ(deliver(), QList<qintptr>({1029}));

    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(deliver(), QList<qintptr>({1026}));
    record.szInfo.clear();
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(deliver(), QList<qintptr>({1027}));
    EXPECT_EQ(shell.shown.size(), 2);

    // The smallest record has no balloon fields.
    record.cbSize = TrayShell::SizeV1;
    record.szInfo = cp1252::encode(u"x");
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(shell.shown.size(), 2);
}

TEST_F(QtTrayShellTest, ModifiesOfOneTurnMakeOneNotification) {
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_ADD, record));
    // Icon, text, title, then the show itself: each modify carries the balloon text.
    record.uFlags = TrayShell::NIF_TIP | TrayShell::NIF_INFO;
    record.dwInfoFlags = TrayShell::NIIF_WARNING;
    record.szInfo = cp1252::encode(u"PC9 ne semble pas connecté");
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    record.szInfoTitle = cp1252::encode(u"Vellumo");
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    record.uFlags = TrayShell::NIF_INFO;
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(deliver(), QList<qintptr>({1026}));
    EXPECT_EQ(shell.shown, QStringList({QStringLiteral("Vellumo: PC9 ne semble pas connecté")}));

    // A new balloon set and taken back in the same turn never reaches the desktop; only the balloon
    // shown before ends for the owner.
    record.szInfo = cp1252::encode(u"Bref");
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    record.szInfo.clear();
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    EXPECT_EQ(deliver(), QList<qintptr>({1027}));
    EXPECT_EQ(shell.shown.size(), 1);

    // An icon deleted with its balloon on the way shows nothing.
    record.szInfo = cp1252::encode(u"Trop tard");
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_DELETE, record));
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(shell.shown.size(), 1);
}

// The senders report in a balloon all day long: a thousand balloons, shown through the desktop's own
// door, leave the shell and the application holding what they held.
TEST(QtTrayShell, AThousandBalloonsAddNothing) {
    MessageWindow window;
    QtTrayShell shell;
    NotifyIconData record;
    record.cbSize = TrayShell::SizeV3;
    record.hWnd = window.handle();
    record.uID = 9;
    record.uCallbackMessage = 512;
    record.uFlags = TrayShell::NIF_MESSAGE | TrayShell::NIF_ICON;
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    record.hIcon = QIcon(picture);
    ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_ADD, record));
    record.uFlags = TrayShell::NIF_INFO;
    record.szInfoTitle = cp1252::encode(u"Vellumo");
    const auto balloon = [&](int i) {
        record.dwInfoFlags = i % 2 == 0 ? TrayShell::NIIF_INFO : TrayShell::NIIF_WARNING;
        record.szInfo = cp1252::encode(QStringLiteral("PC%1 à reçu le message").arg(i));
        ASSERT_TRUE(shell.notifyIcon(TrayShell::NIM_MODIFY, record));
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::sendPostedEvents();
    };
    for (int i = 0; i < 10; ++i)
        balloon(i);
    const qsizetype objects = shell.findChildren<QObject*>().size();
    const qsizetype windows = QApplication::allWidgets().size();
    for (int i = 0; i < 1000; ++i)
        balloon(i);
    EXPECT_EQ(shell.findChildren<QObject*>().size(), objects);
    EXPECT_EQ(QApplication::allWidgets().size(), windows);
}

TEST(QtTrayShell, BalloonTimeOutIsHeldToTheShellsLimits) {
    EXPECT_EQ(QtTrayShell::balloonTimeoutMs(3), 10000);
    EXPECT_EQ(QtTrayShell::balloonTimeoutMs(15000), 15000);
    EXPECT_EQ(QtTrayShell::balloonTimeoutMs(0xFFFFFFFFu), 30000);
    EXPECT_EQ(QtTrayShell().shellVersion(), 6);
}

} // namespace
} // namespace vellumo
