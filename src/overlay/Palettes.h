// The two fixed colour palettes of 60 swatches each; colours as 0x00BBGGRR.
#pragma once

#include <array>
#include <cstdint>

namespace kivra {

using Palette = std::array<std::uint32_t, 60>;  // entry n (1..60) at index n - 1

const Palette& paletteA();
const Palette& paletteB();

// The colour of swatch n (1..60) of palette A or B; swatch 47 when n is out of range.
std::uint32_t swatchColor(bool paletteIsA, int swatch);

// 0x00BBGGRR to 0xRRGGBB, the order toolkits use.
constexpr std::uint32_t bgrToRgb(std::uint32_t bgr) {
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

}  // namespace kivra
