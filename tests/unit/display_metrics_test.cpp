// Caption allowance, frame shadow colour and font-size class.
#include "DisplayMetrics.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

TEST(CaptionAllowance, FollowsTheCaptionHeight) {
    // {height, {captionHeight, captionAllowance, widthAllowance, wideCaption}}
    const std::pair<int, CaptionMetrics> rows[] = {
        {0, {19, 0, 0, false}},    // no metric at all counts as 19
        {12, {19, 0, 0, false}},   // below 19 treated as 19
        {19, {19, 0, 0, false}},  {20, {20, 1, 0, false}},  // small excess added as is
        {24, {24, 5, 0, false}},   // d = 5, last one below the wide rule
        {25, {25, 9, 0, true}},    // d = 6: d \ 2 + d
        {27, {27, 12, 0, true}},  {28, {28, 13, 0, true}},  // d = 9: still the middle rule
        {29, {29, 20, 12, true}},  // d = 10: doubled, width 10 \ 4 + 10
        {30, {30, 22, 13, true}}, {40, {40, 42, 26, true}}};
    for (const auto& [height, expected] : rows) EXPECT_EQ(computeCaptionMetrics(height), expected) << height;
}

TEST(FontSizeClass, TallerThanSixteenPixelsIsLarge) {
    EXPECT_EQ(fontSizeClassFor(13), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(16), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(17), FontSizeClass::Large);
    EXPECT_EQ(fontSizeClassFor(std::nullopt), FontSizeClass::Normal);  // no device context
}

TEST(DisplayMetricsState, UpdatesTheProcessWideCopy) {
    updateCaptionMetrics(30, 0);
    EXPECT_EQ(displayMetrics().caption.captionAllowance, 22);
    EXPECT_EQ(displayMetrics().frameShadow, 0xA0A0A0u);
    updateFontSizeClass(20);
    EXPECT_EQ(displayMetrics().sizes.msgBoxWidth, 375);
    updateFontSizeClass(12);
    updateCaptionMetrics(19, 0x696969);
    EXPECT_EQ(displayMetrics().sizes.msgBoxWidth, 300);
    EXPECT_EQ(displayMetrics().caption.captionAllowance, 0);
    EXPECT_EQ(displayMetrics().frameShadow, 0x696969u);
    EXPECT_EQ(frameShadowColour(0x000001), 0x000001u);  // only zero falls back to grey
}

}  // namespace
