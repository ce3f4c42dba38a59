// MessageWindow and CallbackTable: posted messages come through the event loop, a window stays
// whole while a call into it destroys it, timers call their procedure address or post message 275,
// and registered message numbers are one per name.

#include "platform/tray/message_window.h"

#include "platform/tray/callback_table.h"
#include "tests/support/event_loop.h"

#include <QCoreApplication>
#include <QList>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

TEST(MessageWindow, PostedMessagesComeThroughTheEventLoopAndNotAfterDestruction) {
    QList<quint32> got;
    auto window = std::make_unique<MessageWindow>();
    const WindowHandle h = window->handle();
    MessageWindow::setWindowProc(h, [&](WindowHandle, quint32 m, qintptr, qintptr) -> qintptr {
        got << m;
        return 0;
    });
    EXPECT_TRUE(MessageWindow::postMessage(h, 600, 1, 2));
    EXPECT_TRUE(got.isEmpty());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(got, QList<quint32>({600}));

    MessageWindow::postMessage(h, 601, 0, 0);
    window.reset();
    EXPECT_EQ(got, QList<quint32>({600, 2}));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(got, QList<quint32>({600, 2}));
    EXPECT_FALSE(MessageWindow::isWindow(h));
    EXPECT_FALSE(MessageWindow::postMessage(h, 602, 0, 0));
    EXPECT_EQ(MessageWindow::sendMessage(h, 603, 0, 0), 0);
}

TEST(MessageWindow, DestroyedFromInsideItsOwnProcedure) {
    auto window = std::make_unique<MessageWindow>();
    int calls = 0;
    MessageWindow::setWindowProc(window->handle(), [&](WindowHandle, quint32 m, qintptr, qintptr) -> qintptr {
        ++calls;
        if (m == 700)
            window.reset(); // the procedure runs on to its end
        return 9;
    });
    EXPECT_EQ(MessageWindow::sendMessage(window->handle(), 700, 0, 0), 9);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(calls, 2); // 700 and the destroy message
}

TEST(MessageWindow, TimersCallTheirProcedureOrPostTheTimerMessage) {
    MessageWindow window;
    QList<qintptr> ticks;
    const qintptr proc = CallbackTable::add([&](std::span<const qintptr> a) -> qintptr {
        EXPECT_EQ(a.size(), 4u);
        EXPECT_EQ(a[0], window.handle());
        EXPECT_EQ(a[1], 275);
        ticks << a[2];
        MessageWindow::killTimer(window.handle(), static_cast<quintptr>(a[2])); // from inside its own tick
        return 0;
    });
    QList<qintptr> messages;
    MessageWindow::setWindowProc(window.handle(), [&](WindowHandle, quint32 m, qintptr w, qintptr) -> qintptr {
        if (m == MessageWindow::WM_TIMER)
            messages << w;
        return 0;
    });
    ASSERT_TRUE(MessageWindow::setTimer(window.handle(), 5, 10, proc));
    ASSERT_TRUE(MessageWindow::setTimer(window.handle(), 6, 10, 0));
    ASSERT_TRUE(test::waitUntil([&] { return !ticks.isEmpty() && messages.size() >= 2; }));
    test::runEventLoopFor(40);
    EXPECT_EQ(ticks, QList<qintptr>({5}));
    EXPECT_TRUE(MessageWindow::killTimer(window.handle(), 6));
    EXPECT_FALSE(MessageWindow::killTimer(window.handle(), 6));
    EXPECT_EQ(messages.first(), 6);
    CallbackTable::remove(proc);
    EXPECT_FALSE(CallbackTable::call(proc, {1}).has_value());
}

TEST(MessageWindow, RegisteredMessagesAreOnePerName) {
    const quint32 a = MessageWindow::registerWindowMessage(QStringLiteral("TaskbarCreated"));
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(MessageWindow::registerWindowMessage(QStringLiteral("taskbarcreated")), a);
    EXPECT_NE(MessageWindow::registerWindowMessage(QStringLiteral("SomethingElse")), a);
    EXPECT_EQ(MessageWindow::registerWindowMessage(QString()), 0u);
}

} // namespace
} // namespace vellumo
