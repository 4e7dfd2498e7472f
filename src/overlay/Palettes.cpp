// Palette A is a fixed table; palette B is built row by row from ten base values.
#include "Palettes.h"

#include <algorithm>

namespace kivra {

const Palette& paletteA() {
    static const Palette a = {
        0xC0C0FF, 0x8080FF, 0x0000FF, 0x0000C0, 0x000080, 0x000040,  //
        0xC0E0FF, 0x80C0FF, 0x0080FF, 0x0040C0, 0x004080, 0x404080,  //
        0xC0FFFF, 0x80FFFF, 0x00FFFF, 0x00C0C0, 0x008080, 0x004040,  //
        0xC0FFC0, 0x80FF80, 0x00FF00, 0x00C000, 0x008000, 0x004000,  //
        0xFFFFC0, 0xFFFF80, 0xFFFF00, 0xC0C000, 0x808000, 0x404000,  //
        0xFFC0C0, 0xFF8080, 0xFF0000, 0xC00000, 0x800000, 0x400000,  //
        0xFFC0FF, 0xFF80FF, 0xFF00FF, 0xC000C0, 0x800080, 0x400040,  //
        0xFFFFFF, 0xF0F0F0, 0xE0E0E0, 0xD0D0D0, 0xC0C0C0, 0xB0B0B0, 0xAFAFAF, 0xA0A0A0, 0x909090,
        0x808080, 0x707070, 0x606060, 0x5C5C5C, 0x505050, 0x4C4C4C, 0x484848, 0x404040, 0x000000};
    return a;
}

const Palette& paletteB() {
    static const Palette b = [] {
        Palette p{};
        auto bgr = [](std::uint32_t bb, std::uint32_t gg, std::uint32_t rr) { return (bb << 16) | (gg << 8) | rr; };
        for (int row = 0; row < 10; ++row) {
            const std::uint32_t v = 0x60 + 0x10 * row;
            const std::uint32_t mid = std::min<std::uint32_t>(v + 0x50, 0xF0);
            const std::uint32_t colours[6] = {bgr(v, v, 0xFF),    bgr(v, mid, 0xFF),    bgr(v, 0xFF, 0xFF),
                                              bgr(v, 0xFF, v),    bgr(0xFF, 0xFF, v),   bgr(0xFF, v, 0xFF)};
            std::copy(std::begin(colours), std::end(colours), p.begin() + 6 * row);
        }
        return p;
    }();
    return b;
}

std::uint32_t swatchColor(bool paletteIsA, int swatch) {
    if (swatch < 1 || swatch > 60) swatch = 47;
    return (paletteIsA ? paletteA() : paletteB())[swatch - 1];
}

}  // namespace kivra
