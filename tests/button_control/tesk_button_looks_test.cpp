// Each of the thirteen looks in its up, hovering, pressed and disabled state: pixels of the persistent
// surface image where the look's bevels, frames, lines and fills land, on a 60 x 24 button without a
// caption. The colours come from the fixed system colour table of the tests.
#include "tests/button_control/button_fixture.h"

#include "platform/drawing/system_colors.h"

#include <cmath>
#include <vector>

namespace vellumo::test {
namespace {

constexpr std::int32_t kFace = 0xC8D0D4;
constexpr std::int32_t kHighlight = 0xFFFFFF;
constexpr std::int32_t kShadow = 0x808080;
constexpr std::int32_t kDarkShadow = 0x404040;
constexpr std::int32_t kHot = 0x6A240A; // COLOR_HIGHLIGHT

std::int32_t Shift(std::int32_t colour, std::int32_t amount) {
    return ShiftColor(colour, amount, false, false);
}
std::int32_t ShiftP(std::int32_t colour, std::int32_t amount) {
    return ShiftColor(colour, amount, true, false);
}

// The base faces: proportional for Windows XP, plain for the others.
const std::int32_t kXpBase = ShiftP(kFace, 48);
const std::int32_t kXpPressed = ShiftP(kXpBase, -32);
const std::int32_t kNetscape = Shift(kFace, 8); // the light colour moved by 8

// The row of a gradient at y: start shifted by minus round(k / H x y), H = 24.
std::int32_t gradientRow(std::int32_t start, int k, int y, bool proportional) {
    const float s = static_cast<float>(k) / 24.0f;
    const auto amount = static_cast<std::int32_t>(std::nearbyint(s * static_cast<float>(y)));
    return ShiftColor(start, -amount, proportional, false);
}

enum class State { Up, Hovering, Pressed, HoveringPressed, Disabled };

struct Pixel {
    int x;
    int y;
    std::int32_t colour;
};

struct LookCase {
    const char* name;
    std::int32_t type;
    State state;
    std::vector<Pixel> pixels;
    bool isDefault = false; // the container shows the button as its default button
    bool focus = false;     // the button has the focus
    bool custom = false;    // ColorScheme Custom, BackColor blue and BackOver green
};

void PrintTo(const LookCase& c, std::ostream* os) {
    *os << c.name;
}

class LookTest : public PaintedButtonTest {};

class ButtonLooks : public PaintedButtonTest, public testing::WithParamInterface<LookCase> {};

TEST_P(ButtonLooks, DrawWhereTheLookSays) {
    const LookCase& c = GetParam();
    button->setButtonType(c.type);
    button->Refresh(); // the working colours follow the type
    site.containerProperties.WriteProperty("DisplayAsDefault", c.isDefault);
    if (c.custom) {
        button->setColorScheme(Custom);
        button->setBackColor(0x0000FF);
        button->setBackOver(0x00FF00);
    }
    if (c.focus)
        button->UserControl_GotFocus();
    if (c.state == State::Hovering || c.state == State::HoveringPressed)
        hover();
    if (c.state == State::Disabled)
        button->setEnabledProperty(false);
    button->Redraw(c.state == State::Pressed || c.state == State::HoveringPressed ? 2 : 0, true);
    for (const Pixel& p : c.pixels)
        EXPECT_EQ(pixel(p.x, p.y), p.colour) << "pixel (" << p.x << ", " << p.y << ")";
}

// Bevel rings on 60 x 24: with offset 0 the outer ring's corners are (0, 0) and (59, 23), the inner
// one's (1, 1) and (58, 22); offset -1 moves both one pixel inwards.
const LookCase kCases[] = {
    {"Windows16Pressed",
     Windows16,
     State::Pressed,
     {{0, 0, kDarkShadow},
      {1, 1, kShadow},
      {58, 22, kHighlight},
      {2, 2, kShadow},
      {57, 21, kHighlight},
      {5, 5, kFace}}},
    {"Windows16Disabled",
     Windows16,
     State::Disabled,
     {{0, 0, kDarkShadow}, {1, 1, kHighlight}, {58, 22, kShadow}, {2, 2, kHighlight}, {57, 21, kShadow}}},
    {"Windows32Disabled", Windows32, State::Disabled, {{0, 0, kHighlight}, {59, 23, kDarkShadow}, {58, 22, kShadow}}},
    {"Windows32DefaultUpWithoutFocus",
     Windows32,
     State::Up,
     {{0, 0, kDarkShadow}, {1, 1, kHighlight}, {58, 22, kDarkShadow}, {57, 21, kShadow}, {4, 4, kFace}},
     true},
    {"Windows32DefaultPressed",
     Windows32,
     State::Pressed,
     {{0, 0, kDarkShadow}, {59, 23, kDarkShadow}, {1, 1, kShadow}, {58, 22, kShadow}, {2, 2, kFace}},
     true},
    {"WindowsXPUp",
     WindowsXP,
     State::Up,
     {{0, 5, 0x733C00},
      {1, 1, 0x7B4D10},
      {30, 22, ShiftP(kXpBase, -48)},
      {30, 21, ShiftP(kXpBase, -32)},
      {58, 10, ShiftP(kXpBase, -36)},
      {57, 10, ShiftP(kXpBase, -24)},
      {30, 1, ShiftP(kXpBase, 16)},
      {30, 2, ShiftP(kXpBase, 10)},
      {1, 10, ShiftP(kXpBase, -5)},
      {1, 2, ShiftP(kXpBase, -5)},  // the left line is drawn over the top one
      {1, 21, ShiftP(kXpBase, -5)}, // and over the bottom one
      {2, 10, ShiftP(kXpBase, -10)},
      {30, 12, gradientRow(kXpBase, 25, 12, true)}}},
    {"WindowsXPHovering",
     WindowsXP,
     State::Hovering,
     {{1, 10, 0x31B2FF},
      {58, 10, 0x31B2FF},
      {30, 22, 0x0096E7},
      {30, 1, 0xCEF3FF},
      {30, 2, 0x8CDBFF},
      {58, 2, 0x8CDBFF},
      {2, 10, 0x6BCBFF},
      {57, 10, 0x6BCBFF}}},
    {"WindowsXPFocused",
     WindowsXP,
     State::Up,
     {{1, 10, 0xE7AE8C}, {30, 22, 0xEF826B}, {30, 1, 0xFFE7CE}, {30, 2, 0xF7D7BD}, {2, 10, 0xF0D1B5}},
     false,
     true},
    {"WindowsXPPressed",
     WindowsXP,
     State::Pressed,
     {{0, 5, 0x733C00},
      {58, 22, 0x7B4D10},
      {30, 22, ShiftP(kXpPressed, 16)},
      {30, 21, ShiftP(kXpPressed, 10)},
      {58, 10, ShiftP(kXpPressed, 5)},
      {57, 10, kXpBase},
      {30, 1, ShiftP(kXpPressed, -32)},
      {30, 2, ShiftP(kXpPressed, -24)},
      {1, 10, ShiftP(kXpPressed, -32)},
      {2, 10, ShiftP(kXpPressed, -22)},
      {2, 2, ShiftP(kXpPressed, -22)},                   // the inner left line over the top one
      {30, 10, gradientRow(kXpPressed, 25, 14, true)}}}, // row 10 is step 14 from the bottom
    {"WindowsXPDisabled",
     WindowsXP,
     State::Disabled,
     {{30, 12, ShiftP(kXpBase, -24)},
      {0, 5, ShiftP(kXpBase, -84)},
      {1, 1, ShiftP(kXpBase, -72)},
      {58, 22, ShiftP(kXpBase, -72)}}},
    {"MacUp",
     Mac,
     State::Up,
     {{0, 0, kDarkShadow},
      {1, 1, kDarkShadow},
      {58, 22, kDarkShadow},
      {30, 2, kHighlight},
      {2, 10, kHighlight},
      {3, 3, kHighlight},
      {58, 10, kShadow},
      {30, 22, kShadow},
      {57, 21, kShadow}}},
    {"MacDisabled", Mac, State::Disabled, {{0, 0, kDarkShadow}, {30, 2, kHighlight}, {58, 10, kShadow}}},
    {"MacPressed",
     Mac,
     State::Pressed,
     {{30, 12, Shift(kShadow, -16)},
      {1, 10, Shift(kShadow, -64)},
      {30, 1, Shift(kShadow, -64)},
      {2, 10, Shift(kShadow, -32)},
      {30, 2, Shift(kShadow, -32)},
      {2, 2, Shift(kShadow, -64)},
      {3, 3, Shift(kShadow, -32)},
      {57, 10, kShadow},
      {30, 21, kShadow},
      {56, 20, kShadow},
      {58, 10, Shift(kShadow, -16)},
      {30, 22, Shift(kShadow, -16)},
      {58, 21, Shift(kShadow, -32)},
      {57, 22, Shift(kShadow, -32)},
      {2, 22, Shift(kShadow, -32)},
      {58, 2, Shift(kShadow, -32)}}},
    {"JavaMetalUp",
     JavaMetal,
     State::Up,
     {{30, 12, Shift(kFace, 12)},
      {1, 10, kHighlight},
      {59, 10, kHighlight},
      {30, 23, kHighlight},
      {0, 10, Shift(kShadow, -26)},
      {58, 10, Shift(kShadow, -26)},
      {30, 22, Shift(kShadow, -26)},
      {1, 22, Shift(kShadow, 26)},
      {58, 1, Shift(kShadow, 26)}}},
    {"JavaMetalPressed",
     JavaMetal,
     State::Pressed,
     {{30, 12, Shift(kShadow, 16)},
      {0, 10, Shift(kShadow, -26)},
      {58, 10, Shift(kShadow, -26)},
      {59, 10, kHighlight},
      {30, 23, kHighlight}}},
    {"JavaMetalDisabled", JavaMetal, State::Disabled, {{0, 0, kShadow}, {59, 23, kShadow}, {30, 12, kFace}}},
    {"Netscape6Pressed",
     Netscape6,
     State::Pressed,
     {{0, 0, kShadow}, {59, 23, kNetscape}, {1, 1, kShadow}, {58, 22, kNetscape}}},
    {"Netscape6Disabled", Netscape6, State::Disabled, {{0, 0, kNetscape}, {59, 23, kShadow}, {58, 22, kShadow}}},
    {"SimpleFlatUp", SimpleFlat, State::Up, {{0, 0, kHighlight}, {59, 23, kShadow}, {1, 1, kFace}}},
    {"SimpleFlatPressed", SimpleFlat, State::Pressed, {{0, 0, kShadow}, {59, 23, kHighlight}, {1, 1, kFace}}},
    {"SimpleFlatDisabled", SimpleFlat, State::Disabled, {{0, 0, kHighlight}, {59, 23, kShadow}}},
    {"FlatHighlightUp", FlatHighlight, State::Up, {{0, 0, kFace}, {59, 23, kFace}}},
    {"FlatHighlightHovering", FlatHighlight, State::Hovering, {{0, 0, kHighlight}, {59, 23, kShadow}}},
    {"FlatHighlightPressed", FlatHighlight, State::Pressed, {{0, 0, kShadow}, {59, 23, kHighlight}}},
    {"FlatHighlightDisabled", FlatHighlight, State::Disabled, {{0, 0, kFace}, {59, 23, kFace}}},
    {"OfficeXPUp", OfficeXP, State::Up, {{0, 0, kFace}, {5, 5, kFace}}},
    {"OfficeXPHovering", OfficeXP, State::Hovering, {{0, 0, kHot}, {59, 23, kHot}, {5, 5, TintColor(kHot, 176)}}},
    {"OfficeXPPressed", OfficeXP, State::Pressed, {{0, 0, kHot}, {5, 5, kFace}}},
    {"OfficeXPHoveringPressed", OfficeXP, State::HoveringPressed, {{0, 0, kHot}, {5, 5, TintColor(kHot, 128)}}},
    // Custom while hovering: the face is BackOver, pale hot the face, hot the face moved by -128.
    {"OfficeXPCustomHoveringPressed",
     OfficeXP,
     State::HoveringPressed,
     {{0, 0, Shift(0x00FF00, -128)}, {5, 5, Shift(0x00FF00, -32)}},
     false,
     false,
     true},
    {"OfficeXPDisabled", OfficeXP, State::Disabled, {{0, 0, kFace}, {5, 5, kFace}}},
    {"Hover3DUp", Hover3D, State::Up, {{0, 0, kFace}, {59, 23, kFace}}},
    {"Hover3DHovering", Hover3D, State::Hovering, {{0, 0, kHighlight}, {59, 23, kDarkShadow}, {58, 22, kShadow}}},
    {"Hover3DPressed", Hover3D, State::Pressed, {{0, 0, kDarkShadow}, {59, 23, kHighlight}, {1, 1, kShadow}}},
    {"Hover3DDisabled", Hover3D, State::Disabled, {{0, 0, kFace}, {59, 23, kFace}}},
    {"OvalFlatUp", OvalFlat, State::Up, {{0, 12, kFace}, {30, 12, kFace}}},
    {"OvalFlatHovering", OvalFlat, State::Hovering, {{0, 12, kShadow}, {30, 12, kFace}}},
    {"OvalFlatDisabled", OvalFlat, State::Disabled, {{0, 12, kFace}, {30, 12, kFace}}},
    {"KDE2Up",
     KDE2,
     State::Up,
     {{0, 10, Shift(kShadow, -50)},
      {30, 0, Shift(kShadow, -50)},
      {1, 10, Shift(kFace, -9)},
      {30, 2, kHighlight},
      {30, 3, kHighlight},
      {2, 10, kHighlight},
      {3, 10, kHighlight},
      {30, 12, gradientRow(kHighlight, 58, 12, false)}}},
    {"KDE2Hovering", KDE2, State::Hovering, {{30, 12, kFace}, {0, 10, Shift(kShadow, -50)}, {30, 2, kHighlight}}},
    {"KDE2Pressed",
     KDE2,
     State::Pressed,
     {{30, 12, Shift(kFace, -9)}, {0, 10, Shift(kShadow, -48)}, {30, 22, kHighlight}, {58, 10, kHighlight}}},
    {"KDE2Disabled",
     KDE2,
     State::Disabled,
     {{30, 12, gradientRow(kHighlight, 58, 12, false)}, {0, 10, Shift(kShadow, -50)}, {30, 2, kHighlight}}},
};

INSTANTIATE_TEST_SUITE_P(Looks, ButtonLooks, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LookCase>& info) { return std::string(info.param.name); });

// The Java look frames its caption in its own focus colour, up and pressed, and only with the focus.
TEST_F(LookTest, JavaMetalFramesTheCaptionWithTheFocus) {
    auto framed = [this] {
        int n = 0;
        const QImage& image = button->surfaceImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += pixel(x, y) == 0xCC9999 ? 1 : 0;
        return n;
    };
    button->setButtonType(JavaMetal);
    button->setCaption(QStringLiteral("Ok"));
    for (std::uint8_t state : {0, 2}) {
        button->UserControl_LostFocus();
        button->Redraw(state, true);
        EXPECT_EQ(framed(), 0) << int(state);
        button->UserControl_GotFocus();
        button->Redraw(state, true);
        EXPECT_GT(framed(), 0) << int(state);
    }
}

// Every state of the Transparent look starts from the captured background.
TEST_F(LookTest, TransparentPaintsTheCapturedBackgroundInEveryState) {
    button->setButtonType(Transparent);
    button->UserControl_Show(); // the first show captures
    const QImage background = button->capturedBackground();
    ASSERT_FALSE(background.isNull());
    const std::int32_t under = Surface::fromRgb(background.pixel(5, 5));
    for (State state : {State::Up, State::Pressed, State::Disabled}) {
        button->setEnabledProperty(state != State::Disabled);
        button->Redraw(state == State::Pressed ? 2 : 0, true);
        EXPECT_EQ(pixel(5, 5), under) << static_cast<int>(state);
        EXPECT_EQ(pixel(0, 0), Surface::fromRgb(background.pixel(0, 0))) << static_cast<int>(state);
    }
}

} // namespace
} // namespace vellumo::test
