#pragma once
// RecordingTrayShell: TrayShell for tests (the offscreen platform has no notification area). Every
// add, modify and delete is logged with its flags, record size and texts; the icons the shell holds
// are kept as the record says, field by field, for the flags given. A test injects what the user
// or the shell would do: a notification code, posted to an icon's window through the event loop as
// the real shell does, or a restart of the notification area (icons dropped, "TaskbarCreated"
// broadcast). The shell version (4, 5, 6, or 0 for unknown) is settable, and calls can be made to
// fail on demand.

#include "platform/tray/tray_shell.h"

#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace vellumo::test {

struct ShellCall {
    int message = 0; // 0 add, 1 modify, 2 delete
    quint32 size = 0;
    quint32 flags = 0;
    WindowHandle hWnd = 0;
    quint32 uID = 0;
    quint32 callbackMessage = 0;
    bool hasIcon = false;
    qint64 iconKey = 0;
    QString tip, info, infoTitle;         // decoded from the code page
    QByteArray rawTip, rawInfo, rawTitle; // as sent
    quint32 timeoutOrVersion = 0;
    quint32 infoFlags = 0;
    bool accepted = false;
};

class RecordingTrayShell : public TrayShell {
public:
    struct Icon {
        quint32 callbackMessage = 0;
        bool hasIcon = false;
        qint64 iconKey = 0;
        QString tip, info, infoTitle;
        quint32 infoFlags = 0;
    };

    explicit RecordingTrayShell(int version = 6) : version(version) {}

    bool notifyIcon(int message, const NotifyIconData& data) override;
    int shellVersion() const override { return version; }

    // Posts the icon's callback message with this code to its window; false when there is no such
    // icon. Without arguments: the icon added last.
    bool inject(qintptr code);
    bool inject(WindowHandle hWnd, quint32 uID, qintptr code);
    // The notification area restarts: every icon is dropped, "TaskbarCreated" goes to every window.
    void recreateTaskbar();

    const Icon* icon(WindowHandle hWnd, quint32 uID) const;
    // The calls of one kind (0, 1, 2) in order.
    std::vector<ShellCall> callsOf(int message) const;

    int version;
    bool fail = false; // every call answers false (and changes nothing) while set
    std::vector<ShellCall> calls;
    std::map<std::pair<WindowHandle, quint32>, Icon> icons;
    std::pair<WindowHandle, quint32> lastAdded{0, 0};
};

} // namespace vellumo::test
