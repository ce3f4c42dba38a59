// The thirteen looks of TeskButtonConcept, each in its up, pressed and disabled branch. Coordinates
// are pixels of the client area; rectangles are (x, y, w, h); lines leave out their end point.
// Shift is ShiftColor without, ShiftP with the proportional blue channel.
#include "button_control/tesk_button_concept.h"

#include "platform/runtime/numeric.h"

namespace vellumo {

namespace {
constexpr std::int32_t kXpFrame = 0x733C00;
constexpr std::int32_t kXpCorner = 0x7B4D10;
constexpr std::int32_t kJavaFocus = 0xCC9999;
} // namespace

// The raised Mac face, shared by the up and the disabled look (their captions differ).
void TeskButtonConcept::paintMacFace(std::uint8_t captionStyle) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    DrawRect(1, 1, W - 2, H - 2, c.light, false);
    DrawCaption(captionStyle);
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
}

void TeskButtonConcept::DrawCorners(std::int32_t colour) {
    for (const auto& [x, y] : {std::pair{1, 1}, {1, H_ - 2}, {W_ - 2, 1}, {W_ - 2, H_ - 2}})
        DrawPixel(x, y, colour);
}

void TeskButtonConcept::paintUp(int h) {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    const auto style = static_cast<std::uint8_t>(h);
    auto shift = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, false); };
    auto shiftP = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, true); };
    switch (m_ButtonType) {
    case Windows16:
        DrawCaption(style);
        DrawBevel(c.highlight, c.shadow, c.highlight, c.shadow, -1, false);
        DrawRect(0, 0, W, H, c.darkShadow, true);
        DrawFocus();
        break;
    case Windows32:
        DrawCaption(style);
        if (m_ShowFocusRect && displayAsDefault()) {
            DrawBevel(c.highlight, c.darkShadow, c.light, c.shadow, -1, false);
            DrawFocus();
            DrawRect(0, 0, W, H, c.darkShadow, true);
        } else {
            DrawBevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        }
        break;
    case WindowsXP: {
        DrawGradient(c.baseFace, 25, true);
        DrawCaption(style);
        DrawRect(0, 0, W, H, kXpFrame, true);
        DrawCorners(kXpCorner);
        const std::int32_t bf = c.baseFace;
        if (hovering_ || ((hasFocus_ || displayAsDefault()) && m_ShowFocusRect)) {
            const bool hot = hovering_;
            DrawRect(1, 2, W - 2, H - 4, hot ? 0x31B2FF : 0xE7AE8C, true);
            DrawLine(2, H - 2, W - 2, H - 2, hot ? 0x0096E7 : 0xEF826B);
            DrawLine(2, 1, W - 2, 1, hot ? 0xCEF3FF : 0xFFE7CE);
            DrawLine(1, 2, W - 1, 2, hot ? 0x8CDBFF : 0xF7D7BD);
            DrawLine(2, 3, 2, H - 3, hot ? 0x6BCBFF : 0xF0D1B5);
            DrawLine(W - 3, 3, W - 3, H - 3, hot ? 0x6BCBFF : 0xF0D1B5);
        } else {
            DrawLine(2, H - 2, W - 2, H - 2, shiftP(bf, -48));
            DrawLine(1, H - 3, W - 2, H - 3, shiftP(bf, -32));
            DrawLine(W - 2, 2, W - 2, H - 2, shiftP(bf, -36));
            DrawLine(W - 3, 3, W - 3, H - 3, shiftP(bf, -24));
            DrawLine(2, 1, W - 2, 1, shiftP(bf, 16));
            DrawLine(1, 2, W - 2, 2, shiftP(bf, 10));
            DrawLine(1, 2, 1, H - 2, shiftP(bf, -5));
            DrawLine(2, 3, 2, H - 3, shiftP(bf, -10));
        }
        break;
    }
    case Mac:
        paintMacFace(style);
        break;
    case JavaMetal:
        DrawRect(1, 1, W - 1, H - 1, shift(c.face, 12), false);
        DrawCaption(style);
        DrawRect(1, 1, W - 1, H - 1, c.highlight, true);
        DrawRect(0, 0, W - 1, H - 1, shift(c.shadow, -26), true);
        DrawPixel(1, H - 2, shift(c.shadow, 26));
        DrawPixel(W - 2, 1, shift(c.shadow, 26));
        if (hasFocus_ && m_ShowFocusRect)
            DrawRect(captionRect_.left - 2, captionRect_.top - 1, captionWidth_ + 4, captionHeight_ + 2, kJavaFocus,
                     true);
        break;
    case Netscape6: {
        const std::int32_t light = shift(c.light, 8);
        DrawCaption(style);
        DrawBevel(light, c.shadow, light, c.shadow, 0, false);
        DrawFocus();
        break;
    }
    case SimpleFlat:
        DrawCaption(style);
        DrawBevel(c.highlight, c.shadow, 0, 0, 0, true);
        DrawFocus();
        break;
    case FlatHighlight:
        DrawCaption(style);
        if (hovering_)
            DrawBevel(c.highlight, c.shadow, 0, 0, 0, true);
        DrawFocus();
        break;
    case OfficeXP:
        if (hovering_)
            DrawRect(1, 1, W, H, c.paleHot, false);
        DrawCaption(style);
        if (hovering_)
            DrawRect(0, 0, W, H, c.hot, true);
        DrawFocus();
        break;
    case Transparent:
        if (!background_.isNull())
            canvas_.bitBlt(0, 0, W, H, background_, 0, 0);
        DrawCaption(style);
        DrawFocus();
        break;
    case Hover3D:
        DrawCaption(style);
        if (hovering_)
            DrawBevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        DrawFocus();
        break;
    case OvalFlat:
        DrawEllipse(0, 0, W, H, hovering_ ? c.shadow : c.face, c.face);
        DrawCaption(style);
        break;
    case KDE2: {
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
                DrawCaption(style);
            } catch (...) {
                setFontBold(bold);
                paint_ = true;
                throw;
            }
            setFontBold(bold);
            paint_ = true;
        } else {
            DrawCaption(style);
        }
        DrawRect(0, 0, W, H, shift(c.shadow, -50), true);
        DrawRect(1, 1, W - 2, H - 2, shift(c.face, -9), true);
        DrawRect(2, 2, W - 4, 2, c.highlight, false);
        DrawRect(2, 4, 2, H - 6, c.highlight, false);
        DrawFocus();
        break;
    }
    default: // outside the enumeration (10 among them): the face alone
        break;
    }
}

void TeskButtonConcept::paintPressed() {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    auto shift = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, false); };
    auto shiftP = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, true); };
    switch (m_ButtonType) {
    case Windows16:
        DrawCaption(2);
        DrawBevel(c.shadow, c.highlight, c.shadow, c.highlight, -1, false);
        DrawRect(0, 0, W, H, c.darkShadow, true);
        DrawFocus();
        break;
    case Windows32:
        DrawCaption(2);
        if (m_ShowFocusRect && displayAsDefault()) {
            DrawRect(0, 0, W, H, c.darkShadow, true);
            DrawRect(1, 1, W - 2, H - 2, c.shadow, true);
            DrawFocus();
        } else {
            DrawBevel(c.darkShadow, c.highlight, c.shadow, c.light, 0, false);
        }
        break;
    case WindowsXP: {
        const std::int32_t d = shiftP(c.baseFace, -32);
        const float s = 25.0f / static_cast<float>(H);
        for (int y = 1; y <= H; ++y) {
            const auto amount =
                static_cast<std::int32_t>(num::roundHalfEven(static_cast<double>(s * static_cast<float>(y))));
            DrawLine(0, H - y, W, H - y, shiftP(d, -amount));
        }
        DrawCaption(2);
        DrawRect(0, 0, W, H, kXpFrame, true);
        DrawCorners(kXpCorner);
        DrawLine(2, H - 2, W - 2, H - 2, shiftP(d, 16));
        DrawLine(1, H - 3, W - 2, H - 3, shiftP(d, 10));
        DrawLine(W - 2, 2, W - 2, H - 2, shiftP(d, 5));
        DrawLine(W - 3, 3, W - 3, H - 3, c.baseFace);
        DrawLine(2, 1, W - 2, 1, shiftP(d, -32));
        DrawLine(1, 2, W - 2, 2, shiftP(d, -24));
        DrawLine(1, 2, 1, H - 2, shiftP(d, -32));
        DrawLine(2, 2, 2, H - 2, shiftP(d, -22));
        break;
    }
    case Mac: {
        const std::int32_t dark = shift(c.shadow, -16);
        DrawRect(1, 1, W - 2, H - 2, dark, false);
        colors_.baseFace = dark; // the caption's effect copies sit on the pressed face
        DrawCaption(2);
        colors_.baseFace = shift(c.face, 48);
        DrawRect(0, 0, W, H, c.darkShadow, true);
        DrawRect(1, 1, W - 2, H - 2, shift(c.shadow, -64), true);
        DrawRect(2, 2, W - 4, H - 4, shift(c.shadow, -32), true);
        DrawPixel(2, 2, shift(c.shadow, -64));
        DrawPixel(3, 3, shift(c.shadow, -32));
        DrawCorners(c.darkShadow);
        DrawLine(W - 3, 1, W - 3, H - 3, c.shadow);
        DrawLine(1, H - 3, W - 2, H - 3, c.shadow);
        DrawPixel(W - 4, H - 4, c.shadow);
        DrawLine(W - 2, 3, W - 2, H - 2, dark);
        DrawLine(3, H - 2, W - 2, H - 2, dark);
        DrawLine(W - 2, H - 3, W - 4, H - 1, shift(c.shadow, -32));
        DrawPixel(2, H - 2, shift(c.shadow, -32));
        DrawPixel(W - 2, 2, shift(c.shadow, -32));
        break;
    }
    case JavaMetal:
        DrawRect(1, 1, W - 2, H - 2, shift(c.shadow, 16), false);
        DrawRect(0, 0, W - 1, H - 1, shift(c.shadow, -26), true);
        DrawLine(W - 1, 1, W - 1, H, c.highlight);
        DrawLine(1, H - 1, W - 1, H - 1, c.highlight);
        surface_.textColor = c.hoverText; // once, with no effect and no offset
        drawText(captionRect_);
        if (hasFocus_ && m_ShowFocusRect)
            DrawRect(captionRect_.left - 2, captionRect_.top - 1, captionWidth_ + 4, captionHeight_ + 2, kJavaFocus,
                     true);
        break;
    case Netscape6: {
        const std::int32_t light = shift(c.light, 8);
        DrawCaption(2);
        DrawBevel(c.shadow, light, c.shadow, light, 0, false);
        DrawFocus();
        break;
    }
    case SimpleFlat:
    case FlatHighlight:
        DrawCaption(2);
        DrawBevel(c.shadow, c.highlight, 0, 0, 0, true);
        DrawFocus();
        break;
    case OfficeXP:
        if (hovering_)
            DrawRect(0, 0, W, H, m_ColorScheme == Custom ? shift(c.paleHot, -32) : TintColor(c.hot, 128), false);
        DrawCaption(2);
        DrawRect(0, 0, W, H, c.hot, true);
        DrawFocus();
        break;
    case Transparent:
        if (!background_.isNull())
            canvas_.bitBlt(0, 0, W, H, background_, 0, 0);
        DrawCaption(2);
        DrawFocus();
        break;
    case Hover3D:
        DrawCaption(2);
        DrawBevel(c.darkShadow, c.highlight, c.shadow, c.light, 0, false);
        DrawFocus();
        break;
    case OvalFlat:
        DrawEllipse(0, 0, W, H, c.darkShadow, shift(c.face, -32));
        DrawCaption(2);
        break;
    case KDE2:
        DrawRect(1, 1, W, H, shift(c.face, -9), false);
        DrawRect(0, 0, W, H, shift(c.shadow, -48), true);
        DrawLine(2, H - 2, W - 2, H - 2, c.highlight);
        DrawLine(W - 2, 2, W - 2, H - 1, c.highlight);
        DrawCaption(7);
        DrawFocus();
        break;
    default:
        break;
    }
}

void TeskButtonConcept::paintDisabled() {
    const ButtonColors& c = colors_;
    const int W = W_;
    const int H = H_;
    auto shift = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, false); };
    auto shiftP = [this](std::int32_t colour, std::int32_t amount) { return ShiftColor(colour, amount, true); };
    switch (m_ButtonType) {
    case Windows16:
        DrawCaption(3);
        DrawBevel(c.highlight, c.shadow, c.highlight, c.shadow, -1, false);
        DrawRect(0, 0, W, H, c.darkShadow, true);
        break;
    case Windows32:
        DrawCaption(3);
        DrawBevel(c.highlight, c.darkShadow, c.light, c.shadow, 0, false);
        break;
    case WindowsXP:
        DrawRect(0, 0, W, H, shiftP(c.baseFace, -24), false);
        DrawCaption(5);
        DrawRect(0, 0, W, H, shiftP(c.baseFace, -84), true);
        DrawCorners(shiftP(c.baseFace, -72));
        break;
    case Mac:
        paintMacFace(3);
        break;
    case JavaMetal:
        DrawCaption(4);
        DrawRect(0, 0, W, H, c.shadow, true);
        break;
    case Netscape6: {
        const std::int32_t light = shift(c.light, 8);
        DrawCaption(4);
        DrawBevel(light, c.shadow, light, c.shadow, 0, false);
        break;
    }
    case SimpleFlat:
        DrawCaption(3);
        DrawBevel(c.highlight, c.shadow, 0, 0, 0, true);
        break;
    case FlatHighlight:
    case Hover3D:
    case OvalFlat:
        DrawCaption(3);
        break;
    case OfficeXP:
        DrawCaption(4);
        break;
    case Transparent:
        if (!background_.isNull())
            canvas_.bitBlt(0, 0, W, H, background_, 0, 0);
        DrawCaption(3);
        break;
    case KDE2:
        DrawGradient(c.highlight, 58, false);
        DrawRect(0, 0, W, H, shift(c.shadow, -50), true);
        DrawRect(1, 1, W - 2, H - 2, shift(c.face, -9), true);
        DrawRect(2, 2, W - 4, 2, c.highlight, false);
        DrawRect(2, 4, 2, H - 6, c.highlight, false);
        DrawCaption(6);
        break;
    default:
        break;
    }
}

} // namespace vellumo
