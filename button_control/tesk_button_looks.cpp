// The thirteen looks of TeskButtonConcept. Redraw fills the face, then paints the look of ButtonType in
// its state (up, pressed or disabled) as the look's row in kLooks says: its painter, the caption style
// of each state, and whether the dotted focus rectangle comes last. Six looks are a caption over bevel
// rings, drawn by one painter from their row; the others have a painter of their own.
//
// Coordinates are pixels of the client area; rectangles are (x, y, w, h); lines leave out their end
// point. Shift is ShiftColor without, ShiftP with the proportional blue channel.
#include "button_control/tesk_button_concept.h"

#include "platform/runtime/numeric.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace vellumo {

namespace {

constexpr std::int32_t kXpFrame = 0x733C00;
constexpr std::int32_t kXpCorner = 0x7B4D10;
constexpr std::int32_t kJavaFocus = 0xCC9999;
// A state whose caption the look's painter draws its own way.
constexpr std::uint8_t kOwnCaption = 0xFF;

} // namespace

// The working colours a bevel ring is drawn in; Netscape's light is the light colour moved by 8.
enum class TeskButtonConcept::Tone : std::uint8_t { None, Highlight, Light, Shadow, DarkShadow, NetscapeLight };

// A look's row. The caption of the up state is style 0, or 1 while the cursor hovers.
struct TeskButtonConcept::Look {
    // The rings of a bevel look in the up state, as DrawBevel draws them; pressed, each ring's
    // top-left and bottom-right colours are exchanged.
    struct Ring {
        Tone topLeft = Tone::None;
        Tone bottomRight = Tone::None;
    };
    // When the up state shows the rings; rings shown only while hovering are never shown disabled.
    enum Shown : std::uint8_t { Always, WhileHovering };
    // A dark shadow frame round the whole button, over the rings, in every state.
    enum Frame : std::uint8_t { NoFrame, DarkFrame };
    struct Rings {
        Ring outer;
        Ring inner; // none: a single ring
        int offset = 0;
        Shown shown = Always;
        Frame frame = NoFrame;
    };

    std::int32_t type;
    void (TeskButtonConcept::*paint)(const Look& look, LookState state, std::uint8_t caption);
    std::uint8_t pressedCaption;
    std::uint8_t disabledCaption;
    bool focus; // the focus rectangle after the look, up and pressed
    Rings rings;
};

const TeskButtonConcept::Look* TeskButtonConcept::findLook(std::int32_t type) {
    using T = TeskButtonConcept;
    using enum Tone;
    using enum Look::Shown;
    using enum Look::Frame;
    // clang-format off
    static constexpr Look kLooks[] = {
        // type         painter            caption styles  focus  rings: outer, inner, offset, shown, frame
        //                                 pressed, disabled
        {Windows16,     &T::paintBevelLook,   2, 3,   true,  {{Highlight, Shadow}, {Highlight, Shadow}, -1,
                                                              Always, DarkFrame}},
        {Windows32,     &T::paintWindows32,   2, 3,   false, {{Highlight, DarkShadow}, {Light, Shadow}}},
        {WindowsXP,     &T::paintWindowsXP,   2, 5,   false, {}},
        {Mac,           &T::paintMac,         2, 3,   false, {}},
        {JavaMetal,     &T::paintJavaMetal,   kOwnCaption, 4, false, {}},
        {Netscape6,     &T::paintBevelLook,   2, 4,   true,  {{NetscapeLight, Shadow}, {NetscapeLight, Shadow}}},
        {SimpleFlat,    &T::paintBevelLook,   2, 3,   true,  {{Highlight, Shadow}}},
        {FlatHighlight, &T::paintBevelLook,   2, 3,   true,  {{Highlight, Shadow}, {}, 0, WhileHovering}},
        {OfficeXP,      &T::paintOfficeXP,    2, 4,   true,  {}},
        {Transparent,   &T::paintTransparent, 2, 3,   true,  {}},
        {Hover3D,       &T::paintBevelLook,   2, 3,   true,  {{Highlight, DarkShadow}, {Light, Shadow}, 0,
                                                              WhileHovering}},
        {OvalFlat,      &T::paintOvalFlat,    2, 3,   false, {}},
        {KDE2,          &T::paintKDE2,        7, 6,   true,  {}},
    };
    // clang-format on
    const auto* found =
        std::find_if(std::begin(kLooks), std::end(kLooks), [&](const Look& l) { return l.type == type; });
    return found != std::end(kLooks) ? found : nullptr;
}

void TeskButtonConcept::paintLook(LookState state) {
    const Look* look = findLook(m_ButtonType);
    if (!look)
        return; // outside the enumeration (10 among them): the face alone
    const std::uint8_t caption = state == LookState::Up        ? (hovering_ ? 1 : 0)
                                 : state == LookState::Pressed ? look->pressedCaption
                                                               : look->disabledCaption;
    (this->*look->paint)(*look, state, caption);
    if (look->focus && state != LookState::Disabled)
        DrawFocus();
}

std::int32_t TeskButtonConcept::tone(Tone t) const {
    switch (t) {
    case Tone::Highlight:
        return colors_.highlight;
    case Tone::Light:
        return colors_.light;
    case Tone::Shadow:
        return colors_.shadow;
    case Tone::DarkShadow:
        return colors_.darkShadow;
    case Tone::NetscapeLight:
        return Shift(colors_.light, 8);
    case Tone::None:
        break;
    }
    return 0;
}

void TeskButtonConcept::DrawCorners(std::int32_t colour) {
    for (const auto& [x, y] : {std::pair{1, 1}, {1, H_ - 2}, {W_ - 2, 1}, {W_ - 2, H_ - 2}})
        DrawPixel(x, y, colour);
}

// ---- the bevel looks: Windows 16-bit, Windows 32-bit, Netscape 6, Simple Flat, Flat Highlight, 3D Hover

void TeskButtonConcept::paintBevelLook(const Look& look, LookState state, std::uint8_t caption) {
    const Look::Rings& r = look.rings;
    DrawCaption(caption);
    const bool pressed = state == LookState::Pressed;
    if (pressed || r.shown == Look::Always || (state == LookState::Up && hovering_)) {
        Look::Ring outer = r.outer, inner = r.inner;
        if (pressed) {
            std::swap(outer.topLeft, outer.bottomRight);
            std::swap(inner.topLeft, inner.bottomRight);
        }
        DrawBevel(tone(outer.topLeft), tone(outer.bottomRight), tone(inner.topLeft), tone(inner.bottomRight), r.offset,
                  r.inner.topLeft == Tone::None);
    }
    if (r.frame == Look::DarkFrame)
        DrawRect(0, 0, W_, H_, colors_.darkShadow, true);
}

// The default button with a focus rectangle shows its rings one pixel inwards in a dark frame, and
// pressed two frames; both with the focus rectangle. Otherwise it is a bevel look without one.
void TeskButtonConcept::paintWindows32(const Look& look, LookState state, std::uint8_t caption) {
    if (state == LookState::Disabled || !m_ShowFocusRect || !displayAsDefault())
        return paintBevelLook(look, state, caption);
    const ButtonColors& c = colors_;
    DrawCaption(caption);
    if (state == LookState::Up) {
        DrawBevel(c.highlight, c.darkShadow, c.light, c.shadow, -1, false);
        DrawFocus();
        DrawRect(0, 0, W_, H_, c.darkShadow, true);
    } else {
        DrawRect(0, 0, W_, H_, c.darkShadow, true);
        DrawRect(1, 1, W_ - 2, H_ - 2, c.shadow, true);
        DrawFocus();
    }
}

// ---- the looks with a painter of their own ----------------------------------------------------------

void TeskButtonConcept::paintWindowsXP(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    const std::int32_t bf = c.baseFace;
    if (state == LookState::Disabled) {
        DrawRect(0, 0, W, H, ShiftP(bf, -24), false);
        DrawCaption(caption);
        DrawRect(0, 0, W, H, ShiftP(bf, -84), true);
        DrawCorners(ShiftP(bf, -72));
        return;
    }
    if (state == LookState::Up) {
        DrawGradient(bf, 25, true);
        DrawCaption(caption);
        DrawRect(0, 0, W, H, kXpFrame, true);
        DrawCorners(kXpCorner);
        if (hovering_ || ((hasFocus_ || displayAsDefault()) && m_ShowFocusRect)) {
            const bool hot = hovering_; // the hover colours win over the focus colours
            DrawRect(1, 2, W - 2, H - 4, hot ? 0x31B2FF : 0xE7AE8C, true);
            DrawLine(2, H - 2, W - 2, H - 2, hot ? 0x0096E7 : 0xEF826B);
            DrawLine(2, 1, W - 2, 1, hot ? 0xCEF3FF : 0xFFE7CE);
            DrawLine(1, 2, W - 1, 2, hot ? 0x8CDBFF : 0xF7D7BD);
            DrawLine(2, 3, 2, H - 3, hot ? 0x6BCBFF : 0xF0D1B5);
            DrawLine(W - 3, 3, W - 3, H - 3, hot ? 0x6BCBFF : 0xF0D1B5);
        } else {
            DrawLine(2, H - 2, W - 2, H - 2, ShiftP(bf, -48));
            DrawLine(1, H - 3, W - 2, H - 3, ShiftP(bf, -32));
            DrawLine(W - 2, 2, W - 2, H - 2, ShiftP(bf, -36));
            DrawLine(W - 3, 3, W - 3, H - 3, ShiftP(bf, -24));
            DrawLine(2, 1, W - 2, 1, ShiftP(bf, 16));
            DrawLine(1, 2, W - 2, 2, ShiftP(bf, 10));
            DrawLine(1, 2, 1, H - 2, ShiftP(bf, -5));
            DrawLine(2, 3, 2, H - 3, ShiftP(bf, -10));
        }
        return;
    }
    // Pressed: the gradient runs upwards from a darker base face, so the top is the darkest.
    const std::int32_t d = ShiftP(bf, -32);
    const float s = 25.0f / static_cast<float>(H);
    for (int y = 1; y <= H; ++y) {
        const auto amount =
            static_cast<std::int32_t>(num::roundHalfEven(static_cast<double>(s * static_cast<float>(y))));
        DrawLine(0, H - y, W, H - y, ShiftP(d, -amount));
    }
    DrawCaption(caption);
    DrawRect(0, 0, W, H, kXpFrame, true);
    DrawCorners(kXpCorner);
    DrawLine(2, H - 2, W - 2, H - 2, ShiftP(d, 16));
    DrawLine(1, H - 3, W - 2, H - 3, ShiftP(d, 10));
    DrawLine(W - 2, 2, W - 2, H - 2, ShiftP(d, 5));
    DrawLine(W - 3, 3, W - 3, H - 3, bf);
    DrawLine(2, 1, W - 2, 1, ShiftP(d, -32));
    DrawLine(1, 2, W - 2, 2, ShiftP(d, -24));
    DrawLine(1, 2, 1, H - 2, ShiftP(d, -32));
    DrawLine(2, 2, 2, H - 2, ShiftP(d, -22));
}

// The raised Mac face is the up and the disabled look (their captions differ).
void TeskButtonConcept::paintMac(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    if (state != LookState::Pressed) {
        DrawRect(1, 1, W - 2, H - 2, c.light, false);
        DrawCaption(caption);
        DrawRect(0, 0, W, H, c.darkShadow, true);
        DrawCorners(c.darkShadow);
        DrawLine(1, 2, 2, 0, c.face);
        DrawLine(3, 2, W - 3, 2, c.highlight);
        DrawLine(2, 2, 2, H - 3, c.highlight);
        DrawPixel(3, 3, c.highlight);
        DrawLine(W - 3, 1, W - 3, H - 3, c.face);
        DrawLine(1, H - 3, W - 3, H - 3, c.face);
        DrawPixel(W - 4, H - 4, c.face);
        DrawLine(W - 2, 2, W - 2, H - 2, c.shadow);
        DrawLine(2, H - 2, W - 2, H - 2, c.shadow);
        DrawPixel(W - 3, H - 3, c.shadow);
        return;
    }
    const std::int32_t dark = Shift(c.shadow, -16);
    DrawRect(1, 1, W - 2, H - 2, dark, false);
    colors_.baseFace = dark; // the caption's effect copies sit on the pressed face
    DrawCaption(caption);
    colors_.baseFace = Shift(c.face, 48);
    DrawRect(0, 0, W, H, c.darkShadow, true);
    DrawRect(1, 1, W - 2, H - 2, Shift(c.shadow, -64), true);
    DrawRect(2, 2, W - 4, H - 4, Shift(c.shadow, -32), true);
    DrawPixel(2, 2, Shift(c.shadow, -64));
    DrawPixel(3, 3, Shift(c.shadow, -32));
    DrawCorners(c.darkShadow);
    DrawLine(W - 3, 1, W - 3, H - 3, c.shadow);
    DrawLine(1, H - 3, W - 2, H - 3, c.shadow);
    DrawPixel(W - 4, H - 4, c.shadow);
    DrawLine(W - 2, 3, W - 2, H - 2, dark);
    DrawLine(3, H - 2, W - 2, H - 2, dark);
    DrawLine(W - 2, H - 3, W - 4, H - 1, Shift(c.shadow, -32));
    DrawPixel(2, H - 2, Shift(c.shadow, -32));
    DrawPixel(W - 2, 2, Shift(c.shadow, -32));
}

// Java draws its own focus mark, a frame round the caption, up and pressed.
void TeskButtonConcept::paintJavaMetal(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    switch (state) {
    case LookState::Up:
        DrawRect(1, 1, W - 1, H - 1, Shift(c.face, 12), false);
        DrawCaption(caption);
        DrawRect(1, 1, W - 1, H - 1, c.highlight, true);
        DrawRect(0, 0, W - 1, H - 1, Shift(c.shadow, -26), true);
        DrawPixel(1, H - 2, Shift(c.shadow, 26));
        DrawPixel(W - 2, 1, Shift(c.shadow, 26));
        break;
    case LookState::Pressed:
        DrawRect(1, 1, W - 2, H - 2, Shift(c.shadow, 16), false);
        DrawRect(0, 0, W - 1, H - 1, Shift(c.shadow, -26), true);
        DrawLine(W - 1, 1, W - 1, H, c.highlight);
        DrawLine(1, H - 1, W - 1, H - 1, c.highlight);
        surface_.textColor = c.hoverText; // the caption once, with no effect and no offset
        drawText(captionRect_);
        break;
    case LookState::Disabled:
        DrawCaption(caption);
        DrawRect(0, 0, W, H, c.shadow, true);
        return;
    }
    if (hasFocus_ && m_ShowFocusRect)
        DrawRect(captionRect_.left - 2, captionRect_.top - 1, captionWidth_ + 4, captionHeight_ + 2, kJavaFocus, true);
}

void TeskButtonConcept::paintOfficeXP(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    switch (state) {
    case LookState::Up:
        if (hovering_)
            DrawRect(1, 1, W, H, c.paleHot, false);
        DrawCaption(caption);
        if (hovering_)
            DrawRect(0, 0, W, H, c.hot, true);
        break;
    case LookState::Pressed:
        if (hovering_)
            DrawRect(0, 0, W, H, m_ColorScheme == Custom ? Shift(c.paleHot, -32) : TintColor(c.hot, 128), false);
        DrawCaption(caption);
        DrawRect(0, 0, W, H, c.hot, true);
        break;
    case LookState::Disabled:
        DrawCaption(caption);
        break;
    }
}

void TeskButtonConcept::paintTransparent(const Look&, LookState, std::uint8_t caption) {
    if (!background_.isNull())
        canvas_.bitBlt(0, 0, W_, H_, background_, 0, 0);
    DrawCaption(caption);
}

void TeskButtonConcept::paintOvalFlat(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    if (state == LookState::Up)
        DrawEllipse(0, 0, W_, H_, hovering_ ? c.shadow : c.face, c.face);
    else if (state == LookState::Pressed)
        DrawEllipse(0, 0, W_, H_, c.darkShadow, Shift(c.face, -32));
    DrawCaption(caption);
}

void TeskButtonConcept::paintKDE2(const Look&, LookState state, std::uint8_t caption) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    const auto edges = [&] {
        DrawRect(0, 0, W, H, Shift(c.shadow, -50), true);
        DrawRect(1, 1, W - 2, H - 2, Shift(c.face, -9), true);
        DrawRect(2, 2, W - 4, 2, c.highlight, false);
        DrawRect(2, 4, 2, H - 6, c.highlight, false);
    };
    switch (state) {
    case LookState::Up:
        if (hovering_)
            DrawRect(0, 0, W, H, c.light, false);
        else
            DrawGradient(c.highlight, 58, false);
        if (displayAsDefault()) {
            // The default button's caption is bold for this one drawing; the font change must not
            // paint, and the font and the paint flag come back even if the caption fails.
            const bool bold = FontBold();
            paint_ = false;
            try {
                setFontBold(true);
                DrawCaption(caption);
            } catch (...) {
                setFontBold(bold);
                paint_ = true;
                throw;
            }
            setFontBold(bold);
            paint_ = true;
        } else {
            DrawCaption(caption);
        }
        edges();
        break;
    case LookState::Pressed:
        DrawRect(1, 1, W, H, Shift(c.face, -9), false);
        DrawRect(0, 0, W, H, Shift(c.shadow, -48), true);
        DrawLine(2, H - 2, W - 2, H - 2, c.highlight);
        DrawLine(W - 2, 2, W - 2, H - 1, c.highlight);
        DrawCaption(caption);
        break;
    case LookState::Disabled:
        DrawGradient(c.highlight, 58, false);
        edges();
        DrawCaption(caption);
        break;
    }
}

} // namespace vellumo
