#include "frame_control/frame3d.h"

#include "platform/drawing/system_colors.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <QKeyEvent>

#include <atomic>
#include <new>

namespace vellumo {

namespace {

std::atomic<int> g_liveInstances{0};

const QString kModule = QStringLiteral("Lumbra");

// The labels' design font.
QFont designFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    return font;
}

std::int16_t narrow16(std::int32_t value) {
    return num::toInt16(static_cast<std::int64_t>(value));
}

} // namespace

Frame3D::Frame3D(QWidget* parent, ControlSite* site)
    : QWidget(parent), UserControl(site), lblCaptionBlank_(new CaptionLabel(this, true)),
      lblCaptionShadow_(new CaptionLabel(this, false)), lblCaption_(new CaptionLabel(this, false)),
      accessKeys_(*this, [this](std::int16_t& KeyAscii) { UserControl_AccessKeyPress(KeyAscii); }) {
    ++g_liveInstances;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    for (CaptionLabel* label : {lblCaption_, lblCaptionShadow_, lblCaptionBlank_}) {
        label->setLabelFont(designFont());
        label->installEventFilter(this);
    }
    lblCaption_->setForeColor(syscolor::ButtonText);
    lblCaptionShadow_->setForeColor(syscolor::ButtonHighlight);
    lblCaptionShadow_->move(1, 1); // 15 twips right of and below the caption
    lblCaptionBlank_->hide();
    // Whatever changes the caption's text or mnemonic flag changes its access key.
    lblCaption_->onChanged = [this] {
        const QString key = CaptionLabel::accessKey(lblCaption_->Caption(), lblCaption_->UseMnemonic());
        if (key != accessKeys_.keys())
            accessKeys_.setKeys(key);
    };
}

Frame3D::~Frame3D() {
    lblCaption_->onChanged = nullptr; // the access keys go before the labels
    --g_liveInstances;
}

int Frame3D::liveInstances() {
    return g_liveInstances.load();
}

// ---- container, logging -----------------------------------------------------------------------------

std::int32_t Frame3D::containerBackColor() const {
    if (!site_)
        hosting::raiseNoSuchProperty(QStringLiteral("Frame3D"), QStringLiteral("BackColor"));
    return site_->containerProperty(QStringLiteral("BackColor")).toInt32();
}

void Frame3D::LogError(bool show, const QString& number, const QString& description, const QString& module,
                       const QString& procedure) {
    errorLog_.LogError(show, number, description, module, procedure);
}

void Frame3D::trap(const char* procedure, bool show, const std::function<void()>& step) {
    const QString name = QString::fromLatin1(procedure);
    try {
        step();
    } catch (const RuntimeError& e) {
        LogError(show, QString::number(e.number()), e.description(), kModule, name);
    } catch (const std::bad_alloc&) {
        LogError(show, QStringLiteral("7"), QStringLiteral("Out of memory"), kModule, name);
    } catch (const std::exception& e) {
        LogError(show, QString::number(err::BadArgument), QString::fromLocal8Bit(e.what()), kModule, name);
    }
}

void Frame3D::resizeEvent(QResizeEvent*) {
    UserControl_Resize();
}

// ---- properties -------------------------------------------------------------------------------------

void Frame3D::setBothCaptions(const QString& text) {
    lblCaption_->setCaption(text);
    lblCaptionShadow_->setCaption(text);
}

void Frame3D::setBackColor(std::int32_t value) {
    m_BackColor = value;
    PropertyChanged(QStringLiteral("BackColor"));
    UserControl_Resize();
}

void Frame3D::setBevelInner(std::int32_t value) {
    m_BevelInner = value;
    PropertyChanged(QStringLiteral("BevelInner"));
    UserControl_Resize();
}

void Frame3D::setBevelWidth(std::int32_t value) {
    m_BevelWidth = value < 3 ? 3 : value;
    PropertyChanged(QStringLiteral("BevelWidth"));
    UserControl_Resize();
}

void Frame3D::setBorderType(std::int32_t value) {
    m_BorderType = value;
    PropertyChanged(QStringLiteral("BorderType"));
    UserControl_Resize();
}

void Frame3D::setBorder3DHighlight(std::int32_t value) {
    m_Border3DHighlight = value;
    lblCaptionShadow_->setForeColor(value);
    PropertyChanged(QStringLiteral("Border3DHighlight"));
    UserControl_Resize();
}

void Frame3D::setBorder3DShadow(std::int32_t value) {
    m_Border3DShadow = value;
    PropertyChanged(QStringLiteral("Border3DShadow"));
    UserControl_Resize();
}

QString Frame3D::Caption() const {
    return lblCaption_->Caption();
}

void Frame3D::setCaption(const QString& value) {
    lblCaption_->setCaption(value);
    lblCaptionShadow_->setCaption(lblCaption_->Caption());
    PropertyChanged(QStringLiteral("Caption"));
    UserControl_Resize();
}

void Frame3D::setCaptionAlignment(std::int32_t value) {
    m_CaptionAlignment = value;
    PropertyChanged(QStringLiteral("CaptionAlignment"));
    UserControl_Resize();
}

std::int32_t Frame3D::CaptionMAlignment() const {
    return lblCaption_->Alignment();
}

void Frame3D::setCaptionMAlignment(std::int32_t value) {
    const std::int16_t alignment = narrow16(value);
    lblCaption_->setAlignmentCode(alignment);
    lblCaptionShadow_->setAlignmentCode(alignment);
    PropertyChanged(QStringLiteral("CaptionMAlignment"));
    UserControl_Resize();
}

void Frame3D::setCaptionLocation(std::int32_t value) {
    m_CaptionLocation = value;
    PropertyChanged(QStringLiteral("CaptionLocation"));
    UserControl_Resize();
}

void Frame3D::setCaption3D(std::int32_t value) {
    m_Caption3D = value;
    PropertyChanged(QStringLiteral("Caption3D"));
    UserControl_Resize();
}

void Frame3D::setCornerRadius(std::int32_t value) {
    m_CornerRadius = value;
    m_CornerDiameter = num::mul32(2, value); // error 6 leaves the radius stored, nothing else done
    PropertyChanged(QStringLiteral("CornerDiameter"));
    UserControl_Resize();
}

void Frame3D::setSurfaceDrawStyle(std::int16_t value) {
    if (value < 0 || value > 6) // solid, dash, dot, dash-dot, dash-dot-dot, invisible, inside solid
        hosting::raiseInvalidPropertyValue(QStringLiteral("Frame3D"));
    surface_.DrawStyle = value;
}

void Frame3D::setSurfaceFillStyle(std::int16_t value) {
    if (value < 0 || value > 7) // solid, transparent, six hatches
        hosting::raiseInvalidPropertyValue(QStringLiteral("Frame3D"));
    surface_.FillStyle = value;
}

void Frame3D::setSurfaceMousePointer(std::int16_t value) {
    applyMousePointer(*this, value, surface_.MouseIcon);
    surface_.MousePointer = value;
}

void Frame3D::setDrawStyle(std::int32_t value) {
    setSurfaceDrawStyle(narrow16(value));
    PropertyChanged(QStringLiteral("DrawStyle"));
    UserControl_Resize();
}

void Frame3D::setEnabledProperty(bool value) {
    m_Enabled = value;
    PropertyChanged(QStringLiteral("Enabled"));
    UserControl_Resize();
}

void Frame3D::setFillColor(std::int32_t value) {
    surface_.FillColor = value;
    PropertyChanged(QStringLiteral("FillColor"));
    UserControl_Resize();
}

void Frame3D::setFillGradient(std::int32_t value) {
    m_FillGradient = value;
    PropertyChanged(QStringLiteral("FillGradient"));
    UserControl_Resize();
}

void Frame3D::setFillStyle(std::int32_t value) {
    setSurfaceFillStyle(narrow16(value));
    PropertyChanged(QStringLiteral("FillStyle"));
    UserControl_Resize();
}

void Frame3D::setFloodColor(std::int32_t value) {
    m_FloodColor = value;
    PropertyChanged(QStringLiteral("FloodColor"));
    DrawFlood();
}

void Frame3D::setFloodPercent(std::int32_t value) {
    value = value > 100 ? 100 : value < 0 ? 0 : value;
    const std::int32_t old = m_FloodPercent;
    m_FloodPercent = value;
    PropertyChanged(QStringLiteral("FloodPercent"));
    if (value > old) {
        DrawFlood(); // a longer bar paints over the shorter one
    } else {
        DrawFlood(); // a shorter bar needs the face cleared of what the longer one covered
        UserControl_Resize();
    }
}

void Frame3D::setFloodShowPct(bool value) {
    m_FloodShowPct = value;
    PropertyChanged(QStringLiteral("FloodShowPct"));
    setBothCaptions(value ? QString::number(m_FloodPercent) + QLatin1Char('%') : QString());
}

void Frame3D::setFloodType(std::int32_t value) {
    m_FloodType = value;
    PropertyChanged(QStringLiteral("FloodType"));
    UserControl_Resize();
}

QFont Frame3D::Font() const {
    return lblCaption_->font();
}

void Frame3D::setFontObject(const QFont& value) {
    lblCaption_->setLabelFont(value);
    lblCaptionShadow_->setLabelFont(value);
    PropertyChanged(QStringLiteral("Font"));
    UserControl_Resize();
}

void Frame3D::applyFont(const std::function<void(QFont&)>& change, bool shadowToo) {
    for (CaptionLabel* label : {lblCaption_, lblCaptionShadow_}) {
        if (label == lblCaptionShadow_ && !shadowToo)
            break;
        QFont font = label->font();
        change(font);
        label->setLabelFont(font);
    }
}

bool Frame3D::FontBold() const {
    return lblCaption_->font().bold();
}

void Frame3D::setFontBold(bool value) {
    applyFont([&](QFont& f) { f.setBold(value); }, true);
    PropertyChanged(QStringLiteral("FontBold"));
    UserControl_Resize();
}

bool Frame3D::FontItalic() const {
    return lblCaption_->font().italic();
}

void Frame3D::setFontItalic(bool value) {
    applyFont([&](QFont& f) { f.setItalic(value); }, true);
    PropertyChanged(QStringLiteral("FontItalic"));
    UserControl_Resize();
}

QString Frame3D::FontName() const {
    return lblCaption_->font().family();
}

void Frame3D::setFontName(const QString& value) {
    applyFont([&](QFont& f) { f.setFamily(value); }, true);
    PropertyChanged(QStringLiteral("FontName"));
    UserControl_Resize();
}

std::int32_t Frame3D::FontSize() const {
    return num::toInt32(static_cast<double>(lblCaption_->pointSize()));
}

void Frame3D::setFontSize(std::int32_t value) {
    if (value <= 0)
        hosting::raiseInvalidPropertyValue(QStringLiteral("Frame3D"));
    const float size = static_cast<float>(value);
    applyFont([&](QFont& f) { f.setPointSizeF(size); }, true);
    PropertyChanged(QStringLiteral("FontSize"));
    UserControl_Resize();
}

bool Frame3D::FontUnderline() const {
    return lblCaption_->font().underline();
}

void Frame3D::setFontUnderline(bool value) {
    applyFont([&](QFont& f) { f.setUnderline(value); }, true);
    PropertyChanged(QStringLiteral("FontUnderline"));
}

std::int32_t Frame3D::ForeColor() const {
    return lblCaption_->ForeColor();
}

void Frame3D::setForeColor(std::int32_t value) {
    lblCaption_->setForeColor(value);
    PropertyChanged(QStringLiteral("ForeColor"));
}

std::int32_t Frame3D::hdc() const {
    return 0; // no device context until the drawing surface has one
}

std::int32_t Frame3D::hWnd() const {
    // The frame's own native window, created on the first read.
    return nativeWindowHandle(const_cast<Frame3D&>(*this));
}

void Frame3D::setMouseIcon(const QImage& value) {
    try {
        surface_.MouseIcon = value;
        if (surface_.MousePointer == 99)
            applyMousePointer(*this, surface_.MousePointer, surface_.MouseIcon);
    } catch (const std::exception&) {
        // a picture the surface refuses leaves the old icon; the write goes on
    }
    PropertyChanged(QStringLiteral("MouseIcon"));
}

void Frame3D::setMousePointer(std::int32_t value) {
    setSurfaceMousePointer(narrow16(value));
    PropertyChanged(QStringLiteral("MousePointer"));
}

void Frame3D::setPicture(const QImage& value) {
    try {
        // No repaint: the new picture takes the old one's place in the background, and whatever the
        // painter drew over the old background stays over the new one.
        Surface before(canvas_.width(), canvas_.height(), 0);
        Surface after(canvas_.width(), canvas_.height(), 0);
        layBackground(before, surfaceBackColor_, surface_.Picture);
        layBackground(after, surfaceBackColor_, value);
        surface_.Picture = value;
        QImage& image = canvas_.image();
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            const auto* was = reinterpret_cast<const QRgb*>(before.image().constScanLine(y));
            const auto* now = reinterpret_cast<const QRgb*>(after.image().constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == was[x])
                    line[x] = now[x];
            }
        }
        update();
    } catch (const std::exception&) {
        // as for MouseIcon
    }
    PropertyChanged(QStringLiteral("Picture"));
}

bool Frame3D::UseMnemonic() const {
    return lblCaption_->UseMnemonic();
}

void Frame3D::setUseMnemonic(bool value) {
    lblCaption_->setUseMnemonic(value);
    lblCaptionShadow_->setUseMnemonic(value);
    PropertyChanged(QStringLiteral("UseMnemonic"));
    UserControl_Resize();
}

// ---- dispatch ---------------------------------------------------------------------------------------

[[noreturn]] static void memberNotFound() {
    raiseMemberNotFound(QStringLiteral("Frame3D"));
}

PropertyValue Frame3D::invokeMethod(std::int32_t dispid, const std::vector<PropertyValue>& arguments) {
    if (dispid != lumbra::dispid::DrawGradiant)
        memberNotFound();
    if (!arguments.empty())
        raiseBadParamCount(QStringLiteral("Frame3D"));
    DrawGradiant();
    return {};
}

void Frame3D::putProperty(std::int32_t dispid, const PropertyValue& value) {
    namespace id = lumbra::dispid;
    switch (dispid) {
    case id::BackColor:
        return setBackColor(value.toInt32());
    case id::BevelInner:
        return setBevelInner(value.toInt32());
    case id::BevelWidth:
        return setBevelWidth(value.toInt32());
    case id::BorderType:
        return setBorderType(value.toInt32());
    case id::Border3DHighlight:
        return setBorder3DHighlight(value.toInt32());
    case id::Border3DShadow:
        return setBorder3DShadow(value.toInt32());
    case id::Caption:
        return setCaption(value.toText());
    case id::CaptionAlignment:
        return setCaptionAlignment(value.toInt32());
    case id::CaptionMAlignment:
        return setCaptionMAlignment(value.toInt32());
    case id::CaptionLocation:
        return setCaptionLocation(value.toInt32());
    case id::Caption3D:
        return setCaption3D(value.toInt32());
    case id::CornerRadius:
        return setCornerRadius(value.toInt32());
    case id::DrawStyle:
        return setDrawStyle(value.toInt32());
    case id::Enabled:
        return setEnabledProperty(value.toBool());
    case id::FillColor:
        return setFillColor(value.toInt32());
    case id::FillGradient:
        return setFillGradient(value.toInt32());
    case id::FillStyle:
        return setFillStyle(value.toInt32());
    case id::FloodColor:
        return setFloodColor(value.toInt32());
    case id::FloodPercent:
        return setFloodPercent(value.toInt32());
    case id::FloodShowPct:
        return setFloodShowPct(value.toBool());
    case id::FloodType:
        return setFloodType(value.toInt32());
    case id::Font:
        return setFontObject(value.toFont());
    case id::FontBold:
        return setFontBold(value.toBool());
    case id::FontItalic:
        return setFontItalic(value.toBool());
    case id::FontName:
        return setFontName(value.toText());
    case id::FontSize:
        return setFontSize(value.toInt32());
    case id::FontUnderline:
        return setFontUnderline(value.toBool());
    case id::ForeColor:
        return setForeColor(value.toInt32());
    case id::MouseIcon:
        return setMouseIcon(value.toPicture());
    case id::MousePointer:
        return setMousePointer(value.toInt32());
    case id::Picture:
        return setPicture(value.toPicture());
    case id::UseMnemonic:
        return setUseMnemonic(value.toBool());
    case id::hdc:
    case id::hWnd:
    case id::InsideHeight:
    case id::InsideLeft:
    case id::InsideTop:
    case id::InsideWidth:
        throw RuntimeError(383, QStringLiteral("Frame3D"), QStringLiteral("Property is read-only"));
    default:
        memberNotFound();
    }
}

PropertyValue Frame3D::getProperty(std::int32_t dispid) {
    namespace id = lumbra::dispid;
    switch (dispid) {
    case id::BackColor:
        return BackColor();
    case id::BevelInner:
        return BevelInner();
    case id::BevelWidth:
        return BevelWidth();
    case id::BorderType:
        return BorderType();
    case id::Border3DHighlight:
        return Border3DHighlight();
    case id::Border3DShadow:
        return Border3DShadow();
    case id::Caption:
        return Caption();
    case id::CaptionAlignment:
        return CaptionAlignment();
    case id::CaptionMAlignment:
        return CaptionMAlignment();
    case id::CaptionLocation:
        return CaptionLocation();
    case id::Caption3D:
        return Caption3D();
    case id::CornerRadius:
        return CornerRadius();
    case id::DrawStyle:
        return DrawStyle();
    case id::Enabled:
        return Enabled();
    case id::FillColor:
        return FillColor();
    case id::FillGradient:
        return FillGradient();
    case id::FillStyle:
        return FillStyle();
    case id::FloodColor:
        return FloodColor();
    case id::FloodPercent:
        return FloodPercent();
    case id::FloodShowPct:
        return FloodShowPct();
    case id::FloodType:
        return FloodType();
    case id::Font:
        return Font();
    case id::FontBold:
        return FontBold();
    case id::FontItalic:
        return FontItalic();
    case id::FontName:
        return FontName();
    case id::FontSize:
        return FontSize();
    case id::FontUnderline:
        return FontUnderline();
    case id::ForeColor:
        return ForeColor();
    case id::hdc:
        return hdc();
    case id::hWnd:
        return hWnd();
    case id::InsideHeight:
        return InsideHeight();
    case id::InsideLeft:
        return InsideLeft();
    case id::InsideTop:
        return InsideTop();
    case id::InsideWidth:
        return InsideWidth();
    case id::MouseIcon:
        return MouseIcon();
    case id::MousePointer:
        return MousePointer();
    case id::Picture:
        return Picture();
    case id::UseMnemonic:
        return UseMnemonic();
    default:
        memberNotFound();
    }
}

// ---- events -----------------------------------------------------------------------------------------

bool Frame3D::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(e);
        // Tab and Shift+Tab move the focus, as on the platform; the control never sees them.
        const bool tab = (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
                         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (!tab && surfaceInput_.dispatch(e, *this, events_))
            return true;
    } else if (surfaceInput_.dispatchMouse(e, *this, events_)) {
        return true;
    }
    return QWidget::event(e);
}

bool Frame3D::eventFilter(QObject* watched, QEvent* e) {
    // Each label raises the control's own mouse events, in the label's coordinates; the event stops
    // at the label so that the frame does not raise it a second time.
    if (watched == lblCaption_)
        return captionInput_.dispatchMouse(e, *lblCaption_, events_);
    if (watched == lblCaptionShadow_)
        return shadowInput_.dispatchMouse(e, *lblCaptionShadow_, events_);
    if (watched == lblCaptionBlank_)
        return blankInput_.dispatchMouse(e, *lblCaptionBlank_, events_);
    return QWidget::eventFilter(watched, e);
}

void Frame3D::UserControl_AmbientChanged(const QString& PropertyName) {
    Q_UNUSED(PropertyName);
}

void Frame3D::UserControl_AccessKeyPress(std::int16_t& KeyAscii) {
    Q_UNUSED(KeyAscii); // the key is not passed on
    if (events_.Click)
        events_.Click();
}

} // namespace vellumo
