// Display metrics: caption allowance, frame shadow colour and font-size class.
#include "DisplayMetrics.h"

namespace kivra {

namespace {
constexpr int kDesignCaptionHeight = 19;
constexpr int kLargeTextHeight = 16;  // text taller than this selects the large sizes
constexpr std::uint32_t kDefaultShadow = 0xA0A0A0;

DisplayMetrics& mutableMetrics() {
    static DisplayMetrics metrics;
    return metrics;
}
}  // namespace

CaptionMetrics computeCaptionMetrics(int systemCaptionHeight) {
    CaptionMetrics m;
    m.captionHeight = systemCaptionHeight < kDesignCaptionHeight ? kDesignCaptionHeight : systemCaptionHeight;
    const int d = m.captionHeight - kDesignCaptionHeight;
    m.captionAllowance = d;
    if (d > 9) {
        m.widthAllowance = d / 4 + d;
        m.captionAllowance = 2 * d;
    } else if (d >= 6) {
        m.captionAllowance = d / 2 + d;
    }
    m.wideCaption = d >= 6;
    return m;
}

std::uint32_t frameShadowColour(std::uint32_t systemButtonShadow) {
    return systemButtonShadow == 0 ? kDefaultShadow : systemButtonShadow;
}

FontSizeClass fontSizeClassFor(std::optional<int> textHeight) {
    return textHeight && *textHeight > kLargeTextHeight ? FontSizeClass::Large : FontSizeClass::Normal;
}

BaseSizes baseSizesFor(FontSizeClass fontClass) {
    if (fontClass == FontSizeClass::Large)
        return {200, 512, 125, 375};
    return {160, 410, 100, 300};
}

const DisplayMetrics& displayMetrics() { return mutableMetrics(); }

void updateCaptionMetrics(int systemCaptionHeight, std::uint32_t systemButtonShadow) {
    mutableMetrics().caption = computeCaptionMetrics(systemCaptionHeight);
    mutableMetrics().frameShadow = frameShadowColour(systemButtonShadow);
}

void updateFontSizeClass(std::optional<int> textHeight) {
    mutableMetrics().fontClass = fontSizeClassFor(textHeight);
    mutableMetrics().sizes = baseSizesFor(mutableMetrics().fontClass);
}

}  // namespace kivra
