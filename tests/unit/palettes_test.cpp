// The two palettes: palette A's table and palette B's row rule.
#include "Palettes.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(Palettes, PaletteBRowRule) {
    const std::uint32_t row1[6] = {0x6060FF, 0x60B0FF, 0x60FFFF, 0x60FF60, 0xFFFF60, 0xFF60FF};
    const std::uint32_t row10[6] = {0xF0F0FF, 0xF0F0FF, 0xF0FFFF, 0xF0FFF0, 0xFFFFF0, 0xFFF0FF};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(paletteB()[i], row1[i]) << i;
        EXPECT_EQ(paletteB()[54 + i], row10[i]) << i;
    }
    EXPECT_EQ(paletteB()[6 * 9 + 1], 0xF0F0FFu);  // v + 0x50 capped at F0
    EXPECT_EQ(paletteB()[6 * 4 + 1], 0xA0F0FFu);  // row 5: A0 + 50 = F0 exactly
}

// Palette A is a table; entry 47 is the default background, and out of range falls back to it.
TEST(Palettes, SwatchColorFallsBackForOutOfRange) {
    EXPECT_EQ(swatchColor(true, 47), 0xC0C0C0u);
    EXPECT_EQ(paletteA()[48], 0xAFAFAFu);  // entry 49 is AFAFAF, not A8A8A8 or B0B0B0
    EXPECT_EQ(swatchColor(false, 1), 0x6060FFu);
    EXPECT_EQ(swatchColor(true, 0), 0xC0C0C0u);
    EXPECT_EQ(swatchColor(true, 61), 0xC0C0C0u);
    EXPECT_EQ(bgrToRgb(0x0000FF), 0xFF0000u);  // BGR red is RGB red
}
