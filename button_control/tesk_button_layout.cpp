// TeskButtonConcept's working colours, window region, caption layout and picture placement.
#include "button_control/tesk_button_concept.h"

#include "platform/drawing/surface.h"
#include "platform/drawing/system_colors.h"
#include "platform/drawing/window_region.h"

namespace vellumo {

namespace {

// System colour indexes.
constexpr int kHighlight = 13;
constexpr int kBtnFace = 15;
constexpr int kBtnShadow = 16;
constexpr int kBtnText = 18;
constexpr int kBtnHighlight = 20;
constexpr int k3DDkShadow = 21;
constexpr int k3DLight = 22;

bool onlySpaces(const QString& text) {
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

std::int32_t sys(int index) {
    return SystemColors::sysColor(index);
}

std::int32_t fromQColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

// The caption is measured and drawn in the text flags of the platform's DrawText: "&" marks the
// access key, words break at the rectangle's right edge.
constexpr int kMeasureFlags = Qt::TextWordWrap | Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;

} // namespace

void TeskButtonConcept::SetColors() {
    ButtonColors& c = colors_;
    switch (m_ColorScheme) {
    case Custom:
        c.face = TranslateColor(m_BackColor);
        c.hoverFace = TranslateColor(m_BackOver);
        c.text = TranslateColor(m_ForeColor);
        c.hoverText = TranslateColor(m_ForeOver);
        c.shadow = ShiftColor(c.face, -64, false);
        c.light = ShiftColor(c.face, 31, false);
        c.highlight = ShiftColor(c.face, 47, false);
        c.darkShadow = ShiftColor(c.face, -192, false);
        c.hot = ShiftColor(c.face, -128, false);
        c.paleHot = c.face;
        break;
    case ForceStandard:
        c.face = 0xC0C0C0;
        c.hoverFace = 0xC0C0C0;
        c.text = 0;
        c.hoverText = 0;
        c.shadow = 0x808080;
        c.light = 0xDFDFDF;
        c.highlight = 0xFFFFFF;
        c.darkShadow = 0;
        c.hot = 0x800000;
        c.paleHot = 0xD1ADAD;
        break;
    case UseContainer: {
        // The container's current background and text colours (a bare button: the defaults of a
        // fresh device context, white and black).
        const QWidget* container = parentWidget();
        c.face = container ? fromQColor(container->palette().color(container->backgroundRole())) : 0xFFFFFF;
        c.hoverFace = c.face;
        c.text = container ? fromQColor(container->palette().color(container->foregroundRole())) : 0;
        c.hoverText = c.text;
        c.shadow = ShiftColor(c.face, -64, false);
        c.light = ShiftColor(c.face, 31, false);
        c.highlight = ShiftColor(c.face, 47, false);
        c.darkShadow = ShiftColor(c.face, -192, false);
        c.hot = sys(kHighlight);
        c.paleHot = TintColor(c.hot, 176);
        break;
    }
    default: // UseWindows, and every value outside the enumeration
        c.face = sys(kBtnFace);
        c.hoverFace = c.face;
        c.text = sys(kBtnText);
        c.hoverText = c.text;
        c.shadow = sys(kBtnShadow);
        c.light = sys(k3DLight);
        c.highlight = sys(kBtnHighlight);
        c.darkShadow = sys(k3DDkShadow);
        c.hot = sys(kHighlight);
        c.paleHot = TintColor(c.hot, 176);
        break;
    }
    c.mask = TranslateColor(m_MaskColor);
    c.baseFace = ShiftColor(c.face, 48, m_ButtonType == WindowsXP);
}

void TeskButtonConcept::CreateButtonRegion() {
    const int w = W_;
    const int h = H_;
    QRegion region = WindowRegion::rect(0, 0, w, h);
    auto remove = [&](std::initializer_list<QPoint> pixels) {
        for (const QPoint& p : pixels)
            region -= QRegion(p.x(), p.y(), 1, 1);
    };
    switch (m_ButtonType) {
    case Windows16:
    case KDE2:
        remove({{0, h - 1}, {w - 1, 0}, {0, 0}, {w - 1, h - 1}});
        break;
    case JavaMetal:
        remove({{0, h - 1}, {w - 1, 0}});
        break;
    case WindowsXP:
    case Mac:
        remove({{0, 0},
                {1, 0},
                {0, 1},
                {0, h - 1},
                {1, h - 1},
                {0, h - 2},
                {w - 2, 0},
                {w - 1, 0},
                {w - 1, 1},
                {w - 2, h - 1},
                {w - 1, h - 1},
                {w - 1, h - 2}});
        break;
    case OvalFlat:
        region = WindowRegion::ellipse(0, 0, w, h);
        break;
    default:
        break;
    }
    region_ = region;
}

void TeskButtonConcept::CalcLayout() {
    const int w = W_;
    const int h = H_;
    ButtonRect r;
    switch (m_PicturePosition) {
    case cbLeft:
        r = {picWidth_ + 1, 1, w - 2, h - 2};
        break;
    case cbRight:
        r = {1, 1, w - picWidth_ - 2, h - 2};
        break;
    case cbTop:
        r = {1, picHeight_ + 1, w - 2, h - 2};
        break;
    case cbBottom:
        r = {1, 1, w - 2, h - picHeight_ - 2};
        break;
    case cbBackground:
        r = {1, 1, w - 2, h - 2};
        break;
    default:
        r = pressedCaptionRect_;
        break;
    }
    // Measured with word breaks: left and top stay, right and bottom follow the wrapped text.
    const QRect measured =
        Surface::measureText(QRect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top)),
                             ansiCaption(), surface_.font, kMeasureFlags);
    r.right = r.left + measured.width();
    r.bottom = r.top + measured.height();
    captionWidth_ = r.right - r.left;
    captionHeight_ = r.bottom - r.top;
    switch (m_PicturePosition) {
    case cbRight:
        r = r.moved((w - r.right - picWidth_ - 4) / 2, (h - r.bottom) / 2);
        break;
    case cbBottom:
        r = r.moved((w - r.right) / 2, (h - r.bottom - picHeight_ - 4) / 2);
        break;
    case cbLeft:
    case cbTop:
    case cbBackground:
        r = r.moved((w - r.right) / 2, (h - r.bottom) / 2);
        break;
    default:
        break;
    }
    captionRect_ = r;
    pressedCaptionRect_ = r.moved(1, 1);
    CalcPictureRect();
}

void TeskButtonConcept::GetPictureSize() {
    // The picture's size in the surface's pixels: a picture keeps its pixel size on the one display
    // the program runs on.
    if (m_PictureNormal.isNull()) {
        picWidth_ = 0;
        picHeight_ = 0;
    } else {
        picWidth_ = m_PictureNormal.width();
        picHeight_ = m_PictureNormal.height();
    }
}

void TeskButtonConcept::CalcPictureRect() {
    if (m_PictureNormal.isNull() && m_PictureOver.isNull())
        return;
    const int w = W_;
    const int h = H_;
    if (onlySpaces(m_Caption) || m_PicturePosition == cbBackground) {
        picLeft_ = (w - picWidth_) / 2;
        picTop_ = (h - picHeight_) / 2;
        return;
    }
    switch (m_PicturePosition) {
    case cbLeft:
        picLeft_ = captionRect_.left - picWidth_ - 4;
        picTop_ = (h - picHeight_) / 2;
        break;
    case cbRight:
        picLeft_ = captionRect_.right + 4;
        picTop_ = (h - picHeight_) / 2;
        break;
    case cbTop:
        picLeft_ = (w - picWidth_) / 2;
        picTop_ = captionRect_.top - picHeight_ - 2;
        break;
    case cbBottom:
        picLeft_ = (w - picWidth_) / 2;
        picTop_ = captionRect_.bottom + 2;
        break;
    default:
        break;
    }
}

} // namespace vellumo
