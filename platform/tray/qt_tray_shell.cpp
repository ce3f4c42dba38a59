#include "platform/tray/qt_tray_shell.h"

#include "platform/runtime/windows1252.h"

#include <QRect>
#include <QSystemTrayIcon>

#include <algorithm>

namespace vellumo {

struct QtTrayShell::Entry {
    std::unique_ptr<QSystemTrayIcon> icon;
    quint32 callbackMessage = 0;
    QIcon picture;
    QTimer balloonTimer;
    bool balloonShown = false;
    // The balloon to show once the current turn of the event loop is done.
    bool balloonPending = false;
    QString pendingTitle, pendingText;
    quint32 pendingInfoFlags = 0;
    int pendingTimeoutMs = 0;
    // The wait for the tray host to take the icon in, before a balloon drawn at the icon shows.
    QTimer placementTimer;
    int placementWaitedMs = 0;
};

namespace {

// A balloon that Qt draws itself points at the icon's place. The tray host takes a new icon in a
// moment after it is shown; until then the icon stands at the screen's origin, and so would the
// balloon. Where the desktop shows the balloon (a status-notifier tray: no place known) or there is
// no tray at all, there is nothing to wait for.
bool iconPlaced(const QSystemTrayIcon& icon) {
    if (!icon.isVisible() || !QSystemTrayIcon::isSystemTrayAvailable())
        return true;
    const QRect place = icon.geometry();
    return !place.isValid() || place.topLeft() != QPoint(0, 0);
}

} // namespace

QtTrayShell::QtTrayShell() {
    trayWatch_.setInterval(2000);
    connect(&trayWatch_, &QTimer::timeout, this, &QtTrayShell::watchTray);
}

QtTrayShell::~QtTrayShell() = default;

int QtTrayShell::balloonTimeoutMs(quint32 uTimeout) {
    return static_cast<int>(std::clamp<quint32>(uTimeout, 10000, 30000));
}

bool QtTrayShell::notifyIcon(int message, const NotifyIconData& data) {
    const Key key{data.hWnd, data.uID};
    const auto it = entries_.find(key);
    switch (message) {
    case NIM_ADD: {
        if (it != entries_.end() || !MessageWindow::isWindow(data.hWnd))
            return false;
        auto entry = std::make_unique<Entry>();
        entry->icon = std::make_unique<QSystemTrayIcon>(this);
        entry->balloonTimer.setSingleShot(true);
        entry->placementTimer.setSingleShot(true);
        entry->placementTimer.setInterval(PlacementPollMs);
        Entry& e = *entry;
        connect(e.icon.get(), &QSystemTrayIcon::activated, this, [this, key](QSystemTrayIcon::ActivationReason r) {
            switch (r) {
            case QSystemTrayIcon::Trigger:
                notify(key, 513), notify(key, 514);
                break;
            case QSystemTrayIcon::DoubleClick:
                notify(key, 515), notify(key, 514);
                break;
            case QSystemTrayIcon::Context:
                notify(key, 516), notify(key, 517);
                break;
            case QSystemTrayIcon::MiddleClick:
                notify(key, 519), notify(key, 520);
                break;
            default:
                break;
            }
        });
        connect(e.icon.get(), &QSystemTrayIcon::messageClicked, this, [this, key] {
            const auto found = entries_.find(key);
            if (found == entries_.end() || !found->second->balloonShown)
                return;
            found->second->balloonShown = false;
            found->second->balloonTimer.stop();
            notify(key, NIN_BALLOONUSERCLICK);
        });
        connect(&e.placementTimer, &QTimer::timeout, this, [this, key] { showPendingBalloon(key); });
        connect(&e.balloonTimer, &QTimer::timeout, this, [this, key] {
            const auto found = entries_.find(key);
            if (found == entries_.end() || !found->second->balloonShown)
                return;
            found->second->balloonShown = false;
            notify(key, NIN_BALLOONTIMEOUT);
        });
        entries_.emplace(key, std::move(entry));
        apply(key, e, data);
        if (!trayWatch_.isActive()) {
            trayAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
            trayWatch_.start();
        }
        return true;
    }
    case NIM_MODIFY:
        if (it == entries_.end())
            return false;
        apply(key, *it->second, data);
        return true;
    case NIM_DELETE:
        if (it == entries_.end())
            return false;
        entries_.erase(it);
        if (entries_.empty())
            trayWatch_.stop();
        return true;
    default:
        return false;
    }
}

void QtTrayShell::apply(const Key& key, Entry& e, const NotifyIconData& data) {
    const bool extended = data.cbSize >= static_cast<quint32>(SizeV2);
    if (data.uFlags & NIF_MESSAGE)
        e.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        e.picture = data.hIcon;
        e.icon->setIcon(data.hIcon);
        // Qt shows no icon without a picture; the entry stays and shows once it has one.
        e.icon->setVisible(!data.hIcon.isNull());
    }
    if (data.uFlags & NIF_TIP)
        e.icon->setToolTip(cp1252::decode(extended ? data.szTip.left(127) : data.szTip.left(63)));
    if (!(data.uFlags & NIF_INFO) || !extended)
        return;
    if (data.szInfo.isEmpty()) {
        // A balloon not shown yet is simply not shown.
        e.balloonPending = false;
        // The desktop cannot take back a notification it shows; the balloon ends for the owner.
        if (e.balloonShown) {
            e.balloonShown = false;
            e.balloonTimer.stop();
            notify(key, NIN_BALLOONHIDE);
        }
        return;
    }
    e.pendingTitle = cp1252::decode(data.szInfoTitle.left(63));
    e.pendingText = cp1252::decode(data.szInfo.left(255));
    e.pendingInfoFlags = data.dwInfoFlags;
    e.pendingTimeoutMs = balloonTimeoutMs(data.uTimeoutOrVersion);
    if (e.balloonPending)
        return; // already on its way, with the texts just taken
    e.balloonPending = true;
    e.placementWaitedMs = 0;
    QMetaObject::invokeMethod(
        this, [this, key] { showPendingBalloon(key); }, Qt::QueuedConnection);
}

void QtTrayShell::showPendingBalloon(const Key& key) {
    const auto it = entries_.find(key);
    if (it == entries_.end() || !it->second->balloonPending)
        return;
    Entry& e = *it->second;
    // Start-up's other steps go on meanwhile: the balloon alone waits, and not for long.
    if (!iconPlaced(*e.icon) && e.placementWaitedMs < MaxPlacementWaitMs) {
        e.placementWaitedMs += PlacementPollMs;
        e.placementTimer.start();
        return;
    }
    e.balloonPending = false;
    showNotification(*e.icon, e.pendingTitle, e.pendingText, e.pendingInfoFlags, e.picture, e.pendingTimeoutMs);
    e.balloonShown = true;
    e.balloonTimer.start(e.pendingTimeoutMs);
    notify(key, NIN_BALLOONSHOW);
}

void QtTrayShell::showNotification(QSystemTrayIcon& icon, const QString& title, const QString& text, quint32 infoFlags,
                                   const QIcon& picture, int timeoutMs) {
    switch (infoFlags & NIIF_ICON_MASK) {
    case NIIF_INFO:
        icon.showMessage(title, text, QSystemTrayIcon::Information, timeoutMs);
        break;
    case NIIF_WARNING:
        icon.showMessage(title, text, QSystemTrayIcon::Warning, timeoutMs);
        break;
    case NIIF_ERROR:
        icon.showMessage(title, text, QSystemTrayIcon::Critical, timeoutMs);
        break;
    case NIIF_USER:
        icon.showMessage(title, text, picture, timeoutMs);
        break;
    default:
        icon.showMessage(title, text, QSystemTrayIcon::NoIcon, timeoutMs);
        break;
    }
}

void QtTrayShell::notify(const Key& key, qintptr code) {
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return;
    MessageWindow::postMessage(key.first, it->second->callbackMessage, static_cast<qintptr>(key.second), code);
}

void QtTrayShell::watchTray() {
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    const bool cameBack = available && !trayAvailable_;
    trayAvailable_ = available;
    if (!cameBack)
        return;
    // The new tray knows none of the icons: drop them and let their owners add them again.
    entries_.clear();
    MessageWindow::broadcastMessage(MessageWindow::registerWindowMessage(QString::fromLatin1(TaskbarCreated)), 0, 0);
}

} // namespace vellumo
