#include "platform/tray/message_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

namespace vellumo {

struct MessageWindow::State {
    WindowHandle handle = 0;
    bool unicode = false;
    WindowProc proc;
    struct Timer {
        int qtTimer = 0;
        qintptr procAddress = 0;
    };
    std::map<quintptr, Timer> timers;
};

namespace {

class MessageEvent : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    MessageEvent(WindowHandle h, quint32 m, qintptr w, qintptr l)
        : QEvent(eventType()), hWnd(h), uMsg(m), wParam(w), lParam(l) {}
    WindowHandle hWnd;
    quint32 uMsg;
    qintptr wParam;
    qintptr lParam;
};

// Receives the posted messages and the timer ticks of every window and hands them to the window's
// procedure, if the window still exists by then.
class Dispatcher : public QObject {
public:
    struct TimerRef {
        WindowHandle hWnd;
        quintptr id;
    };
    std::unordered_map<int, TimerRef> timers;

protected:
    bool event(QEvent* e) override {
        if (e->type() == MessageEvent::eventType()) {
            auto* m = static_cast<MessageEvent*>(e);
            MessageWindow::sendMessage(m->hWnd, m->uMsg, m->wParam, m->lParam);
            return true;
        }
        return QObject::event(e);
    }
    void timerEvent(QTimerEvent* e) override;
};

struct Registry {
    WindowHandle next = 0x100;
    std::unordered_map<WindowHandle, std::shared_ptr<MessageWindow::State>> windows;
    QHash<QString, quint32> messages;
    quint32 nextMessage = 0xC000;
    Dispatcher* dispatcher = nullptr;
    QElapsedTimer clock;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<MessageWindow::State> find(WindowHandle hWnd) {
    Registry& r = registry();
    const auto it = r.windows.find(hWnd);
    return it == r.windows.end() ? nullptr : it->second;
}

Dispatcher* dispatcher() {
    Registry& r = registry();
    if (!r.dispatcher && QCoreApplication::instance()) {
        r.dispatcher = new Dispatcher;
        r.clock.start();
    }
    return r.dispatcher;
}

void Dispatcher::timerEvent(QTimerEvent* e) {
    const auto it = timers.find(e->timerId());
    if (it == timers.end())
        return;
    const TimerRef ref = it->second;
    const auto state = find(ref.hWnd);
    if (!state)
        return;
    const auto t = state->timers.find(ref.id);
    if (t == state->timers.end())
        return;
    const qintptr procAddress = t->second.procAddress;
    if (procAddress != 0) {
        const qintptr tick = static_cast<qintptr>(static_cast<quint32>(registry().clock.elapsed()));
        CallbackTable::call(
            procAddress, {ref.hWnd, static_cast<qintptr>(MessageWindow::WM_TIMER), static_cast<qintptr>(ref.id), tick});
    } else {
        MessageWindow::sendMessage(ref.hWnd, MessageWindow::WM_TIMER, static_cast<qintptr>(ref.id), 0);
    }
}

void stopTimer(MessageWindow::State& state, std::map<quintptr, MessageWindow::State::Timer>::iterator it) {
    Registry& r = registry();
    if (r.dispatcher) {
        r.dispatcher->killTimer(it->second.qtTimer);
        r.dispatcher->timers.erase(it->second.qtTimer);
    }
    state.timers.erase(it);
}

} // namespace

MessageWindow::MessageWindow(bool unicode) : state_(std::make_shared<State>()) {
    Registry& r = registry();
    handle_ = r.next;
    r.next += 4;
    state_->handle = handle_;
    state_->unicode = unicode;
    state_->proc = [](WindowHandle, quint32, qintptr, qintptr) -> qintptr { return 0; };
    r.windows.emplace(handle_, state_);
}

MessageWindow::~MessageWindow() {
    destroy();
}

void MessageWindow::destroy() {
    if (!state_ || !isWindow(handle_))
        return;
    const std::shared_ptr<State> keep = state_;
    sendMessage(handle_, WM_DESTROY, 0, 0);
    while (!keep->timers.empty())
        stopTimer(*keep, keep->timers.begin());
    registry().windows.erase(handle_);
    // Calls still in progress hold their own copy of the procedure; dropping ours frees whatever
    // the routing closures hold once they return.
    keep->proc = nullptr;
}

bool MessageWindow::isWindow(WindowHandle hWnd) {
    return find(hWnd) != nullptr;
}

bool MessageWindow::isWindowUnicode(WindowHandle hWnd) {
    const auto state = find(hWnd);
    return state && state->unicode;
}

WindowProc MessageWindow::windowProc(WindowHandle hWnd) {
    const auto state = find(hWnd);
    return state ? state->proc : WindowProc();
}

WindowProc MessageWindow::setWindowProc(WindowHandle hWnd, WindowProc proc) {
    const auto state = find(hWnd);
    if (!state)
        return {};
    WindowProc previous = std::move(state->proc);
    state->proc = std::move(proc);
    return previous;
}

qintptr MessageWindow::sendMessage(WindowHandle hWnd, quint32 uMsg, qintptr wParam, qintptr lParam) {
    const auto state = find(hWnd);
    if (!state)
        return 0;
    // A copy: the procedure may be replaced, or the window destroyed, while it runs.
    const WindowProc proc = state->proc;
    return proc ? proc(hWnd, uMsg, wParam, lParam) : 0;
}

bool MessageWindow::postMessage(WindowHandle hWnd, quint32 uMsg, qintptr wParam, qintptr lParam) {
    Dispatcher* d = dispatcher();
    if (!d || !isWindow(hWnd))
        return false;
    QCoreApplication::postEvent(d, new MessageEvent(hWnd, uMsg, wParam, lParam));
    return true;
}

void MessageWindow::broadcastMessage(quint32 uMsg, qintptr wParam, qintptr lParam) {
    std::vector<WindowHandle> handles;
    for (const auto& [h, state] : registry().windows)
        handles.push_back(h);
    std::sort(handles.begin(), handles.end());
    for (WindowHandle h : handles)
        postMessage(h, uMsg, wParam, lParam);
}

bool MessageWindow::setTimer(WindowHandle hWnd, quintptr id, quint32 elapseMs, qintptr timerProc) {
    const auto state = find(hWnd);
    Dispatcher* d = dispatcher();
    if (!state || !d)
        return false;
    const auto old = state->timers.find(id);
    if (old != state->timers.end())
        stopTimer(*state, old);
    // The classic limits: at least 10 ms, at most 0x7FFFFFFF.
    const int qtTimer =
        d->startTimer(static_cast<int>(std::clamp<quint32>(elapseMs, 10, 0x7FFFFFFF)), Qt::PreciseTimer);
    if (qtTimer == 0)
        return false;
    d->timers.emplace(qtTimer, Dispatcher::TimerRef{hWnd, id});
    state->timers.emplace(id, State::Timer{qtTimer, timerProc});
    return true;
}

bool MessageWindow::killTimer(WindowHandle hWnd, quintptr id) {
    const auto state = find(hWnd);
    if (!state)
        return false;
    const auto it = state->timers.find(id);
    if (it == state->timers.end())
        return false;
    stopTimer(*state, it);
    return true;
}

quint32 MessageWindow::registerWindowMessage(const QString& name) {
    if (name.isEmpty())
        return 0;
    Registry& r = registry();
    const QString key = name.toLower();
    const auto it = r.messages.constFind(key);
    if (it != r.messages.constEnd())
        return *it;
    const quint32 number = r.nextMessage++;
    r.messages.insert(key, number);
    return number;
}

} // namespace vellumo
