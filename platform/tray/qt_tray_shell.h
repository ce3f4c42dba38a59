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
// version 3 once an icon was added, which gives 10 seconds). The notification area is watched
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

    // The balloon's time-out the shell uses for a record's time-out field.
    static int balloonTimeoutMs(quint32 uTimeout);

private:
    struct Entry;
    using Key = std::pair<WindowHandle, quint32>;

    void apply(Entry& entry, const NotifyIconData& data);
    void notify(const Key& key, qintptr code);
    void watchTray();

    std::map<Key, std::unique_ptr<Entry>> entries_;
    QTimer trayWatch_;
    bool trayAvailable_ = false;
};

} // namespace vellumo
