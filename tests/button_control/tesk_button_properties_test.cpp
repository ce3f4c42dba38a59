// The button's properties: what each setter notifies, design-mode side effects, the font members,
// access keys from the caption, dispatch by number, and the colour operations.
#include "tests/button_control/button_fixture.h"

#include <cmath>

#include "platform/drawing/system_colors.h"

namespace vellumo::test {
namespace {

using ButtonProperties = ButtonTest;

struct NotifyCase {
    const char* name;
    std::int32_t dispid;
    PropertyValue value;
    QStringList notified;
};

class ButtonNotifies : public ButtonTest, public testing::WithParamInterface<NotifyCase> {};

TEST_P(ButtonNotifies, TheSetterNotifiesItsSavedKey) {
    TeskButtonConcept& b = makeShown();
    b.putProperty(GetParam().dispid, GetParam().value);
    EXPECT_EQ(notified, GetParam().notified);
}

namespace id = peltorix::dispid;
const NotifyCase kNotifyCases[] = {
    {"BackColor", id::BackColor, std::int32_t{0xFF}, {"BCOL"}},
    {"BackOver", id::BackOver, std::int32_t{0xFF}, {"BCOLO"}},
    {"ForeColor", id::ForeColor, std::int32_t{0xFF}, {"FCOL"}},
    {"ForeOver", id::ForeOver, std::int32_t{0xFF}, {"FCOLO"}},
    {"MaskColor", id::MaskColor, std::int32_t{0xFF}, {"MCOL"}},
    {"ButtonType", id::ButtonType, std::int32_t{5}, {"BTYPE"}},
    {"Caption", id::Caption, "Ok", {"TX"}},
    {"Enabled", id::Enabled, false, {"ENAB"}},
    {"Font", id::Font, QFont("Serif", 12), {"FONT"}},
    {"FontBold", id::FontBold, true, {}},
    {"FontItalic", id::FontItalic, true, {}},
    {"FontUnderline", id::FontUnderline, true, {}},
    {"FontSize", id::FontSize, std::int16_t{14}, {}},
    {"FontName", id::FontName, "Serif", {}},
    {"ColorScheme", id::ColorScheme, std::int32_t{3}, {"COLTYPE"}},
    {"ShowFocusRect", id::ShowFocusRect, false, {"FOCUSR"}},
    {"MousePointer", id::MousePointer, std::int32_t{11}, {"MPTR"}},
    {"MouseIcon", id::MouseIcon, TeskButtonConcept::handCursor(), {"MICON"}},
    {"HandPointer", id::HandPointer, true, {"HAND"}},
    {"SoftBevel", id::SoftBevel, true, {"SOFT"}},
    {"PictureNormal", id::PictureNormal, QImage(4, 4, QImage::Format_RGB32), {"PICN"}},
    {"PictureOver", id::PictureOver, QImage(4, 4, QImage::Format_RGB32), {"PICO"}}, // saved as "PICH"
    {"PicturePosition", id::PicturePosition, std::int32_t{2}, {"PICPOS"}},
    {"UseMaskColor", id::UseMaskColor, false, {"UMCOL"}},
    {"UseGreyscale", id::UseGreyscale, true, {"NGREY"}},
    {"SpecialEffect", id::SpecialEffect, std::int32_t{1}, {"FX"}},
    {"CheckBoxBehaviour", id::CheckBoxBehaviour, true, {"CHECK"}},
    {"Value", id::Value, true, {"VALUE"}},
};
INSTANTIATE_TEST_SUITE_P(Setters, ButtonNotifies, testing::ValuesIn(kNotifyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ButtonProperties, BackAndForeColourCarryTheOverColoursOnlyInDesignMode) {
    TeskButtonConcept& b = makeShown();
    b.setBackOver(0x111111);
    b.setForeOver(0x222222);
    b.setBackColor(0x333333);
    b.setForeColor(0x444444);
    EXPECT_EQ(b.BackOver(), 0x111111);
    EXPECT_EQ(b.ForeOver(), 0x222222);
    site.userMode = false;
    b.setBackColor(0x555555);
    b.setForeColor(0x666666);
    EXPECT_EQ(b.BackOver(), 0x555555);
    EXPECT_EQ(b.ForeOver(), 0x666666);
}

TEST_F(ButtonProperties, JavaMetalTurnsTheFontBoldOnlyInDesignMode) {
    TeskButtonConcept& b = makeShown();
    b.setButtonType(JavaMetal);
    EXPECT_FALSE(b.FontBold());
    site.userMode = false;
    b.setButtonType(JavaMetal);
    EXPECT_TRUE(b.FontBold());
}

TEST_F(ButtonProperties, FontSizeReadsTheNearestWholeSizeHalvesToEven) {
    TeskButtonConcept& b = makeShown();
    for (const auto& [points, expected] : {std::pair{8.25, 8}, {8.5, 8}, {9.5, 10}, {10.5, 10}}) {
        QFont font = b.Font();
        font.setPointSizeF(points);
        b.setFontObject(font);
        EXPECT_EQ(b.FontSize(), expected) << points;
    }
    b.setFontSize(12);
    EXPECT_EQ(b.Font().pointSizeF(), 12.0);
}

TEST_F(ButtonProperties, FontSizeRaisesNothingAndKeepsASizeTheFontCannotDraw) {
    TeskButtonConcept& b = makeShown();
    b.setFontSize(12);
    paints.clear();
    b.setFontSize(0);
    EXPECT_EQ(b.FontSize(), 0);
    EXPECT_EQ(b.Font().pointSizeF(), 12.0) << "the text keeps its last drawable size";
    EXPECT_EQ(paints, QStringList{"paint 0"});
    b.putProperty(id::FontSize, std::int16_t{-3});
    EXPECT_EQ(b.getProperty(id::FontSize).toInt32(), -3);
    b.setFontBold(true); // the same font object, with the size it was given
    EXPECT_EQ(b.FontSize(), -3);
    PropertyBag bag;
    b.WriteProperties(bag);
    EXPECT_EQ(bag.find("FONT")->toFont().pointSizeF(), 12.0) << "only a size that reads back is saved";
    b.setFontSize(10);
    EXPECT_EQ(b.FontSize(), 10);
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(ButtonProperties, AFontByPixelSizeIsKeptInPoints) {
    TeskButtonConcept& b = makeShown();
    QFont font = b.Font();
    font.setPixelSize(16);
    b.setFontObject(font);
    const double points = 16 * 72.0 / b.logicalDpiY();
    EXPECT_DOUBLE_EQ(b.Font().pointSizeF(), points);
    EXPECT_EQ(b.FontSize(), static_cast<std::int16_t>(std::lround(points)));
}

TEST_F(ButtonProperties, VersionAndReadOnlyMembers) {
    TeskButtonConcept& b = makeShown();
    EXPECT_EQ(b.getProperty(id::Version).toText(), QStringLiteral("2.0.6 B"));
    EXPECT_EQ(errorOf([&] { b.putProperty(id::Version, "3"); }), 383);
    EXPECT_EQ(errorOf([&] { b.putProperty(id::hwnd, std::int32_t{1}); }), 383);
    EXPECT_EQ(errorOf([&] { b.putProperty(0x12345, std::int32_t{1}); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([&] { b.getProperty(0x12345); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([&] { b.putProperty(id::MousePointer, std::int32_t{70000}); }), err::Overflow);
    EXPECT_EQ(errorOf([&] { b.putProperty(id::MousePointer, std::int32_t{42}); }), 380);
}

TEST_F(ButtonProperties, DisableRefreshAndRefreshAreCalledByTheirNumbers) {
    TeskButtonConcept& b = makeShown();
    HostedControl& control = b;
    paints.clear();
    EXPECT_TRUE(control.invokeMethod(id::DisableRefresh, {}).holds<std::int32_t>());
    EXPECT_FALSE(b.paintFlag());
    b.setBackColor(0x00FF00);
    EXPECT_TRUE(paints.isEmpty());
    EXPECT_EQ(errorOf([&] { control.invokeMethod(id::Refresh, {PropertyValue(true)}); }), hresult::BadParamCount);
    control.invokeMethod(id::Refresh, {});
    EXPECT_TRUE(b.paintFlag());
    EXPECT_EQ(paints, QStringList{"paint 0"});
    EXPECT_EQ(errorOf([&] { control.invokeMethod(id::Caption, {}); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([&] { control.getProperty(id::Refresh); }), hresult::MemberNotFound);
}

TEST_F(ButtonProperties, hwndIsTheButtonsOwnNativeWindow) {
    TeskButtonConcept& b = makeShown();
    auto* place = container.get();
    auto* sibling = new QWidget(place);
    sibling->show();
    const std::int32_t handle = b.hwnd();
    EXPECT_NE(handle, 0);
    EXPECT_EQ(handle, static_cast<std::int32_t>(b.internalWinId()));
    EXPECT_EQ(b.getProperty(id::hwnd).toInt32(), handle) << "the same window every time";
    paints.clear();
    b.setCaption(QStringLiteral("Envoyer"));
    EXPECT_EQ(paints, QStringList{"paint 0"}) << "it paints as before";
    EXPECT_EQ(sibling->internalWinId(), WId(0)) << "its siblings stay as they were";
    QWidget inner(place);
    TeskButtonConcept nested(&inner, &site);
    EXPECT_NE(nested.hwnd(), 0);
    EXPECT_EQ(inner.internalWinId(), WId(0)) << "its container stays as it was";
}

TEST_F(ButtonProperties, EnumerationPropertiesStoreAnyValue) {
    TeskButtonConcept& b = makeShown();
    b.putProperty(id::ButtonType, std::int32_t{-7});
    b.putProperty(id::PicturePosition, std::int32_t{1000});
    EXPECT_EQ(b.getProperty(id::ButtonType).toInt32(), -7);
    EXPECT_EQ(b.getProperty(id::PicturePosition).toInt32(), 1000);
}

TEST_F(ButtonProperties, HandPointerSetsAndClearsTheHandCursor) {
    TeskButtonConcept& b = makeShown();
    b.setHandPointer(true);
    EXPECT_EQ(b.MousePointer(), 99);
    EXPECT_EQ(b.MouseIcon().text(QStringLiteral("Resource")), QStringLiteral("101"));
    EXPECT_EQ(b.cursor().hotSpot(), QPoint(5, 0)); // a press lands at the finger tip, not the centre
    b.setHandPointer(false);
    EXPECT_EQ(b.MousePointer(), 1);
    EXPECT_TRUE(b.MouseIcon().isNull());
    // The main program's hourglass during a long listing, and back.
    b.putProperty(id::MousePointer, std::int32_t{11});
    EXPECT_EQ(b.cursor().shape(), Qt::WaitCursor);
    b.putProperty(id::MousePointer, std::int32_t{0});
    EXPECT_EQ(b.getProperty(id::MousePointer).toInt32(), 0);
}

struct AccessKeyCase {
    const char* name;
    const char* caption;
    const char* key;
};

class ButtonAccessKey : public ButtonTest, public testing::WithParamInterface<AccessKeyCase> {};

TEST_P(ButtonAccessKey, TheCaptionGivesTheAccessKey) {
    TeskButtonConcept& b = makeShown();
    b.setCaption(QString::fromUtf8(GetParam().caption));
    EXPECT_EQ(b.accessKeys(), QString::fromUtf8(GetParam().key));
}

const AccessKeyCase kAccessKeys[] = {
    {"First", "&Ok", "o"},          {"UpperBecomesLower", "An&Nuler", "n"}, {"LiteralAmpersand", "A&&B", ""},
    {"AfterALiteral", "&&&x", "x"}, {"LastCharacter", "Save&", ""},         {"OneCharacter", "&", ""},
    {"NoneAtAll", "Ok", ""},        {"TwoLiterals", "a&&b&&c&d", ""},       {"LiteralThenKey", "A&&B &Cancel", "c"},
    {"Accented", "&Éditer", "é"},   {"LiteralAtTheEnd", "a&&b&", ""},
};
INSTANTIATE_TEST_SUITE_P(Captions, ButtonAccessKey, testing::ValuesIn(kAccessKeys),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShiftCase {
    const char* name;
    std::int32_t colour;
    std::int32_t amount;
    bool proportional;
    bool soft;
    std::int32_t expected;
};

class ButtonShiftColor : public testing::TestWithParam<ShiftCase> {};

TEST_P(ButtonShiftColor, ShiftsEachChannelAndClampsTowardTheAmount) {
    const ShiftCase& c = GetParam();
    EXPECT_EQ(ShiftColor(c.colour, c.amount, c.proportional, c.soft), c.expected);
}

const ShiftCase kShifts[] = {
    {"ProportionalBlue", 0x808080, 48, true, false, 0xA0B0B0},
    {"ClampsBelowZero", 0x10FF20, -32, false, false, 0x00DF00},
    {"SoftHalvesTheAmount", 0xC0C0C0, -192, false, true, 0x606060},
    {"SoftTruncatesTowardZero", 0x808080, -25, false, true, 0x747474},
    {"ClampsAbove255", 0xF0F0F0, 40, false, false, 0xFFFFFF},
    {"ZeroChangesNothing", 0x123456, 0, false, false, 0x123456},
    {"NegativeAmountNeverLifts", 0x000000, -40, false, false, 0x000000},
};
INSTANTIATE_TEST_SUITE_P(Cases, ButtonShiftColor, testing::ValuesIn(kShifts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ButtonColours, TintPalesTowardWhite) {
    EXPECT_EQ(TintColor(0, 176), 0xB0B0B0);
    EXPECT_EQ(TintColor(0xFFFFFF, 176), 0xFFFFFF);
    EXPECT_EQ(TintColor(0, 128), 0x808080);
}

TEST_F(ButtonProperties, CustomWithASystemColourReferenceGivesTheWindowsFace) {
    TeskButtonConcept& b = makeShown();
    const ButtonColors windows = b.workingColors();
    b.setBackColor(syscolor::ButtonFace);
    b.setColorScheme(Custom);
    EXPECT_EQ(b.workingColors().face, windows.face);
    EXPECT_EQ(b.workingColors().shadow, ShiftColor(windows.face, -64, false, false));
    EXPECT_EQ(b.workingColors().paleHot, windows.face);
}

TEST_F(ButtonProperties, ForceStandardIgnoresTheColourProperties) {
    TeskButtonConcept& b = makeShown();
    b.setBackColor(0x123456);
    b.setColorScheme(ForceStandard);
    const ButtonColors& c = b.workingColors();
    EXPECT_EQ(c.face, 0xC0C0C0);
    EXPECT_EQ(c.light, 0xDFDFDF);
    EXPECT_EQ(c.hot, 0x800000);
    EXPECT_EQ(c.paleHot, 0xD1ADAD);
    EXPECT_EQ(c.baseFace, ShiftColor(0xC0C0C0, 48, false, false));
    b.setButtonType(WindowsXP);
    b.Refresh();
    EXPECT_EQ(b.workingColors().baseFace, ShiftColor(0xC0C0C0, 48, true, false));
}

TEST_F(ButtonProperties, UseContainerTakesTheContainersColours) {
    TeskButtonConcept& b = makeShown();
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    palette.setColor(QPalette::WindowText, QColor(200, 100, 50));
    container->setPalette(palette);
    b.setColorScheme(UseContainer);
    EXPECT_EQ(b.workingColors().face, 0x1E140A);
    EXPECT_EQ(b.workingColors().text, 0x3264C8);
    EXPECT_EQ(b.workingColors().hot, SystemColors::sysColor(13));
}

TEST_F(ButtonProperties, TheRegionGivesEachLookItsOutline) {
    TeskButtonConcept& b = makeShown(20, 10);
    auto has = [&](int x, int y) { return b.buttonRegion().contains(QPoint(x, y)); };
    EXPECT_TRUE(has(0, 0) && has(19, 9)); // Windows 32-bit: the full rectangle
    b.setButtonType(Windows16);
    EXPECT_FALSE(has(0, 0) || has(19, 0) || has(0, 9) || has(19, 9));
    EXPECT_TRUE(has(1, 0) && has(0, 1));
    b.setButtonType(JavaMetal);
    EXPECT_TRUE(has(0, 0) && has(19, 9));
    EXPECT_FALSE(has(0, 9) || has(19, 0));
    b.setButtonType(Mac);
    EXPECT_FALSE(has(1, 0) || has(0, 1) || has(18, 9) || has(19, 8));
    EXPECT_TRUE(has(2, 0) && has(1, 1));
    b.setButtonType(OvalFlat);
    EXPECT_FALSE(has(0, 0) || has(1, 1));
    EXPECT_TRUE(has(10, 5) && has(0, 5));
}

TEST_F(ButtonProperties, TheCaptionIsCentredAndThePictureSitsBesideIt) {
    TeskButtonConcept& b = makeShown(100, 40);
    b.setCaption("Ok");
    const ButtonRect r = b.captionRect();
    const int cw = r.right - r.left, ch = r.bottom - r.top;
    EXPECT_GT(cw, 0);
    EXPECT_EQ(r.left, 1 + (100 - (1 + cw)) / 2);
    EXPECT_EQ(r.top, 1 + (40 - (1 + ch)) / 2);
    EXPECT_EQ(b.pressedCaptionRect(), r.moved(1, 1));

    b.setPictureNormal(QImage(16, 16, QImage::Format_RGB32));
    const ButtonRect withPicture = b.captionRect();
    EXPECT_EQ(b.pictureRect(), QRect(withPicture.left - 16 - 4, (40 - 16) / 2, 16, 16));
    b.setCaption("   ");
    EXPECT_EQ(b.pictureRect().topLeft(), QPoint((100 - 16) / 2, (40 - 16) / 2)); // no caption: centred
}

TEST_F(ButtonProperties, AnUnknownPicturePositionStartsFromThePreviousPressedRectangle) {
    TeskButtonConcept& b = makeShown(100, 40);
    b.setCaption("Ok");
    b.setPicturePosition(7);
    const ButtonRect first = b.captionRect();
    b.CalcLayout();
    EXPECT_EQ(b.captionRect().left, first.left + 1);
    EXPECT_EQ(b.captionRect().top, first.top + 1);
}

TEST_F(ButtonProperties, ALongCaptionWrapsAtWordsAndStaysCentred) {
    TeskButtonConcept& b = makeShown(100, 60);
    b.setCaption("Envoyer le message maintenant");
    const ButtonRect r = b.captionRect();
    EXPECT_LE(r.right - r.left, 100 - 3);
    EXPECT_GT(r.bottom - r.top, QFontMetrics(b.Font()).height()); // more than one line
    EXPECT_EQ(r.top, 1 + (60 - r.bottom + r.top - 1) / 2);
}

} // namespace
} // namespace vellumo::test
