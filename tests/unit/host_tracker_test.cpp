// The host-tracking tick on the fake desktop; the host-title refresh and the placement on
// return to Normal.
#include "FakeDesktop.h"
#include "HostTracker.h"
#include "RecordingOwnWindow.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

class TrackerTest : public ::testing::Test {
protected:
    FakeDesktop desktop;
    const WindowId host = desktop.addWindow({.title = "Report - Editor", .className = "EditWnd",
                                             .rect = {100, 100, 900, 700}});
    const WindowId own = desktop.addWindow({.title = "Report - Editor", .className = "QbaseRT5",
                                            .rect = {300, 200, 534, 260}});
    RecordingOwnWindow window{desktop, own};
    LinkState state = initialState();
    HostTracker tracker{desktop, window, state};

    LinkState initialState() {
        LinkState s;
        s.hostWindow = host;
        s.ownWindow = own;
        s.names = makeLinkNames("Report - Editor", 1, 1);
        s.recordedHostRect = desktop.desc(host).rect;
        return s;
    }
    Rect ownRect() const { return desktop.desc(own).rect; }
    Rect hostRect() const { return desktop.desc(host).rect; }
    void moveHostBy(int dx, int dy) { desktop.setRect(host, shifted(hostRect(), dx, dy)); }

    // Every action the tracker took through the seam was on the link window.
    void expectOnlyOwnWindowTouched() const {
        for (const FakeAction& a : desktop.actions()) EXPECT_EQ(a.window, own) << static_cast<int>(a.call);
    }
};

// --- Following ------------------------------------------------------------------

TEST_F(TrackerTest, AHostMovedBy40And10MovesTheLinkByExactlyThatWhateverItsOffset) {
    // The link on the host, beside it, above-left of it and overlapping its corner.
    const Rect places[] = {{300, 200, 534, 260}, {1000, 50, 1234, 110}, {-150, -40, 84, 20}, {90, 95, 324, 155}};
    for (const Rect& place : places) {
        desktop.setRect(own, place);
        state.recordedHostRect = hostRect();
        moveHostBy(40, 10);
        EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
        EXPECT_EQ(ownRect(), shifted(place, 40, 10));
        EXPECT_EQ(state.recordedHostRect, hostRect());
        EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
        EXPECT_EQ(ownRect(), shifted(place, 40, 10));
    }
    expectOnlyOwnWindowTouched();
}

TEST_F(TrackerTest, AResizeFromTheLeftEdgeLeavesTheLinkAndLaterMovesAreFollowedFromTheNewEdge) {
    const Rect before = ownRect();
    desktop.setRect(host, {60, 100, 900, 700});  // left edge dragged 40 px left
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    EXPECT_EQ(ownRect(), before);
    EXPECT_EQ(state.recordedHostRect, hostRect());

    desktop.setRect(host, {60, 50, 900, 700});  // top edge dragged up: height changes
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(ownRect(), before);

    moveHostBy(15, 5);
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 15, 5));
}

TEST_F(TrackerTest, AMoveTogetherWithAResizeIsFollowedOnlyInTheDirectionTheSizeKept) {
    const Rect before = ownRect();
    desktop.setRect(host, {130, 120, 900, 720});  // narrower, and moved down by 20 with the same height
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(ownRect(), before);
    // The width change recorded the new left; the top was not recorded, so it is made up now.
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 0, 20));
}

TEST_F(TrackerTest, ParkedAndFarOffHostsAreNotFollowedOrdinaryOnesAre) {
    const Rect one{0, 0, 1920, 1080}, two{0, 0, 3840, 1080}, three4k{0, 0, 11520, 2160}, unknown{0, 0, 0, 0};
    const struct {
        const char* name;
        Rect screen, hostAt;
        bool followed;
    } rows[] = {{"parked minimized host", one, {-32000, -32000, -31200, -31400}, false},
                {"far right of the desktop", one, {5000, 100, 5800, 700}, false},
                {"touching the right edge", one, {1920, 100, 2720, 700}, false},
                {"touching the top edge from above", one, {100, -600, 900, 0}, false},
                {"just off the left edge", one, {-810, 100, -10, 700}, false},
                {"touching the left edge", one, {-800, 100, 0, 700}, false},
                {"partly off the left edge", one, {-700, 100, 100, 700}, true},
                {"on the second monitor", two, {2500, 100, 3300, 700}, true},
                {"beyond the parking bound on a wide desktop", three4k, {9500, 100, 10300, 700}, true},
                {"unknown desktop, parked host", unknown, {-32000, -32000, -31200, -31400}, false},
                {"unknown desktop, host parked left only", unknown, {-32000, 100, -31200, 700}, false},
                {"unknown desktop, host parked up only", unknown, {100, -32000, 900, -31400}, false},
                {"unknown desktop, ordinary host", unknown, {2500, 100, 3300, 700}, true}};
    const Rect before = ownRect();
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        desktop.setRect(own, before);
        desktop.setRect(host, {100, 100, 900, 700});
        state = initialState();
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
    }
}

// --- Minimized state ---------------------------------------------------------------

TEST_F(TrackerTest, MinimizingAndRestoringTheHostIsMirroredOnTheLink) {
    desktop.setState(host, FakeWindowState::Minimized);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Minimized);
    EXPECT_TRUE(state.minimizedWithHost);
    EXPECT_EQ(state.hostState, HostState::Minimized);
    tracker.tick();
    EXPECT_EQ(window.log, (std::vector<std::string>{"minimize"}));  // once, not every tick

    desktop.setState(host, FakeWindowState::Maximized);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Normal);
    EXPECT_FALSE(state.minimizedWithHost);
    EXPECT_EQ(state.hostState, HostState::Maximized);
    expectOnlyOwnWindowTouched();
}

TEST_F(TrackerTest, ALinkTheUserMinimizedStaysMinimized) {
    window.windowState = OwnWindowState::Minimized;
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Minimized);
    // Nor does the host's own minimize and restore bring it back.
    desktop.setState(host, FakeWindowState::Minimized);
    tracker.tick();
    desktop.setState(host, FakeWindowState::Normal);
    tracker.tick();
    EXPECT_EQ(window.windowState, OwnWindowState::Minimized);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(TrackerTest, ALinkThatIsNotNormalDoesNotFollow) {
    window.windowState = OwnWindowState::Maximized;
    const Rect before = ownRect();
    moveHostBy(40, 10);
    EXPECT_EQ(tracker.tick(), TickOutcome::NotFollowing);
    EXPECT_EQ(ownRect(), before);
    // Back to Normal, it makes up the move the host made meanwhile.
    window.windowState = OwnWindowState::Normal;
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));
}

// --- Ending the link ----------------------------------------------------------------

// Auto-terminate ends the link only when the host stops matching; with it off no title ends it.
TEST_F(TrackerTest, AutoTerminateEndsTheLinkOnlyWhenTheHostStopsMatching) {
    const MatchMethod Exact = MatchMethod::Exact, Fuzzy = MatchMethod::Fuzzy, Excl = MatchMethod::FuzzyExclusion;
    const struct {
        MatchMethod method;
        std::string exclusion, newTitle;
        bool ends;
    } rows[] = {{Exact, "", "Report - Editor  ", false},  // the title rules themselves: matching_test
                {Exact, "", "Report - editor", true},
                {Fuzzy, "", "Report - editor", false},
                {Fuzzy, "", "http://example.org", false},
                {Excl, " draft ", "Report - Editor [Draft]", true}};
    for (const auto& c : rows) {
        SCOPED_TRACE(c.newTitle);
        state = initialState();
        window.unloads = 0;
        state.matchOptions.method = c.method;
        state.matchOptions.exclusionText = c.exclusion;
        desktop.rename(host, c.newTitle);
        EXPECT_EQ(tracker.tick(), c.ends ? TickOutcome::HostMismatch : TickOutcome::Unmoved);
        EXPECT_EQ(window.unloads, c.ends ? 1 : 0);
        window.unloads = 0;
        state.matchOptions.autoTerminate = false;
        tracker.tick();
        EXPECT_EQ(window.unloads, 0);
    }
}

TEST_F(TrackerTest, AClassChangeEndsTheLinkOnlyWhenTheClassMustMatch) {
    state.names = makeLinkNames("Report", 1, 1);  // after a rename the tick compares with the new title
    EXPECT_EQ(tracker.tick(), TickOutcome::HostMismatch);
    state = initialState();
    window.log.clear();
    state.matchOptions.winClass = "EditWnd";
    desktop.setClassName(host, "OtherWnd");
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    state.matchOptions.matchClass = true;
    window.windowState = OwnWindowState::Minimized;
    EXPECT_EQ(tracker.tick(), TickOutcome::HostMismatch);
    EXPECT_EQ(window.log, (std::vector<std::string>{"restore", "unload"}));
    // A host that is destroyed ends it the same way.
    window.log.clear();
    window.windowState = OwnWindowState::Minimized;
    desktop.destroy(host);
    EXPECT_EQ(tracker.tick(), TickOutcome::HostGone);
    EXPECT_EQ(window.log, (std::vector<std::string>{"restore", "unload"}));
}

// --- Kick, busy flag, failures -------------------------------------------------------

TEST_F(TrackerTest, TheKickStepMakesTheLinkTopmostAgainWithinOneTick) {
    window.onTop = AlwaysOnTop::No;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::No);  // kick timer off: nothing re-asserted

    window.kickTimer = true;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::Yes);
    EXPECT_TRUE(desktop.isTopmost(own));
    tracker.tick();
    EXPECT_EQ(window.log, (std::vector<std::string>{"topmost:yes"}));  // only when it was not

    window.onTop = AlwaysOnTop::No;
    window.windowState = OwnWindowState::Minimized;
    tracker.tick();
    EXPECT_EQ(window.onTop, AlwaysOnTop::No);  // only a Normal window is kicked
}

TEST_F(TrackerTest, TheBusyFlagKeepsATickFromRunningInsideAnother) {
    std::vector<TickOutcome> nested;
    window.onAlwaysOnTop = [&] { nested.push_back(tracker.tick()); };
    window.onUnload = [&] { nested.push_back(tracker.tick()); };
    window.onTop = AlwaysOnTop::No;
    window.kickTimer = true;
    moveHostBy(40, 10);
    const Rect before = ownRect();
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ownRect(), shifted(before, 40, 10));  // moved once, not twice

    desktop.destroy(host);
    EXPECT_EQ(tracker.tick(), TickOutcome::HostGone);
    EXPECT_EQ(nested, (std::vector<TickOutcome>{TickOutcome::Busy, TickOutcome::Busy}));
    EXPECT_EQ(window.unloads, 1);
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

// --- Host title caption, return to Normal ------------------------------------------------

TEST_F(TrackerTest, TheHostTitleRefreshPutsTheHostsTitleInTheCaption) {
    desktop.rename(host, "Report - Editor (modified)");
    tracker.refreshHostTitleCaption();
    EXPECT_EQ(window.caption, "Report - Editor (modified)");
}

TEST(ReturnToNormal, RestoresTheSizeAndPlacesTheWindowByTheRule) {
    RememberedGeometry g;
    g.normalWidth = 3510, g.normalHeight = 900;
    g.startLeft = 3000, g.startTop = 2400, g.panelLeft = 3300;
    g.offsetLeft = 1500, g.offsetTop = 900;
    g.offsetsHostLeftPx = 100, g.offsetsHostTopPx = 100;
    g.hostLeftTwips = 1500, g.hostTopTwips = 1500;
    const struct {
        const char* name;
        HostState hostState;
        double currentLeft, currentTop;
        Rect recordedHost;
        std::optional<double> left, top;
    } rows[] = {
        {"host maximized: size only", HostState::Maximized, 9000, 9000, {300, 200, 900, 700}, {}, {}},
        {"where the panel left it: the start position", HostState::Normal, 3300, 2400, {300, 200, 900, 700}, 3000, 2400},
        {"host moved since the offsets", HostState::Normal, 9000, 9000, {300, 200, 900, 700}, 4500 + 1500, 3000 + 900},
        {"host moved down only", HostState::Normal, 9000, 9000, {100, 200, 900, 700}, 1500 + 1500, 3000 + 900},
        {"host where it was: stays where restored", HostState::Normal, 9000, 9000, {100, 100, 900, 700}, {}, {}}};
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        const NormalPlacement p =
            placementOnReturnToNormal(g, c.hostState, c.currentLeft, c.currentTop, c.recordedHost, Twips{});
        EXPECT_EQ(p.width, 3510);
        EXPECT_EQ(p.height, 900);
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.top, c.top);
    }
}

}  // namespace
