// TeskButtonConcept's Redraw, its drawing primitives and its caption. Everything is drawn into the
// persistent surface image (canvas_), which paintEvent puts on the screen.
#include "button_control/tesk_button_concept.h"

#include "platform/runtime/numeric.h"

#include <cstdlib>
#include <optional>

namespace vellumo {

namespace {

// The caption's text flags: centred both ways, words broken, "&" marking the access key.
constexpr int kDrawFlags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

// Puts a value back when the scope ends, also when a drawing step fails on the way.
template <class T> class Restore {
public:
    Restore(T& field, T kept, std::function<void()> after = {})
        : field_(field), kept_(kept), after_(std::move(after)) {}
    ~Restore() {
        field_ = kept_;
        if (after_) {
            try {
                after_();
            } catch (...) {
                // the failure that brought us here is the one the caller hears about
            }
        }
    }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& field_;
    T kept_;
    std::function<void()> after_;
};

} // namespace

// ---- Redraw -----------------------------------------------------------------------------------------

void TeskButtonConcept::Redraw(std::uint8_t State, bool Force) {
    if (m_CheckBoxBehaviour && m_Value)
        State = 2;
    const bool changed = Force || m_Caption != lastCaption_ || State != state_;
    if (!changed || H_ == 0 || !paint_)
        return;
    state_ = State;
    lastCaption_ = m_Caption;

    if (canvas_.width() != W_ || canvas_.height() != H_)
        canvas_.resize(W_, H_, colors_.face);
    else
        canvas_.clear(colors_.face);

    // A Custom button paints with BackOver while the cursor hovers; BackColor reads its own value
    // again as soon as the paint is over.
    std::optional<Restore<std::int32_t>> swap;
    if (hovering_ && m_ColorScheme == Custom) {
        swap.emplace(m_BackColor, m_BackColor, [this] { SetColors(); });
        m_BackColor = m_BackOver;
        SetColors();
    }

    DrawRect(0, 0, W_, H_, colors_.face, false);
    int pictureState = -1;
    if (!m_Enabled) {
        paintLook(LookState::Disabled);
        pictureState = 2;
    } else if (State == 0) {
        paintLook(LookState::Up);
        pictureState = 0;
    } else if (State == 2) {
        paintLook(LookState::Pressed);
        pictureState = 1;
    }
    if (pictureState >= 0)
        DrawPicture(pictureState);
    swap.reset();
    update();
    if (onPainted)
        onPainted(State);
}

// ---- primitives -------------------------------------------------------------------------------------

void TeskButtonConcept::DrawRect(int x, int y, int w, int h, std::int32_t colour, bool frameOnly) {
    if (frameOnly)
        canvas_.frameRect(x, y, x + w, y + h, Brush::solid(colour));
    else
        canvas_.fillRect(x, y, x + w, y + h, Brush::solid(colour));
}

void TeskButtonConcept::DrawLine(int x1, int y1, int x2, int y2, std::int32_t colour) {
    canvas_.setPen(Pen{Pen::Solid, 1, colour});
    canvas_.moveTo(x1, y1);
    canvas_.lineTo(x2, y2);
}

void TeskButtonConcept::DrawPixel(int x, int y, std::int32_t colour) {
    canvas_.setPixel(x, y, colour);
}

void TeskButtonConcept::DrawEllipse(int x, int y, int w, int h, std::int32_t penColour, std::int32_t brushColour) {
    canvas_.setPen(Pen{Pen::Solid, 2, penColour});
    canvas_.setBrush(Brush::solid(brushColour));
    canvas_.ellipse(x, y, x + w, y + h);
}

void TeskButtonConcept::DrawBevel(std::int32_t tl1, std::int32_t br1, std::int32_t tl2, std::int32_t br2, int offset,
                                  bool single) {
    const int o = std::abs(offset);
    const int R = W_ - 1 + offset;
    const int B = H_ - 1 + offset;
    auto pen = [this](std::int32_t colour) { canvas_.setPen(Pen{Pen::Solid, 1, colour}); };
    pen(tl1);
    canvas_.moveTo(o, B);
    canvas_.lineTo(o, o);
    canvas_.lineTo(R, o);
    pen(br1);
    canvas_.lineTo(R, B);
    canvas_.lineTo(o - 1, B);
    canvas_.moveTo(o + 1, B - 1);
    if (single)
        return;
    pen(tl2);
    canvas_.lineTo(o + 1, o + 1);
    canvas_.lineTo(R - 1, o + 1);
    pen(br2);
    canvas_.lineTo(R - 1, B - 1);
    canvas_.lineTo(o, B - 1);
}

void TeskButtonConcept::DrawFocus() {
    if (!m_ShowFocusRect || !hasFocus_)
        return;
    surface_.textColor = colors_.text;
    canvas_.drawFocusRect(focusRect_.left, focusRect_.top, focusRect_.right, focusRect_.bottom);
}

void TeskButtonConcept::DrawGradient(std::int32_t start, int k, bool proportional) {
    // The step is a single-precision value, as the look was designed; each row's shift is rounded.
    const float s = static_cast<float>(k) / static_cast<float>(H_);
    for (int y = 1; y <= H_; ++y) {
        const float product = s * static_cast<float>(y);
        const auto shift = static_cast<std::int32_t>(num::roundHalfEven(static_cast<double>(product)));
        DrawLine(0, y, W_, y, ShiftColor(start, -shift, proportional));
    }
}

// ---- caption ----------------------------------------------------------------------------------------

void TeskButtonConcept::drawText(const ButtonRect& r) {
    const QRect rect(r.left, r.top, std::max(0, r.right - r.left), std::max(0, r.bottom - r.top));
    canvas_.drawTextInRect(rect, ansiCaption(), surface_.font, surface_.textColor, kDrawFlags);
}

void TeskButtonConcept::DrawCaptionEffect(const ButtonRect& rect) {
    if (m_SpecialEffect <= 0)
        return;
    std::int32_t base = colors_.face;
    if (m_ButtonType == WindowsXP || m_ButtonType == Mac || m_ButtonType == KDE2)
        base = colors_.baseFace;
    else if (m_ButtonType == OfficeXP && state_ == 0 && hovering_ && m_ColorScheme != Custom)
        base = colors_.paleHot;
    const bool engraved = m_SpecialEffect == cbEngraved;
    surface_.textColor = ShiftColor(base, engraved ? 40 : -40, false);
    drawText(rect.moved(1, 1));
    if (m_SpecialEffect == cbEmbossed || engraved) {
        surface_.textColor = ShiftColor(base, engraved ? -40 : 40, false);
        drawText(rect.moved(-1, -1));
    }
}

void TeskButtonConcept::DrawCaption(std::uint8_t style) {
    lastCaptionStyle_ = style;
    const ButtonColors& c = colors_;
    switch (style) {
    case 0:
        DrawCaptionEffect(captionRect_);
        surface_.textColor = c.text;
        drawText(captionRect_);
        break;
    case 1:
        DrawCaptionEffect(captionRect_);
        surface_.textColor = c.hoverText;
        drawText(captionRect_);
        break;
    case 2:
        DrawCaptionEffect(pressedCaptionRect_);
        surface_.textColor = m_ButtonType == Mac ? c.light : c.hoverText;
        drawText(pressedCaptionRect_);
        break;
    case 3:
        surface_.textColor = c.highlight;
        drawText(pressedCaptionRect_);
        surface_.textColor = c.shadow;
        drawText(captionRect_);
        break;
    case 4:
        surface_.textColor = c.shadow;
        drawText(captionRect_);
        break;
    case 5:
        surface_.textColor = ShiftColor(c.baseFace, -104, true);
        drawText(captionRect_);
        break;
    case 6:
        surface_.textColor = c.highlight;
        drawText(pressedCaptionRect_);
        surface_.textColor = c.face;
        drawText(captionRect_);
        break;
    case 7:
        surface_.textColor = ShiftColor(c.shadow, -50, false);
        drawText(pressedCaptionRect_);
        surface_.textColor = c.highlight;
        drawText(captionRect_);
        break;
    default:
        drawText(captionRect_);
        break;
    }
}

} // namespace vellumo
