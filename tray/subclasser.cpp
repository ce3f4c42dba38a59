#include "tray/subclasser.h"

#include "platform/runtime/ui_hooks.h"
#include "platform/tray/callback_table.h"

#include <algorithm>

namespace vellumo {

struct Subclasser::RoutingRecord {
    int depth = 0;
    bool release = false;
    bool freed = false; // the previous procedure is back on the window; the routing is over
    WindowHandle window = 0;
    QPointer<RoutedObject> owner;
    WindowProc previous;
    WindowHandler handler = nullptr;
    MsgTable before, after;
    qintptr userValue = 0;
    bool unicode = false;
};

bool Subclasser::MsgTable::lists(quint32 uMsg) const {
    if (count == ALL_MESSAGES)
        return true;
    const int n = std::clamp(count, 0, MSG_ENTRIES);
    return std::find(entries.begin(), entries.begin() + n, static_cast<qint32>(uMsg)) != entries.begin() + n;
}

Subclasser::Subclasser(RoutedObject& self, QString className) : self_(self), className_(std::move(className)) {}

Subclasser::~Subclasser() {
    ssc_ReleaseAll();
    scb_ReleaseAll();
}

std::optional<RoutedHandler> Subclasser::handlerOf(RoutedObject& owner, int nOrdinal) {
    const std::span<const RoutedHandler> handlers = owner.routedHandlers();
    if (nOrdinal < 1 || static_cast<std::size_t>(nOrdinal) > handlers.size())
        return std::nullopt;
    return handlers[handlers.size() - static_cast<std::size_t>(nOrdinal)];
}

bool Subclasser::ssc_Subclass(WindowHandle lng_hWnd, qintptr lParamUser, int nOrdinal, RoutedObject* oCallback,
                              bool bUnicode) {
    const QString routine = QStringLiteral("ssc_Subclass");
    if (!MessageWindow::isWindow(lng_hWnd)) {
        zReportError(routine, QStringLiteral("Invalid window handle"));
        return false;
    }
    RoutedObject& owner = oCallback ? *oCallback : self_;
    const std::optional<RoutedHandler> handler = handlerOf(owner, nOrdinal);
    if (!handler || !std::holds_alternative<WindowHandler>(*handler) || !std::get<WindowHandler>(*handler)) {
        zReportError(routine, QStringLiteral("Callback method not found"));
        return false;
    }
    std::optional<Collection>& collection = collections_[0];
    if (!collection)
        collection.emplace();
    const QString key = keyOf(lng_hWnd);
    const auto existing =
        std::find_if(collection->begin(), collection->end(), [&](const auto& e) { return e.first == key; });
    if (existing != collection->end()) {
        if (!existing->second.routing->freed) {
            zReportError(routine, QStringLiteral("Window handle is already subclassed"));
            return false;
        }
        collection->erase(existing); // a routing that ended with its window
    }
    auto record = std::make_shared<RoutingRecord>();
    record->window = lng_hWnd;
    record->owner = &owner;
    record->handler = std::get<WindowHandler>(*handler);
    record->userValue = lParamUser;
    record->unicode = bUnicode && MessageWindow::isWindowUnicode(lng_hWnd);
    collection->emplace_back(key, Thunk{record, 0});

    record->previous = MessageWindow::setWindowProc(
        lng_hWnd, [record](WindowHandle h, quint32 m, qintptr w, qintptr l) { return route(record, h, m, w, l); });
    if (!record->previous) {
        // The window had no procedure to call on: put the empty one back and give up.
        MessageWindow::setWindowProc(lng_hWnd, nullptr);
        collection->pop_back();
        zReportError(routine, QStringLiteral("SetWindowLong failed, error #") + QString::number(1400));
        return false;
    }
    return true;
}

qintptr Subclasser::route(const std::shared_ptr<RoutingRecord>& routing, WindowHandle hWnd, quint32 uMsg,
                          qintptr wParam, qintptr lParam) {
    // Our own reference: putting the previous procedure back destroys the closure that called us.
    const std::shared_ptr<RoutingRecord> r = routing;
    if (r->freed)
        return r->previous ? r->previous(hWnd, uMsg, wParam, lParam) : 0;

    const auto callHandler = [&](bool bBefore, bool& bHandled, qintptr& lReturn) {
        // The owner is checked before every call: one destroyed meanwhile is never called.
        if (RoutedObject* owner = r->owner.data())
            r->handler(*owner, bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam, r->userValue);
    };

    ++r->depth;
    bool bHandled = false;
    qintptr lReturn = 0;
    if (r->before.lists(uMsg))
        callHandler(true, bHandled, lReturn);
    if (uMsg == MessageWindow::WM_DESTROY) {
        r->release = true;
    } else if (bHandled) {
        --r->depth;
        return lReturn;
    }
    lReturn = r->previous ? r->previous(hWnd, uMsg, wParam, lParam) : 0;
    if (r->depth == 1 && r->release) {
        MessageWindow::setWindowProc(r->window, r->previous);
        r->freed = true;
        --r->depth;
        return lReturn;
    }
    if (r->after.lists(uMsg))
        callHandler(false, bHandled, lReturn);
    --r->depth;
    return lReturn;
}

void Subclasser::ssc_WatchMsg(WindowHandle lng_hWnd, qint32 uMsg, int When) {
    Thunk* thunk = zMap_VFunction(lng_hWnd, 0);
    if (!thunk)
        return;
    if (When & MSG_BEFORE)
        zAddMsg(uMsg, thunk->routing->before);
    if (When & MSG_AFTER)
        zAddMsg(uMsg, thunk->routing->after);
}

void Subclasser::ssc_UnwatchMsg(WindowHandle lng_hWnd, qint32 uMsg, int When) {
    Thunk* thunk = zMap_VFunction(lng_hWnd, 0);
    if (!thunk)
        return;
    if (When & MSG_BEFORE)
        zDelMsg(uMsg, thunk->routing->before);
    if (When & MSG_AFTER)
        zDelMsg(uMsg, thunk->routing->after);
}

void Subclasser::ssc_ReleaseAll() {
    zReleaseAllOfKind(0);
}

qintptr Subclasser::scb_SetCallbackAddr(int nParamCount, int nOrdinal, RoutedObject* oCallback) {
    const QString routine = QStringLiteral("scb_SetCallbackAddr");
    const QString key = keyOf(nOrdinal);
    std::optional<Collection>& collection = collections_[2];
    if (collection) {
        const auto it =
            std::find_if(collection->begin(), collection->end(), [&](const auto& e) { return e.first == key; });
        if (it != collection->end())
            return it->second.callback;
    }
    if (nParamCount < 0) {
        zReportError(routine, QStringLiteral("Invalid Parameter count"));
        return 0;
    }
    RoutedObject& owner = oCallback ? *oCallback : self_;
    const std::optional<RoutedHandler> handler = handlerOf(owner, nOrdinal);
    if (!handler || !std::holds_alternative<CallbackHandler>(*handler) || !std::get<CallbackHandler>(*handler)) {
        zReportError(routine, QStringLiteral("Callback address not found."));
        return 0;
    }
    const CallbackHandler fn = std::get<CallbackHandler>(*handler);
    const QPointer<RoutedObject> guarded(&owner);
    const auto count = static_cast<std::size_t>(nParamCount);
    const qintptr address = CallbackTable::add([guarded, fn, count](std::span<const qintptr> args) -> qintptr {
        RoutedObject* target = guarded.data();
        if (!target)
            return 0;
        // The procedure takes exactly its number of arguments: missing ones are 0, extra ones dropped.
        std::vector<qintptr> fixed(count, 0);
        std::copy_n(args.begin(), std::min(count, args.size()), fixed.begin());
        return fn(*target, fixed);
    });
    if (!collection)
        collection.emplace();
    collection->emplace_back(key, Thunk{nullptr, address});
    return address;
}

void Subclasser::scb_ReleaseAll() {
    zReleaseAllOfKind(2);
}

void Subclasser::zAddMsg(qint32 uMsg, MsgTable& table) {
    if (uMsg == ALL_MESSAGES) {
        table.count = ALL_MESSAGES;
        return;
    }
    if (table.count < 1) {
        table.entries[0] = uMsg;
        table.count = 1;
        return;
    }
    const int n = std::min(table.count, MSG_ENTRIES);
    for (int i = 0; i < n; ++i) {
        if (table.entries[i] == uMsg)
            return;
        if (table.entries[i] == 0) {
            table.entries[i] = uMsg;
            return;
        }
    }
    // Only a message that finds neither itself nor a free place can overflow the table.
    if (table.count >= MSG_ENTRIES) {
        zReportError(QStringLiteral("zAddMsg"),
                     QStringLiteral("Message table overflow. Either increase the value of Const MSG_ENTRIES or "
                                    "use ALL_MESSAGES instead of specific message values"));
        return;
    }
    table.entries[table.count] = uMsg;
    ++table.count;
}

void Subclasser::zDelMsg(qint32 uMsg, MsgTable& table) {
    if (uMsg == ALL_MESSAGES) {
        table.count = 0;
        return;
    }
    const int n = std::clamp(table.count, 0, MSG_ENTRIES);
    for (int i = 0; i < n; ++i) {
        if (table.entries[i] == uMsg) {
            table.entries[i] = 0;
            return;
        }
    }
    zReportError(QStringLiteral("zDelMsg"), QStringLiteral("Message &H") +
                                                QString::number(static_cast<quint32>(uMsg), 16).toUpper() +
                                                QStringLiteral(" not found in table"));
}

Subclasser::Thunk* Subclasser::zMap_VFunction(qintptr id, int kind) {
    if (kind < 0 || kind > 2) {
        zReportError(QStringLiteral("zMap_Vfunction"), QStringLiteral("Invalid thunk type passed"));
        return nullptr;
    }
    std::optional<Collection>& collection = collections_[static_cast<std::size_t>(kind)];
    if (!collection) {
        zReportError(QStringLiteral("zMap_VFunction"), QStringLiteral("Thunk hasn't been initialized"));
        return nullptr;
    }
    const QString key = keyOf(id);
    auto it = std::find_if(collection->begin(), collection->end(), [&](const auto& e) { return e.first == key; });
    // A routing whose window was destroyed has ended: its record no longer exists.
    if (it != collection->end() && kind == 0 && it->second.routing->freed) {
        collection->erase(it);
        it = collection->end();
    }
    if (it == collection->end()) {
        zReportError(QStringLiteral("zMap_VFunction"),
                     QStringLiteral("Thunk type for ID of ") + QString::number(id) + QStringLiteral(" does not exist"));
        return nullptr;
    }
    return &it->second;
}

void Subclasser::zReleaseThunk(Collection& collection, std::size_t index, int kind) {
    Thunk thunk = collection[index].second;
    collection.erase(collection.begin() + static_cast<std::ptrdiff_t>(index));
    if (kind == 0) {
        RoutingRecord& r = *thunk.routing;
        if (r.freed)
            return;
        r.release = true;
        r.before.count = 0;
        r.after.count = 0;
        // The routing procedure completes the release itself: at once, or on the outermost call
        // when this runs inside one of its handlers.
        MessageWindow::sendMessage(r.window, MessageWindow::WM_NULL, 0, 0);
    } else {
        CallbackTable::remove(thunk.callback);
    }
}

void Subclasser::zReleaseAllOfKind(int kind) {
    std::optional<Collection>& collection = collections_[static_cast<std::size_t>(kind)];
    if (!collection)
        return;
    while (!collection->empty())
        zReleaseThunk(*collection, collection->size() - 1, kind);
    collection.reset();
}

void Subclasser::zReportError(const QString& sRoutine, const QString& sMsg) {
    ui().logEvent(EventLogType::Error, QStringLiteral("Vellumo"),
                  className_ + QLatin1Char('.') + sRoutine + QStringLiteral(": ") + sMsg);
    ui().messageBox(sMsg + QLatin1Char('.'), mb::Exclamation,
                    QStringLiteral("Error in ") + className_ + QLatin1Char('.') + sRoutine);
}

} // namespace vellumo
