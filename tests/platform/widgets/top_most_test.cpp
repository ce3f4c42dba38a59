#include "platform/widgets/top_most.h"

#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

// Whether the window takes the focus is seen on a real desktop only (the offscreen platform activates
// nothing by itself): tests/desktop/top_most_desktop_test.cpp.
TEST(TopMost, ShowsAHiddenWindowWhereItIs) {
    QWidget window;
    window.setGeometry(120, 140, 300, 200);
    ASSERT_FALSE(window.isVisible());
    SetTopMost(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.geometry(), QRect(120, 140, 300, 200));

    SetNotTopMost(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.geometry(), QRect(120, 140, 300, 200));
}

TEST(TopMost, TwiceKeepsTheWindowOnTopAndInPlace) {
    QWidget window;
    window.setGeometry(10, 20, 200, 100);
    SetTopMost(&window);
    window.hide();
    SetTopMost(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.geometry(), QRect(10, 20, 200, 100));
    SetTopMost(nullptr); // nothing to place
}

// Counts the hide events a widget gets.
class HideCounter : public QObject {
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            ++hides;
        return false;
    }
};

// On a shown window the property changes in place: the native window stays, the window is never
// hidden on the way (hiding a modal dialog ends its loop).
TEST(TopMost, ChangesAShownWindowInPlaceWithoutHidingIt) {
    QWidget window;
    window.setGeometry(50, 60, 200, 100);
    window.show();
    QWindow* native = window.windowHandle();
    ASSERT_NE(native, nullptr);
    HideCounter counter;
    window.installEventFilter(&counter);

    SetTopMost(&window);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(native->flags().testFlag(Qt::WindowStaysOnTopHint));
    SetNotTopMost(&window);
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(native->flags().testFlag(Qt::WindowStaysOnTopHint));

    EXPECT_EQ(window.windowHandle(), native);
    EXPECT_EQ(counter.hides, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(50, 60, 200, 100));
}

// A dialog that makes itself topmost when it comes up (as the peer scan and the network browser do on
// their first activation) stays in its modal loop until it is closed.
TEST(TopMost, ADialogStaysInItsModalLoop) {
    QDialog dialog;
    dialog.resize(200, 100);
    bool closedHere = false;
    QTimer::singleShot(0, &dialog, [&] { SetTopMost(&dialog); });
    QTimer::singleShot(300, &dialog, [&] {
        closedHere = true;
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(closedHere) << "the modal loop ended before the dialog was closed";
}

// A window never placed (only sized) is left for the window manager to place; the window is not shown
// for good without activation: a later show the user asks for activates it.
TEST(TopMost, LeavesANewWindowToTheWindowManagerAndLaterShowsActivating) {
    QWidget window;
    window.resize(300, 200);
    SetTopMost(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.testAttribute(Qt::WA_Moved)) << "pinned to a place it was never given";
    EXPECT_EQ(window.size(), QSize(300, 200));
    EXPECT_FALSE(window.testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST(TopMost, SetStaysOnTopAloneKeepsAHiddenWindowHidden) {
    QWidget window;
    window.resize(300, 200);
    SetStaysOnTop(&window, true);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window.testAttribute(Qt::WA_Moved));
    SetStaysOnTop(nullptr, true); // nothing to change
}

} // namespace
