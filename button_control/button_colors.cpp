#include "button_control/button_colors.h"

#include "platform/drawing/system_colors.h"

namespace vellumo {

namespace {

using channel::blue;
using channel::green;
using channel::red;
using channel::rgb;

} // namespace

std::int32_t ShiftColor(std::int32_t colour, std::int32_t amount, bool proportional, bool softBevel) {
    // A colour with the high bit set would give negative channels under truncating division; the
    // button only ever shifts translated RGB values, so the channels are taken from the low 24 bits.
    colour &= 0x00FFFFFF;
    if (softBevel)
        amount /= 2;
    // The amounts the button uses are small; a caller's huge amount must not overflow the products.
    if (amount > 100000)
        amount = 100000;
    if (amount < -100000)
        amount = -100000;
    std::int32_t b = blue(colour);
    b = proportional ? b + (b * amount) / 192 : b + amount;
    std::int32_t g = green(colour) + amount;
    std::int32_t r = red(colour) + amount;
    if (amount > 0) {
        r = r > 255 ? 255 : r;
        g = g > 255 ? 255 : g;
        b = b > 255 ? 255 : b;
    } else if (amount < 0) {
        r = r < 0 ? 0 : r;
        g = g < 0 ? 0 : g;
        b = b < 0 ? 0 : b;
    }
    // Channels are at most 255 + |amount| after a shift, so the assembled value cannot overflow.
    return rgb(r, g, b);
}

std::int32_t TintColor(std::int32_t colour, std::int32_t level) {
    colour &= 0x00FFFFFF;
    if (level > 255)
        level = 255; // keeps every channel within 0..255 (a channel above 255 is clamped anyway)
    auto tint = [level](std::int32_t c) {
        const std::int32_t v = level + ((255 - level) * c) / 255;
        return v > 255 ? 255 : v;
    };
    return rgb(tint(red(colour)), tint(green(colour)), tint(blue(colour)));
}

std::int32_t TranslateColor(std::int32_t colour) {
    return SystemColors::resolve(colour);
}

} // namespace vellumo
