// Display metrics shared by the main form's panel and the message box: the caption
// allowance for title bars taller than 19 pixels, the frame shadow colour and the font-size class.
#pragma once

#include <cstdint>
#include <optional>

namespace kivra {

// Layouts were designed for a 19-pixel caption; these say how much to add for a taller one.
struct CaptionMetrics {
    int captionHeight = 19;     // system caption height in pixels, at least 19
    int captionAllowance = 0;   // extra height in pixels
    int widthAllowance = 0;     // extra width in pixels (controls panel)
    bool wideCaption = false;   // the large-caption rules apply (selects the large icon variants)
    bool operator==(const CaptionMetrics&) const = default;
};

// The caption allowance rule for a system caption height in pixels.
CaptionMetrics computeCaptionMetrics(int systemCaptionHeight);

// Frame shadow colour as 0xRRGGBB: the system's button-shadow colour, or 0xA0A0A0 where it reports 0.
std::uint32_t frameShadowColour(std::uint32_t systemButtonShadow);

enum class FontSizeClass { Normal, Large };

// Large when the desktop's text height is above 16 pixels; normal when it is unknown.
FontSizeClass fontSizeClassFor(std::optional<int> textHeight);

// Base sizes in pixels selected by the font-size class.
struct BaseSizes {
    int panelHeight;
    int panelWidth;
    int msgBoxHeight;
    int msgBoxWidth;
    bool operator==(const BaseSizes&) const = default;
};

BaseSizes baseSizesFor(FontSizeClass fontClass);

// The process-wide copy, recomputed by the two functions below.
struct DisplayMetrics {
    CaptionMetrics caption;
    std::uint32_t frameShadow = 0xA0A0A0;
    FontSizeClass fontClass = FontSizeClass::Normal;
    BaseSizes sizes = baseSizesFor(FontSizeClass::Normal);
};

const DisplayMetrics& displayMetrics();
void updateCaptionMetrics(int systemCaptionHeight, std::uint32_t systemButtonShadow);
void updateFontSizeClass(std::optional<int> textHeight);

}  // namespace kivra
