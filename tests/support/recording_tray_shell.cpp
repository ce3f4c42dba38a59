#include "tests/support/recording_tray_shell.h"

#include "platform/runtime/windows1252.h"

namespace vellumo::test {

bool RecordingTrayShell::notifyIcon(int message, const NotifyIconData& data) {
    ShellCall call;
    call.message = message;
    call.size = data.cbSize;
    call.flags = data.uFlags;
    call.hWnd = data.hWnd;
    call.uID = data.uID;
    call.callbackMessage = data.uCallbackMessage;
    call.hasIcon = !data.hIcon.isNull();
    call.iconKey = data.hIcon.cacheKey();
    call.rawTip = data.szTip;
    call.rawInfo = data.szInfo;
    call.rawTitle = data.szInfoTitle;
    call.tip = cp1252::decode(data.szTip);
    call.info = cp1252::decode(data.szInfo);
    call.infoTitle = cp1252::decode(data.szInfoTitle);
    call.timeoutOrVersion = data.uTimeoutOrVersion;
    call.infoFlags = data.dwInfoFlags;

    const std::pair<WindowHandle, quint32> key{data.hWnd, data.uID};
    const auto it = icons.find(key);
    bool ok = !fail;
    if (ok && message == NIM_ADD)
        ok = it == icons.end();
    else if (ok && (message == NIM_MODIFY || message == NIM_DELETE))
        ok = it != icons.end();
    else if (ok)
        ok = false;
    if (ok && message == NIM_DELETE) {
        icons.erase(it);
    } else if (ok) {
        Icon& icon = icons[key];
        if (data.uFlags & NIF_MESSAGE)
            icon.callbackMessage = data.uCallbackMessage;
        if (data.uFlags & NIF_ICON) {
            icon.hasIcon = call.hasIcon;
            icon.iconKey = call.iconKey;
        }
        if (data.uFlags & NIF_TIP)
            icon.tip = call.tip;
        if ((data.uFlags & NIF_INFO) && data.cbSize >= static_cast<quint32>(SizeV2)) {
            icon.info = call.info;
            icon.infoTitle = call.infoTitle;
            icon.infoFlags = data.dwInfoFlags;
        }
        if (message == NIM_ADD)
            lastAdded = key;
    }
    call.accepted = ok;
    calls.push_back(call);
    return ok;
}

bool RecordingTrayShell::inject(qintptr code) {
    return inject(lastAdded.first, lastAdded.second, code);
}

bool RecordingTrayShell::inject(WindowHandle hWnd, quint32 uID, qintptr code) {
    const auto it = icons.find({hWnd, uID});
    if (it == icons.end())
        return false;
    return MessageWindow::postMessage(hWnd, it->second.callbackMessage, static_cast<qintptr>(uID), code);
}

void RecordingTrayShell::recreateTaskbar() {
    icons.clear();
    MessageWindow::broadcastMessage(MessageWindow::registerWindowMessage(QString::fromLatin1(TaskbarCreated)), 0, 0);
}

const RecordingTrayShell::Icon* RecordingTrayShell::icon(WindowHandle hWnd, quint32 uID) const {
    const auto it = icons.find({hWnd, uID});
    return it == icons.end() ? nullptr : &it->second;
}

std::vector<ShellCall> RecordingTrayShell::callsOf(int message) const {
    std::vector<ShellCall> out;
    for (const ShellCall& c : calls)
        if (c.message == message)
            out.push_back(c);
    return out;
}

} // namespace vellumo::test
