#include "platform/drawing/system_colors.h"

namespace vellumo {

namespace {

constexpr std::int32_t rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

constexpr std::int32_t kTable[SystemColors::count()] = {
    rgb(212, 208, 200), rgb(58, 110, 165),  rgb(10, 36, 106),   rgb(128, 128, 128), rgb(212, 208, 200),
    rgb(255, 255, 255), rgb(0, 0, 0),       rgb(0, 0, 0),       rgb(0, 0, 0),       rgb(255, 255, 255),
    rgb(212, 208, 200), rgb(212, 208, 200), rgb(128, 128, 128), rgb(10, 36, 106),   rgb(255, 255, 255),
    rgb(212, 208, 200), rgb(128, 128, 128), rgb(128, 128, 128), rgb(0, 0, 0),       rgb(212, 208, 200),
    rgb(255, 255, 255), rgb(64, 64, 64),    rgb(212, 208, 200), rgb(0, 0, 0),       rgb(255, 255, 225),
    rgb(181, 181, 181), rgb(0, 0, 128),     rgb(166, 202, 240), rgb(192, 192, 192), rgb(10, 36, 106),
    rgb(212, 208, 200),
};

} // namespace

std::int32_t SystemColors::sysColor(int index) {
    return index >= 0 && index < count() ? kTable[index] : 0;
}

std::int32_t SystemColors::resolve(std::int32_t color) {
    if (!isSystemColor(color))
        return color;
    return sysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFFu));
}

QColor SystemColors::toQColor(std::int32_t color) {
    const auto plain = static_cast<std::uint32_t>(resolve(color));
    return QColor(static_cast<int>(plain & 0xFFu), static_cast<int>((plain >> 8) & 0xFFu),
                  static_cast<int>((plain >> 16) & 0xFFu));
}

} // namespace vellumo
