#pragma once
// QtTrayShell: the desktop backend of TrayShell, over QSystemTrayIcon (the status-notifier tray of
// Linux desktops). One QSystemTrayIcon per (window, identifier). What the user does becomes the
// shell's notification codes, posted to the icon's window:
//
//   left click 513, 514     double click 515, 514     right click (context) 516, 517
//   middle click 519, 520   balloon: shown 1026, hidden by a modify with empty text 1027,
//                            timed out 1028, clicked 1029
//
// A balloon is a desktop notification with the record's title, text and icon. Its time-out is the
// record's time-out field held to 10 to 30 seconds, as the classic shell did (the field holds the
// version 3 once an icon was added, which gives 10 seconds).
//
// One balloon request is one notification. The classic shell shows the balloon again on every modify
// that carries a balloon text, and its new balloon takes the old one's place, so an owner that sets
// the icon, the text and the title and then shows the balloon sees one balloon. A desktop
// notification does not take the place of the one before: each would stay on the screen. So a modify
// with a balloon text only records what to show, and the notification goes out once the modifies of
// that turn of the event loop are done, with the record as it stands then; a modify with an empty
// text in between takes a balloon not yet shown back silently. A balloon that Qt draws itself points at
// the icon, so it waits (up to MaxPlacementWaitMs) until the tray host has taken a new icon in: an
// icon not yet embedded stands at the screen's top-left corner. Where Qt's own balloon is in use (a
// tray without desktop notifications), a later balloon replaces the shown one. The notification area is watched
// every two seconds; when it comes back after being away, every icon is dropped and
// "TaskbarCreated" is broadcast so that the owners add their icons again.
//
// Owned by trayShell() for the whole run; GUI thread only. Shell version 6.

#include "platform/tray/tray_shell.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>
#include <utility>

class QSystemTrayIcon;

namespace vellumo {

class QtTrayShell : public QObject, public TrayShell {
    Q_OBJECT
public:
    QtTrayShell();
    ~QtTrayShell() override;

    bool notifyIcon(int message, const NotifyIconData& data) override;
    int shellVersion() const override { return 6; }

    // How long a balloon waits for its icon to be taken into the tray, and how often it looks.
    static constexpr int MaxPlacementWaitMs = 3000;
    static constexpr int PlacementPollMs = 50;

    // The balloon's time-out the shell uses for a record's time-out field.
    static int balloonTimeoutMs(quint32 uTimeout);

protected:
    // Puts one notification on the desktop: the one place where a balloon leaves this shell (tests
    // count the calls here, since the offscreen platform shows nothing).
    virtual void showNotification(QSystemTrayIcon& icon, const QString& title, const QString& text, quint32 infoFlags,
                                  const QIcon& picture, int timeoutMs);

private:
    struct Entry;
    using Key = std::pair<WindowHandle, quint32>;

    void apply(const Key& key, Entry& entry, const NotifyIconData& data);
    void showPendingBalloon(const Key& key);
    void notify(const Key& key, qintptr code);
    void watchTray();

    std::map<Key, std::unique_ptr<Entry>> entries_;
    QTimer trayWatch_;
    bool trayAvailable_ = false;
};

} // namespace vellumo
