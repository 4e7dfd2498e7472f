// Display rules: the caption allowance, frame shadow colour and font-size class; palette B and
// the swatch lookup; the controls panel geometry; the operating-system class and the help rule.
#include "DisplayMetrics.h"
#include "OsVersion.h"
#include "Palettes.h"
#include "PanelLayout.h"

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

// Taller than sixteen pixels is large; the process-wide copy follows every update.
TEST(DisplayMetricsState, FontSizeClassAndTheProcessWideCopy) {
    EXPECT_EQ(fontSizeClassFor(16), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(17), FontSizeClass::Large);
    EXPECT_EQ(fontSizeClassFor(std::nullopt), FontSizeClass::Normal);  // no device context
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

// Palette B's rows (palette A is a plain table); swatches count from 1 and out of range falls
// back to the default background, swatch 47.
TEST(Palettes, PaletteBRowRuleAndSwatchFallback) {
    const std::uint32_t row1[6] = {0x6060FF, 0x60B0FF, 0x60FFFF, 0x60FF60, 0xFFFF60, 0xFF60FF};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(paletteB()[i], row1[i]) << i;
    EXPECT_EQ(paletteB()[6 * 9 + 1], 0xF0F0FFu);  // v + 0x50 capped at F0
    EXPECT_EQ(paletteB()[6 * 4 + 1], 0xA0F0FFu);  // row 5: A0 + 50 = F0 exactly
    EXPECT_EQ(swatchColor(true, 47), 0xC0C0C0u);
    EXPECT_EQ(swatchColor(false, 60), 0xFFF0FFu);
    EXPECT_EQ(swatchColor(true, 0), 0xC0C0C0u);
    EXPECT_EQ(swatchColor(true, 61), 0xC0C0C0u);
    EXPECT_EQ(bgrToRgb(0x0000FF), 0xFF0000u);  // BGR red is RGB red
}

constexpr double kScreenW = 1280 * 15, kScreenH = 1024 * 15;
constexpr double kPanelW = 410 * 15, kPanelH = 160 * 15;

// Showing the controls panel grows a small window and keeps it on the screen; hiding gives
// everything back, the place only unless the window was moved while shown.
TEST(PanelLayout, ShowGrowsAndKeepsOnScreenHideGivesBack) {
    PanelLayout p;
    const TwipsRect small{3000, 4000, 300 * 15, 100 * 15};
    TwipsRect shown = p.show(small, kPanelW, kPanelH, kScreenW, kScreenH);
    EXPECT_EQ(shown, (TwipsRect{3000, 4000, kPanelW, kPanelH}));
    EXPECT_EQ(p.hide(shown), small);
    const TwipsRect big{0, 0, 8000, 5000};
    EXPECT_EQ(p.show(big, kPanelW, kPanelH, kScreenW, kScreenH), big);
    EXPECT_EQ(p.show({-600, -300, 4500, 1500}, kPanelW, kPanelH, kScreenW, kScreenH),
              (TwipsRect{0, 0, kPanelW, kPanelH}));
    const TwipsRect nearCorner{kScreenW - 1000, kScreenH - 500, 4500, 1500};
    shown = p.show(nearCorner, kPanelW, kPanelH, kScreenW, kScreenH);
    EXPECT_EQ(shown.left + shown.width, kScreenW);
    EXPECT_EQ(shown.top + shown.height, kScreenH);
    EXPECT_EQ(p.hide(shown), nearCorner);
    shown = p.show(small, kPanelW, kPanelH, kScreenW, kScreenH);
    shown.left += 600;
    EXPECT_EQ(p.hide(shown), (TwipsRect{3600, 4000, small.width, small.height}));
}

// Each version falls in exactly its class; only majors 6 and 7 leave help out; only Windows
// below major 4 is refused.
TEST(OsVersion, EachVersionFallsInExactlyItsClassWhichDecidesOnHelp) {
    const struct {
        std::optional<OsVersion> version;
        OsClass expected;
        bool noHelp;
    } rows[] = {
        {OsVersion{4, 0}, OsClass::Version40, false},   {OsVersion{4, 10}, OsClass::Version410, false},
        {OsVersion{4, 90}, OsClass::Version490, false}, {OsVersion{4, 1}, OsClass::Other, false},
        {OsVersion{5, 0}, OsClass::Major5, false},      {OsVersion{5, 1}, OsClass::Major5, false},
        {OsVersion{6, 1}, OsClass::Major6, true},       {OsVersion{6, 3}, OsClass::Major6, true},
        {OsVersion{7, 0}, OsClass::Major7, true},       {OsVersion{10, 0}, OsClass::Other, false},
        {std::nullopt, OsClass::Other, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version ? std::to_string(row.version->major) + "." + std::to_string(row.version->minor)
                                 : std::string("not Windows"));
        EXPECT_EQ(classifyOsVersion(row.version), row.expected);
        EXPECT_EQ(osClassSuppressesHelp(row.expected), row.noHelp);
        EXPECT_TRUE(osVersionSupported(row.version));
    }
    EXPECT_FALSE(osVersionSupported(OsVersion{3, 51}));
    EXPECT_TRUE(osVersionSupported(readOsVersion()));  // this platform's own answer is accepted
}

}  // namespace
