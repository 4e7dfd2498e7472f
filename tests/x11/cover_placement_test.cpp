// Covers that stay put and out of the way, on a real window manager: a link never takes
// its host's focus, keeps its place through the host's maximize and restore, the main
// window starts wholly on screen and runs a stored kick timer from the start, and Pick
// selects a clicked window.
#include "LinkChannel.h"
#include "MainFormDesktop.h"
#include "RectPrinter.h"
#include "ChildProcess.h"
#include "CreateLinksPage.h"
#include "Xdotool.h"

#include <QListWidget>
#include <QPushButton>

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

bool inside(const Rect& r, const Rect& in) {
    return r.left >= in.left && r.top >= in.top && r.right <= in.right && r.bottom <= in.bottom;
}

class CoverPlacementTest : public DesktopTest {
protected:
    void TearDown() override {
        for (auto& p : processes) p->stop();
        processes.clear();
        receiver.reset();
        DesktopTest::TearDown();
    }

    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }
    // kivra without its welcome box; returns its window once framed at its first size.
    WindowId startMain(std::vector<std::string> env = {}) {
        write(kMain, "MainOptions", "StartupMsg", "0");
        env.push_back("KIVRA_SETTINGS=" + settings.path());
        processes.push_back(std::make_unique<ChildProcess>(std::vector{programPath("kivra")}, env));
        const WindowId w = waitForWindow(processes.back()->pid());
        EXPECT_TRUE(waitUntil([&] { return frame(w).width() > 1; }));
        return w;
    }
    bool maximize(WindowId w, bool on) {
        probe->requestState(w, on, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
        return waitUntil([&] { return ws->isMaximized(w) == on; });
    }

    // kivlink on `hostWindow`, reporting to a stand-in main window; returns the link
    // window once the link has begun tracking.
    WindowId startLink(WindowId hostWindow, const std::string& title) {
        if (!main) main = host->open("Kivra [Main]", "--geometry 100x50+1100+900");
        std::string error;
        std::optional<LinkReadyReport> ready;
        receiver = ChannelReceiver::listen(
            main,
            [&](const ChannelMessage& m) {
                if (m.kind == ChannelKind::LinkReady) ready = parseLinkReady(m.payload);
                return std::string(kLinkRecorded);
            },
            &error);
        EXPECT_TRUE(receiver) << error;
        if (!receiver) return 0;
        const std::string line = std::to_string(hostWindow) + "\t1\t1\t" + std::to_string(main) + "\t" +
                                 std::to_string(title.size()) + "\t" + title;
        processes.push_back(startProgram("kivlink", {line}, settings));
        EXPECT_TRUE(waitUntil(
            [&] {
                receiver->dispatch();
                return ready.has_value();
            },
            10s));
        return ready ? ready->linkWindow : 0;
    }
    bool isIconic(WindowId w) {
        const auto state = probe->values32(w, "WM_STATE");
        return !state.empty() && state[0] == 3;
    }

    std::vector<std::unique_ptr<ChildProcess>> processes;
    std::unique_ptr<ChannelReceiver> receiver;
    WindowId main = 0;  // stands in for kivra's main window: the link reports to it
};

TEST_F(CoverPlacementTest, TheHostKeepsTheFocusAndTheLinkItsPlaceThroughItsStartAndAMinimizeAndRestore) {
    main = host->open("Kivra [Main]", "--geometry 100x50+1100+900");
    const WindowId h = host->open("Mail - Inbox", "--geometry 400x300+200+150");
    ASSERT_TRUE(waitUntil([&] {
        xdotool::windowActivate(h);
        return probe->activeWindow() == h;
    }));
    // A stored 4500 x 1500 twips is a 300 x 100 frame, however late the window manager frames it.
    write(instanceName("Mail - Inbox"), "FormPosSize", "Width", "4500");
    write(instanceName("Mail - Inbox"), "FormPosSize", "Height", "1500");
    const WindowId link = startLink(h, "Mail - Inbox");
    ASSERT_NE(link, 0u);
    EXPECT_EQ(probe->activeWindow(), h) << "the link window took the focus as it started";
    const auto designed = [&] { return frame(link).width() == 300 && frame(link).height() == 100; };
    EXPECT_TRUE(waitUntil(designed)) << "the link started at " << ::testing::PrintToString(frame(link));
    const Rect before = frame(link);

    ASSERT_TRUE(xdotool::windowMinimize(h));
    ASSERT_TRUE(waitUntil([&] { return isIconic(link); })) << "the link did not minimize with its host";
    ASSERT_TRUE(xdotool::windowActivate(h));  // as `wmctrl -ia` does: restore and activate
    ASSERT_TRUE(waitUntil([&] { return !isIconic(link) && !isIconic(h); }));
    // openbox clears the active window while it maps the restored windows, then sets it.
    ASSERT_TRUE(waitUntil([&] { return probe->activeWindow() != 0; }));
    EXPECT_EQ(probe->activeWindow(), h) << "the link window took the focus as it came back";
    EXPECT_TRUE(waitUntil([&] { return frame(link) == before; }))
        << "the link came back at " << ::testing::PrintToString(frame(link));
}

TEST_F(CoverPlacementTest, TheLinkIsBackAtItsOffsetAfterTheHostIsMaximizedAndRestored) {
    const WindowId h = host->open("Mail - Inbox", "--geometry 400x300+200+150");
    const WindowId link = startLink(h, "Mail - Inbox");
    ASSERT_NE(link, 0u);
    const Rect hostNormal = frame(h);
    // The user drags the link to (180, 180) from the host's corner.
    const Rect started = frame(link);
    ASSERT_TRUE(xdotool::windowMove(link, hostNormal.left + 180, hostNormal.top + 180));
    ASSERT_TRUE(waitUntil([&] { return frame(link) != started; }));
    const Rect placed = frame(link);
    for (int cycle = 1; cycle <= 2; ++cycle) {
        ASSERT_TRUE(maximize(h, true));
        ASSERT_TRUE(waitUntil([&] { return frame(h).width() > hostNormal.width(); }));
        EXPECT_TRUE(waitUntil([&] { return inside(frame(link), frame(h)); }))
            << "cycle " << cycle << ": the link is off its maximized host";
        ASSERT_TRUE(maximize(h, false));
        ASSERT_TRUE(waitUntil([&] { return frame(h) == hostNormal; }));
        EXPECT_TRUE(waitUntil([&] { return frame(link) == placed; }))
            << "cycle " << cycle << ": the link is at " << ::testing::PrintToString(frame(link)) << " instead of "
            << ::testing::PrintToString(placed);
    }
}

TEST_F(CoverPlacementTest, StoredPositionsOffScreenStartWhollyOnScreen) {
    const Rect root = probe->rootRect();
    // Partly off the right edge.
    write(kMain, "FormPosSize", "Left", std::to_string((root.right - 200) * kTwips));
    write(kMain, "FormPosSize", "Top", std::to_string(450 * kTwips));
    const WindowId w = startMain();
    EXPECT_TRUE(waitUntil([&] { return inside(frame(w), root) && frame(w).width() == 300; }))
        << ::testing::PrintToString(frame(w));
    processes.back()->stop();
    ASSERT_TRUE(waitUntil([&] { return !probe->exists(w); }));

    // On screen at one scale, off it at twice that scale.
    write(kMain, "FormPosSize", "Left", std::to_string(650 * kTwips));
    const WindowId scaled = startMain({"QT_SCALE_FACTOR=2"});
    EXPECT_TRUE(waitUntil([&] { return inside(frame(scaled), root) && frame(scaled).width() > 500; }))
        << ::testing::PrintToString(frame(scaled));
}

TEST_F(CoverPlacementTest, AStoredKickTimerBringsTheWindowBackAboveARaisedWindow) {
    write(kMain, "MainOptions", "TimerState", "1");
    write(kMain, "MainOptions", "TimerOptN", "2");  // 100 ms
    const WindowId w = startMain();
    const WindowId other = host->open("Always On Top", "--geometry 400x300+0+0");
    probe->requestState(other, true, "_NET_WM_STATE_ABOVE");
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(other, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(xdotool::windowRaise(other));
    EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().front() == w; }))
        << "the kick timer did not run from the start";
    host->close(other);
}

// Pick, in the test process: the window on the desktop, the keys from X.
[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);
class PickTest : public MainFormDesktop {};

// Pick on the Create page, then a click on a host window: Esc gives the pointer back with
// nothing selected, a left click selects the window's entry.
TEST_F(PickTest, PickAndAClickOnAWindowSelectItsEntry) {
    const WindowId mail = host->open("Picked Mail", "--geometry 300x200+900+700");
    host->open("Other Host", "--geometry 300x200+900+100");
    startForm();
    form->showControls();
    form->openCreatePage();
    form->move(0, 0);
    CreateLinksPage* page = form->createPage();
    ASSERT_TRUE(pumpUntil([&] { return page->hostList()->count() == 2; }));

    page->pickButton()->click();
    ASSERT_TRUE(picker->picking());
    ASSERT_TRUE(xdotool::run({"key", "Escape"}));
    ASSERT_TRUE(pumpUntil([&] { return !picker->picking(); }));
    EXPECT_TRUE(page->hostList()->selectedItems().isEmpty());

    const Rect r = probe->frameRect(mail).value_or(Rect{});
    const QPoint click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_FALSE(form->frameGeometry().contains(click)) << "the main window covers the host";
    page->pickButton()->click();
    ASSERT_TRUE(picker->picking());
    ASSERT_TRUE(xdotool::run({"mousemove", std::to_string(click.x()), std::to_string(click.y()), "click", "1"}));
    EXPECT_TRUE(pumpUntil([&] {
        const QListWidgetItem* item = page->hostList()->currentItem();
        return item && item->isSelected() && item->text() == "T: Picked Mail";
    }));
    EXPECT_FALSE(picker->picking());
}

}  // namespace
}  // namespace kivra::test
