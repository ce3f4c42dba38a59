// A window with a new message comes above the others, and stays on top only when it is kept there.
#include "app/ui/bring_to_front.h"

#include "platform/runtime/ui_hooks.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(BringToFront, PulsesTheWindowOnTopOnlyWhenItIsNotKeptThere) {
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scopedHooks(hooks);
    QWidget window;
    BringToFront(window, false);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(hooks.doEventsCalls, 1);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    QWidget onTop;
    onTop.setWindowFlag(Qt::WindowStaysOnTopHint);
    BringToFront(onTop, true);
    EXPECT_TRUE(onTop.isVisible());
    EXPECT_EQ(hooks.doEventsCalls, 1);
    EXPECT_TRUE(onTop.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

} // namespace
} // namespace vellumo
