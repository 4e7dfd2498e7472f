// The host-tracking tick on the fake desktop, through moves, resizes, maximize and minimize; the
// host-title refresh, the fit onto the desktop and the placement on return to Normal.
#include "FakeDesktop.h"
#include "HostTracker.h"
#include "RecordingOwnWindow.h"
#include "WindowPlacement.h"
#include "support/Rects.h"

#include <gtest/gtest.h>

using namespace kivra;
using kivra::test::shifted;

namespace {

class TrackerTest : public ::testing::Test, protected LinkOnDesktop {
protected:
    TrackerTest() : LinkOnDesktop("Report - Editor", {100, 100, 900, 700}, {300, 200, 534, 260}) {}
    HostTracker tracker{desktop, window, state};

    Rect ownRect() const { return desktop.desc(own).rect; }
    Rect hostRect() const { return desktop.desc(host).rect; }
    void moveHostBy(int dx, int dy) { desktop.setRect(host, shifted(hostRect(), dx, dy)); }
};

// A host move moves the link by exactly that, and only the link. A resize never drags the link,
// even when the top-left moves with it; a later move is followed from the new edge, and a move
// made together with a resize only in the direction the size kept.
TEST_F(TrackerTest, MovesAreFollowedExactlyAndResizesNot) {
    const Rect before = ownRect();
    moveHostBy(40, -10);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, -10));
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    for (const FakeAction& a : desktop.actions()) EXPECT_EQ(a.window, own);

    desktop.setRect(host, {140, 50, 940, 690});  // top edge dragged up: height changes
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    desktop.setRect(host, {145, 75, 940, 715});  // narrower, and moved down 25 at the same height
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(ownRect(), shifted(before, 40, -10));
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);  // the top was not recorded: made up now
    EXPECT_EQ(ownRect(), shifted(before, 40, 15));
    // The host-title refresh puts the host's title in the caption.
    desktop.rename(host, "Report - Editor (modified)");
    tracker.refreshHostTitleCaption();
    EXPECT_EQ(window.caption, "Report - Editor (modified)");
}

TEST_F(TrackerTest, ParkedAndFarOffHostsAreNotFollowedOrdinaryOnesAre) {
    const Rect one{0, 0, 1920, 1080}, three4k{0, 0, 11520, 2160}, unknown{0, 0, 0, 0};
    const struct {
        const char* name;
        Rect screen, hostAt;
        bool followed;
    } rows[] = {{"touching the right edge", one, {1920, 100, 2720, 700}, false},
                {"beyond the parking bound on a wide desktop", three4k, {9500, 100, 10300, 700}, true},
                {"unknown desktop, parked host", unknown, {-32000, 100, -31200, 700}, false}};
    const Rect before = ownRect();
    const LinkState start = state;
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        desktop.setRect(own, before);
        state = start;
        desktop.setScreen(c.screen);
        desktop.setRect(host, c.hostAt);
        EXPECT_EQ(tracker.tick(), c.followed ? TickOutcome::Moved : TickOutcome::OffScreen);
        if (c.followed) {
            EXPECT_EQ(ownRect(), shifted(before, c.hostAt.left - 100, c.hostAt.top - 100));
        } else {
            EXPECT_EQ(ownRect(), before);
            // Back on the desktop, it is followed by its whole displacement.
            desktop.setRect(host, {160, 130, 960, 730});
            EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
            EXPECT_EQ(ownRect(), shifted(before, 60, 30));
        }
        desktop.setRect(host, {100, 100, 900, 700});
    }
}

// A link the user minimized stays minimized through the host's minimize and restore, and does
// not follow; back to Normal, it makes up the move the host made meanwhile. One minimized with
// its host comes back with it.
TEST_F(TrackerTest, AUserMinimizedLinkStaysMinimizedButTheHostsMinimizeIsMirrored) {
    window.windowState = OwnWindowState::Minimized;
    const Rect before = ownRect();
    moveHostBy(40, 10);
    EXPECT_EQ(tracker.tick(), TickOutcome::NotFollowing);
    desktop.setState(host, FakeWindowState::Minimized);
    tracker.tick();
    desktop.setState(host, FakeWindowState::Normal);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Minimized);
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(ownRect(), before);
    window.windowState = OwnWindowState::Normal;
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));

    desktop.setState(host, FakeWindowState::Minimized);
    tracker.tick();
    tracker.tick();
    EXPECT_EQ(window.log, (std::vector<std::string>{"minimize"}));  // once, not every tick
    desktop.setState(host, FakeWindowState::Maximized);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Normal);
    EXPECT_EQ(state.hostState, HostState::Maximized);
}

// The link is back at its offset after the host is maximized and restored. Window managers take
// the steps in either order: the geometry in parts before the state, or the state first.
TEST_F(TrackerTest, TheLinkIsBackAtItsOffsetAfterTheHostIsMaximizedAndRestored) {
    const Rect placed = ownRect(), normal = hostRect(), maximized{0, 19, 1280, 1024};
    const auto hostBecomes = [&](const Rect& r, FakeWindowState s) {  // a tick follows each step
        desktop.setState(host, s);
        desktop.setRect(host, r);
        tracker.tick();
    };
    for (const bool stateFirst : {false, true}) {
        if (stateFirst) hostBecomes(normal, FakeWindowState::Maximized);
        else hostBecomes({0, 19, 800, 619}, FakeWindowState::Normal);  // moved, not yet sized
        hostBecomes(maximized, FakeWindowState::Maximized);
        const Rect onHost = ownRect();
        EXPECT_TRUE(onHost.left >= 0 && onHost.top >= 19 && onHost.right <= 1280 && onHost.bottom <= 1024);
        if (stateFirst) {
            hostBecomes(maximized, FakeWindowState::Normal);
            hostBecomes({101, 101, 899, 699}, FakeWindowState::Normal);  // the border comes last
            tracker.tick();
        }
        hostBecomes(normal, FakeWindowState::Normal);
        tracker.tick();  // the host stands still
        EXPECT_EQ(ownRect(), placed) << (stateFirst ? "state first" : "geometry first");
    }
    moveHostBy(40, 10);  // followed again
    tracker.tick();
    EXPECT_EQ(ownRect(), shifted(placed, 40, 10));
}

// Only with auto-terminate on does a host that stops matching end the link, a minimized one
// restored first (the title and class rules themselves: matching_test; a host that closes: x11
// flows_test).
TEST_F(TrackerTest, TheLinkEndsWhenItsHostStopsMatching) {
    state.matchOptions.autoTerminate = false;
    desktop.rename(host, "Report - editor");
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    state.matchOptions.autoTerminate = true;
    window.windowState = OwnWindowState::Minimized;
    EXPECT_EQ(tracker.tick(), TickOutcome::HostMismatch);
    EXPECT_EQ(window.log, (std::vector<std::string>{"restore", "unload"}));
}

// The kick step makes a Normal link topmost again within one tick; the busy flag keeps a tick
// (run here from inside the option's handler) from running inside another.
TEST_F(TrackerTest, TheKickStepMakesANormalLinkTopmostAgainAndATickNeverRunsInsideAnother) {
    window.onTop = AlwaysOnTop::No;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::No);  // kick timer off: nothing re-asserted
    window.kickTimer = true;
    tracker.tick();
    EXPECT_TRUE(desktop.isTopmost(own));

    std::vector<TickOutcome> nested;
    window.onAlwaysOnTop = [&] { nested.push_back(tracker.tick()); };
    window.onTop = AlwaysOnTop::No;
    moveHostBy(40, 10);
    const Rect before = ownRect();
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));  // moved once, not twice
    EXPECT_EQ(nested, (std::vector<TickOutcome>{TickOutcome::Busy}));
    EXPECT_FALSE(tracker.busy());
}

// A failed step ends only that tick; an unreadable link window leaves the move for a later tick.
TEST_F(TrackerTest, AFailedStepEndsOnlyThatTick) {
    desktop.onCall(SeamCall::Describe, [](WindowId) { throw std::runtime_error("connection lost"); });
    EXPECT_EQ(tracker.tick(), TickOutcome::Failed);
    EXPECT_FALSE(tracker.busy());
    const Rect before = ownRect();
    moveHostBy(40, 10);
    desktop.onCall(SeamCall::Rect, [&](WindowId) { throw std::runtime_error("timeout"); });
    EXPECT_EQ(tracker.tick(), TickOutcome::Failed);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));
}

Rect at(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }

TEST(FitOnDesktop, MovesTheLeastDistanceThatPutsTheWindowWhollyOnIt) {
    const Rect desk = at(0, 0, 1280, 1024);
    EXPECT_EQ(fitOnDesktop(at(1200, 10, 300, 100), desk), at(980, 10, 300, 100));  // one axis only
    // Larger than the desktop: its top-left corner on it.
    EXPECT_EQ(fitOnDesktop(at(-100, 50, 2000, 100), desk), at(0, 50, 2000, 100));
    // Two monitors side by side, the left one at negative x: the virtual desktop counts.
    EXPECT_EQ(fitOnDesktop(at(-1500, 100, 300, 100), at(-1280, 0, 2560, 1024)), at(-1280, 100, 300, 100));
    EXPECT_EQ(fitOnDesktop(at(5000, 5000, 300, 100), at(0, 0, 0, 1024)), at(5000, 5000, 300, 100));  // unknown
}

// The remembered size; with the host Normal, the start position while the window is where the
// panel left it, else the offsets from the host when the host has moved.
TEST(ReturnToNormal, RestoresTheSizeAndPlacesTheWindowByTheRule) {
    RememberedGeometry g;
    g.normalWidth = 3510, g.normalHeight = 900;
    g.startLeft = 3000, g.startTop = 2400, g.panelLeft = 3300;
    g.offsetLeft = 1500, g.offsetTop = 900;
    g.offsetsHostLeftPx = 100, g.offsetsHostTopPx = 100;
    const Rect host{100, 200, 900, 700};  // moved down since the offsets were taken
    using H = HostState;
    const NormalPlacement size = placementOnReturnToNormal(g, H::Maximized, 9000, 2400, host, {});
    EXPECT_EQ(size.width, 3510);
    EXPECT_EQ(size.height, 900);
    EXPECT_FALSE(size.left || size.top);
    const NormalPlacement start = placementOnReturnToNormal(g, H::Normal, 3300, 2400, host, {});
    EXPECT_EQ(start.left, 3000);
    EXPECT_EQ(start.top, 2400);
    const NormalPlacement moved = placementOnReturnToNormal(g, H::Normal, 9000, 2400, host, {});
    EXPECT_EQ(moved.left, 1500 + 1500);
    EXPECT_EQ(moved.top, 3000 + 900);
}

}  // namespace
