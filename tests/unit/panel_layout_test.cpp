// Controls panel geometry: growing, keeping on screen, and giving back on hide.
#include "PanelLayout.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {
constexpr double kScreenW = 1280 * 15, kScreenH = 1024 * 15;
constexpr double kPanelW = 410 * 15, kPanelH = 160 * 15;
}  // namespace

TEST(PanelLayout, ShowGrowsTheWindowAndHideGivesEverythingBack) {
    PanelLayout p;
    const TwipsRect small{3000, 4000, 300 * 15, 100 * 15};
    const TwipsRect shown = p.show(small, kPanelW, kPanelH, kScreenW, kScreenH);
    EXPECT_EQ(shown, (TwipsRect{3000, 4000, kPanelW, kPanelH}));
    EXPECT_EQ(p.hide(shown), small);
    // A large window keeps its size.
    const TwipsRect big{0, 0, 8000, 5000};
    EXPECT_EQ(p.show(big, kPanelW, kPanelH, kScreenW, kScreenH), big);
}

// A window partly off the screen is brought back, and given back where it was unless it was
// moved while shown.
TEST(PanelLayout, AWindowPartlyOffTheScreenIsBroughtBack) {
    PanelLayout p;
    EXPECT_EQ(p.show({-600, -300, 4500, 1500}, kPanelW, kPanelH, kScreenW, kScreenH),
              (TwipsRect{0, 0, kPanelW, kPanelH}));
    const TwipsRect nearCorner{kScreenW - 1000, kScreenH - 500, 4500, 1500};
    TwipsRect shown = p.show(nearCorner, kPanelW, kPanelH, kScreenW, kScreenH);
    EXPECT_EQ(shown.left + shown.width, kScreenW);
    EXPECT_EQ(shown.top + shown.height, kScreenH);
    EXPECT_EQ(p.hide(shown), nearCorner);
    const TwipsRect small{3000, 4000, 4500, 1500};
    shown = p.show(small, kPanelW, kPanelH, kScreenW, kScreenH);
    shown.left += 600;
    EXPECT_EQ(p.hide(shown), (TwipsRect{3600, 4000, 4500, 1500}));
}
