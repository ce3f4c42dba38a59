#include "platform/drawing/surface.h"
#include "platform/drawing/system_colors.h"
#include "platform/drawing/window_region.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <numbers>

namespace vellumo {
namespace {

constexpr std::int32_t kWhite = 0x00FFFFFF, kRed = 0x000000FF, kBlue = 0x00FF0000;

struct PixelCase {
    const char* name;
    std::function<void(Surface&)> draw;
    std::vector<std::pair<QPoint, std::int32_t>> expected;
};

void PrintTo(const PixelCase& c, std::ostream* os) {
    *os << c.name;
}

class SurfacePixels : public testing::TestWithParam<PixelCase> {};

TEST_P(SurfacePixels, DrawsExactlyThesePixels) {
    Surface s(20, 20, kWhite);
    s.setPen({Pen::Solid, 1, kRed});
    s.setBrush(Brush::hollow());
    GetParam().draw(s);
    for (const auto& [p, colour] : GetParam().expected)
        EXPECT_EQ(s.getPixel(p.x(), p.y()), colour) << "pixel (" << p.x() << ", " << p.y() << ")";
}

const PixelCase kPixelCases[] = {
    {"HorizontalLineExcludesEndPoint",
     [](Surface& s) {
         s.moveTo(2, 5);
         s.lineTo(8, 5);
     },
     {{{2, 5}, kRed}, {{7, 5}, kRed}, {{8, 5}, kWhite}, {{1, 5}, kWhite}}},
    {"LineDrawnBackwardsExcludesItsOwnEnd",
     [](Surface& s) {
         s.moveTo(8, 5);
         s.lineTo(2, 5);
     },
     {{{8, 5}, kRed}, {{3, 5}, kRed}, {{2, 5}, kWhite}}},
    {"VerticalLineExcludesEndPoint",
     [](Surface& s) {
         s.moveTo(4, 1);
         s.lineTo(4, 6);
     },
     {{{4, 1}, kRed}, {{4, 5}, kRed}, {{4, 6}, kWhite}}},
    {"DiagonalLine",
     [](Surface& s) {
         s.moveTo(0, 0);
         s.lineTo(5, 5);
     },
     {{{0, 0}, kRed}, {{4, 4}, kRed}, {{5, 5}, kWhite}, {{1, 0}, kWhite}}},
    {"ZeroLengthLineDrawsNothing",
     [](Surface& s) {
         s.moveTo(3, 3);
         s.lineTo(3, 3);
     },
     {{{3, 3}, kWhite}}},
    {"DashedLineLeavesGaps",
     [](Surface& s) {
         s.setPen({Pen::Dash, 1, kRed});
         s.moveTo(0, 0);
         s.lineTo(20, 0);
     },
     {{{0, 0}, kRed}, {{17, 0}, kRed}, {{18, 0}, kWhite}, {{19, 0}, kWhite}}},
    {"DottedLine",
     [](Surface& s) {
         s.setPen({Pen::Dot, 1, kRed});
         s.moveTo(0, 0);
         s.lineTo(10, 0);
     },
     {{{0, 0}, kRed}, {{2, 0}, kRed}, {{3, 0}, kWhite}, {{6, 0}, kRed}}},
    {"NullPenDrawsNothing",
     [](Surface& s) {
         s.setPen({Pen::None, 1, kRed});
         s.moveTo(0, 0);
         s.lineTo(10, 0);
     },
     {{{0, 0}, kWhite}}},
    {"RectangleExcludesRightAndBottom",
     [](Surface& s) { s.rectangle(2, 2, 8, 6); },
     {{{2, 2}, kRed},
      {{7, 2}, kRed},
      {{7, 5}, kRed},
      {{2, 5}, kRed},
      {{8, 2}, kWhite},
      {{2, 6}, kWhite},
      {{4, 4}, kWhite}}},
    {"RectangleFilledWithBrush",
     [](Surface& s) {
         s.setBrush(Brush::solid(kBlue));
         s.rectangle(2, 2, 8, 6);
     },
     {{{3, 3}, kBlue}, {{6, 4}, kBlue}, {{2, 3}, kRed}, {{8, 3}, kWhite}}},
    {"FillRectExcludesRightAndBottom",
     [](Surface& s) { s.fillRect(1, 1, 4, 3, Brush::solid(kBlue)); },
     {{{1, 1}, kBlue}, {{3, 2}, kBlue}, {{4, 2}, kWhite}, {{3, 3}, kWhite}}},
    {"FrameRectIsOnePixel",
     [](Surface& s) { s.frameRect(1, 1, 6, 6, Brush::solid(kBlue)); },
     {{{1, 1}, kBlue}, {{5, 5}, kBlue}, {{3, 3}, kWhite}, {{6, 6}, kWhite}}},
    {"SolidBoxIncludesBothCorners",
     [](Surface& s) { s.solidBox(5, 6, 2, 3, kBlue); },
     {{{2, 3}, kBlue}, {{5, 6}, kBlue}, {{6, 6}, kWhite}, {{5, 7}, kWhite}}},
    {"SmallRoundRectCutsItsCorners",
     [](Surface& s) { s.roundRect(0, 0, 10, 10, 6, 6); },
     {{{0, 0}, kWhite},
      {{9, 9}, kWhite},
      {{9, 0}, kWhite},
      {{0, 9}, kWhite},
      {{1, 0}, kRed},
      {{0, 1}, kRed},
      {{1, 1}, kWhite},
      {{5, 0}, kRed},
      {{0, 5}, kRed},
      {{9, 5}, kRed},
      {{5, 9}, kRed},
      {{8, 9}, kRed}}},
    {"RoundRectWithoutCornerIsARectangle",
     [](Surface& s) { s.roundRect(0, 0, 10, 10, 0, 0); },
     {{{0, 0}, kRed}, {{9, 9}, kRed}, {{10, 10}, kWhite}}},
    {"EllipseExtremePixels",
     [](Surface& s) { s.ellipse(0, 0, 10, 8); },
     {{{0, 3}, kRed},
      {{0, 4}, kRed},
      {{9, 3}, kRed},
      {{4, 0}, kRed},
      {{5, 0}, kRed},
      {{4, 7}, kRed},
      {{0, 0}, kWhite},
      {{9, 7}, kWhite},
      {{10, 4}, kWhite},
      {{4, 8}, kWhite},
      {{5, 4}, kWhite}}},
    {"EllipseWithTwoPixelPen",
     [](Surface& s) {
         s.setPen({Pen::Solid, 2, kRed});
         s.ellipse(0, 0, 12, 12);
     },
     {{{0, 6}, kRed}, {{1, 6}, kRed}, {{2, 6}, kWhite}, {{11, 6}, kRed}, {{10, 6}, kRed}}},
    {"ArcQuarterTopLeft",
     [](Surface& s) { s.arc(10, 10, 7, 1.57, 3.14); },
     {{{3, 10}, kRed}, {{10, 3}, kRed}, {{17, 10}, kWhite}, {{10, 17}, kWhite}}},
    {"ArcWrappingThroughZero",
     [](Surface& s) { s.arc(10, 10, 7, 6.28, 1.57); },
     {{{17, 10}, kRed}, {{10, 3}, kRed}, {{3, 10}, kWhite}, {{10, 17}, kWhite}}},
    {"ArcToFullTurn",
     [](Surface& s) { s.arc(10, 10, 7, 4.71, 2 * std::numbers::pi); },
     {{{10, 17}, kRed}, {{17, 10}, kRed}, {{10, 3}, kWhite}}},
    {"ArcOfRadiusZeroIsItsCentre", [](Surface& s) { s.arc(4, 4, 0, 1.57, 3.14); }, {{{4, 4}, kRed}}},
    {"HatchDrawsOnlyItsLines",
     [](Surface& s) { s.fillRect(0, 0, 20, 20, Brush::fromFillStyle(2, kBlue)); },
     {{{3, 0}, kBlue}, {{3, 8}, kBlue}, {{3, 1}, kWhite}}},
    {"SystemColourResolved", [](Surface& s) { s.setPixel(1, 1, syscolor::ButtonShadow); }, {{{1, 1}, 0x00808080}}},
    {"HugeCoordinatesAreClipped",
     [](Surface& s) {
         s.moveTo(-2000000000, 4);
         s.lineTo(2000000000, 4);
         s.ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
     },
     {{{0, 4}, kRed}, {{19, 4}, kRed}}},
    {"HugeDiagonalStaysExact",
     [](Surface& s) {
         s.moveTo(-2000000000, -1999999990);
         s.lineTo(2000000000, 2000000010);
         s.setPen({Pen::Dash, 1, kBlue});
         s.ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
     },
     {{{0, 10}, kRed}, {{9, 19}, kRed}, {{1, 10}, kWhite}}},
};

INSTANTIATE_TEST_SUITE_P(Primitives, SurfacePixels, testing::ValuesIn(kPixelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Surface, GetPixelOutsideAnswersMinusOne) {
    Surface s(4, 4, kWhite);
    EXPECT_EQ(s.getPixel(-1, 0), -1);
    EXPECT_EQ(s.getPixel(4, 0), -1);
    EXPECT_EQ(s.getPixel(3, 3), kWhite);
}

TEST(Surface, BitBltCopiesAndClips) {
    Surface from(4, 4, kBlue), to(6, 6, kWhite);
    from.setPixel(0, 0, kRed);
    to.bitBlt(4, 4, 4, 4, from, 0, 0);
    EXPECT_EQ(to.getPixel(4, 4), kRed);
    EXPECT_EQ(to.getPixel(5, 5), kBlue);
    EXPECT_EQ(to.getPixel(3, 3), kWhite);
}

TEST(Surface, IconOverItsBackground) {
    QImage icon(2, 1, QImage::Format_ARGB32);
    icon.setPixel(0, 0, qRgba(255, 0, 0, 255));
    icon.setPixel(1, 0, qRgba(0, 0, 0, 0));
    Surface s(4, 4, kWhite);
    s.drawIcon(1, 1, icon, kBlue);
    EXPECT_EQ(s.getPixel(1, 1), kRed);
    EXPECT_EQ(s.getPixel(2, 1), kBlue);
    EXPECT_EQ(s.getPixel(3, 1), kWhite);
}

TEST(Surface, FocusRectInvertsEveryOtherPixel) {
    Surface s(6, 6, kWhite);
    s.drawFocusRect(0, 0, 6, 6);
    EXPECT_EQ(s.getPixel(0, 0), 0);
    EXPECT_EQ(s.getPixel(1, 0), kWhite);
    EXPECT_EQ(s.getPixel(2, 0), 0);
    EXPECT_EQ(s.getPixel(2, 2), kWhite);
}

TEST(Surface, TextHasOnlyExactColours) {
    Surface s(60, 20, kWhite);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    s.drawText(1, 1, QStringLiteral("Ag"), font, kRed);
    int red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            const std::int32_t p = s.getPixel(x, y);
            ASSERT_TRUE(p == kWhite || p == kRed) << "antialiased pixel at " << x << ", " << y;
            red += p == kRed;
        }
    EXPECT_GT(red, 10);
    const QRect r = Surface::measureText(QRect(0, 0, 30, 100), QStringLiteral("word word word"), font,
                                         Qt::AlignHCenter | Qt::TextWordWrap);
    EXPECT_LE(r.width(), 30);
    EXPECT_GT(r.height(), QFontMetrics(font).height());
}

TEST(WindowRegion, MatchesTheSurfacesPixels) {
    Surface s(16, 16, kWhite);
    s.setPen({Pen::Solid, 1, kRed});
    s.setBrush(Brush::solid(kRed));
    s.roundRect(0, 0, 16, 16, 8, 8);
    const QRegion region = WindowRegion::roundRect(0, 0, 16, 16, 8, 8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(region.contains(QPoint(x, y)), s.getPixel(x, y) == kRed) << x << ", " << y;
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(8, 0)));
}

TEST(WindowRegion, SquareRegionAndWindowMask) {
    EXPECT_EQ(WindowRegion::roundRect(0, 0, 11, 6, 0, 0), QRegion(0, 0, 11, 6));
    EXPECT_TRUE(WindowRegion::rect(3, 3, 3, 9).isEmpty());
    QWidget w;
    w.resize(20, 20);
    WindowRegion::apply(w, WindowRegion::ellipse(0, 0, 20, 20));
    EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(w.mask().contains(QPoint(10, 10)));
    EXPECT_TRUE(w.mask().contains(QPoint(0, 10)));
}

} // namespace
} // namespace vellumo
