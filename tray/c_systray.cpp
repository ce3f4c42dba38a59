#include "tray/c_systray.h"

#include "platform/runtime/windows1252.h"
#include "platform/tray/callback_table.h"

#include <QImageReader>
#include <QPixmap>
#include <QPointer>

#include <array>

namespace vellumo {

namespace {

constexpr int TipBytes = 127, InfoBytes = 255, InfoTitleBytes = 63;
constexpr quint32 NotifyIconVersion = 3;

quint32 nextIconId() {
    static quint32 next = 0;
    next += 2; // the balloon timer takes the identifier + 1
    return next;
}

// The text as the record holds it: code page bytes, cut so that the field keeps its NUL.
QByteArray field(const QString& text, int bytes) {
    return cp1252::encode(text).left(bytes);
}

// Trims spaces only: tabs and line breaks stay, as the tooltip has always been trimmed.
QString trimSpaces(const QString& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

// One picture of an icon file (or of a file with several), scaled to the size asked for.
QIcon readIcon(const QString& path, int index, int size) {
    QImageReader reader(path);
    if (index > 0 && !reader.jumpToImage(index))
        return {};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    const QImage sized = image.size() == QSize(size, size)
                             ? image
                             : image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QIcon(QPixmap::fromImage(sized));
}

} // namespace

// Declaration order of the handlers: ordinal 1 (the last) is the window handler, 2 the timer's.
std::span<const RoutedHandler> cSystray::routedHandlers() const {
    static const std::array<RoutedHandler, 2> handlers{RoutedHandler(&balloonTimerThunk), RoutedHandler(&trayWndThunk)};
    return handlers;
}

void cSystray::trayWndThunk(RoutedObject& owner, bool bBefore, bool& bHandled, qintptr& lReturn, WindowHandle lng_hWnd,
                            quint32 uMsg, qintptr wParam, qintptr lParam, qintptr& lParamUser) {
    // Reached only through cSystray's own handler list, so the owner is a cSystray.
    static_cast<cSystray&>(owner).TrayWndProc(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam, lParamUser);
}

qintptr cSystray::balloonTimerThunk(RoutedObject& owner, std::span<const qintptr> args) {
    return static_cast<cSystray&>(owner).BalloonTimerProc(args[0], args[1], args[2], args[3]);
}

quint32 cSystray::recordSizeFor(int shellVersion) {
    if (shellVersion <= 0)
        return 0; // no readable version: no shell takes a record of size 0
    if (shellVersion < 5)
        return TrayShell::SizeV1;
    if (shellVersion == 5)
        return TrayShell::SizeV2;
    return TrayShell::SizeV3;
}

cSystray::cSystray(TrayShell& shell, QObject* parent)
    : RoutedObject(parent), m_shell(shell), m_uID(nextIconId()), m_subclass(*this, QStringLiteral("cSystray")) {
    if (m_lRecordSize == 0)
        m_lRecordSize = recordSizeFor(m_shell.shellVersion());
    m_window = std::make_unique<MessageWindow>(false);
    m_uTaskbarMsg = MessageWindow::registerWindowMessage(QString::fromLatin1(TrayShell::TaskbarCreated));
    if (m_subclass.ssc_Subclass(m_window->handle(), 0, 1, this)) {
        m_subclass.ssc_WatchMsg(m_window->handle(), static_cast<qint32>(CallbackMessage), Subclasser::MSG_AFTER);
        m_subclass.ssc_WatchMsg(m_window->handle(), static_cast<qint32>(m_uTaskbarMsg), Subclasser::MSG_AFTER);
    }
}

cSystray::~cSystray() {
    SysTrayShow(false);
    m_hLoadedIcon = QIcon();
    m_subclass.ssc_ReleaseAll();
    m_window->destroy();
    m_subclass.scb_ReleaseAll();
}

WindowHandle cSystray::lhWnd() const {
    return m_window->handle();
}

void cSystray::send(int message) {
    m_shell.notifyIcon(message, m_nid);
} // the shell's answer is not used

void cSystray::stopBalloonTimer() {
    MessageWindow::killTimer(m_window->handle(), m_uID + 1);
}

void cSystray::SysTrayShow(bool bShow) {
    if (!bShow) {
        if (!m_bShown)
            return;
        stopBalloonTimer();
        send(TrayShell::NIM_DELETE);
        m_bShown = false;
        return;
    }
    if (!m_bShown) {
        m_nid.uTimeoutOrVersion = NotifyIconVersion;
        m_nid.cbSize = m_lRecordSize;
        m_nid.hWnd = m_window->handle();
        m_nid.uID = m_uID;
        m_nid.uCallbackMessage = CallbackMessage;
    }
    quint32 flags = TrayShell::NIF_MESSAGE;
    if (!m_hIcon.isNull()) {
        flags = TrayShell::NIF_MESSAGE | TrayShell::NIF_ICON;
        m_nid.hIcon = m_hIcon;
    }
    if (!m_sToolTip.isEmpty()) {
        flags |= TrayShell::NIF_TIP;
        m_nid.szTip = field(m_sToolTip, TipBytes);
    }
    m_nid.uFlags = flags;
    send(m_bShown ? TrayShell::NIM_MODIFY : TrayShell::NIM_ADD);
    m_bShown = true;
}

bool cSystray::BalloonShow(bool bShow, qint32 lTimeout, bool bNoSound) {
    if (!IsBalloonCapable())
        return false;
    if (bShow) {
        BalloonShow(false, -1, false);
        m_lBalloonTimeout = lTimeout;
        m_nid.uFlags = TrayShell::NIF_INFO;
        m_nid.szInfo = field(m_sBalloonText, InfoBytes);
        m_nid.szInfoTitle = field(m_sBalloonTitle, InfoTitleBytes);
        m_nid.dwInfoFlags = static_cast<quint32>(m_lBalloonIcon) | (bNoSound ? TrayShell::NIIF_NOSOUND : 0);
        send(TrayShell::NIM_MODIFY);
    } else {
        m_nid.uFlags = TrayShell::NIF_INFO;
        m_nid.szInfo.clear();
        m_nid.szInfoTitle.clear();
        send(TrayShell::NIM_MODIFY);
        stopBalloonTimer();
    }
    return true;
}

void cSystray::BeforePopup() {
    // The classic shell needed the icon's window in the foreground so that a click elsewhere closes
    // the tray menu; Qt's pop-up menus close by themselves, so there is nothing to bring forward.
}

void cSystray::SysTrayIconFromHandle(const QIcon& lIcon) {
    m_hIcon = lIcon;
    if (m_bShown) {
        m_nid.uFlags = TrayShell::NIF_ICON;
        m_nid.hIcon = m_hIcon;
        send(TrayShell::NIM_MODIFY);
    }
}

bool cSystray::setLoadedIcon(const QIcon& icon) {
    if (icon.isNull())
        return false;
    m_hLoadedIcon = icon;
    SysTrayIconFromHandle(m_hLoadedIcon);
    return true;
}

bool cSystray::SysTrayIconFromFile(const QString& sFile) {
    m_hLoadedIcon = QIcon();
    return setLoadedIcon(readIcon(sFile, 0, 16));
}

bool cSystray::SysTrayIconFromRes(const QString& sResName) {
    m_hLoadedIcon = QIcon();
    // The program's own resources are Qt resources.
    return setLoadedIcon(readIcon(QStringLiteral(":/") + sResName, 0, 16));
}

bool cSystray::SysTrayIconFromCompRes(const QString& sResFile, qint32 lIconIndex) {
    m_hLoadedIcon = QIcon();
    if (lIconIndex < 0)
        return false;
    return setLoadedIcon(readIcon(sResFile, lIconIndex, 32));
}

void cSystray::setSysTrayToolTip(const QString& New_ToolTip) {
    m_sToolTip = trimSpaces(New_ToolTip);
    m_nid.uFlags = TrayShell::NIF_TIP;
    m_nid.szTip = field(m_sToolTip, TipBytes);
    send(TrayShell::NIM_MODIFY);
}

void cSystray::setBalloonIcon(qint32 Icon) {
    if (!IsBalloonCapable())
        return;
    m_lBalloonIcon = Icon;
    m_nid.dwInfoFlags = static_cast<quint32>(Icon);
    m_nid.uFlags = TrayShell::NIF_TIP | TrayShell::NIF_INFO;
    send(TrayShell::NIM_MODIFY);
}

void cSystray::setBalloonTitle(const QString& sTitle) {
    if (!IsBalloonCapable())
        return;
    m_sBalloonTitle = sTitle;
    m_nid.szInfoTitle = field(sTitle, InfoTitleBytes);
    m_nid.uFlags = TrayShell::NIF_TIP | TrayShell::NIF_INFO;
    send(TrayShell::NIM_MODIFY);
}

void cSystray::setBalloonText(const QString& sText) {
    if (!IsBalloonCapable())
        return;
    m_sBalloonText = sText;
    m_nid.szInfo = field(sText, InfoBytes);
    m_nid.uFlags = TrayShell::NIF_TIP | TrayShell::NIF_INFO;
    send(TrayShell::NIM_MODIFY);
}

qintptr cSystray::BalloonTimerProc(WindowHandle, qintptr, qintptr, qintptr) {
    BalloonShow(false, -1, false);
    return 0;
}

void cSystray::TrayWndProc(bool, bool&, qintptr&, WindowHandle lng_hWnd, quint32 uMsg, qintptr, qintptr lParam,
                           qintptr&) {
    if (uMsg == m_uTaskbarMsg && m_uTaskbarMsg != 0) {
        if (m_bShown) {
            m_bShown = false;
            SysTrayShow(true);
        }
        return;
    }
    if (uMsg != CallbackMessage || lng_hWnd != m_window->handle())
        return;

    // An event handler may destroy this object; nothing of it is touched once it is gone.
    const QPointer<cSystray> alive(this);
    const qintptr code = lParam;
    if (code == TrayShell::NIN_BALLOONHIDE || code == TrayShell::NIN_BALLOONTIMEOUT ||
        code == TrayShell::NIN_BALLOONUSERCLICK)
        stopBalloonTimer();

    if (code >= 512 && code <= 521) {
        if (code == 512) {
            emit MouseMove();
        } else {
            static constexpr qint16 buttons[3] = {1, 2, 4};
            qint16 Button = buttons[(code - 513) / 3];
            switch ((code - 513) % 3) {
            case 0:
                emit MouseDown(Button);
                break;
            case 1:
                emit MouseUp(Button);
                break;
            default:
                emit MouseDblClick(Button);
                break;
            }
        }
    } else if (code == TrayShell::NIN_BALLOONSHOW) {
        if (m_lBalloonTimeout != -1)
            MessageWindow::setTimer(m_window->handle(), m_uID + 1, static_cast<quint32>(m_lBalloonTimeout),
                                    m_subclass.scb_SetCallbackAddr(4, 2));
        emit BalloonShown();
    } else if (code == TrayShell::NIN_BALLOONHIDE) {
        emit BalloonHide();
    } else if (code == TrayShell::NIN_BALLOONTIMEOUT) {
        emit BalloonClose();
    } else if (code == TrayShell::NIN_BALLOONUSERCLICK) {
        emit BalloonClick();
    }
    if (!alive)
        return;
    if (m_lProc != 0)
        CallbackTable::call(m_lProc, {lng_hWnd, code, m_lExtra, 0});
}

} // namespace vellumo
