// What the X11 backend does to real windows under openbox: raise, restore and
// activate, move to an exact frame rectangle, topmost, close request, minimize,
// and all of them on a window that is gone.
#include "DesktopTest.h"
#include "Xdotool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kivra::test {
namespace {

using WindowActions = DesktopTest;

TEST_F(WindowActions, RaiseMovesAWindowToTheTopOfTheList) {
    const WindowId a = host->open("Bottom");
    const WindowId b = host->open("Middle");
    const WindowId c = host->open("Top");
    ASSERT_EQ(ws->topLevelWindows(), (std::vector<WindowId>{c, b, a}));

    ASSERT_TRUE(ws->raise(a));
    EXPECT_TRUE(waitUntil([&] { return ws->topLevelWindows() == std::vector<WindowId>{a, c, b}; }));
    ASSERT_TRUE(ws->raise(b));
    EXPECT_TRUE(waitUntil([&] { return ws->topLevelWindows() == std::vector<WindowId>{b, a, c}; }));
    EXPECT_EQ(ws->topLevelWindows(), probe->stackingTopFirst());
}

TEST_F(WindowActions, RestoreActivatesAndForegroundFollows) {
    const WindowId a = host->open("First");
    const WindowId b = host->open("Second");
    ASSERT_TRUE(waitUntil([&] { return ws->foreground() == b; }));

    ASSERT_TRUE(ws->restore(a));
    EXPECT_TRUE(waitUntil([&] { return ws->foreground() == a; }));
    EXPECT_EQ(probe->activeWindow(), a);
    EXPECT_EQ(ws->topLevelWindows().front(), a);

    ASSERT_TRUE(xdotool::windowActivate(b));
    EXPECT_TRUE(waitUntil([&] { return ws->foreground() == b; }));
}

TEST_F(WindowActions, MinimizeAndRestoreRoundTrip) {
    const WindowId w = host->open("Round Trip", "--geometry 300x200+120+140");
    const Rect before = *ws->rect(w);

    ASSERT_TRUE(ws->minimize(w));
    ASSERT_TRUE(waitUntil([&] { return ws->isMinimized(w); }));
    EXPECT_TRUE(probe->hasState(w, "_NET_WM_STATE_HIDDEN"));
    EXPECT_TRUE(ws->isVisible(w));

    ASSERT_TRUE(ws->restore(w));
    EXPECT_TRUE(waitUntil([&] { return !ws->isMinimized(w) && ws->foreground() == w; }));
    EXPECT_EQ(ws->rect(w), before);
}

TEST_F(WindowActions, MovePlacesTheFrameExactly) {
    struct Row {
        const char* name;
        std::string options;
        Rect target;
    };
    const Row rows[] = {
        {"decorated", "--geometry 300x200+10+10", {200, 150, 600, 450}},
        {"decorated, partly off screen", "--geometry 300x200+10+10", {-50, -20, 250, 280}},
        {"undecorated", "--undecorated --geometry 300x200+10+10", {333, 222, 533, 322}},
        {"unmanaged", "--override-redirect --geometry 300x200+10+10", {40, 60, 140, 160}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.name, row.options);
        ASSERT_TRUE(ws->move(w, row.target));
        EXPECT_TRUE(waitUntil([&] { return ws->rect(w) == row.target; })) << "now at " << ws->rect(w)->left << ","
                                                                           << ws->rect(w)->top;
        EXPECT_EQ(probe->frameRect(w), row.target);
        host->close(w);
    }
}

TEST_F(WindowActions, SetTopmostSetsAndClearsAbove) {
    const WindowId w = host->open("Always On Top");
    ASSERT_TRUE(ws->setTopmost(w, true));
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(w, "_NET_WM_STATE_ABOVE"); }));
    // A window opened later stays below it.
    const WindowId later = host->open("Opened Later");
    EXPECT_EQ(ws->topLevelWindows(), (std::vector<WindowId>{w, later}));

    ASSERT_TRUE(ws->setTopmost(w, false));
    EXPECT_TRUE(waitUntil([&] { return !probe->hasState(w, "_NET_WM_STATE_ABOVE"); }));
}

TEST_F(WindowActions, SetTopmostOnAWindowNotYetShownTakesEffectWhenShown) {
    const WindowId w = host->open("Shown Later", "--unmapped");
    ASSERT_TRUE(ws->setTopmost(w, true));
    EXPECT_TRUE(probe->hasState(w, "_NET_WM_STATE_ABOVE"));
    ASSERT_TRUE(ws->setTopmost(w, false));
    EXPECT_FALSE(probe->hasState(w, "_NET_WM_STATE_ABOVE"));
    ASSERT_TRUE(ws->setTopmost(w, true));
    host->show(w);
    const WindowId later = host->open("Opened After");
    EXPECT_TRUE(probe->hasState(w, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(ws->topLevelWindows().front(), w) << "later window " << later << " went above";
}

TEST_F(WindowActions, RequestCloseClosesATestHostWindow) {
    const WindowId keep = host->open("Keep");
    const WindowId w = host->open("Close Me");
    ASSERT_TRUE(ws->requestClose(w));
    EXPECT_TRUE(waitUntil([&] { return !ws->exists(w); }));
    EXPECT_EQ(host->closedOnRequest(), std::vector<WindowId>{w});
    EXPECT_TRUE(ws->exists(keep));
}

TEST_F(WindowActions, RequestCloseReachesAWindowNoWindowManagerHas) {
    const WindowId w = host->open("Unmapped", "--unmapped");
    ASSERT_TRUE(ws->requestClose(w));
    EXPECT_TRUE(waitUntil([&] { return !ws->exists(w); }));
}

TEST_F(WindowActions, EveryActionOnAGoneWindowFailsHarmlessly) {
    const WindowId w = host->open("Soon Gone");
    host->destroy(w);
    const std::pair<const char*, std::function<bool()>> actions[] = {
        {"restore", [&] { return ws->restore(w); }},
        {"raise", [&] { return ws->raise(w); }},
        {"move", [&] { return ws->move(w, Rect{0, 0, 100, 100}); }},
        {"setTopmost", [&] { return ws->setTopmost(w, true); }},
        {"minimize", [&] { return ws->minimize(w); }},
        {"requestClose", [&] { return ws->requestClose(w); }},
    };
    for (const auto& [name, action] : actions) EXPECT_FALSE(action()) << name;
    EXPECT_FALSE(ws->exists(w));
    // Nothing of that broke the connection.
    const WindowId other = host->open("Still Fine");
    EXPECT_EQ(ws->title(other), "Still Fine");
}

}  // namespace
}  // namespace kivra::test
