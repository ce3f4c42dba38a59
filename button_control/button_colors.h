#pragma once
// ButtonColors: the working colours a TeskButtonConcept paints with, and the two channel operations
// that derive them from a face colour. Plain values, recomputed whole by the button's SetColors; every
// member is an RGB value (0x00BBGGRR), never a system-colour reference.
//
// Channels: red = c and 255, green = (c \ 256) mod 256, blue = (c \ 65536) mod 256.

#include "button_control/peltorix_export.h"

#include <cstdint>

namespace vellumo {

struct ButtonColors {
    std::int32_t face = 0;
    std::int32_t light = 0;
    std::int32_t highlight = 0;
    std::int32_t shadow = 0;
    std::int32_t darkShadow = 0;
    std::int32_t text = 0;
    std::int32_t hoverText = 0;
    std::int32_t hoverFace = 0;
    std::int32_t mask = 0;
    std::int32_t baseFace = 0;
    std::int32_t hot = 0;
    std::int32_t paleHot = 0;
};

// The channels of a colour, and the colour of three channels (each 0 to 255, or a little more while a
// shift is clamped: the value cannot overflow).
namespace channel {
constexpr std::int32_t red(std::int32_t c) {
    return c & 255;
}
constexpr std::int32_t green(std::int32_t c) {
    return (c / 256) % 256;
}
constexpr std::int32_t blue(std::int32_t c) {
    return (c / 65536) % 256;
}
constexpr std::int32_t rgb(std::int32_t r, std::int32_t g, std::int32_t b) {
    return r + g * 256 + b * 65536;
}
} // namespace channel

// Lightens (amount > 0) or darkens a colour channel by channel, clamping only in the direction of the
// amount. With softBevel the amount is halved first (truncating toward zero). proportional scales the
// blue channel alone by its own value (blue + blue * amount \ 192); red and green move by the amount.
PELTORIX_EXPORT std::int32_t ShiftColor(std::int32_t colour, std::int32_t amount, bool proportional, bool softBevel);
// Pales a colour toward white: each channel c becomes level + (255 - level) * c \ 255, at most 255.
PELTORIX_EXPORT std::int32_t TintColor(std::int32_t colour, std::int32_t level);
// The RGB value of a colour: a system-colour reference (high bit set) becomes the system colour.
PELTORIX_EXPORT std::int32_t TranslateColor(std::int32_t colour);

} // namespace vellumo
