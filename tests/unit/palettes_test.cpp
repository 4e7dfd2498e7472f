// Palette B's row rule and the swatch lookup (palette A is a plain table).
#include "Palettes.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(Palettes, PaletteBRowRule) {
    const std::uint32_t row1[6] = {0x6060FF, 0x60B0FF, 0x60FFFF, 0x60FF60, 0xFFFF60, 0xFF60FF};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(paletteB()[i], row1[i]) << i;
    EXPECT_EQ(paletteB()[6 * 9 + 1], 0xF0F0FFu);  // v + 0x50 capped at F0
    EXPECT_EQ(paletteB()[6 * 4 + 1], 0xA0F0FFu);  // row 5: A0 + 50 = F0 exactly
}

// Swatches count from 1; out of range falls back to the default background, swatch 47.
TEST(Palettes, SwatchColorFallsBackForOutOfRange) {
    EXPECT_EQ(swatchColor(true, 47), 0xC0C0C0u);
    EXPECT_EQ(swatchColor(false, 1), 0x6060FFu);
    EXPECT_EQ(swatchColor(false, 60), 0xFFF0FFu);
    EXPECT_EQ(swatchColor(true, 0), 0xC0C0C0u);
    EXPECT_EQ(swatchColor(true, 61), 0xC0C0C0u);
    EXPECT_EQ(bgrToRgb(0x0000FF), 0xFF0000u);  // BGR red is RGB red
}
