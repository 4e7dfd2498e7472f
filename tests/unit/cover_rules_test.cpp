// Where covers stand: the start-up fit onto the desktop, the remembered normal frame through a
// maximize, the status lines, and the link's place on its host through maximize and restore
// (who keeps the focus on each command: link_commands_test).
#include "FakeDesktop.h"
#include "HostTracker.h"
#include "RecordingOwnWindow.h"
#include "StatusList.h"
#include "WindowPlacement.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

Rect at(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }

TEST(FitOnDesktop, MovesTheLeastDistanceThatPutsTheWindowWhollyOnIt) {
    const Rect desk = at(0, 0, 1280, 1024);
    EXPECT_EQ(fitOnDesktop(at(1302, 920, 600, 200), desk), at(680, 824, 600, 200));
    EXPECT_EQ(fitOnDesktop(at(-40, -5, 300, 100), desk), at(0, 0, 300, 100));
    EXPECT_EQ(fitOnDesktop(at(1200, 10, 300, 100), desk), at(980, 10, 300, 100));  // one axis only
    // Larger than the desktop: its top-left corner on it.
    EXPECT_EQ(fitOnDesktop(at(-100, 50, 2000, 100), desk), at(0, 50, 2000, 100));
    // Two monitors side by side, the left one at negative x: the virtual desktop counts.
    EXPECT_EQ(fitOnDesktop(at(-1500, 100, 300, 100), at(-1280, 0, 2560, 1024)), at(-1280, 100, 300, 100));
    EXPECT_EQ(fitOnDesktop(at(5000, 5000, 300, 100), at(0, 0, 0, 1024)), at(5000, 5000, 300, 100));  // unknown
}

TEST(NormalFrame, AGeometryAnnouncedBeforeTheMaximizedStateIsNotRemembered) {
    NormalFrame normal(at(650, 450, 300, 100));
    normal.seen(at(700, 450, 300, 100), FrameState::Normal);  // the user moves it
    normal.settle();
    EXPECT_EQ(normal.frame(), at(700, 450, 300, 100));
    // Maximize: the window manager sends the new geometry, then the state.
    normal.seen(at(0, 0, 1280, 1024), FrameState::Normal);
    normal.seen(at(0, 0, 1280, 1024), FrameState::MinimizedOrMaximized);
    normal.settle();
    EXPECT_EQ(normal.frame(), at(700, 450, 300, 100));
    // Restored: the normal frame counts again once it has stood.
    normal.seen(at(700, 450, 300, 100), FrameState::Normal);
    EXPECT_TRUE(normal.pending());
    normal.settle();
    EXPECT_EQ(normal.frame(), at(700, 450, 300, 100));
}

TEST(StatusLines, ALinkStillStartingShowsAsStartingAndOneThatDoesNotAnswerAsHung) {
    LinkTable table;
    table.insert(HostLink{.title = "Mail"});
    table.insert(HostLink{.title = "News"});
    table.insert(HostLink{.title = "Chat", .linkWindow = 42, .active = true});
    const StatusChecks checks{[](const std::string& title) { return title == "Mail"; },
                              [](WindowId linkWindow) { return linkWindow != 42; }};
    EXPECT_EQ(statusLines(table, checks), (std::vector<std::string>{"Hung    : Chat", "Inactive: News", "Starting: Mail"}));
    EXPECT_EQ(statusLineTitle("Hung    : Chat"), "Chat");
}

class CoverOnHost : public ::testing::Test, protected LinkOnDesktop {
protected:
    CoverOnHost() : LinkOnDesktop("Mail", at(300, 400, 500, 400), at(480, 580, 234, 60)) {}
    HostTracker tracker{desktop, window, state};

    Rect ownRect() { return desktop.rect(own).value_or(Rect{}); }
    // The window manager's steps, each followed by a tick as its notification brings one.
    void hostBecomes(const Rect& r, FakeWindowState s) {
        desktop.setState(host, s);
        desktop.setRect(host, r);
        tracker.tick();
    }
};

TEST_F(CoverOnHost, TheLinkIsBackAtItsOffsetAfterTheHostIsMaximizedAndRestored) {
    const Rect placed = ownRect();  // (180, 180) from the host's corner
    const Rect normal = at(300, 400, 500, 400), maximized = at(0, 19, 1280, 1005);
    // Window managers take these steps in either order: the geometry in parts before the
    // state, or the state before the geometry.
    for (const bool stateFirst : {false, true}) {
        if (stateFirst) hostBecomes(normal, FakeWindowState::Maximized);
        else hostBecomes(at(0, 19, 500, 400), FakeWindowState::Normal);  // the frame moved, not yet sized
        hostBecomes(maximized, FakeWindowState::Maximized);
        const Rect onHost = ownRect();
        EXPECT_TRUE(onHost.left >= 0 && onHost.top >= 19 && onHost.right <= 1280 && onHost.bottom <= 1024);
        if (stateFirst) {
            hostBecomes(maximized, FakeWindowState::Normal);
            hostBecomes(at(301, 401, 498, 398), FakeWindowState::Normal);  // the border comes back last
            tracker.tick();
        }
        hostBecomes(normal, FakeWindowState::Normal);
        tracker.tick();  // the host stands still
        EXPECT_EQ(ownRect(), placed) << (stateFirst ? "state first" : "geometry first");
    }
    // Moves are followed again.
    hostBecomes(at(340, 410, 500, 400), FakeWindowState::Normal);
    EXPECT_EQ(ownRect(), at(520, 590, 234, 60));
}

}  // namespace
