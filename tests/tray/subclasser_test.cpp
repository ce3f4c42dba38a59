// The window routing and callback addresses: order of calls, bHandled, the message tables, release
// and restore (also from inside a handler and when the owner goes away mid-call), the reports, and
// one stable address per handler ordinal.

#include "tray/subclasser.h"

#include "platform/tray/callback_table.h"
#include "platform/tray/message_window.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>

namespace vellumo {
namespace {

// An owner that logs its handler calls; `onWindow` acts inside the window handler.
class Owner : public RoutedObject {
public:
    explicit Owner(QStringList& log) : log_(log), sub(*this, QStringLiteral("cSystray")) {}

    std::span<const RoutedHandler> routedHandlers() const override {
        static const std::array<RoutedHandler, 2> handlers{RoutedHandler(&callbackHandler),
                                                           RoutedHandler(&windowHandler)};
        return handlers;
    }

    std::function<void(bool bBefore, bool& bHandled, qintptr& lReturn, quint32 uMsg, qintptr& user)> onWindow;
    QStringList& log_;
    Subclasser sub;

private:
    static void windowHandler(RoutedObject& o, bool bBefore, bool& bHandled, qintptr& lReturn, WindowHandle,
                              quint32 uMsg, qintptr, qintptr, qintptr& user) {
        auto& self = static_cast<Owner&>(o);
        self.log_ << QStringLiteral("%1 %2 %3").arg(bBefore ? "before" : "after").arg(uMsg).arg(lReturn);
        if (self.onWindow)
            self.onWindow(bBefore, bHandled, lReturn, uMsg, user);
    }
    static qintptr callbackHandler(RoutedObject& o, std::span<const qintptr> args) {
        auto& self = static_cast<Owner&>(o);
        QStringList parts;
        for (qintptr a : args)
            parts << QString::number(a);
        self.log_ << QStringLiteral("callback ") + parts.join(QLatin1Char(','));
        return 42;
    }
};

class SubclasserTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The window's own procedure answers 7 and logs.
        MessageWindow::setWindowProc(window.handle(), [this](WindowHandle, quint32 m, qintptr, qintptr) -> qintptr {
            log << QStringLiteral("previous %1").arg(m);
            return 7;
        });
    }
    qintptr send(quint32 m) { return MessageWindow::sendMessage(window.handle(), m, 0, 0); }
    QStringList take() {
        QStringList out = log;
        log.clear();
        return out;
    }
    QStringList reports() const {
        QStringList out;
        for (const auto& e : hooks.events)
            out << e.text;
        return out;
    }

    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped{hooks};
    QStringList log;
    MessageWindow window;
    std::unique_ptr<Owner> owner = std::make_unique<Owner>(log);
};

TEST_F(SubclasserTest, CallsBeforeThePreviousProcedureAndAfterItWithItsAnswer) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_BEFORE_AFTER);
    owner->sub.ssc_WatchMsg(window.handle(), 101, Subclasser::MSG_AFTER);
    owner->onWindow = [](bool bBefore, bool&, qintptr& lReturn, quint32, qintptr&) {
        if (!bBefore)
            lReturn += 1;
    };
    EXPECT_EQ(send(100), 8);
    EXPECT_EQ(take(), QStringList({"before 100 0", "previous 100", "after 100 7"}));
    EXPECT_EQ(send(101), 8);
    EXPECT_EQ(take(), QStringList({"previous 101", "after 101 7"}));
    EXPECT_EQ(send(102), 7);
    EXPECT_EQ(take(), QStringList({"previous 102"}));
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(SubclasserTest, HandledBeforeSkipsThePreviousProcedureAndTheAfterCallExceptOnDestroy) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), Subclasser::ALL_MESSAGES, Subclasser::MSG_BEFORE_AFTER);
    owner->onWindow = [](bool bBefore, bool& bHandled, qintptr& lReturn, quint32, qintptr&) {
        if (bBefore)
            bHandled = true, lReturn = 5;
    };
    EXPECT_EQ(send(100), 5);
    EXPECT_EQ(take(), QStringList({"before 100 0"}));

    // Destroy reaches the window's own procedure anyway, and the routing ends with it: the after
    // call is not made and the record is gone.
    window.destroy();
    EXPECT_EQ(take(), QStringList({"before 2 0", "previous 2"}));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    EXPECT_EQ(
        reports(),
        QStringList(
            {QStringLiteral("cSystray.zMap_VFunction: Thunk type for ID of %1 does not exist").arg(window.handle())}));
}

TEST_F(SubclasserTest, UserValueIsKeptBetweenCalls) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle(), 10));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_BEFORE);
    QList<qintptr> seen;
    owner->onWindow = [&](bool, bool&, qintptr&, quint32, qintptr& user) { seen << user++; };
    send(100);
    send(100);
    EXPECT_EQ(seen, QList<qintptr>({10, 11}));
}

TEST_F(SubclasserTest, MessageWatchedTwiceKeepsOneEntry) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    owner->sub.ssc_UnwatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100"}));
    // Unwatching a message that is not there is reported, in upper-case hexadecimal.
    owner->sub.ssc_UnwatchMsg(window.handle(), 1000, Subclasser::MSG_AFTER);
    EXPECT_EQ(reports(), QStringList({"cSystray.zDelMsg: Message &H3E8 not found in table"}));
}

TEST_F(SubclasserTest, AllMessagesAndTheirRemoval) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), Subclasser::ALL_MESSAGES, Subclasser::MSG_BEFORE);
    send(100);
    send(60000);
    EXPECT_EQ(take(), QStringList({"before 100 0", "previous 100", "before 60000 0", "previous 60000"}));
    owner->sub.ssc_UnwatchMsg(window.handle(), Subclasser::ALL_MESSAGES, Subclasser::MSG_BEFORE);
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100"}));
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(SubclasserTest, ThirtyThirdMessageOverflowsAndAFreedPlaceIsTakenAgain) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    for (qint32 m = 1001; m <= 1033; ++m)
        owner->sub.ssc_WatchMsg(window.handle(), m, Subclasser::MSG_AFTER);
    const QString overflow = QStringLiteral("Message table overflow. Either increase the value of Const MSG_ENTRIES or "
                                            "use ALL_MESSAGES instead of specific message values");
    EXPECT_EQ(reports(), QStringList({"cSystray.zAddMsg: " + overflow}));
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].prompt, overflow + ".");
    EXPECT_EQ(hooks.boxes[0].title, QStringLiteral("Error in cSystray.zAddMsg"));
    EXPECT_EQ(hooks.boxes[0].style, mb::Exclamation);
    send(1032);
    send(1033);
    EXPECT_EQ(take(), QStringList({"previous 1032", "after 1032 7", "previous 1033"}));

    // The full table keeps its places: a message already there, or one taking a freed place, is
    // no overflow.
    hooks.events.clear();
    owner->sub.ssc_WatchMsg(window.handle(), 1032, Subclasser::MSG_AFTER);
    owner->sub.ssc_UnwatchMsg(window.handle(), 1005, Subclasser::MSG_AFTER);
    owner->sub.ssc_WatchMsg(window.handle(), 2000, Subclasser::MSG_AFTER);
    EXPECT_TRUE(hooks.events.empty());
    send(1005);
    send(2000);
    EXPECT_EQ(take(), QStringList({"previous 1005", "previous 2000", "after 2000 7"}));
}

TEST_F(SubclasserTest, ReleaseRestoresTheWindowAtOnceOrOnTheOutermostCall) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_BEFORE_AFTER);
    owner->onWindow = [&](bool bBefore, bool&, qintptr&, quint32, qintptr&) {
        if (bBefore) {
            send(101); // re-entrant: the nested call routes as well
            owner->sub.ssc_ReleaseAll();
        }
    };
    owner->sub.ssc_WatchMsg(window.handle(), 101, Subclasser::MSG_AFTER);
    EXPECT_EQ(send(100), 7);
    // The release from inside the handler sends message 0, which the routing passes on; the
    // emptied tables stop the after call; the restore waits for the outermost call.
    EXPECT_EQ(take(), QStringList({"before 100 0", "previous 101", "after 101 7", "previous 0", "previous 100"}));
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100"}));
    // Routed again after the release: the collection starts afresh.
    owner->onWindow = nullptr;
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100", "after 100 7"}));
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(SubclasserTest, OwnerDestroyedDuringRoutingIsNotCalledAgainAndTheWindowIsRestored) {
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_BEFORE_AFTER);
    owner->onWindow = [&](bool bBefore, bool&, qintptr&, quint32, qintptr&) {
        if (bBefore)
            owner.reset(); // its Subclasser releases the routing on the way out
    };
    EXPECT_EQ(send(100), 7);
    EXPECT_EQ(take(), QStringList({"before 100 0", "previous 0", "previous 100"}));
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100"}));
}

TEST_F(SubclasserTest, HandlerOfAnotherOwnerIsSkippedOnceItIsGone) {
    QStringList otherLog;
    auto other = std::make_unique<Owner>(otherLog);
    ASSERT_TRUE(owner->sub.ssc_Subclass(window.handle(), 0, 1, other.get()));
    owner->sub.ssc_WatchMsg(window.handle(), 100, Subclasser::MSG_AFTER);
    send(100);
    EXPECT_EQ(otherLog, QStringList({"after 100 7"}));
    other.reset();
    EXPECT_EQ(send(100), 7);
    EXPECT_EQ(take(), QStringList({"previous 100", "previous 100"}));
}

struct ReportCase {
    const char* name;
    std::function<bool(Subclasser&, WindowHandle)> act;
    QString routine;
    QString message;
};

class SubclassReports : public SubclasserTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(SubclassReports, FailsWithItsReport) {
    const ReportCase& c = GetParam();
    EXPECT_FALSE(c.act(owner->sub, window.handle()));
    ASSERT_EQ(hooks.events.size(), 1u);
    EXPECT_EQ(hooks.events[0].type, EventLogType::Error);
    EXPECT_EQ(hooks.events[0].text, "cSystray." + c.routine + ": " + c.message);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].prompt, c.message + ".");
    EXPECT_EQ(hooks.boxes[0].title, "Error in cSystray." + c.routine);
    // A failed routing leaves the window alone.
    send(100);
    EXPECT_EQ(take(), QStringList({"previous 100"}));
}

INSTANTIATE_TEST_SUITE_P(
    Subclasser, SubclassReports,
    ::testing::Values(ReportCase{"SecondRouting",
                                 [](Subclasser& s, WindowHandle h) { return s.ssc_Subclass(h) && s.ssc_Subclass(h); },
                                 "ssc_Subclass", "Window handle is already subclassed"},
                      ReportCase{"NoWindow", [](Subclasser& s, WindowHandle h) { return s.ssc_Subclass(h + 1); },
                                 "ssc_Subclass", "Invalid window handle"},
                      ReportCase{"OrdinalOfTheCallbackHandler",
                                 [](Subclasser& s, WindowHandle h) { return s.ssc_Subclass(h, 0, 2); }, "ssc_Subclass",
                                 "Callback method not found"},
                      ReportCase{"OrdinalPastTheHandlers",
                                 [](Subclasser& s, WindowHandle h) { return s.ssc_Subclass(h, 0, 3); }, "ssc_Subclass",
                                 "Callback method not found"},
                      ReportCase{"WatchBeforeAnyRouting",
                                 [](Subclasser& s, WindowHandle h) {
                                     s.ssc_WatchMsg(h, 100);
                                     return false;
                                 },
                                 "zMap_VFunction", "Thunk hasn't been initialized"},
                      ReportCase{"NegativeParameterCount",
                                 [](Subclasser& s, WindowHandle) { return s.scb_SetCallbackAddr(-1, 2) != 0; },
                                 "scb_SetCallbackAddr", "Invalid Parameter count"},
                      ReportCase{"CallbackOfTheWindowHandler",
                                 [](Subclasser& s, WindowHandle) { return s.scb_SetCallbackAddr(4, 1) != 0; },
                                 "scb_SetCallbackAddr", "Callback address not found."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SubclasserTest, OneCallbackAddressPerOrdinalCallingTheHandlerWithItsArguments) {
    const qintptr address = owner->sub.scb_SetCallbackAddr(4, 2);
    ASSERT_NE(address, 0);
    EXPECT_EQ(owner->sub.scb_SetCallbackAddr(4, 2), address);
    EXPECT_EQ(owner->sub.scb_SetCallbackAddr(-1, 2), address); // an existing record is returned first
    EXPECT_EQ(CallbackTable::call(address, {1, 2, 3, 4}), 42);
    EXPECT_EQ(CallbackTable::call(address, {9}), 42); // always four arguments
    EXPECT_EQ(take(), QStringList({"callback 1,2,3,4", "callback 9,0,0,0"}));

    owner->sub.scb_ReleaseAll();
    EXPECT_FALSE(CallbackTable::call(address, {1, 2, 3, 4}).has_value());
    const qintptr again = owner->sub.scb_SetCallbackAddr(4, 2);
    EXPECT_NE(again, address);
    owner.reset(); // the owner's going frees its callbacks
    EXPECT_FALSE(CallbackTable::call(again, {1, 2, 3, 4}).has_value());
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(hooks.events.empty());
}

TEST_F(SubclasserTest, CallbackForAnotherOwnerIsSkippedOnceItIsGone) {
    QStringList otherLog;
    auto other = std::make_unique<Owner>(otherLog);
    const qintptr address = owner->sub.scb_SetCallbackAddr(4, 2, other.get());
    other.reset();
    EXPECT_EQ(CallbackTable::call(address, {1, 2, 3, 4}), 0);
    EXPECT_TRUE(otherLog.isEmpty());
}

} // namespace
} // namespace vellumo
