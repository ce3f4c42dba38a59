// A new button's properties, its full save, and loading saved data with its defaults and failures.
#include "tests/button_control/button_fixture.h"

#include "platform/drawing/system_colors.h"

namespace vellumo::test {
namespace {

const QStringList kKeys = {"BTYPE", "TX",     "ENAB",  "FONT", "COLTYPE", "FOCUSR", "BCOL", "BCOLO",
                           "FCOL",  "FCOLO",  "MCOL",  "MPTR", "MICON",   "PICN",   "PICH", "UMCOL",
                           "SOFT",  "PICPOS", "NGREY", "FX",   "HAND",    "CHECK",  "VALUE"};

using ButtonPersistence = ButtonTest;

TEST_F(ButtonPersistence, ANewButtonSavesEveryKeyInOrderWithItsInitialValues) {
    site.font = QFont(QStringLiteral("Sans"), 9);
    TeskButtonConcept& b = make();
    b.InitProperties();
    PropertyBag bag;
    b.WriteProperties(bag);
    ASSERT_EQ(bag.keys(), kKeys);
    auto value = [&](const char* key) { return *bag.find(QString::fromLatin1(key)); };
    EXPECT_EQ(value("BTYPE"), PropertyValue(std::int32_t{2}));
    EXPECT_EQ(value("TX"), PropertyValue("TeskButtonConcept1"));
    EXPECT_EQ(value("ENAB"), PropertyValue(true));
    EXPECT_EQ(value("FONT").toFont().family(), QStringLiteral("Sans"));
    EXPECT_EQ(value("COLTYPE"), PropertyValue(std::int32_t{1}));
    EXPECT_EQ(value("FOCUSR"), PropertyValue(true));
    // The colours are the RGB values of the system colours, not references to them.
    EXPECT_EQ(value("BCOL"), PropertyValue(SystemColors::sysColor(15)));
    EXPECT_EQ(value("BCOLO"), PropertyValue(SystemColors::sysColor(15)));
    EXPECT_EQ(value("FCOL"), PropertyValue(SystemColors::sysColor(18)));
    EXPECT_EQ(value("FCOLO"), PropertyValue(SystemColors::sysColor(18)));
    EXPECT_EQ(value("MCOL"), PropertyValue(std::int32_t{0xC0C0C0}));
    EXPECT_EQ(value("MPTR"), PropertyValue(std::int16_t{0}));
    EXPECT_TRUE(value("MICON").toPicture().isNull());
    EXPECT_TRUE(value("PICN").toPicture().isNull());
    EXPECT_TRUE(value("PICH").toPicture().isNull());
    EXPECT_EQ(value("UMCOL"), PropertyValue(true));
    EXPECT_EQ(value("SOFT"), PropertyValue(false));
    EXPECT_EQ(value("PICPOS"), PropertyValue(std::int32_t{0}));
    EXPECT_EQ(value("NGREY"), PropertyValue(false));
    EXPECT_EQ(value("FX"), PropertyValue(std::int32_t{0}));
    EXPECT_EQ(value("HAND"), PropertyValue(false));
    EXPECT_EQ(value("CHECK"), PropertyValue(false));
    EXPECT_EQ(value("VALUE"), PropertyValue(false));
    EXPECT_TRUE(notified.isEmpty());
    // The caption is the control's name, with no access key until Caption is set.
    EXPECT_EQ(b.Caption(), QStringLiteral("TeskButtonConcept1"));
    EXPECT_TRUE(b.accessKeys().isEmpty());
}

TEST_F(ButtonPersistence, AnEmptyBagLoadsTheDefaults) {
    TeskButtonConcept& b = make();
    b.ReadProperties(PropertyBag());
    EXPECT_EQ(b.ButtonType(), 2);
    EXPECT_EQ(b.Caption(), QString());
    EXPECT_TRUE(b.Enabled());
    EXPECT_EQ(b.ColorScheme(), 1);
    EXPECT_TRUE(b.ShowFocusRect());
    EXPECT_EQ(b.BackColor(), SystemColors::sysColor(15));
    EXPECT_EQ(b.BackOver(), SystemColors::sysColor(15));
    EXPECT_EQ(b.ForeColor(), SystemColors::sysColor(18));
    EXPECT_EQ(b.MaskColor(), 0xC0C0C0);
    EXPECT_TRUE(b.UseMaskColor());
    EXPECT_FALSE(b.HandPointer());
    EXPECT_EQ(b.MousePointer(), 1); // the HandPointer setter ends every load
    EXPECT_EQ(notified, QStringList{"HAND"});
}

TEST_F(ButtonPersistence, OverColoursDefaultToTheColoursJustRead) {
    PropertyBag bag;
    bag.WriteProperty("BCOL", std::int32_t{0x112233});
    bag.WriteProperty("FCOL", std::int32_t{0x445566});
    TeskButtonConcept& b = make();
    b.ReadProperties(bag);
    EXPECT_EQ(b.BackOver(), 0x112233);
    EXPECT_EQ(b.ForeOver(), 0x445566);
}

TEST_F(ButtonPersistence, TheSavedPointerAndIconGiveWayToHandPointer) {
    PropertyBag bag;
    bag.WriteProperty("MPTR", std::int16_t{11});
    bag.WriteProperty("MICON", TeskButtonConcept::handCursor());
    TeskButtonConcept& b = make();
    b.ReadProperties(bag);
    EXPECT_EQ(b.MousePointer(), 1);
    EXPECT_TRUE(b.MouseIcon().isNull());
    EXPECT_EQ(b.cursor().shape(), Qt::ArrowCursor);

    bag.WriteProperty("HAND", true);
    TeskButtonConcept& hand = make();
    hand.ReadProperties(bag);
    EXPECT_EQ(hand.MousePointer(), 99);
    EXPECT_FALSE(hand.MouseIcon().isNull());
    EXPECT_EQ(hand.cursor().shape(), Qt::BitmapCursor);
}

TEST_F(ButtonPersistence, ASavedButtonComesBackAsItWas) {
    TeskButtonConcept& b = makeShown();
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    b.setButtonType(WindowsXP);
    b.setCaption("&Envoyer");
    b.setColorScheme(Custom);
    b.setBackColor(0x102030);
    b.setBackOver(0x405060);
    b.setForeOver(0x0000FF);
    b.setPictureNormal(picture);
    b.setPicturePosition(cbRight);
    b.setSpecialEffect(cbEngraved);
    b.setCheckBoxBehaviour(true);
    b.setValue(true);
    b.setSoftBevel(true);
    b.setEnabledProperty(false);
    PropertyBag saved;
    b.WriteProperties(saved);

    TeskButtonConcept copy(nullptr, &site);
    copy.ReadProperties(saved);
    PropertyBag again;
    copy.WriteProperties(again);
    EXPECT_EQ(again.keys(), kKeys);
    for (const QString& k : kKeys) {
        if (k != QLatin1String("MPTR")) {
            EXPECT_EQ(*again.find(k), *saved.find(k)) << qPrintable(k);
        }
    }
    EXPECT_EQ(*again.find("MPTR"), PropertyValue(std::int16_t{1})); // HandPointer false sets the arrow
    EXPECT_EQ(copy.accessKeys(), QStringLiteral("e"));
    EXPECT_FALSE(copy.isEnabled()); // the surface follows Enabled
    EXPECT_EQ(copy.pictureRect().size(), QSize(5, 3));
}

TEST_F(ButtonPersistence, AKeyOfTheWrongTypeFailsTheLoadAndStopsIt) {
    PropertyBag bag;
    bag.WriteProperty("BTYPE", std::int32_t{9});
    bag.WriteProperty("ENAB", "yes");
    bag.WriteProperty("COLTYPE", std::int32_t{3});
    TeskButtonConcept& b = make();
    EXPECT_EQ(errorOf([&] { b.ReadProperties(bag); }), err::TypeMismatch);
    EXPECT_EQ(b.ButtonType(), 9);
    EXPECT_EQ(b.ColorScheme(), 1); // after the failing key: not read
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(ButtonPersistence, AnImpossiblePointerFailsTheLoad) {
    PropertyBag bag;
    bag.WriteProperty("MPTR", std::int16_t{42});
    TeskButtonConcept& b = make();
    EXPECT_EQ(errorOf([&] { b.ReadProperties(bag); }), 380);
}

} // namespace
} // namespace vellumo::test
