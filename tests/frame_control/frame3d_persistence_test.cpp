#include "tests/frame_control/frame_fixture.h"

#include <cmath>

#include <limits>

namespace vellumo::test {
namespace {

const std::int32_t kRed = 0x000000FF;

TEST_F(FrameTest, ANewInstanceSavesAll33KeysInOrderWithTheirTypesAndDefaults) {
    Frame3D& f = makeNew();
    EXPECT_TRUE(notified.isEmpty()) << "defaults are stored directly";
    EXPECT_TRUE(repaints.isEmpty());
    PropertyBag bag;
    f.WriteProperties(bag);
    EXPECT_EQ(
        bag.keys(),
        (QStringList{"BorderType",      "BevelWidth",   "BevelInner",        "Caption3D",      "CaptionAlignment",
                     "CaptionLocation", "BackColor",    "CornerDiameter",    "FillColor",      "FillStyle",
                     "DrawStyle",       "FloodPercent", "FloodShowPct",      "FloodType",      "FloodColor",
                     "FillGradient",    "MousePointer", "MouseIcon",         "Picture",        "Border3DHighlight",
                     "Border3DShadow",  "Enabled",      "CaptionMAlignment", "Font",           "FontBold",
                     "FontItalic",      "FontName",     "FontSize",          "FontStrikethru", "FontUnderline",
                     "ForeColor",       "Caption",      "UseMnemonic"}));
    QStringList types;
    for (const QString& key : bag.keys())
        types << bag.find(key)->typeName();
    EXPECT_EQ(types, (QStringList{"Long",    "Long",    "Long",    "Long",    "Long",    "Long",    "Long",
                                  "Long",    "Long",    "Integer", "Integer", "Long",    "Boolean", "Long",
                                  "Long",    "Long",    "Integer", "Picture", "Picture", "Long",    "Long",
                                  "Boolean", "Integer", "Font",    "Boolean", "Boolean", "String",  "Single",
                                  "Boolean", "Boolean", "Long",    "String",  "Boolean"}));
    auto l = [&](const char* key) { return bag.find(key)->toInt32(); };
    EXPECT_EQ(l("BorderType"), 1);
    EXPECT_EQ(l("BevelWidth"), 3);
    EXPECT_EQ(l("CornerDiameter"), 7);
    EXPECT_EQ(f.cornerDiameter(), 14);
    EXPECT_EQ(l("BackColor"), syscolor::ButtonFace);
    EXPECT_EQ(l("FillColor"), 0x00FFC19F);
    EXPECT_EQ(l("FloodColor"), 0x00FFC19F);
    EXPECT_EQ(l("FillStyle"), 1);
    EXPECT_EQ(l("Border3DHighlight"), syscolor::ButtonHighlight);
    EXPECT_EQ(l("Border3DShadow"), syscolor::ButtonShadow);
    EXPECT_EQ(l("ForeColor"), syscolor::ButtonText);
    EXPECT_TRUE(bag.find("Enabled")->toBool());
    EXPECT_FALSE(bag.find("FloodShowPct")->toBool());
    EXPECT_EQ(bag.find("Caption")->toText(), QString());
    EXPECT_TRUE(bag.find("Picture")->toPicture().isNull());
    EXPECT_EQ(f.lblCaptionShadow().ForeColor(), syscolor::ButtonHighlight);
    EXPECT_TRUE(hooks.boxes.empty());
}

TEST_F(FrameTest, CornerDiameterHoldsTheRadius) {
    PropertyBag bag;
    bag.WriteProperty("CornerDiameter", std::int32_t{10});
    make().ReadProperties(bag);
    EXPECT_EQ(frame->CornerRadius(), 10);
    EXPECT_EQ(frame->cornerDiameter(), 20);

    makeNew().setCornerRadius(10);
    EXPECT_EQ(notified, QStringList{"CornerDiameter"});
    PropertyBag saved;
    frame->WriteProperties(saved);
    EXPECT_EQ(saved.find("CornerDiameter")->toInt32(), 10);
}

TEST_F(FrameTest, DoublingAnOversizedCornerRadiusRaisesOverflowAfterStoringIt) {
    Frame3D& f = makeNew();
    const std::int32_t big = std::numeric_limits<std::int32_t>::max() / 2 + 1;
    EXPECT_EQ(errorOf([&] { f.setCornerRadius(big); }), err::Overflow);
    EXPECT_EQ(f.CornerRadius(), big);
    EXPECT_EQ(f.cornerDiameter(), 14) << "the diameter keeps its old value";
    EXPECT_TRUE(notified.isEmpty());
    EXPECT_TRUE(repaints.isEmpty());

    // While reading, the same overflow is logged with a box and the following keys are still read.
    PropertyBag bag;
    bag.WriteProperty("CornerDiameter", big);
    bag.WriteProperty("FloodPercent", std::int32_t{33});
    make().ReadProperties(bag);
    EXPECT_EQ(frame->CornerRadius(), big);
    EXPECT_EQ(frame->FloodPercent(), 33);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].prompt,
              QStringLiteral("Error occured: 6\r\nDescription: Overflow\r\nModule: Lumbra\r\nFunction: "
                             "UserControl_ReadProperties"));
    EXPECT_EQ(hooks.boxes[0].style, 16);
    EXPECT_EQ(hooks.boxes[0].title, QStringLiteral("Lumbra - ERROR"));
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(
        logLines()[0].contains(QStringLiteral(",\"6\",\"Overflow\",\"Lumbra\",\"UserControl_ReadProperties\",")));
}

TEST_F(FrameTest, SixteenBitPropertiesRefuseValuesBeyondSixteenBits) {
    Frame3D& f = makeNew();
    EXPECT_EQ(errorOf([&] { f.setCaptionMAlignment(65538); }), err::Overflow);
    EXPECT_EQ(errorOf([&] { f.setDrawStyle(-40000); }), err::Overflow);
    EXPECT_EQ(errorOf([&] { f.setFillStyle(1 << 20); }), err::Overflow);
    EXPECT_EQ(errorOf([&] { f.setMousePointer(70000); }), err::Overflow);
    EXPECT_EQ(f.CaptionMAlignment(), 0);
    EXPECT_EQ(f.FillStyle(), 1);
    EXPECT_TRUE(notified.isEmpty());
    f.setCaptionMAlignment(2);
    EXPECT_EQ(f.lblCaptionShadow().Alignment(), 2);
}

TEST_F(FrameTest, BevelWidthAndFloodPercentClampOnlyThroughTheirProperties) {
    Frame3D& f = makeNew();
    f.setBevelWidth(1);
    EXPECT_EQ(f.BevelWidth(), 3);
    f.setFloodPercent(150);
    EXPECT_EQ(f.FloodPercent(), 100);
    f.setFloodPercent(-5);
    EXPECT_EQ(f.FloodPercent(), 0);

    PropertyBag bag;
    bag.WriteProperty("BevelWidth", std::int32_t{1});
    bag.WriteProperty("FloodPercent", std::int32_t{150});
    make().ReadProperties(bag);
    EXPECT_EQ(frame->BevelWidth(), 1);
    EXPECT_EQ(frame->FloodPercent(), 150);
    EXPECT_TRUE(notified.isEmpty());
    EXPECT_TRUE(repaints.isEmpty()) << "reading does not repaint";
}

TEST_F(FrameTest, FloodShowPctShowsThePercentageOnBothLabelsAndClearsThemWhenOff) {
    Frame3D& f = makeNew();
    f.setCaption("Prêt");
    f.setFloodPercent(42);
    clearLogs();
    f.setFloodShowPct(true);
    EXPECT_EQ(f.lblCaption().Caption(), QStringLiteral("42%"));
    EXPECT_EQ(f.lblCaptionShadow().Caption(), QStringLiteral("42%"));
    EXPECT_EQ(notified, QStringList{"FloodShowPct"});
    EXPECT_TRUE(repaints.isEmpty());
    f.setFloodShowPct(false);
    EXPECT_EQ(f.Caption(), QString());
    EXPECT_EQ(f.lblCaptionShadow().Caption(), QString());
}

TEST_F(FrameTest, ASavedPercentageDisplayReplacesTheSavedCaption) {
    PropertyBag bag;
    bag.WriteProperty("Caption", "Envoi");
    bag.WriteProperty("FloodShowPct", true);
    bag.WriteProperty("FloodPercent", std::int32_t{7});
    make().ReadProperties(bag);
    EXPECT_EQ(frame->Caption(), QStringLiteral("7%"));
    EXPECT_EQ(frame->lblCaptionShadow().Caption(), QStringLiteral("7%"));
}

TEST_F(FrameTest, AFontByPixelSizeIsKeptInPointsAndReadsBackWithoutError) {
    Frame3D& f = makeNew();
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    f.setFontObject(font);
    const double points = 16 * 72.0 / f.lblCaption().logicalDpiY();
    const auto whole = static_cast<std::int32_t>(std::lround(points));
    EXPECT_EQ(f.FontSize(), whole);
    EXPECT_DOUBLE_EQ(f.lblCaptionShadow().font().pointSizeF(), points);
    PropertyBag bag;
    f.WriteProperties(bag);
    EXPECT_FLOAT_EQ(bag.find("FontSize")->toFloat(), static_cast<float>(points));
    make().ReadProperties(bag);
    EXPECT_TRUE(hooks.boxes.empty()) << "no error box on reading";
    EXPECT_TRUE(logLines().isEmpty());
    EXPECT_EQ(frame->FontSize(), whole);
}

TEST_F(FrameTest, FontSizeReadsTheLabelsSizeRoundedHalfToEven) {
    Frame3D& f = makeNew();
    f.setFontSize(9);
    EXPECT_EQ(f.FontSize(), 9);
    EXPECT_FLOAT_EQ(static_cast<float>(f.lblCaptionShadow().font().pointSizeF()), 9.0f);
    for (const auto& [stored, read] : {std::pair{8.5f, 8}, std::pair{9.5f, 10}, std::pair{8.25f, 8}}) {
        PropertyBag bag;
        bag.WriteProperty("FontSize", stored);
        make().ReadProperties(bag);
        EXPECT_EQ(frame->FontSize(), read) << stored;
        EXPECT_FLOAT_EQ(static_cast<float>(frame->lblCaptionShadow().font().pointSizeF()), stored);
    }
}

TEST_F(FrameTest, ReadingGivesTheShadowLabelTheCaptionsLookAndTheHighlightColour) {
    QFont arial(QStringLiteral("Arial"));
    PropertyBag bag;
    bag.WriteProperty("Border3DHighlight", kRed);
    bag.WriteProperty("Font", arial);
    bag.WriteProperty("FontBold", true);
    bag.WriteProperty("FontStrikethru", true);
    bag.WriteProperty("Caption", "&Statut");
    bag.WriteProperty("UseMnemonic", true);
    bag.WriteProperty("CaptionMAlignment", std::int16_t{2});
    bag.WriteProperty("ForeColor", std::int32_t{192});
    make().ReadProperties(bag);
    const CaptionLabel& shadow = frame->lblCaptionShadow();
    EXPECT_EQ(shadow.ForeColor(), kRed);
    EXPECT_EQ(frame->ForeColor(), 192);
    EXPECT_EQ(shadow.font().family(), QStringLiteral("Arial"));
    EXPECT_TRUE(shadow.font().bold());
    EXPECT_TRUE(shadow.font().strikeOut());
    EXPECT_EQ(shadow.Caption(), QStringLiteral("&Statut"));
    EXPECT_TRUE(shadow.UseMnemonic());
    EXPECT_EQ(shadow.text(), QStringLiteral("Statut"));
    EXPECT_EQ(shadow.Alignment(), 2);
    PropertyBag saved;
    frame->WriteProperties(saved);
    EXPECT_TRUE(saved.find("FontStrikethru")->toBool()) << "kept although it has no property";
}

TEST_F(FrameTest, AContainerWithoutBackColorCostsOneBoxAndOneLogLineAndNothingElse) {
    site.containerProperties.remove("BackColor");
    make().InitProperties();
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].prompt, QStringLiteral("Error occured: 438\r\nDescription: Object doesn't support this "
                                                    "property or method\r\nModule: Lumbra\r\nFunction: "
                                                    "UserControl_InitProperties"));
    EXPECT_EQ(logLines().size(), 1);
    EXPECT_EQ(frame->BackColor(), 0);
    EXPECT_EQ(frame->Border3DShadow(), syscolor::ButtonShadow) << "the steps after the failure ran";
    EXPECT_EQ(frame->cornerDiameter(), 14);

    PropertyBag bag;
    bag.WriteProperty("BackColor", kRed); // not read: its default could not be looked up
    bag.WriteProperty("BorderType", std::int32_t{5});
    bag.WriteProperty("Border3DShadow", std::int32_t{0x123456});
    bag.WriteProperty("Caption", "Prêt");
    make().ReadProperties(bag);
    ASSERT_EQ(hooks.boxes.size(), 2u);
    EXPECT_TRUE(hooks.boxes[1].prompt.endsWith(QStringLiteral("Function: UserControl_ReadProperties")));
    EXPECT_EQ(frame->BackColor(), 0);
    EXPECT_EQ(frame->BorderType(), 5);
    EXPECT_EQ(frame->Border3DShadow(), 0x123456);
    EXPECT_EQ(frame->Caption(), QStringLiteral("Prêt"));
}

TEST_F(FrameTest, TwoBadKeysGiveTwoBoxesAndTwoLogLinesInTheOrderRead) {
    PropertyBag bag;
    bag.WriteProperty("BevelInner", "deux");             // text for a number: 13
    bag.WriteProperty("FillStyle", std::int32_t{40000}); // beyond 16 bits: 6
    bag.WriteProperty("FloodType", std::int32_t{1});
    make().ReadProperties(bag);
    ASSERT_EQ(hooks.boxes.size(), 2u);
    EXPECT_TRUE(hooks.boxes[0].prompt.startsWith(QStringLiteral("Error occured: 13\r\nDescription: Type mismatch")));
    EXPECT_TRUE(hooks.boxes[1].prompt.startsWith(QStringLiteral("Error occured: 6\r\n")));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("\"13\",\"Type mismatch\"")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\"6\",\"Overflow\"")));
    EXPECT_EQ(frame->FloodType(), 1);
    EXPECT_EQ(frame->FillStyle(), 1);
}

} // namespace
} // namespace vellumo::test
