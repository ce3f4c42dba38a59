#pragma once
// MessageWindow: a hidden window of our own that receives numbered messages, in place of the
// desktop system's message-only windows. Each window has a handle (a number never reused in the
// process), a replaceable window procedure, a queue fed through the Qt event loop (postMessage) and
// window timers. Code that routes a window's messages elsewhere replaces its procedure and calls the
// previous one itself, exactly as with a classic window procedure.
//
// Ownership: the MessageWindow object owns its window; destroying the object destroys the window
// (the procedure gets message 2 first). The static calls reach a window by handle and do nothing
// once it is gone, so a handle kept after destruction is harmless. A window stays alive for the
// length of any call into its procedure, even when that call destroys it.
//
// Messages used here:
//
//   0      null message (does nothing by itself)
//   2      the window is being destroyed
//   275    timer (wParam: timer identifier), when the timer has no procedure of its own
//   >= 0xC000  numbers given out by registerWindowMessage, one per name
//
// Everything runs on the GUI thread.

#include "platform/tray/callback_table.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace vellumo {

using WindowHandle = qintptr;
using WindowProc = std::function<qintptr(WindowHandle hWnd, quint32 uMsg, qintptr wParam, qintptr lParam)>;

class MessageWindow {
public:
    static constexpr quint32 WM_NULL = 0;
    static constexpr quint32 WM_DESTROY = 2;
    static constexpr quint32 WM_TIMER = 275;

    // A window whose own procedure answers 0 to everything (the plain static window). A Unicode
    // window takes its texts as UTF-16, an ANSI one in the code page; nothing here depends on it
    // beyond the flag.
    explicit MessageWindow(bool unicode = false);
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    WindowHandle handle() const { return handle_; }
    // Destroys the window now (message 2 to its procedure, timers stopped); idempotent.
    void destroy();

    // By handle; each does nothing (0, false, empty) when the window does not exist.
    static bool isWindow(WindowHandle hWnd);
    static bool isWindowUnicode(WindowHandle hWnd);
    static WindowProc windowProc(WindowHandle hWnd);
    // Puts a new procedure in place and returns the previous one (empty when there is no window).
    static WindowProc setWindowProc(WindowHandle hWnd, WindowProc proc);
    // Calls the window's procedure now and returns its answer.
    static qintptr sendMessage(WindowHandle hWnd, quint32 uMsg, qintptr wParam, qintptr lParam);
    // Queues the message; the event loop delivers it through the window's procedure later.
    static bool postMessage(WindowHandle hWnd, quint32 uMsg, qintptr wParam, qintptr lParam);
    // Posts a message to every window that exists now.
    static void broadcastMessage(quint32 uMsg, qintptr wParam, qintptr lParam);

    // A periodic timer of the window. With a procedure address (CallbackTable) each tick calls it
    // with (window, 275, identifier, milliseconds since start); without, the window gets message 275
    // with the identifier as wParam. Setting an identifier again restarts it with the new period.
    static bool setTimer(WindowHandle hWnd, quintptr id, quint32 elapseMs, qintptr timerProc);
    static bool killTimer(WindowHandle hWnd, quintptr id);

    // The same number for the same name (without regard to case) for the whole run.
    static quint32 registerWindowMessage(const QString& name);

    struct State;

private:
    WindowHandle handle_ = 0;
    std::shared_ptr<State> state_;
};

} // namespace vellumo
