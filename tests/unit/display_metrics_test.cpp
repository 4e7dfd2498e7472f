// Display rules: the caption allowance, frame shadow colour and font-size class; the swatch
// lookup; the controls panel geometry; the operating-system class and the help rule.
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
        {12, {19, 0, 0, false}},   // below 19 treated as 19
        {24, {24, 5, 0, false}},   // d = 5, last one below the wide rule
        {25, {25, 9, 0, true}},    // d = 6: d \ 2 + d
        {28, {28, 13, 0, true}},   // d = 9: still the middle rule
        {29, {29, 20, 12, true}}};  // d = 10: doubled, width 10 \ 4 + 10
    for (const auto& [height, expected] : rows) EXPECT_EQ(computeCaptionMetrics(height), expected) << height;
}

// Taller than sixteen pixels is large; only a zero frame shadow falls back to grey.
TEST(DisplayMetricsState, FontSizeClassAndFrameShadow) {
    EXPECT_EQ(fontSizeClassFor(16), FontSizeClass::Normal);
    EXPECT_EQ(fontSizeClassFor(17), FontSizeClass::Large);
    updateCaptionMetrics(30, 0);
    EXPECT_EQ(displayMetrics().frameShadow, 0xA0A0A0u);
    EXPECT_EQ(frameShadowColour(0x000001), 0x000001u);
    EXPECT_EQ(swatchColor(true, 61), 0xC0C0C0u);  // a swatch out of range: the default background
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
        {OsVersion{4, 1}, OsClass::Other, false},       {OsVersion{6, 3}, OsClass::Major6, true},
        {OsVersion{7, 0}, OsClass::Major7, true},       {std::nullopt, OsClass::Other, false},
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
