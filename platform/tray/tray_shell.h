#pragma once
// TrayShell: the desktop shell's notification area, in place of the classic notify-icon call. A
// caller fills a NotifyIconData record and sends it with add (0), modify (1) or delete (2); the shell
// shows the icon, its tooltip and its balloons, and reports what the user does by posting the
// record's callback message to the record's window (MessageWindow):
//
//   message  = callback message of the record      wParam = icon identifier      lParam = code
//
//   code  512 mouse move   513/514/515 left down/up/double   516/517/518 right   519/520/521 middle
//         1026 balloon shown   1027 balloon hidden   1028 balloon timed out   1029 balloon clicked
//
// When the notification area comes back (the desktop's tray was restarted), every icon is gone and
// the shell broadcasts the registered window message "TaskbarCreated" to every window.
//
// The record and what each record size carries (the shell reads no further than the size says):
//
//   size  fields read
//   88    size, window, identifier, flags, callback message, icon, tooltip of 64 bytes
//   488   the above with a tooltip of 128 bytes, state, balloon text (256 bytes), time-out/version,
//         balloon title (64 bytes), balloon info flags
//   504   the above and an identifying GUID (unused here)
//
//   flags       1 message, 2 icon, 4 tooltip, 16 balloon (info)
//   info flags  0 none, 1 information, 2 warning, 3 error, 4 the icon's own picture; +16 no sound
//
// Texts travel in the ANSI code page (Windows-1252), one byte per character, without their NUL.
//
// trayShell() is the shell in force: the desktop one (QtTrayShell) unless a test installs another.
// The caller keeps ownership of what it installs.

#include "platform/tray/message_window.h"

#include <QByteArray>
#include <QIcon>
#include <QtGlobal>

namespace vellumo {

struct NotifyIconData {
    quint32 cbSize = 0;
    WindowHandle hWnd = 0;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    QIcon hIcon;
    QByteArray szTip;       // at most 127 bytes
    QByteArray szInfo;      // at most 255 bytes
    QByteArray szInfoTitle; // at most 63 bytes
    quint32 uTimeoutOrVersion = 0;
    quint32 dwInfoFlags = 0;
};

class TrayShell {
public:
    static constexpr int NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
    static constexpr quint32 NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4, NIF_INFO = 16;
    static constexpr quint32 NIIF_NONE = 0, NIIF_INFO = 1, NIIF_WARNING = 2, NIIF_ERROR = 3, NIIF_USER = 4,
                             NIIF_NOSOUND = 16, NIIF_ICON_MASK = 15;
    static constexpr int SizeV1 = 88, SizeV2 = 488, SizeV3 = 504;
    static constexpr qintptr NIN_BALLOONSHOW = 1026, NIN_BALLOONHIDE = 1027, NIN_BALLOONTIMEOUT = 1028,
                             NIN_BALLOONUSERCLICK = 1029;
    static constexpr const char* TaskbarCreated = "TaskbarCreated";

    virtual ~TrayShell() = default;
    // Adds, modifies or deletes the icon named by (hWnd, uID); true when the shell took the record.
    virtual bool notifyIcon(int message, const NotifyIconData& data) = 0;
    // The major version of the shell library, which decides the record size; 0 when unknown.
    virtual int shellVersion() const = 0;
};

TrayShell& trayShell();
// Installs a shell for the rest of the process (nullptr goes back to the desktop one).
void setTrayShell(TrayShell* shell);

class ScopedTrayShell {
public:
    explicit ScopedTrayShell(TrayShell& shell);
    ~ScopedTrayShell();
    ScopedTrayShell(const ScopedTrayShell&) = delete;
    ScopedTrayShell& operator=(const ScopedTrayShell&) = delete;

private:
    TrayShell* previous_;
};

} // namespace vellumo
