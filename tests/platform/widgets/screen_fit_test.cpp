// Windows fit the area they open in: no larger than it (less the frame), moved onto it when placed
// partly off it, widened for their title as far as it allows.
#include "platform/widgets/screen_fit.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace vellumo {
namespace {

struct FitCase {
    const char* name;
    QSize size;
    bool fixed;      // setFixedSize, as the compose window has
    QPoint placedAt; // (-1, -1): never placed
    const char* title;
    bool keepsSize; // fits already: left as it is
};
void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class ScreenFitCases : public ::testing::TestWithParam<FitCase> {};

// A small screen at a large scale: 512 by 370 pixels of the window's own.
const QRect kArea(0, 0, 512, 370);

TEST_P(ScreenFitCases, TheWindowWithItsFrameLiesWhollyInTheArea) {
    const FitCase& c = GetParam();
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(c.title));
    if (c.fixed)
        window.setFixedSize(c.size);
    else
        window.resize(c.size);
    if (c.placedAt != QPoint(-1, -1))
        window.move(c.placedAt);
    FitOnScreen(&window, kArea);
    const QMargins frame = ExpectedFrame(window);
    const QRect outer = QRect(window.geometry().topLeft(), window.size()).marginsAdded(frame);
    EXPECT_LE(outer.width(), kArea.width());
    EXPECT_LE(outer.height(), kArea.height());
    if (c.placedAt != QPoint(-1, -1)) {
        EXPECT_TRUE(kArea.contains(outer))
            << outer.x() << "," << outer.y() << " " << outer.width() << "x" << outer.height();
    } else {
        EXPECT_FALSE(window.testAttribute(Qt::WA_Moved)) << "a window never placed is the window manager's to place";
    }
    // Room for the title whole, as far as the area allows.
    EXPECT_GE(window.width(), std::min(TitleWidth(window), kArea.width() - frame.left() - frame.right()));
    if (c.keepsSize) {
        EXPECT_EQ(window.size(), c.size);
    }
}

const FitCase kFitCases[] = {
    {"LargerThanTheArea", {620, 507}, false, {-1, -1}, "Vellumo", false},
    {"FixedLargerThanTheArea", {500, 408}, true, {-1, -1}, "Vellumo - Envoyer un message", false},
    {"PlacedPartlyOff", {300, 150}, false, {400, 300}, "Vellumo", true},
    {"FitsAlready", {300, 150}, false, {10, 40}, "Vellumo", true},
    {"NarrowForItsTitle", {200, 150}, false, {-1, -1}, "Searching for connected Vellumo users", false},
    {"TitleWiderThanTheArea",
     {200, 150},
     false,
     {-1, -1},
     "Searching for connected Vellumo users on every network the station can reach today",
     false},
};
INSTANTIATE_TEST_SUITE_P(ScreenFit, ScreenFitCases, ::testing::ValuesIn(kFitCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
