// Pixels of the button's looks, its pictures and the Transparent look's captured background, read
// back from the persistent surface image.
#include "tests/button_control/button_fixture.h"

#include "platform/drawing/system_colors.h"

#include <QDir>
#include <QPainter>

#include <cmath>

namespace vellumo::test {
namespace {

constexpr std::int32_t kFace = 0xC8D0D4; // system colours of the fixed table
constexpr std::int32_t kHighlight = 0xFFFFFF;
constexpr std::int32_t kLight = 0xC8D0D4;
constexpr std::int32_t kShadow = 0x808080;
constexpr std::int32_t kDarkShadow = 0x404040;

class ButtonPaint : public PaintedButtonTest {
protected:
    void SetUp() override {
        PaintedButtonTest::SetUp();
        paints.clear();
    }
    int count(std::int32_t colour) const {
        int n = 0;
        const QImage& image = button->surfaceImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += pixel(x, y) == colour ? 1 : 0;
        return n;
    }
    // A picture of the given pixels in one row.
    static QImage row(std::initializer_list<QRgb> pixels) {
        QImage image(static_cast<int>(pixels.size()), 1, QImage::Format_RGB32);
        int x = 0;
        for (QRgb p : pixels)
            image.setPixel(x++, 0, p);
        return image;
    }
};

TEST_F(ButtonPaint, Windows32UpHasItsDoubleBevel) {
    const int R = 59, B = 23;
    EXPECT_EQ(pixel(0, 0), kHighlight);
    EXPECT_EQ(pixel(R - 1, 0), kHighlight);
    EXPECT_EQ(pixel(R, 0), kDarkShadow);
    EXPECT_EQ(pixel(0, B), kDarkShadow);
    EXPECT_EQ(pixel(R, B), kDarkShadow);
    EXPECT_EQ(pixel(1, 1), kLight);
    EXPECT_EQ(pixel(R - 1, B - 1), kShadow);
    EXPECT_EQ(pixel(R - 1, 1), kShadow);
    EXPECT_EQ(pixel(5, 5), kFace);
}

TEST_F(ButtonPaint, Windows32PressedTurnsTheBevelRound) {
    button->Redraw(2, false);
    EXPECT_EQ(pixel(0, 0), kDarkShadow);
    EXPECT_EQ(pixel(59, 23), kHighlight);
    EXPECT_EQ(pixel(1, 1), kShadow);
    EXPECT_EQ(pixel(58, 22), kLight);
}

TEST_F(ButtonPaint, AFocusedDefaultWindows32ButtonShowsItsFrameAndFocusRectangle) {
    site.containerProperties.WriteProperty("DisplayAsDefault", true);
    button->UserControl_GotFocus();
    EXPECT_EQ(pixel(0, 0), kDarkShadow);      // the outer frame
    EXPECT_EQ(pixel(1, 1), kHighlight);       // the bevel one pixel inwards
    EXPECT_EQ(pixel(4, 4), 0xFFFFFF - kFace); // the dotted focus rectangle inverts the face
    EXPECT_EQ(pixel(5, 4), kFace);
    site.containerProperties.WriteProperty("DisplayAsDefault", false);
    button->Redraw(0, true);
    EXPECT_EQ(pixel(4, 4), kFace); // no focus rectangle on a plain Windows 32-bit button
}

TEST_F(ButtonPaint, TwoUnforcedRedrawsInARowDrawOnce) {
    button->Redraw(2, false);
    button->Redraw(2, false);
    EXPECT_EQ(paints, QStringList{"paint 2"});
}

TEST_F(ButtonPaint, ACheckedCheckBoxIsDrawnDownWhateverStateIsAsked) {
    button->setCheckBoxBehaviour(true);
    button->setValue(true);
    button->Redraw(0, true);
    EXPECT_EQ(button->currentState(), 2);
    EXPECT_EQ(pixel(0, 0), kDarkShadow);
}

TEST_F(ButtonPaint, TypesOutsideTheEnumerationShowTheFaceAlone) {
    for (std::int32_t type : {0, 10, 15, -3}) {
        button->setButtonType(type);
        EXPECT_EQ(count(kFace), 60 * 24) << type;
    }
}

TEST_F(ButtonPaint, ADisabledButtonAlwaysUsesTheDisabledBranch) {
    button->setCaption("Envoyer");
    button->setEnabledProperty(false);
    button->Redraw(2, true);
    // caption style 3: highlight copy below right, shadow on top; no text colour, no pressed bevel
    EXPECT_GT(count(kShadow), 2 * 60);
    EXPECT_EQ(count(0x000000), 0);
    EXPECT_EQ(pixel(0, 0), kHighlight);
}

TEST_F(ButtonPaint, XPShowsTheHoverFrameWhileHoveringEvenWithTheFocus) {
    button->setButtonType(WindowsXP);
    button->UserControl_GotFocus();
    EXPECT_EQ(pixel(1, 5), 0xE7AE8C); // focus colours
    hover();
    EXPECT_EQ(pixel(1, 5), 0x31B2FF); // hover colours win
    EXPECT_EQ(pixel(0, 5), 0x733C00);
    EXPECT_EQ(pixel(1, 1), 0x7B4D10);
}

TEST_F(ButtonPaint, XPUpFadesDownwardsFromTheBaseFace) {
    button->setButtonType(WindowsXP);
    button->Refresh(); // the working colours follow the type at the next SetColors
    const std::int32_t base = button->workingColors().baseFace;
    EXPECT_EQ(base, ShiftColor(kFace, 48, true, false));
    EXPECT_EQ(pixel(30, 0), 0x733C00); // the frame covers row 0
    // row y is the base face shifted by -round(25 / H * y), proportional blue
    const float s = 25.0f / 24.0f;
    EXPECT_EQ(pixel(30, 12), ShiftColor(base, -static_cast<int>(std::nearbyint(s * 12.0f)), true, false));
}

TEST_F(ButtonPaint, ACustomButtonPaintsWithBackOverWhileHovering) {
    button->setColorScheme(Custom);
    button->setBackColor(0x0000FF);
    button->setBackOver(0x00FF00);
    EXPECT_EQ(pixel(5, 5), 0x0000FF);
    hover();
    EXPECT_EQ(pixel(5, 5), 0x00FF00);
    EXPECT_EQ(button->BackColor(), 0x0000FF);
    EXPECT_EQ(button->workingColors().face, 0x0000FF);
}

TEST_F(ButtonPaint, OvalAndMacNeverShowTheFocusRectangle) {
    site.containerProperties.WriteProperty("DisplayAsDefault", true);
    for (std::int32_t type : {OvalFlat, Mac}) {
        button->setButtonType(type);
        button->UserControl_LostFocus();
        const QImage without = button->surfaceImage();
        button->UserControl_GotFocus();
        EXPECT_EQ(button->surfaceImage(), without) << type;
    }
}

TEST_F(ButtonPaint, OvalFlatFillsTheEllipseAndPressedDarkensIt) {
    button->setButtonType(OvalFlat);
    button->Redraw(2, false);
    EXPECT_EQ(pixel(30, 12), ShiftColor(kFace, -32, false, false));
    EXPECT_EQ(pixel(0, 12), kDarkShadow);
    EXPECT_EQ(pixel(0, 0), kFace); // outside the ellipse (and outside the window region)
}

TEST_F(ButtonPaint, GreyscaleUsesTheDesignWeights) {
    button->setPictureNormal(
        row({qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(128, 128, 128)}));
    button->setUseGreyscale(true);
    const QRect at = button->pictureRect();
    for (const auto& [x, grey] : {std::pair{0, 254}, {1, 76}, {2, 150}, {3, 28}, {4, 128}})
        EXPECT_EQ(pixel(at.x() + x, at.y()), grey * 0x010101) << x;
}

TEST_F(ButtonPaint, TheMaskColourShowsTheFaceThrough) {
    button->setPictureNormal(row({qRgb(192, 192, 192), qRgb(10, 20, 30)}));
    const QRect at = button->pictureRect();
    EXPECT_EQ(pixel(at.x(), at.y()), kFace);
    EXPECT_EQ(pixel(at.x() + 1, at.y()), 0x1E140A);
    button->setUseMaskColor(false);
    EXPECT_EQ(pixel(at.x(), at.y()), 0xC0C0C0);
}

TEST_F(ButtonPaint, PictureOverAloneShowsNoPicture) {
    const QImage before = button->surfaceImage();
    button->setPictureOver(row({qRgb(255, 0, 0)}));
    hover();
    button->UserControl_MouseMove(0, 0, 30, 12);
    EXPECT_EQ(count(0x0000FF), 0);
}

TEST_F(ButtonPaint, OfficeXPFadesThePictureUntilHovered) {
    button->setButtonType(OfficeXP);
    button->setPictureNormal(row({qRgb(255, 0, 0)}));
    const QRect at = button->pictureRect();
    const std::int32_t faded = ((2 * 255 + 0xD4) / 3) | ((0xD0 / 3) << 8) | ((0xC8 / 3) << 16);
    EXPECT_EQ(pixel(at.x(), at.y()), faded);
    hover();
    EXPECT_EQ(pixel(at.x() - 1, at.y() - 1), 0x0000FF);                       // raised by one pixel
    EXPECT_EQ(pixel(at.x() + 1, at.y() + 1), button->workingColors().shadow); // over its shadow
}

TEST_F(ButtonPaint, ADisabledPictureIsASilhouetteOfItsDarkerPixels) {
    button->setButtonType(Netscape6);
    button->setPictureNormal(row({qRgb(250, 250, 250), qRgb(20, 20, 20)}));
    button->setEnabledProperty(false);
    const QRect at = button->pictureRect();
    EXPECT_EQ(pixel(at.x(), at.y()), kFace);
    EXPECT_EQ(pixel(at.x() + 1, at.y()), kShadow);
}

TEST_F(ButtonPaint, AThreePixelWidePicturePaintsEveryPixel) {
    button->setPictureNormal(row({qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)}));
    const QRect at = button->pictureRect();
    EXPECT_EQ(pixel(at.x(), at.y()), 0x030201);
    EXPECT_EQ(pixel(at.x() + 1, at.y()), 0x060504);
    EXPECT_EQ(pixel(at.x() + 2, at.y()), 0x090807);
}

TEST_F(ButtonPaint, TransparentCapturesTheContainerAndKeepsTheFirstSize) {
    container->setAutoFillBackground(true);
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 255));
    container->setPalette(palette);
    button.reset();
    TeskButtonConcept& b = make(container.get());
    b.InitProperties();
    b.setButtonType(Transparent);
    b.setCaption(QString());
    b.setGeometry(20, 20, 40, 16);
    b.show();
    ASSERT_EQ(b.capturedBackground().size(), QSize(40, 16));
    EXPECT_EQ(Surface::fromRgb(b.capturedBackground().pixel(5, 5)), 0xFF8000);
    EXPECT_EQ(pixel(5, 5), 0xFF8000);
    EXPECT_EQ(b.height(), 16); // the capture gives the height back
    b.resize(80, 30);
    EXPECT_EQ(b.capturedBackground().size(), QSize(40, 16));
}

TEST_F(ButtonPaint, SwitchingAShownButtonToTransparentShowsThePlainFace) {
    button->setButtonType(Transparent);
    EXPECT_TRUE(button->capturedBackground().isNull());
    EXPECT_EQ(pixel(0, 0), kFace);
    EXPECT_EQ(button->height(), 24);
}

// A container whose pixels all differ from their neighbours, painted from an image in logical pixels:
// on a scaled display each of them covers several device pixels.
class PatternedContainer : public QWidget {
public:
    static QRgb at(int x, int y) { return qRgb((x * 7) % 256, (y * 13) % 256, (x * 3 + y * 5) % 256); }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(width(), height(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, at(x, y));
        QPainter(this).drawImage(0, 0, image);
    }
};

// Also run with QT_SCALE_FACTOR=2 (tests/button_control/CMakeLists.txt).
class ButtonCapture : public ButtonTest {};

TEST_F(ButtonCapture, TransparentCapturesTheContainersLogicalPixelsAtAnyScale) {
    container = std::make_unique<PatternedContainer>();
    container->resize(200, 120);
    container->show();
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    if (!factor.isEmpty()) {
        ASSERT_EQ(container->devicePixelRatioF(), factor.toDouble()) << "the display is not scaled";
    }
    TeskButtonConcept& b = make(container.get());
    b.InitProperties();
    b.setButtonType(Transparent);
    b.setCaption(QString());
    b.setGeometry(37, 21, 40, 16);
    b.show();
    const QImage& captured = b.capturedBackground();
    ASSERT_EQ(captured.size(), QSize(40, 16));
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 40; ++x)
            wrong += (captured.pixel(x, y) & 0xFFFFFFu) != (PatternedContainer::at(37 + x, 21 + y) & 0xFFFFFFu);
    EXPECT_EQ(wrong, 0) << "of 640 pixels";
    EXPECT_EQ(b.surfaceImage().pixel(3, 5) & 0xFFFFFFu, PatternedContainer::at(40, 26) & 0xFFFFFFu);
}

// The looks as the user sees them, for a look by eye: build/screenshots/button_<look>.png.
TEST_F(ButtonPaint, Screenshots) {
    const QString folder = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(qRgb(192, 192, 192));
    for (int i = 3; i < 13; ++i) {
        for (int j = 3; j < 13; ++j)
            picture.setPixel(i, j, (i + j) % 5 == 0 ? qRgb(20, 90, 200) : qRgb(40, 160, 60));
    }
    const std::int32_t looks[] = {Windows16,  Windows32,     WindowsXP, Mac,     JavaMetal, Netscape6,
                                  SimpleFlat, FlatHighlight, OfficeXP,  Hover3D, OvalFlat,  KDE2};
    QImage sheet(4 * 120 + 10, 12 * 34 + 10, QImage::Format_RGB32);
    sheet.fill(qRgb(212, 208, 200));
    int rowIndex = 0;
    for (std::int32_t look : looks) {
        button->resize(110, 28);
        button->setButtonType(look);
        button->setCaption(QStringLiteral("&Envoyer"));
        button->setPictureNormal(picture);
        button->setSpecialEffect(look == KDE2 ? cbEmbossed : cbNone);
        QString name = buttonEnumName("ButtonTypes", look).toLower();
        name.replace(QLatin1Char(' '), QLatin1Char('_')).remove(QLatin1Char('-'));
        int column = 0;
        for (int state = 0; state < 4; ++state) {
            button->setEnabledProperty(state != 3);
            cursor = QPoint(-1000, -1000);
            button->OverTimer_Timer();
            if (state == 1)
                hover();
            button->Redraw(state == 2 ? 2 : 0, true);
            const QImage image = button->surfaceImage();
            QPainter painter(&sheet);
            painter.setClipRegion(button->buttonRegion().translated(5 + column * 120, 5 + rowIndex * 34));
            painter.drawImage(5 + column * 120, 5 + rowIndex * 34, image);
            if (state == 0) {
                EXPECT_TRUE(image.save(folder + QStringLiteral("/button_%1.png").arg(name)));
            }
            ++column;
        }
        ++rowIndex;
    }
    EXPECT_TRUE(sheet.save(folder + QStringLiteral("/button_looks.png")));
}

} // namespace
} // namespace vellumo::test

namespace vellumo::test {
namespace {

TEST_F(ButtonPaint, TheDefaultKdeButtonDrawsABoldCaptionAndKeepsItsFont) {
    button->setButtonType(KDE2);
    button->setCaption("Ok");
    const QImage plain = button->surfaceImage();
    const ButtonRect rect = button->captionRect();
    site.containerProperties.WriteProperty("DisplayAsDefault", true);
    notified.clear();
    button->Redraw(0, true);
    EXPECT_NE(button->surfaceImage(), plain); // the bold caption
    EXPECT_FALSE(button->FontBold());
    EXPECT_TRUE(button->paintFlag());
    EXPECT_EQ(button->captionRect(), rect);
    EXPECT_TRUE(notified.isEmpty());
}

TEST_F(ButtonPaint, Windows16AndNetscapeBevels) {
    button->setButtonType(Windows16);
    EXPECT_EQ(pixel(0, 0), kDarkShadow); // the frame over the bevel moved one pixel inwards
    EXPECT_EQ(pixel(1, 1), kHighlight);
    EXPECT_EQ(pixel(58, 22), kShadow);
    button->setButtonType(Netscape6);
    const std::int32_t light = ShiftColor(kLight, 8, false, false);
    EXPECT_EQ(pixel(0, 0), light);
    EXPECT_EQ(pixel(1, 1), light);
    EXPECT_EQ(pixel(59, 23), kShadow);
}

} // namespace
} // namespace vellumo::test
