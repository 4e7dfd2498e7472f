// Caption allowance, frame shadow colour and font-size class.
#include "DisplayMetrics.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

struct CaptionCase {
    int systemHeight;
    CaptionMetrics expected;
};

class CaptionAllowance : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(CaptionAllowance, FollowsTheCaptionHeight) {
    const auto& c = GetParam();
    EXPECT_EQ(computeCaptionMetrics(c.systemHeight), c.expected) << "caption height " << c.systemHeight;
}

// {captionHeight, captionAllowance, widthAllowance, wideCaption}
INSTANTIATE_TEST_SUITE_P(
    Table, CaptionAllowance,
    ::testing::Values(CaptionCase{0, {19, 0, 0, false}},     // no metric at all counts as 19
                      CaptionCase{12, {19, 0, 0, false}},    // below 19 treated as 19
                      CaptionCase{19, {19, 0, 0, false}},
                      CaptionCase{20, {20, 1, 0, false}},    // small excess added as is
                      CaptionCase{24, {24, 5, 0, false}},    // d = 5, last one below the wide rule
                      CaptionCase{25, {25, 9, 0, true}},     // d = 6: d \ 2 + d
                      CaptionCase{27, {27, 12, 0, true}},    // d = 8: 4 + 8
                      CaptionCase{28, {28, 13, 0, true}},    // d = 9: 4 + 9, still the middle rule
                      CaptionCase{29, {29, 20, 12, true}},   // d = 10: doubled, width 10 \ 4 + 10
                      CaptionCase{30, {30, 22, 13, true}},   // d = 11
                      CaptionCase{40, {40, 42, 26, true}}));  // d = 21

TEST(FrameShadow, ZeroFallsBackToGrey) {
    EXPECT_EQ(frameShadowColour(0), 0xA0A0A0u);
    EXPECT_EQ(frameShadowColour(0x808080), 0x808080u);
    EXPECT_EQ(frameShadowColour(0x000001), 0x000001u);
}

TEST(FontSizeClass, TallerThanSixteenPixelsIsLarge) {
    EXPECT_EQ(fontSizeClassFor(13), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(16), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(17), FontSizeClass::Large);
    EXPECT_EQ(fontSizeClassFor(std::nullopt), FontSizeClass::Normal);  // no device context
}

TEST(FontSizeClass, SelectsTheBaseSizes) {
    EXPECT_EQ(baseSizesFor(FontSizeClass::Normal), (BaseSizes{160, 410, 100, 300}));
    EXPECT_EQ(baseSizesFor(FontSizeClass::Large), (BaseSizes{200, 512, 125, 375}));
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
}

}  // namespace
