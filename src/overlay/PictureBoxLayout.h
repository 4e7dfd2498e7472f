// Where a picture box sits in the window's client area: docked to the top, right
// or bottom edge (spanning it) or undocked at the top-left corner, sized to its
// picture while auto size is on and keeping its own size otherwise. Pixels.
#pragma once

#include "Preferences.h"

#include <optional>

namespace kivra {

struct BoxSize {
    int width = 0, height = 0;
    bool operator==(const BoxSize&) const = default;
};

struct BoxRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const BoxRect&) const = default;
};

// `current` is the box's size now; `fitted` the size that shows the whole picture
// with the border, given only while auto size is on and a picture is held.
BoxRect placePictureBox(PicAlign align, BoxSize client, BoxSize current, std::optional<BoxSize> fitted);

}  // namespace kivra
