// Pixel checks of the rendered Frame3D: the border types and their window regions, the caption on the
// frame line, the status line's inner bevel, caption placement, the percentage bar and the gradient.

#include "tests/frame_control/frame_fixture.h"

#include "platform/runtime/numeric.h"

#include <cmath>

namespace vellumo::test {
namespace {

constexpr std::int32_t kSh = 0x00808080; // Border3DShadow &H80000010
constexpr std::int32_t kHi = 0x00FFFFFF; // Border3DHighlight &H80000014
constexpr std::int32_t kBk = 0x00C8D0D4; // the container's BackColor, the button face
constexpr std::int32_t kRed = 0x000000FF;

class FramePaint : public FrameTest {
protected:
    // A new control sized W x H and repainted.
    Frame3D& paint(int w, int h) {
        frame->resize(w, h);
        frame->UserControl_Resize();
        return *frame;
    }
    std::int32_t at(int x, int y) const { return frame->drawingSurface().getPixel(x, y); }
    double tppX() const { return 1440.0 / frame->logicalDpiX(); }
    double tppY() const { return 1440.0 / frame->logicalDpiY(); }
    QPoint captionAt() const { return frame->lblCaption().pos(); }
};

struct BorderCase {
    const char* name;
    std::int32_t borderType;
    std::vector<std::pair<QPoint, std::int32_t>> pixels; // on a 40 x 30 control, CornerRadius 7
    std::vector<QPoint> clipped;                         // pixels outside the window region
    std::vector<QPoint> kept;                            // pixels inside it
};
void PrintTo(const BorderCase& c, std::ostream* os) {
    *os << c.name;
}

class BorderPaint : public FramePaint, public testing::WithParamInterface<BorderCase> {};

TEST_P(BorderPaint, EdgePixelsAndRegion) {
    makeNew();
    frame->setBorderType(GetParam().borderType);
    paint(40, 30);
    for (const auto& [p, colour] : GetParam().pixels)
        EXPECT_EQ(at(p.x(), p.y()), colour) << "pixel (" << p.x() << ", " << p.y() << ")";
    const QRegion mask = frame->mask();
    for (const QPoint& p : GetParam().clipped)
        EXPECT_FALSE(mask.contains(p)) << "clipped (" << p.x() << ", " << p.y() << ")";
    for (const QPoint& p : GetParam().kept)
        EXPECT_TRUE(mask.contains(p)) << "kept (" << p.x() << ", " << p.y() << ")";
    EXPECT_TRUE(logLines().isEmpty());
}

const std::vector<QPoint> kSquareKept{{0, 0}, {39, 0}, {0, 29}, {39, 29}, {40, 30}};

const BorderCase kBorderCases[] = {
    {"NoneBorder", 0, {{{0, 0}, kBk}, {{20, 15}, kBk}, {{39, 29}, kBk}}, {}, kSquareKept},
    {"FrameInserted",
     1,
     {{{0, 0}, kSh},
      {{20, 0}, kSh},
      {{0, 15}, kSh},
      {{38, 15}, kSh},
      {{20, 28}, kSh},
      {{20, 1}, kHi},
      {{1, 15}, kHi},
      {{39, 15}, kHi},
      {{20, 29}, kHi},
      {{39, 0}, kBk},
      {{2, 2}, kBk}},
     {},
     kSquareKept},
    {"FrameRaised",
     2,
     {{{20, 0}, kHi}, {{0, 15}, kHi}, {{20, 1}, kSh}, {{39, 15}, kSh}, {{20, 29}, kSh}, {{2, 2}, kBk}},
     {},
     kSquareKept},
    {"PanelFlatShadow",
     3,
     {{{20, 0}, kSh}, {{38, 15}, kSh}, {{20, 28}, kSh}, {{39, 15}, kBk}, {{20, 29}, kBk}},
     {},
     kSquareKept},
    {"PanelFlatHighlight", 4, {{{20, 0}, kHi}, {{39, 15}, kHi}, {{20, 29}, kHi}, {{1, 1}, kBk}}, {}, kSquareKept},
    // The lines leave out their end points, so the top left pixel keeps BackColor.
    {"PanelRaised",
     5,
     {{{20, 0}, kHi},
      {{0, 15}, kHi},
      {{39, 0}, kHi},
      {{0, 29}, kHi},
      {{39, 15}, kSh},
      {{20, 29}, kSh},
      {{39, 29}, kSh},
      {{0, 0}, kBk}},
     {},
     kSquareKept},
    {"PanelInserted",
     6,
     {{{20, 0}, kSh},
      {{0, 15}, kSh},
      {{38, 0}, kSh},
      {{0, 28}, kSh},
      {{39, 15}, kHi},
      {{20, 29}, kHi},
      {{39, 0}, kBk},
      {{0, 29}, kBk}},
     {},
     kSquareKept},
    {"rFrameInserted",
     7,
     {{{20, 0}, kSh}, {{0, 15}, kSh}, {{20, 1}, kHi}, {{39, 15}, kHi}, {{0, 0}, kBk}},
     {{0, 0}, {1, 0}, {0, 1}, {40, 30}},
     {{20, 0}, {0, 15}, {40, 15}, {20, 30}}},
    {"rFrameRaised", 8, {{{20, 0}, kHi}, {{20, 1}, kSh}, {{39, 15}, kSh}}, {{0, 0}, {40, 0}}, {{20, 0}}},
    {"rPanelFlatShadow", 9, {{{20, 0}, kSh}, {{39, 15}, kSh}, {{20, 29}, kSh}, {{0, 0}, kBk}}, {{0, 0}}, {{20, 0}}},
    {"rPanelFlatHighlight", 10, {{{20, 0}, kHi}, {{0, 15}, kHi}, {{0, 0}, kBk}}, {{0, 0}}, {{20, 0}}},
    // Straight edges between the corners, quarter arcs of radius 7 centred 7 pixels in.
    {"rPanelRaised",
     11,
     {{{7, 0}, kHi},
      {{20, 0}, kHi},
      {{0, 7}, kHi},
      {{0, 15}, kHi},
      {{39, 15}, kSh},
      {{20, 29}, kSh},
      {{32, 29}, kSh},
      {{39, 22}, kSh},
      {{0, 0}, kBk},
      {{2, 0}, kBk}},
     {{0, 0}, {2, 0}, {0, 2}},
     {{20, 0}, {7, 0}}},
    // The region's corner ellipse is 7 x 7 only, so face pixels outside the arcs stay visible.
    {"rPanelInserted",
     12,
     {{{20, 0}, kSh}, {{0, 15}, kSh}, {{39, 15}, kHi}, {{20, 29}, kHi}, {{2, 0}, kBk}},
     {{0, 0}},
     {{2, 0}, {0, 2}, {20, 0}}},
    {"rNoneBorder",
     13,
     {{{0, 0}, kBk}, {{0, 15}, kBk}, {{20, 15}, kBk}},
     {{0, 15}, {20, 0}, {1, 1}, {40, 15}},
     {{1, 15}, {20, 1}, {39, 15}, {20, 29}}},
    {"OutOfRangeHigh", 20, {{{0, 0}, kBk}, {{20, 15}, kBk}}, {}, kSquareKept},
    {"OutOfRangeNegative", -1, {{{0, 0}, kBk}}, {}, kSquareKept},
};

INSTANTIATE_TEST_SUITE_P(Borders, BorderPaint, testing::ValuesIn(kBorderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FramePaint, InsideValuesFollowTheBorderAndTheBevel) {
    makeNew();
    paint(200, 24); // BorderType 1: a double line
    EXPECT_EQ(frame->InsideHeight(), num::toInt32(20 * tppY()));
    EXPECT_EQ(frame->InsideWidth(), num::toInt32(196 * tppX()));
    EXPECT_EQ(frame->InsideLeft(), num::toInt32(2 * tppX()));
    frame->setBorderType(20); // single line, as None Border
    EXPECT_EQ(frame->InsideWidth(), num::toInt32(198 * tppX()));
    EXPECT_EQ(frame->InsideTop(), num::toInt32(tppY()));
}

TEST_F(FramePaint, StatusLineOfTheMainWindow) {
    makeNew();
    frame->setBevelInner(InsertedBevel);
    frame->setCaptionAlignment(MiddleLeft);
    frame->setCaption(QStringLiteral("Prêt"));
    paint(200, 24);
    // The bevel 3 pixels in: shadow on top and left, highlight on right and bottom, no arcs.
    EXPECT_EQ(at(50, 3), kSh);
    EXPECT_EQ(at(3, 10), kSh);
    EXPECT_EQ(at(196, 10), kHi);
    EXPECT_EQ(at(50, 20), kHi);
    EXPECT_EQ(at(50, 4), kBk);
    EXPECT_EQ(at(0, 10), kSh); // the frame's outer line
    EXPECT_EQ(at(1, 10), kHi);
    EXPECT_EQ(frame->InsideHeight(), num::toInt32(16 * tppY()));
    EXPECT_EQ(frame->InsideWidth(), num::toInt32(192 * tppX()));
    EXPECT_EQ(frame->InsideLeft(), num::toInt32(4 * tppX()));
    EXPECT_EQ(frame->InsideTop(), num::toInt32(4 * tppY()));
    const float lh = static_cast<float>(frame->lblCaption().height());
    EXPECT_FLOAT_EQ(frame->CaptionLeft(), 6.0f);
    EXPECT_FLOAT_EQ(frame->CaptionTop(), (24.0f - 6 - lh) / 2 + 3);
    EXPECT_EQ(captionAt().x(), 6);
    EXPECT_TRUE(frame->lblCaptionShadow().isHidden());
    EXPECT_TRUE(frame->lblCaptionBlank().isHidden());
    EXPECT_EQ(frame->FrameTop(), 0.0f);
}

TEST_F(FramePaint, TopCaptionOnTheFrameLineMovesTheTopLine) {
    makeNew();
    frame->setCaptionLocation(InFrame);
    frame->setCaption(QStringLiteral("Options"));
    paint(120, 60);
    const float t = static_cast<float>(frame->lblCaption().height()) / 2.25f;
    EXPECT_FLOAT_EQ(frame->FrameTop(), t);
    EXPECT_EQ(at(100, num::toInt32(static_cast<double>(t))), kSh);
    EXPECT_EQ(at(100, num::toInt32(static_cast<double>(t + 1))), kHi);
    EXPECT_EQ(at(100, 0), kBk);
    EXPECT_FALSE(frame->lblCaptionBlank().isHidden());
    EXPECT_EQ(frame->lblCaptionBlank().geometry(), frame->lblCaption().geometry().adjusted(-1, -1, 1, 1));
    EXPECT_EQ(captionAt(), QPoint(6, 1)); // margin 6 on the frame line
}

TEST_F(FramePaint, BottomCaptionOnTheFrameLineMovesTheBottomLine) {
    makeNew();
    frame->setCaptionLocation(InFrame);
    frame->setCaptionAlignment(BottomCenter);
    frame->setCaption(QStringLiteral("Options"));
    paint(120, 60);
    const float B = 60.0f - static_cast<float>(frame->lblCaption().height()) / 2.25f;
    EXPECT_EQ(frame->FrameTop(), 0.0f);
    EXPECT_EQ(at(100, num::toInt32(static_cast<double>(B - 1)) - 1), kSh);
    EXPECT_EQ(at(100, num::toInt32(static_cast<double>(B)) - 1), kHi);
    EXPECT_EQ(at(100, 59), kBk);
    EXPECT_TRUE(frame->mask().contains(QPoint(100, 59))); // the region keeps the full height
    EXPECT_FALSE(frame->lblCaptionBlank().isHidden());
}

TEST_F(FramePaint, NoFrameLineOffsetWithABevelOrWithoutACaption) {
    makeNew();
    frame->setCaptionLocation(InFrame);
    paint(120, 60);
    EXPECT_EQ(frame->FrameTop(), 0.0f); // empty caption
    frame->setCaption(QStringLiteral("Options"));
    frame->setBevelInner(RaisedBevel);
    EXPECT_EQ(frame->FrameTop(), 0.0f);
    EXPECT_TRUE(frame->lblCaptionBlank().isHidden());
    EXPECT_EQ(at(100, 0), kSh);
}

TEST_F(FramePaint, RoundedBevelJoinsItsArcs) {
    makeNew();
    frame->setBorderType(rFrameInserted);
    frame->setBevelInner(RaisedBevel);
    paint(60, 40);
    // i = 3, c = 7: the straight edges stop 7 pixels short of the corners.
    EXPECT_EQ(at(30, 3), kHi);
    EXPECT_EQ(at(10, 3), kHi); // where the top edge meets the top-left arc (3 + 7, 3)
    EXPECT_EQ(at(3, 13), kHi);
    EXPECT_EQ(at(56, 20), kSh);
    EXPECT_EQ(at(30, 36), kSh);
    EXPECT_EQ(at(4, 4), kBk); // cut by the arc
}

TEST_F(FramePaint, FlatBevelUsesTheRadiusAsItsCornerEllipse) {
    makeNew();
    frame->setBorderType(rPanelFlatShadow);
    frame->setCornerRadius(8);
    frame->setBevelInner(FlatHighlight);
    paint(60, 40);
    EXPECT_EQ(at(30, 3), kHi);
    EXPECT_EQ(at(3, 20), kHi);
    EXPECT_EQ(at(56, 20), kHi); // Box(3, 3, 57, 37): right edge at 56
    EXPECT_EQ(at(3, 3), kBk);   // the 8 x 8 corner is cut
}

struct CaptionCase {
    const char* name;
    std::int32_t borderType, cornerRadius, location, bevel, alignment;
    // Expected left and top from the room (Wr, Hr) and the label's extent (lw, lh).
    std::function<QPointF(float Wr, float Hr, float lw, float lh)> expected;
};
void PrintTo(const CaptionCase& c, std::ostream* os) {
    *os << c.name;
}

class CaptionPlacement : public FramePaint, public testing::WithParamInterface<CaptionCase> {};

TEST_P(CaptionPlacement, LandsWhereTheTableSays) {
    const CaptionCase& c = GetParam();
    makeNew();
    frame->setBorderType(c.borderType);
    frame->setCornerRadius(c.cornerRadius);
    frame->setCaptionLocation(c.location);
    frame->setBevelInner(c.bevel);
    frame->setBevelWidth(5);
    frame->setCaptionAlignment(c.alignment);
    frame->setCaption(QStringLiteral("Caption"));
    paint(150, 70);
    const float lw = static_cast<float>(frame->lblCaption().width());
    const float lh = static_cast<float>(frame->lblCaption().height());
    const float room = c.bevel != 0 ? 10.0f : 0.0f;
    QPointF want = c.expected(150.0f - room, 70.0f - room, lw, lh);
    if (c.bevel != 0)
        want += QPointF(5, 5);
    EXPECT_FLOAT_EQ(frame->CaptionLeft(), static_cast<float>(want.x()));
    EXPECT_FLOAT_EQ(frame->CaptionTop(), static_cast<float>(want.y()));
    EXPECT_EQ(captionAt(), QPoint(num::toInt32(want.x()), num::toInt32(want.y())));
}

const CaptionCase kCaptionCases[] = {
    {"TopLeftOnAFrame", 1, 7, 0, 0, TopLeft, [](float, float, float, float) { return QPointF(3, 1); }},
    {"TopLeftInTheFrameLine", 1, 7, 1, 0, TopLeft, [](float, float, float, float) { return QPointF(6, 1); }},
    {"TopCenter", 1, 7, 0, 0, TopCenter, [](float Wr, float, float lw, float) { return QPointF((Wr - lw) / 2, 1); }},
    {"TopRightRoundedInFrame", 11, 10, 1, 0, TopRight,
     [](float Wr, float, float lw, float) { return QPointF(Wr - lw - 13, 1); }},
    {"TopRightRounded", 7, 10, 0, 0, TopRight,
     [](float Wr, float, float lw, float) { return QPointF(Wr - lw - 10, 1); }},
    {"MiddleLeftIgnoresTheMargin", 11, 10, 1, 0, MiddleLeft,
     [](float, float Hr, float, float lh) { return QPointF(3, (Hr - lh) / 2); }},
    {"MiddleCenter", 1, 7, 0, 0, MiddleCenter,
     [](float Wr, float Hr, float lw, float lh) { return QPointF((Wr - lw) / 2, (Hr - lh) / 2); }},
    {"MiddleRightAlwaysThree", 11, 10, 1, 0, MiddleRight,
     [](float Wr, float Hr, float lw, float lh) { return QPointF(Wr - lw - 3, (Hr - lh) / 2); }},
    {"BottomLeftNoBorder", 0, 7, 0, 0, BottomLeft,
     [](float, float Hr, float, float lh) { return QPointF(1, Hr - lh - 3); }},
    {"BottomCenterInsideABevel", 1, 7, 0, 1, BottomCenter,
     [](float Wr, float Hr, float lw, float lh) { return QPointF((Wr - lw) / 2, Hr - lh - 3); }},
    {"BottomRightInsideABevel", 5, 7, 0, 2, BottomRight,
     [](float Wr, float Hr, float lw, float lh) { return QPointF(Wr - lw - 3, Hr - lh - 3); }},
};

INSTANTIATE_TEST_SUITE_P(Alignments, CaptionPlacement, testing::ValuesIn(kCaptionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FramePaint, CaptionAlignmentOutOfRangeKeepsThePosition) {
    makeNew();
    frame->setCaption(QStringLiteral("Caption"));
    frame->setCaptionAlignment(BottomRight);
    paint(150, 70);
    const QPoint before = captionAt();
    frame->setCaptionAlignment(9);
    EXPECT_EQ(captionAt(), before);
    frame->setBevelInner(InsertedBevel); // the bevel still shifts the kept position
    EXPECT_FLOAT_EQ(frame->CaptionLeft(), static_cast<float>(before.x() + 3));
}

TEST_F(FramePaint, CaptionLooksMoveTheShadow) {
    makeNew();
    frame->setCaption(QStringLiteral("Caption"));
    paint(150, 70);
    const QPoint c = captionAt();
    EXPECT_TRUE(frame->lblCaptionShadow().isHidden());
    frame->setCaption3D(InsertedCaption);
    EXPECT_FALSE(frame->lblCaptionShadow().isHidden());
    EXPECT_EQ(frame->lblCaptionShadow().pos(), c + QPoint(1, 1));
    frame->setCaption3D(RaisedCaption);
    EXPECT_EQ(frame->lblCaptionShadow().pos(), c - QPoint(1, 1));
    frame->setCaption3D(7); // not a look: the shadow stays where it is
    EXPECT_EQ(frame->lblCaptionShadow().pos(), c - QPoint(1, 1));
    EXPECT_FALSE(frame->lblCaptionShadow().isHidden());
}

// ---- percentage bar ---------------------------------------------------------------------------------

class FloodPaint : public FramePaint {
protected:
    void SetUp() override {
        makeNew();
        frame->setBorderType(NoneBorder);
        frame->setFloodColor(kRed);
        paint(101, 41);
    }
    int redColumns(int row) const {
        int n = 0;
        for (int x = 0; x < 101; ++x)
            n += at(x, row) == kRed;
        return n;
    }
};

TEST_F(FloodPaint, LeftToRightAtZeroHalfAndFull) {
    frame->setFloodShowPct(true);
    frame->setFloodPercent(0);
    EXPECT_EQ(frame->Caption(), QStringLiteral("0%"));
    EXPECT_EQ(redColumns(20), 0);
    frame->setFloodPercent(50); // (99 x 50 / 100) = 49.5: the box ends at column 50, halves to even
    EXPECT_EQ(frame->Caption(), QStringLiteral("50%"));
    EXPECT_EQ(at(1, 1), kRed);
    EXPECT_EQ(at(50, 39), kRed);
    EXPECT_EQ(at(51, 20), kBk);
    EXPECT_EQ(at(0, 20), kBk);
    EXPECT_EQ(at(20, 40), kBk);
    frame->setFloodPercent(100);
    EXPECT_EQ(frame->Caption(), QStringLiteral("100%"));
    EXPECT_EQ(at(1, 1), kRed);
    EXPECT_EQ(at(99, 39), kRed);
    EXPECT_EQ(at(100, 20), kBk);
    EXPECT_EQ(at(20, 0), kBk);
    frame->setFloodPercent(20); // shorter: the full repaint clears what the longer bar covered
    EXPECT_EQ(at(60, 20), kBk);
    EXPECT_EQ(redColumns(20), 20);
    EXPECT_FALSE(frame->lblCaption().isHidden());
}

TEST_F(FloodPaint, BottomToTopAtHalf) {
    frame->setFloodType(BottomToTop);
    frame->setFloodPercent(50); // h = 38, h' = 19: rows 20 to 39
    EXPECT_EQ(at(50, 19), kBk);
    EXPECT_EQ(at(50, 20), kRed);
    EXPECT_EQ(at(1, 39), kRed);
    EXPECT_EQ(at(99, 39), kRed);
    EXPECT_EQ(at(50, 40), kBk);
    EXPECT_EQ(at(100, 30), kBk);
}

TEST_F(FloodPaint, BarStaysInsideTheBevel) {
    frame->setBevelInner(InsertedBevel);
    frame->setFloodPercent(100); // m = 3 + 1
    EXPECT_EQ(at(4, 4), kRed);
    EXPECT_EQ(at(96, 36), kRed);
    EXPECT_EQ(at(97, 20), kHi); // the bevel's right line at W - 4
    EXPECT_EQ(at(3, 20), kSh);
}

// ---- gradient ---------------------------------------------------------------------------------------

class GradientPaint : public FramePaint {
protected:
    void SetUp() override {
        makeNew();
        frame->setBorderType(NoneBorder);
        frame->setBackColor(0x00FFFFFF);
        frame->setFillColor(0);
        frame->setCornerRadius(1);
    }
};

TEST_F(GradientPaint, HorizontalFromFillColorToBackColor) {
    frame->setFillGradient(FillHorizontal);
    paint(101, 20);
    EXPECT_EQ(at(50, 5), 0x00808080); // 50 x 2.55 = 127.5, halves to even: 128
    EXPECT_EQ(at(100, 5), 0x00FFFFFF);
    frame->DrawGradiant(); // between repaints the lines paint over the border
    EXPECT_EQ(at(0, 5), 0);
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(1, 5), 0x00030303); // 2.55 rounds to 3
    EXPECT_EQ(at(100, 19), 0x00FFFFFF);
}

TEST_F(GradientPaint, VerticalAndASystemColourStart) {
    frame->setFillColor(syscolor::ButtonShadow);
    frame->setFillGradient(FillVertical);
    paint(30, 51); // n = 50
    frame->DrawGradiant();
    EXPECT_EQ(at(15, 0), kSh);
    EXPECT_EQ(at(0, 0), kSh);
    EXPECT_EQ(at(15, 50), 0x00FFFFFF);
}

TEST_F(GradientPaint, DegenerateSizes) {
    frame->setFillGradient(FillHorizontal);
    frame->setCornerRadius(60);
    paint(60, 20); // n = 0: one line in the start colour
    frame->DrawGradiant();
    EXPECT_EQ(at(0, 5), 0);
    EXPECT_EQ(at(1, 5), 0x00FFFFFF);
    frame->setCornerRadius(100); // n < 0: nothing
    frame->DrawGradiant();
    EXPECT_EQ(at(0, 5), 0x00FFFFFF);
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(GradientPaint, RaisedPanelKeepsTheGradientInside) {
    frame->setFillGradient(FillHorizontal);
    frame->setBorderType(PanelRaised);
    paint(101, 20);
    EXPECT_EQ(at(50, 10), 0x00808080); // FillStyle transparent: the face Box does not cover it
    EXPECT_EQ(at(50, 0), kHi);
    EXPECT_EQ(at(50, 19), kSh);
}

// ---- failures ---------------------------------------------------------------------------------------

TEST_F(FramePaint, OverflowingDiameterGivesSquareCornersAndALogRecord) {
    makeNew();
    frame->setBorderType(rPanelRaised);
    frame->setCaptionLocation(InFrame);
    frame->setCaption(QStringLiteral("x"));
    EXPECT_EQ(errorOf([&] { frame->setCornerRadius(0x7FFFFFFF); }), err::Overflow);
    frame->errorLog().setFolder(dir.path());
    paint(40, 30);
    const QStringList lines = logLines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.filter(QStringLiteral("\"6\",\"Overflow\",\"Lumbra\",\"UserControl_Resize\"")).size() >= 1)
        << lines.join('\n').toStdString();
    // CornerRadius + 3 overflows too: the margin stays the radius, logged under the caption routine.
    EXPECT_EQ(lines.filter(QStringLiteral("\"DrawCaptionAlignment\"")).size(), 1);
    EXPECT_TRUE(frame->mask().contains(QPoint(0, 0))); // d stayed 0: a square region
    EXPECT_TRUE(frame->mask().contains(QPoint(40, 30)));
    EXPECT_EQ(at(0, 0), kBk);
    EXPECT_TRUE(hooks.boxes.empty()); // painting never shows a message box
}

// A radius that no coordinate can hold fails every line and arc that uses it: each failure is one
// record of its own routine, and the steps after it still run.
TEST_F(FramePaint, EveryFailingStepIsOneRecordAndTheNextStepStillRuns) {
    makeNew();
    frame->setBorderType(rPanelRaised);
    frame->setBevelInner(RaisedBevel);
    EXPECT_EQ(errorOf([&] { frame->setCornerRadius(0x7FFFFFFF); }), err::Overflow);
    paint(40, 30);
    const QStringList lines = logLines();
    // the diameter, then the four straight edges and the four corner arcs of the rounded panel
    EXPECT_EQ(lines.filter(QStringLiteral("\"6\",\"Overflow\",\"Lumbra\",\"UserControl_Resize\"")).size(), 9)
        << lines.join('\n').toStdString();
    // the bevel's four edges and four arcs
    EXPECT_EQ(lines.filter(QStringLiteral("\"6\",\"Overflow\",\"Lumbra\",\"DrawBevelInner\"")).size(), 8)
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.size(), 17);
    EXPECT_EQ(at(20, 15), kBk);                               // the face box before the failing edges
    EXPECT_TRUE(frame->mask().contains(QPoint(0, 0)));        // the region after them, square (d stayed 0)
    EXPECT_EQ(frame->InsideLeft(), num::toInt32(4 * tppX())); // the bevel's Inside values after its edges
    EXPECT_EQ(frame->InsideTop(), num::toInt32(4 * tppY()));
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(FramePaint, ZeroSizeDrawsNothingAndLogsNothing) {
    makeNew();
    frame->setBevelInner(InsertedBevel);
    frame->setFloodPercent(50);
    frame->setCaption(QStringLiteral("x"));
    paint(0, 0);
    EXPECT_EQ(frame->drawingSurface().width(), 0);
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(FramePaint, CornerRadiusZeroGivesSquareRoundedTypes) {
    makeNew();
    frame->setBorderType(rPanelRaised);
    frame->setCornerRadius(0);
    paint(40, 30);
    EXPECT_TRUE(frame->mask().contains(QPoint(0, 0)));
    EXPECT_EQ(at(20, 0), kHi);
    EXPECT_EQ(at(0, 0), kHi); // the radius-0 arc is its centre pixel
    EXPECT_TRUE(logLines().isEmpty());
}

// The surface's Picture is its background: BackColor, the picture at the top left, then the drawing.
class PicturePaint : public FramePaint {
protected:
    void SetUp() override {
        makeNew(); // BorderType 1: the frame's two outlines at columns 0 and 1
        picture = QImage(20, 10, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    }
    std::int32_t pictureAt(int x, int y) const { return Surface::fromRgb(picture.pixel(x, y)); }
    // Pixels of the picture's area, inside the border, that do not show the picture.
    int hidden() const {
        int n = 0;
        for (int y = 2; y < picture.height(); ++y)
            for (int x = 2; x < picture.width(); ++x)
                n += at(x, y) != pictureAt(x, y);
        return n;
    }

    QImage picture;
};

TEST_F(PicturePaint, TheRepaintLaysThePictureUnderTheBorder) {
    frame->setPicture(picture);
    paint(60, 30);
    EXPECT_EQ(hidden(), 0);
    EXPECT_EQ(at(0, 5), kSh);
    EXPECT_EQ(at(1, 5), kHi);
    EXPECT_EQ(at(20, 5), kBk); // beside the picture
    EXPECT_EQ(at(5, 10), kBk); // below it
}

TEST_F(PicturePaint, WritingThePictureShowsItUnderTheDrawingWithoutARepaint) {
    paint(60, 30);
    clearLogs();
    frame->setPicture(picture);
    EXPECT_TRUE(repaints.isEmpty());
    EXPECT_EQ(hidden(), 0);
    EXPECT_EQ(at(0, 5), kSh);
    EXPECT_EQ(at(1, 5), kHi);
    const QImage shown = frame->drawingSurface().image();
    frame->UserControl_Resize();
    EXPECT_EQ(frame->drawingSurface().image(), shown) << "a repaint draws the same";
    frame->setPicture(QImage());
    EXPECT_EQ(at(5, 5), kBk);
    EXPECT_EQ(at(0, 5), kSh);
}

} // namespace
} // namespace vellumo::test
