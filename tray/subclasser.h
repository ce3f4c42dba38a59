#pragma once
// Subclasser: routes the messages of a MessageWindow, and the calls of callback addresses, to the
// handlers of a RoutedObject (its owner). Owned by that object, which creates it with its own
// class name for the error reports.
//
// A window routing replaces the window's procedure with a closure bound to one routing record.
// For every message of the window, in this order:
//   1. depth + 1; when the before table lists the message, the handler with bBefore true;
//   2. message 2 (destroy) sets the release flag and goes on whatever the handler said; otherwise a
//      bHandled from the before call ends here (step 5);
//   3. the previous procedure, whose answer becomes the result; when this is the outermost call
//      and the release flag is set, the previous procedure goes back on the window, the record is
//      freed and the result returned at once;
//   4. when the after table lists the message, the handler with bBefore false;
//   5. depth - 1, return the result.
// A handler whose owner has been destroyed is skipped. Releasing a routing empties its tables and
// sends message 0, so that the restore happens at once, or on the outermost call when the release
// comes from inside a handler.
//
// A message table holds up to 32 message numbers (0 = a free place) or -1 for every message.
// Callback addresses come from CallbackTable; one per handler ordinal, asked for twice it is the
// same address.
//
// Records are kept in keyed collections by kind (0 window routings, 1 hooks, 2 callbacks), keyed
// by the window handle or the handler ordinal in decimal followed by "h". Failures are reported
// to the event log and in a message box (zReportError) and leave nothing behind.

#include "tray/routed_object.h"

#include <QPointer>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace vellumo {

class Subclasser {
public:
    static constexpr qint32 ALL_MESSAGES = -1;
    static constexpr int MSG_BEFORE = 1, MSG_AFTER = 2, MSG_BEFORE_AFTER = 3;
    static constexpr int MSG_ENTRIES = 32;

    struct MsgTable {
        qint32 count = 0;
        std::array<qint32, MSG_ENTRIES> entries{};
        bool lists(quint32 uMsg) const;
    };

    Subclasser(RoutedObject& self, QString className);
    // Ends whatever the owner did not release itself: window routings first, then callbacks.
    ~Subclasser();
    Subclasser(const Subclasser&) = delete;
    Subclasser& operator=(const Subclasser&) = delete;

    bool ssc_Subclass(WindowHandle lng_hWnd, qintptr lParamUser = 0, int nOrdinal = 1,
                      RoutedObject* oCallback = nullptr, bool bUnicode = false);
    void ssc_WatchMsg(WindowHandle lng_hWnd, qint32 uMsg, int When = MSG_AFTER);
    void ssc_UnwatchMsg(WindowHandle lng_hWnd, qint32 uMsg, int When = MSG_AFTER);
    void ssc_ReleaseAll();

    qintptr scb_SetCallbackAddr(int nParamCount, int nOrdinal = 1, RoutedObject* oCallback = nullptr);
    void scb_ReleaseAll();

    void zAddMsg(qint32 uMsg, MsgTable& table);
    void zDelMsg(qint32 uMsg, MsgTable& table);
    void zReportError(const QString& sRoutine, const QString& sMsg);

private:
    struct RoutingRecord;
    struct Thunk {
        std::shared_ptr<RoutingRecord> routing; // kind 0
        qintptr callback = 0;                   // kind 2
    };
    using Collection = std::vector<std::pair<QString, Thunk>>;

    static QString keyOf(qintptr id) { return QString::number(id) + QLatin1Char('h'); }
    static qintptr route(const std::shared_ptr<RoutingRecord>& record, WindowHandle hWnd, quint32 uMsg, qintptr wParam,
                         qintptr lParam);
    static std::optional<RoutedHandler> handlerOf(RoutedObject& owner, int nOrdinal);

    Thunk* zMap_VFunction(qintptr id, int kind);
    void zReleaseThunk(Collection& collection, std::size_t index, int kind);
    void zReleaseAllOfKind(int kind);

    RoutedObject& self_;
    QString className_;
    std::array<std::optional<Collection>, 3> collections_;
};

} // namespace vellumo
