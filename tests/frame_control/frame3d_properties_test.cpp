#include "tests/frame_control/frame_fixture.h"

namespace vellumo::test {
namespace {

const QStringList kFull{"UserControl_Resize"};
const QStringList kBar{"DrawFlood"};
const QStringList kNone{};

struct WriteCase {
    const char* name;
    std::function<void(Frame3D&)> write;
    const char* notified;
    QStringList repaints;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class PropertyWrite : public FrameTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(PropertyWrite, NotifiesItsNameAndRepaintsWhatItShould) {
    const auto& c = GetParam();
    Frame3D& f = makeNew();
    c.write(f);
    EXPECT_EQ(notified, QStringList{QString::fromLatin1(c.notified)});
    EXPECT_EQ(repaints, c.repaints);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, PropertyWrite,
    testing::Values(
        WriteCase{"BackColor", [](Frame3D& f) { f.setBackColor(1); }, "BackColor", kFull},
        WriteCase{"BevelInner", [](Frame3D& f) { f.setBevelInner(1); }, "BevelInner", kFull},
        WriteCase{"BevelWidth", [](Frame3D& f) { f.setBevelWidth(4); }, "BevelWidth", kFull},
        WriteCase{"BorderType", [](Frame3D& f) { f.setBorderType(7); }, "BorderType", kFull},
        WriteCase{"Border3DHighlight", [](Frame3D& f) { f.setBorder3DHighlight(1); }, "Border3DHighlight", kFull},
        WriteCase{"Border3DShadow", [](Frame3D& f) { f.setBorder3DShadow(1); }, "Border3DShadow", kFull},
        WriteCase{"Caption", [](Frame3D& f) { f.setCaption("x"); }, "Caption", kFull},
        WriteCase{"CaptionAlignment", [](Frame3D& f) { f.setCaptionAlignment(3); }, "CaptionAlignment", kFull},
        WriteCase{"CaptionMAlignment", [](Frame3D& f) { f.setCaptionMAlignment(1); }, "CaptionMAlignment", kFull},
        WriteCase{"CaptionLocation", [](Frame3D& f) { f.setCaptionLocation(1); }, "CaptionLocation", kFull},
        WriteCase{"Caption3D", [](Frame3D& f) { f.setCaption3D(2); }, "Caption3D", kFull},
        WriteCase{"CornerRadius", [](Frame3D& f) { f.setCornerRadius(3); }, "CornerDiameter", kFull},
        WriteCase{"DrawStyle", [](Frame3D& f) { f.setDrawStyle(2); }, "DrawStyle", kFull},
        WriteCase{"Enabled", [](Frame3D& f) { f.setEnabledProperty(false); }, "Enabled", kFull},
        WriteCase{"FillColor", [](Frame3D& f) { f.setFillColor(1); }, "FillColor", kFull},
        WriteCase{"FillGradient", [](Frame3D& f) { f.setFillGradient(1); }, "FillGradient", kFull},
        WriteCase{"FillStyle", [](Frame3D& f) { f.setFillStyle(0); }, "FillStyle", kFull},
        WriteCase{"FloodColor", [](Frame3D& f) { f.setFloodColor(1); }, "FloodColor", kBar},
        WriteCase{"FloodType", [](Frame3D& f) { f.setFloodType(1); }, "FloodType", kFull},
        WriteCase{"Font", [](Frame3D& f) { f.setFontObject(QFont("Arial")); }, "Font", kFull},
        WriteCase{"FontBold", [](Frame3D& f) { f.setFontBold(true); }, "FontBold", kFull},
        WriteCase{"FontItalic", [](Frame3D& f) { f.setFontItalic(true); }, "FontItalic", kFull},
        WriteCase{"FontName", [](Frame3D& f) { f.setFontName("Arial"); }, "FontName", kFull},
        WriteCase{"FontSize", [](Frame3D& f) { f.setFontSize(12); }, "FontSize", kFull},
        WriteCase{"FontUnderline", [](Frame3D& f) { f.setFontUnderline(true); }, "FontUnderline", kNone},
        WriteCase{"ForeColor", [](Frame3D& f) { f.setForeColor(192); }, "ForeColor", kNone},
        WriteCase{"MouseIcon", [](Frame3D& f) { f.setMouseIcon(QImage(8, 8, QImage::Format_ARGB32)); }, "MouseIcon",
                  kNone},
        WriteCase{"MousePointer", [](Frame3D& f) { f.setMousePointer(11); }, "MousePointer", kNone},
        WriteCase{"Picture", [](Frame3D& f) { f.setPicture(QImage(8, 8, QImage::Format_RGB32)); }, "Picture", kNone},
        WriteCase{"UseMnemonic", [](Frame3D& f) { f.setUseMnemonic(true); }, "UseMnemonic", kFull},
        WriteCase{"FloodPercentUp", [](Frame3D& f) { f.setFloodPercent(60); }, "FloodPercent", kBar},
        WriteCase{"FloodPercentSame", [](Frame3D& f) { f.setFloodPercent(0); }, "FloodPercent",
                  QStringList{"DrawFlood", "UserControl_Resize"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameTest, AShorterOrEqualBarRepaintsTheBarThenTheWholeControl) {
    Frame3D& f = makeNew();
    f.setFloodPercent(30);
    repaints.clear();
    f.setFloodPercent(60);
    EXPECT_EQ(repaints, kBar);
    repaints.clear();
    f.setFloodPercent(30);
    EXPECT_EQ(repaints, (QStringList{"DrawFlood", "UserControl_Resize"}));
    repaints.clear();
    f.setFloodPercent(30);
    EXPECT_EQ(repaints, (QStringList{"DrawFlood", "UserControl_Resize"}));
}

TEST_F(FrameTest, CaptionGoesToBothLabelsAndForeColorToTheCaptionOnly) {
    Frame3D& f = makeNew();
    f.setCaption("Poste1 à reçu le message");
    EXPECT_EQ(f.lblCaption().Caption(), QStringLiteral("Poste1 à reçu le message"));
    EXPECT_EQ(f.lblCaptionShadow().Caption(), f.lblCaption().Caption());
    f.setForeColor(192);
    EXPECT_EQ(f.lblCaption().ForeColor(), 192);
    EXPECT_EQ(f.lblCaptionShadow().ForeColor(), syscolor::ButtonHighlight);
    EXPECT_EQ(f.lblCaption().palette().color(QPalette::WindowText), QColor(192, 0, 0));
}

TEST_F(FrameTest, TheMainProgramsTwoWritesByDispatchNumber) {
    Frame3D& f = makeNew();
    HostedControl& control = f;
    control.putProperty(0x6803000A, std::int16_t{192}); // ForeColor, as the main program's 16-bit colour
    control.putProperty(0x6803001F, "Message envoyé");  // Caption
    EXPECT_EQ(f.ForeColor(), 192);
    EXPECT_EQ(f.lblCaptionShadow().Caption(), QStringLiteral("Message envoyé"));
    EXPECT_EQ(notified, (QStringList{"ForeColor", "Caption"}));
    EXPECT_EQ(control.getProperty(lumbra::dispid::Caption).toText(), QStringLiteral("Message envoyé"));
    EXPECT_EQ(errorOf([&] { control.putProperty(0x12345, std::int32_t{1}); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([&] { control.putProperty(lumbra::dispid::InsideWidth, std::int32_t{1}); }), 383);
    control.putProperty(lumbra::dispid::FloodPercent, std::int32_t{150}); // the property's own rules apply
    EXPECT_EQ(control.getProperty(lumbra::dispid::FloodPercent).toInt32(), 100);
    control.putProperty(lumbra::dispid::DrawStyle, std::int32_t{2});
    EXPECT_TRUE(control.getProperty(lumbra::dispid::DrawStyle).holds<std::int32_t>()) << "widened to 32 bits";
    EXPECT_EQ(errorOf([&] { control.putProperty(lumbra::dispid::ForeColor, "rouge"); }), err::TypeMismatch);
}

TEST_F(FrameTest, DrawGradiantIsCalledByItsNumber) {
    Frame3D& f = makeNew();
    f.setBorderType(NoneBorder);
    f.setFillColor(0);
    f.resize(40, 10);
    f.UserControl_Resize();
    clearLogs();
    HostedControl& control = f;
    EXPECT_EQ(errorOf([&] { control.invokeMethod(lumbra::dispid::DrawGradiant, {PropertyValue(1)}); }),
              hresult::BadParamCount);
    EXPECT_EQ(f.drawingSurface().getPixel(0, 5), f.drawingSurface().getPixel(20, 5)) << "nothing drawn yet";
    f.setFillGradient(FillHorizontal); // stored; the method is what draws here
    const QImage before = f.drawingSurface().image();
    control.invokeMethod(lumbra::dispid::DrawGradiant, {});
    EXPECT_NE(f.drawingSurface().image(), before);
    EXPECT_EQ(f.drawingSurface().getPixel(0, 5), 0); // FillColor at the start
    EXPECT_EQ(errorOf([&] { control.invokeMethod(lumbra::dispid::Caption, {}); }), hresult::MemberNotFound);
    EXPECT_EQ(errorOf([&] { control.getProperty(lumbra::dispid::DrawGradiant); }), hresult::MemberNotFound);
}

TEST_F(FrameTest, hWndIsTheFramesOwnNativeWindow) {
    QWidget window;
    auto* place = new QWidget(&window);
    auto* f = new Frame3D(place, &site);
    auto* sibling = new QWidget(place);
    f->InitProperties();
    f->setGeometry(0, 0, 100, 20);
    window.show();
    const std::int32_t handle = f->hWnd();
    EXPECT_NE(handle, 0);
    EXPECT_EQ(handle, static_cast<std::int32_t>(f->internalWinId()));
    EXPECT_EQ(f->getProperty(lumbra::dispid::hWnd).toInt32(), handle) << "the same window every time";
    EXPECT_EQ(place->internalWinId(), WId(0)) << "the container stays as it was";
    EXPECT_EQ(sibling->internalWinId(), WId(0)) << "so does its neighbour";
    EXPECT_TRUE(f->isVisible());
}

TEST(Frame3DEnums, CarryTheirPublishedNames) {
    int count = 0;
    const EnumTable* tables = frame3dEnums(&count);
    ASSERT_EQ(count, 7);
    EXPECT_STREQ(tables[0].name, "enuBorderTypes");
    EXPECT_EQ(tables[0].count, 14);
    EXPECT_EQ(frame3dEnumName("enuBorderTypes", rPanelFlatHighlight), QStringLiteral("rPanel Flat Highlight"));
    EXPECT_EQ(frame3dEnumName("enuBevelInner", FlatShadow), QStringLiteral("Flat Shadow"));
    EXPECT_EQ(frame3dEnumName("enuCaption3D", RaisedCaption), QStringLiteral("Raised Caption"));
    EXPECT_EQ(frame3dEnumName("enuCaptionLocation", InFrame), QStringLiteral("In Frame"));
    EXPECT_EQ(frame3dEnumName("enuCaptionAlignment", MiddleCenter), QStringLiteral("Middle Center"));
    EXPECT_EQ(frame3dEnumName("enuFillGradient", FillVertical), QStringLiteral("Fill Vertical"));
    EXPECT_EQ(frame3dEnumName("enuFloodType", BottomToTop), QStringLiteral("Bottom To Top"));
    EXPECT_EQ(frame3dEnumName("enuFloodType", 2), QString());
}

} // namespace
} // namespace vellumo::test
