#include "platform/drawing/system_colors.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

TEST(SystemColors, HighBitValuesResolveThroughTheFixedTable) {
    EXPECT_EQ(SystemColors::resolve(syscolor::ButtonFace), 0x00C8D0D4); // 212 208 200
    EXPECT_EQ(SystemColors::resolve(syscolor::ButtonShadow), 0x00808080);
    EXPECT_EQ(SystemColors::resolve(syscolor::ButtonText), 0x00000000);
    EXPECT_EQ(SystemColors::resolve(syscolor::ButtonHighlight), 0x00FFFFFF);
    EXPECT_EQ(SystemColors::resolve(static_cast<std::int32_t>(0x80000018u)), 0x00E1FFFF); // tooltip 255 255 225
    EXPECT_EQ(SystemColors::resolve(static_cast<std::int32_t>(0x80000050u)), 0);          // beyond the table
    EXPECT_EQ(SystemColors::resolve(0x00FFC19F), 0x00FFC19F);                             // plain colours stay
}

TEST(SystemColors, RedIsTheLowByte) {
    EXPECT_EQ(SystemColors::toQColor(0x000000C0), QColor(192, 0, 0));
    EXPECT_EQ(SystemColors::toQColor(0x00FFC19F), QColor(0x9F, 0xC1, 0xFF));
    EXPECT_EQ(SystemColors::toQColor(syscolor::ButtonFace), QColor(212, 208, 200));
}

} // namespace
} // namespace vellumo
