#include "button_control/tesk_button_concept.h"

#include "platform/hosting/control_site.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QCursor>
#include <QPainter>

#include <atomic>

namespace vellumo {

namespace {

std::atomic<int> g_liveInstances{0};

const QString kSource = QStringLiteral("TeskButtonConcept");

// The hand pointer of the library's resources, drawn here as a 32 by 32 cursor: '#' black outline,
// '.' white fill, anything else transparent. The hot spot is the finger tip (5, 0).
constexpr const char* kHandRows[] = {
    "     ##                         ", "    #..#                        ", "    #..#                        ",
    "    #..#                        ", "    #..#                        ", "    #..###                      ",
    "    #..#..###                   ", "    #..#..#..##                 ", "    #..#..#..#.#                ",
    "### #..#..#..#..#               ", "#..##........#..#               ", "#...#...........#               ",
    " #..#...........#               ", "  #.............#               ", "  #.............#               ",
    "   #............#               ", "   #...........#                ", "    #..........#                ",
    "    #.........#                 ", "     #........#                 ", "     #........#                 ",
    "     ##########                 ",
};

} // namespace

TeskButtonConcept::TeskButtonConcept(QWidget* parent, ControlSite* site)
    : QWidget(parent), UserControl(site),
      accessKeys_(*this, [this](std::int16_t& KeyAscii) { UserControl_AccessKeyPress(KeyAscii); }) {
    ++g_liveInstances;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface_.font = font();
    cursorPosition = [] { return QCursor::pos(); };
    OverTimer_.setInterval(3);
    connect(&OverTimer_, &QTimer::timeout, this, [this] { OverTimer_Timer(); });

    // The surface's notifications, in the platform's order (ControlInput), run the button's handlers.
    surfaceHandlers_.MouseDown = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        UserControl_MouseDown(b, s, x, y);
    };
    surfaceHandlers_.MouseUp = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        UserControl_MouseUp(b, s, x, y);
    };
    surfaceHandlers_.MouseMove = [this](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        UserControl_MouseMove(b, s, x, y);
    };
    surfaceHandlers_.Click = [this] { UserControl_Click(); };
    surfaceHandlers_.DblClick = [this] { UserControl_DblClick(); };
    surfaceHandlers_.KeyDown = [this](std::int16_t& k, std::int16_t& s) { UserControl_KeyDown(k, s); };
    surfaceHandlers_.KeyPress = [this](std::int16_t& a) { UserControl_KeyPress(a); };
    surfaceHandlers_.KeyUp = [this](std::int16_t& k, std::int16_t& s) { UserControl_KeyUp(k, s); };

    // UserControl_Initialize
    paint_ = true;
}

TeskButtonConcept::~TeskButtonConcept() {
    // UserControl_Terminate: the memory bitmap of the Transparent look goes with the button.
    paint_ = false;
    OverTimer_.stop();
    background_ = QImage();
    --g_liveInstances;
}

int TeskButtonConcept::liveInstances() {
    return g_liveInstances.load();
}

QImage TeskButtonConcept::handCursor() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    int y = 0;
    for (const char* row : kHandRows) {
        for (int x = 0; x < 32 && row[x]; ++x) {
            if (row[x] == '#')
                image.setPixel(x, y, 0xFF000000u);
            else if (row[x] == '.')
                image.setPixel(x, y, 0xFFFFFFFFu);
        }
        ++y;
    }
    image.setText(QStringLiteral("Resource"), QStringLiteral("101"));
    setMouseIconHotSpot(image, QPoint(5, 0)); // a press lands where the finger points
    return image;
}

// ---- host -------------------------------------------------------------------------------------------

bool TeskButtonConcept::designMode() const {
    return site_ && !site_->ambientUserMode();
}

bool TeskButtonConcept::displayAsDefault() const {
    // The ambient DisplayAsDefault, which a container offers among its properties when it has one.
    if (!site_)
        return false;
    try {
        return site_->containerProperty(QStringLiteral("DisplayAsDefault")).toBool();
    } catch (const RuntimeError&) {
        return false;
    }
}

QString TeskButtonConcept::ansiCaption() const {
    return cp1252::decode(cp1252::encode(m_Caption));
}

void TeskButtonConcept::refreshSurface() {
    update();
}

// ---- surface settings -------------------------------------------------------------------------------

void TeskButtonConcept::setSurfaceFont(const QFont& value) {
    surface_.sizeAsSet.reset(); // a new font object has a size of its own
    applySurfaceFont(value);
}

void TeskButtonConcept::applySurfaceFont(const QFont& value) {
    surface_.font = fontInPoints(value, logicalDpiY());
    QWidget::setFont(surface_.font);
}

void TeskButtonConcept::setSurfacePointer(std::int16_t pointer) {
    applyMousePointer(*this, pointer, surface_.mouseIcon);
    surface_.mousePointer = pointer;
}

void TeskButtonConcept::setSurfaceIcon(const QImage& icon) {
    surface_.mouseIcon = icon;
    if (surface_.mousePointer == 99)
        applyMousePointer(*this, surface_.mousePointer, surface_.mouseIcon);
}

void TeskButtonConcept::changeFont(const std::function<void(QFont&)>& change) {
    QFont font = surface_.font;
    change(font);
    applySurfaceFont(font);
    CalcLayout();
    Redraw(0, true);
}

// ---- properties -------------------------------------------------------------------------------------

void TeskButtonConcept::setBackColor(std::int32_t value) {
    m_BackColor = value;
    if (designMode())
        m_BackOver = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("BCOL"));
}

void TeskButtonConcept::setBackOver(std::int32_t value) {
    m_BackOver = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("BCOLO"));
}

void TeskButtonConcept::setForeColor(std::int32_t value) {
    m_ForeColor = value;
    if (designMode())
        m_ForeOver = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("FCOL"));
}

void TeskButtonConcept::setForeOver(std::int32_t value) {
    m_ForeOver = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("FCOLO"));
}

void TeskButtonConcept::setMaskColor(std::int32_t value) {
    m_MaskColor = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("MCOL"));
}

void TeskButtonConcept::setButtonType(std::int32_t value) {
    m_ButtonType = value;
    if (value == JavaMetal && designMode()) {
        QFont font = surface_.font;
        font.setBold(true);
        applySurfaceFont(font);
    } else if (value == Transparent && paint_) {
        CaptureBackground();
    }
    UserControl_Resize();
    PropertyChanged(QStringLiteral("BTYPE"));
}

void TeskButtonConcept::setCaption(const QString& value) {
    m_Caption = value;
    SetAccessKey();
    CalcLayout();
    Redraw(0, true);
    PropertyChanged(QStringLiteral("TX"));
}

void TeskButtonConcept::setEnabledProperty(bool value) {
    m_Enabled = value;
    Redraw(0, true);
    QWidget::setEnabled(value);
    PropertyChanged(QStringLiteral("ENAB"));
}

void TeskButtonConcept::setFontObject(const QFont& value) {
    setSurfaceFont(value);
    CalcLayout();
    Redraw(0, true);
    PropertyChanged(QStringLiteral("FONT"));
}

void TeskButtonConcept::setFontBold(bool value) {
    changeFont([&](QFont& f) { f.setBold(value); });
}

void TeskButtonConcept::setFontItalic(bool value) {
    changeFont([&](QFont& f) { f.setItalic(value); });
}

void TeskButtonConcept::setFontUnderline(bool value) {
    changeFont([&](QFont& f) { f.setUnderline(value); });
}

std::int16_t TeskButtonConcept::FontSize() const {
    if (surface_.sizeAsSet)
        return *surface_.sizeAsSet;
    return num::toInt16(surface_.font.pointSizeF());
}

void TeskButtonConcept::setFontSize(std::int16_t value) {
    // The setter raises nothing of its own: the value is the font's size. A size the surface cannot
    // draw (0 or less) is kept as it was set and reads back so; the text keeps its last drawable size.
    if (value > 0)
        surface_.sizeAsSet.reset();
    else
        surface_.sizeAsSet = value;
    changeFont([&](QFont& f) {
        if (value > 0)
            f.setPointSize(value);
    });
}

void TeskButtonConcept::setFontName(const QString& value) {
    changeFont([&](QFont& f) { f.setFamily(value); });
}

void TeskButtonConcept::setColorScheme(std::int32_t value) {
    m_ColorScheme = value;
    SetColors();
    Redraw(0, true);
    PropertyChanged(QStringLiteral("COLTYPE"));
}

void TeskButtonConcept::setShowFocusRect(bool value) {
    m_ShowFocusRect = value;
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("FOCUSR"));
}

void TeskButtonConcept::setMousePointer(std::int32_t value) {
    setSurfacePointer(num::toInt16(static_cast<std::int64_t>(value)));
    PropertyChanged(QStringLiteral("MPTR"));
}

void TeskButtonConcept::setMouseIcon(const QImage& value) {
    try {
        setSurfaceIcon(value);
    } catch (const std::exception&) {
        // the one setter that swallows its failures
    }
    try {
        PropertyChanged(QStringLiteral("MICON"));
    } catch (const std::exception&) {
    }
}

void TeskButtonConcept::setHandPointer(bool value) {
    m_HandPointer = value;
    if (value) {
        setSurfaceIcon(handCursor());
        setSurfacePointer(99);
    } else {
        setSurfaceIcon(QImage());
        setSurfacePointer(1);
    }
    PropertyChanged(QStringLiteral("HAND"));
}

std::int32_t TeskButtonConcept::hwnd() const {
    // The button's own native window, created on the first read.
    return nativeWindowHandle(const_cast<TeskButtonConcept&>(*this));
}

void TeskButtonConcept::setSoftBevel(bool value) {
    m_SoftBevel = value;
    SetColors();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("SOFT"));
}

void TeskButtonConcept::setPictureNormal(const QImage& value) {
    m_PictureNormal = value;
    GetPictureSize();
    CalcLayout();
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("PICN"));
}

void TeskButtonConcept::setPictureOver(const QImage& value) {
    m_PictureOver = value;
    if (hovering_)
        Redraw(state_, true);
    PropertyChanged(QStringLiteral("PICO")); // saved as "PICH"; hosts rely on the name they were given
}

void TeskButtonConcept::setPicturePosition(std::int32_t value) {
    m_PicturePosition = value;
    PropertyChanged(QStringLiteral("PICPOS"));
    CalcLayout();
    Redraw(state_, true);
}

void TeskButtonConcept::setUseMaskColor(bool value) {
    m_UseMaskColor = value;
    if (!m_PictureNormal.isNull())
        Redraw(state_, true);
    PropertyChanged(QStringLiteral("UMCOL"));
}

void TeskButtonConcept::setUseGreyscale(bool value) {
    m_UseGreyscale = value;
    if (!m_PictureNormal.isNull())
        Redraw(state_, true);
    PropertyChanged(QStringLiteral("NGREY"));
}

void TeskButtonConcept::setSpecialEffect(std::int32_t value) {
    m_SpecialEffect = value;
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("FX"));
}

void TeskButtonConcept::setCheckBoxBehaviour(bool value) {
    m_CheckBoxBehaviour = value;
    Redraw(state_, true);
    PropertyChanged(QStringLiteral("CHECK"));
}

void TeskButtonConcept::setValue(bool value) {
    m_Value = value;
    if (m_CheckBoxBehaviour)
        Redraw(0, true);
    PropertyChanged(QStringLiteral("VALUE"));
}

void TeskButtonConcept::DisableRefresh() {
    paint_ = false;
}

void TeskButtonConcept::Refresh() {
    if (m_ButtonType == Transparent)
        CaptureBackground();
    SetColors();
    CalcLayout();
    paint_ = true;
    Redraw(state_, true);
}

// ---- dispatch ---------------------------------------------------------------------------------------

[[noreturn]] static void memberNotFound() {
    raiseMemberNotFound(kSource);
}

[[noreturn]] static void readOnly() {
    throw RuntimeError(383, kSource, QStringLiteral("Property is read-only"));
}

void TeskButtonConcept::putProperty(std::int32_t dispid, const PropertyValue& value) {
    namespace id = peltorix::dispid;
    switch (dispid) {
    case id::BackColor:
        return setBackColor(value.toInt32());
    case id::BackOver:
        return setBackOver(value.toInt32());
    case id::ForeColor:
        return setForeColor(value.toInt32());
    case id::ForeOver:
        return setForeOver(value.toInt32());
    case id::MaskColor:
        return setMaskColor(value.toInt32());
    case id::ButtonType:
        return setButtonType(value.toInt32());
    case id::Caption:
        return setCaption(value.toText());
    case id::Enabled:
        return setEnabledProperty(value.toBool());
    case id::Font:
        return setFontObject(value.toFont());
    case id::FontBold:
        return setFontBold(value.toBool());
    case id::FontItalic:
        return setFontItalic(value.toBool());
    case id::FontUnderline:
        return setFontUnderline(value.toBool());
    case id::FontSize:
        return setFontSize(value.toInt16());
    case id::FontName:
        return setFontName(value.toText());
    case id::ColorScheme:
        return setColorScheme(value.toInt32());
    case id::ShowFocusRect:
        return setShowFocusRect(value.toBool());
    case id::MousePointer:
        return setMousePointer(value.toInt32());
    case id::MouseIcon:
        return setMouseIcon(value.toPicture());
    case id::HandPointer:
        return setHandPointer(value.toBool());
    case id::SoftBevel:
        return setSoftBevel(value.toBool());
    case id::PictureNormal:
        return setPictureNormal(value.toPicture());
    case id::PictureOver:
        return setPictureOver(value.toPicture());
    case id::PicturePosition:
        return setPicturePosition(value.toInt32());
    case id::UseMaskColor:
        return setUseMaskColor(value.toBool());
    case id::UseGreyscale:
        return setUseGreyscale(value.toBool());
    case id::SpecialEffect:
        return setSpecialEffect(value.toInt32());
    case id::CheckBoxBehaviour:
        return setCheckBoxBehaviour(value.toBool());
    case id::Value:
        return setValue(value.toBool());
    case id::hwnd:
    case id::Version:
        readOnly();
    default:
        memberNotFound();
    }
}

PropertyValue TeskButtonConcept::invokeMethod(std::int32_t dispid, const std::vector<PropertyValue>& arguments) {
    namespace id = peltorix::dispid;
    if (dispid != id::DisableRefresh && dispid != id::Refresh)
        memberNotFound();
    if (!arguments.empty())
        raiseBadParamCount(kSource);
    if (dispid == id::DisableRefresh)
        DisableRefresh();
    else
        Refresh();
    return {};
}

PropertyValue TeskButtonConcept::getProperty(std::int32_t dispid) {
    namespace id = peltorix::dispid;
    switch (dispid) {
    case id::BackColor:
        return BackColor();
    case id::BackOver:
        return BackOver();
    case id::ForeColor:
        return ForeColor();
    case id::ForeOver:
        return ForeOver();
    case id::MaskColor:
        return MaskColor();
    case id::ButtonType:
        return ButtonType();
    case id::Caption:
        return Caption();
    case id::Enabled:
        return Enabled();
    case id::Font:
        return Font();
    case id::FontBold:
        return FontBold();
    case id::FontItalic:
        return FontItalic();
    case id::FontUnderline:
        return FontUnderline();
    case id::FontSize:
        return FontSize();
    case id::FontName:
        return FontName();
    case id::ColorScheme:
        return ColorScheme();
    case id::ShowFocusRect:
        return ShowFocusRect();
    case id::MousePointer:
        return MousePointer();
    case id::MouseIcon:
        return MouseIcon();
    case id::HandPointer:
        return HandPointer();
    case id::hwnd:
        return hwnd();
    case id::SoftBevel:
        return SoftBevel();
    case id::PictureNormal:
        return PictureNormal();
    case id::PictureOver:
        return PictureOver();
    case id::PicturePosition:
        return PicturePosition();
    case id::UseMaskColor:
        return UseMaskColor();
    case id::UseGreyscale:
        return UseGreyscale();
    case id::SpecialEffect:
        return SpecialEffect();
    case id::CheckBoxBehaviour:
        return CheckBoxBehaviour();
    case id::Value:
        return Value();
    case id::Version:
        return Version();
    default:
        memberNotFound();
    }
}

} // namespace vellumo
