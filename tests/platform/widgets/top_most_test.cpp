#include "platform/widgets/top_most.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

TEST(TopMost, ShowsAHiddenWindowWhereItIsWithoutActivatingIt) {
    QWidget window;
    window.setGeometry(120, 140, 300, 200);
    ASSERT_FALSE(window.isVisible());
    SetTopMost(&window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.geometry(), QRect(120, 140, 300, 200));
    EXPECT_NE(QApplication::activeWindow(), &window);

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

} // namespace
