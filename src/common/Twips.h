// Twips (1/1440 inch) to pixels and back, with the screen's logical DPI.
#pragma once

#include <cmath>

namespace kivra {

struct Twips {
    double dpiX = 96, dpiY = 96;  // logical dots per inch of the screen

    double perPixelX() const { return 1440.0 / dpiX; }
    double perPixelY() const { return 1440.0 / dpiY; }
    double fromPixelsX(double px) const { return px * perPixelX(); }
    double fromPixelsY(double px) const { return px * perPixelY(); }
    double toPixelsX(double twips) const { return twips / perPixelX(); }
    double toPixelsY(double twips) const { return twips / perPixelY(); }
    // Pixels as whole twips (the link program's host position rule).
    long wholeFromPixelsX(double px) const { return static_cast<long>(std::lround(fromPixelsX(px))); }
    long wholeFromPixelsY(double px) const { return static_cast<long>(std::lround(fromPixelsY(px))); }
};

}  // namespace kivra
