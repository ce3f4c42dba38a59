#pragma once
// SystemColors: the fixed table of the classic desktop system colours, by which a colour value with
// the high bit set (&H800000nn) names system colour nn. The controls paint with these values on every
// desktop, so a status line looks the same whatever the Qt style or palette says.
//
// Colours are 0x00BBGGRR (red in the low byte). The table (index: name, R G B):
//
//    0 scroll bar        212 208 200    16 button shadow        128 128 128
//    1 desktop            58 110 165    17 grey text            128 128 128
//    2 active caption     10  36 106    18 button text            0   0   0
//    3 inactive caption  128 128 128    19 inactive caption text 212 208 200
//    4 menu              212 208 200    20 button highlight     255 255 255
//    5 window            255 255 255    21 3-D dark shadow       64  64  64
//    6 window frame        0   0   0    22 3-D light            212 208 200
//    7 menu text           0   0   0    23 tooltip text           0   0   0
//    8 window text         0   0   0    24 tooltip background   255 255 225
//    9 caption text      255 255 255    25 (alternate face)     181 181 181
//   10 active border     212 208 200    26 hot-tracking           0   0 128
//   11 inactive border   212 208 200    27 gradient active      166 202 240
//   12 application area  128 128 128    28 gradient inactive    192 192 192
//   13 highlight          10  36 106    29 menu highlight        10  36 106
//   14 highlight text    255 255 255    30 menu bar             212 208 200
//   15 button face       212 208 200
//
// An index beyond the table resolves to 0 (black), as the platform's colour lookup answers.

#include <QColor>

#include <cstdint>

namespace vellumo {

// Colour values naming system colours (internal linkage: no data symbol is shared across libraries).
namespace syscolor {
constexpr std::int32_t ButtonFace = static_cast<std::int32_t>(0x8000000Fu);
constexpr std::int32_t ButtonShadow = static_cast<std::int32_t>(0x80000010u);
constexpr std::int32_t ButtonText = static_cast<std::int32_t>(0x80000012u);
constexpr std::int32_t ButtonHighlight = static_cast<std::int32_t>(0x80000014u);
} // namespace syscolor

class SystemColors {
public:
    static constexpr int count() { return 31; }

    // The 0x00BBGGRR value of system colour index (its low byte as the platform takes it).
    static std::int32_t sysColor(int index);
    // A colour value made plain: &H800000nn becomes the table's value, any other value is kept.
    static std::int32_t resolve(std::int32_t color);
    static bool isSystemColor(std::int32_t color) { return color < 0; }
    // The plain colour of value, as Qt wants it.
    static QColor toQColor(std::int32_t color);
};

} // namespace vellumo
