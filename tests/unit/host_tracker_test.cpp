// The host-tracking tick on the fake desktop; the host-title refresh and the placement on
// return to Normal.
#include "FakeDesktop.h"
#include "HostTracker.h"
#include "RecordingOwnWindow.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

class TrackerTest : public ::testing::Test, protected LinkOnDesktop {
protected:
    TrackerTest() : LinkOnDesktop("Report - Editor", {100, 100, 900, 700}, {300, 200, 534, 260}) {}
    HostTracker tracker{desktop, window, state};

    Rect ownRect() const { return desktop.desc(own).rect; }
    Rect hostRect() const { return desktop.desc(host).rect; }
    void moveHostBy(int dx, int dy) { desktop.setRect(host, shifted(hostRect(), dx, dy)); }
};

// --- Following ------------------------------------------------------------------

// A host move moves the link by exactly that, and only the link. A resize never drags the link,
// even when the top-left moves with it; a later move is followed from the new edge, and a move
// made together with a resize only in the direction the size kept.
TEST_F(TrackerTest, MovesAreFollowedExactlyAndResizesNot) {
    const Rect before = ownRect();
    moveHostBy(40, -10);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, -10));
    EXPECT_EQ(state.recordedHostRect, hostRect());
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    for (const FakeAction& a : desktop.actions()) EXPECT_EQ(a.window, own);

    moveHostBy(-40, 10);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    desktop.setRect(host, {60, 100, 900, 700});  // left edge dragged 40 px left
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    EXPECT_EQ(state.recordedHostRect, hostRect());
    desktop.setRect(host, {60, 50, 900, 700});  // top edge dragged up: height changes
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(ownRect(), before);
    moveHostBy(15, 5);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 15, 5));

    desktop.setRect(host, {105, 75, 900, 725});  // narrower, and moved down by 20 with the same height
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(ownRect(), shifted(before, 15, 5));
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);  // the top was not recorded: made up now
    EXPECT_EQ(ownRect(), shifted(before, 15, 25));
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
                {"touching the top edge from above", one, {100, -600, 900, 0}, false},
                {"touching the left edge", one, {-800, 100, 0, 700}, false},
                {"partly off the left edge", one, {-700, 100, 100, 700}, true},
                {"beyond the parking bound on a wide desktop", three4k, {9500, 100, 10300, 700}, true},
                {"unknown desktop, host parked left only", unknown, {-32000, 100, -31200, 700}, false},
                {"unknown desktop, host parked up only", unknown, {100, -32000, 900, -31400}, false},
                {"unknown desktop, ordinary host", unknown, {2500, 100, 3300, 700}, true}};
    const Rect before = ownRect();
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        desktop.setRect(own, before);
        state = startState();
        desktop.setScreen(c.screen);
        desktop.setRect(host, c.hostAt);
        EXPECT_EQ(tracker.tick(), c.followed ? TickOutcome::Moved : TickOutcome::OffScreen);
        if (c.followed) {
            EXPECT_EQ(ownRect(), shifted(before, c.hostAt.left - 100, c.hostAt.top - 100));
        } else {
            EXPECT_EQ(ownRect(), before);
            EXPECT_EQ(state.recordedHostRect, (Rect{100, 100, 900, 700}));  // not accepted
            // Back on the desktop, it is followed by its whole displacement.
            desktop.setRect(host, {160, 130, 960, 730});
            EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
            EXPECT_EQ(ownRect(), shifted(before, 60, 30));
        }
        desktop.setRect(host, {100, 100, 900, 700});
    }
}

// --- Minimized state ---------------------------------------------------------------

// A link the user minimized stays minimized through the host's minimize and restore, and does
// not follow; back to Normal, it makes up the move the host made meanwhile.
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
    EXPECT_TRUE(state.minimizedWithHost);
    EXPECT_EQ(state.hostState, HostState::Minimized);
    tracker.tick();
    EXPECT_EQ(window.log, (std::vector<std::string>{"minimize"}));  // once, not every tick
    desktop.setState(host, FakeWindowState::Maximized);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Normal);
    EXPECT_FALSE(state.minimizedWithHost);
    EXPECT_EQ(state.hostState, HostState::Maximized);
}

// --- Ending the link ----------------------------------------------------------------

// Only with auto-terminate on does a host that stops matching end the link (the title rules
// themselves: matching_test); the class counts only when it must match.
TEST_F(TrackerTest, TheLinkEndsWhenItsHostStopsMatchingOrIsGone) {
    state.matchOptions.autoTerminate = false;
    desktop.rename(host, "Report - editor");
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    state.matchOptions.autoTerminate = true;
    EXPECT_EQ(tracker.tick(), TickOutcome::HostMismatch);
    EXPECT_EQ(window.log, (std::vector<std::string>{"unload"}));
    state.names = makeLinkNames("Report - editor", 1, 1);  // after a rename: the new title counts
    window.log.clear();
    state.matchOptions.winClass = "HostWnd";
    desktop.setClassName(host, "OtherWnd");
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    state.matchOptions.matchClass = true;
    window.windowState = OwnWindowState::Minimized;
    EXPECT_EQ(tracker.tick(), TickOutcome::HostMismatch);
    EXPECT_EQ(window.log, (std::vector<std::string>{"restore", "unload"}));
    window.log.clear();
    window.windowState = OwnWindowState::Minimized;
    desktop.destroy(host);
    EXPECT_EQ(tracker.tick(), TickOutcome::HostGone);
    EXPECT_EQ(window.log, (std::vector<std::string>{"restore", "unload"}));
}

// --- Kick, busy flag, failures -------------------------------------------------------

// The kick step makes a Normal link topmost again within one tick; the busy flag keeps a tick
// (run here from inside the option's handler) from running inside another.
TEST_F(TrackerTest, TheKickStepMakesANormalLinkTopmostAgainAndATickNeverRunsInsideAnother) {
    window.onTop = AlwaysOnTop::No;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::No);  // kick timer off: nothing re-asserted
    window.kickTimer = true;
    window.windowState = OwnWindowState::Minimized;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::No);
    window.windowState = OwnWindowState::Normal;
    tracker.tick();
    EXPECT_TRUE(desktop.isTopmost(own));
    tracker.tick();
    EXPECT_EQ(window.log, (std::vector<std::string>{"topmost:yes"}));  // only when it was not

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
    EXPECT_EQ(state.recordedHostRect, (Rect{100, 100, 900, 700}));
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));
}

// --- Return to Normal ---------------------------------------------------------------------

TEST(ReturnToNormal, RestoresTheSizeAndPlacesTheWindowByTheRule) {
    RememberedGeometry g;
    g.normalWidth = 3510, g.normalHeight = 900;
    g.startLeft = 3000, g.startTop = 2400, g.panelLeft = 3300;
    g.offsetLeft = 1500, g.offsetTop = 900;
    g.offsetsHostLeftPx = 100, g.offsetsHostTopPx = 100;
    const struct {
        const char* name;
        HostState hostState;
        double currentLeft;
        Rect recordedHost;
        std::optional<double> left, top;
    } rows[] = {
        {"host maximized: size only", HostState::Maximized, 9000, {300, 200, 900, 700}, {}, {}},
        {"where the panel left it: the start position", HostState::Normal, 3300, {300, 200, 900, 700}, 3000, 2400},
        {"host moved down only", HostState::Normal, 9000, {100, 200, 900, 700}, 1500 + 1500, 3000 + 900},
        {"host where it was: stays where restored", HostState::Normal, 9000, {100, 100, 900, 700}, {}, {}}};
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        const NormalPlacement p = placementOnReturnToNormal(g, c.hostState, c.currentLeft, 2400, c.recordedHost, Twips{});
        EXPECT_EQ(p.width, 3510);
        EXPECT_EQ(p.height, 900);
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.top, c.top);
    }
}

}  // namespace
