// The main program as a user meets it on a real X server, run as a process of its own: the
// first start, a second one refused, saving at close (maximized too) and the next start; a
// stored place and kick timer applied from the start.
#include "ChildProcess.h"
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "Xdotool.h"

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

class MainProgramTest : public DesktopTest {
protected:
    // Gives the window the focus and presses Enter, as a user would.
    void pressEnterIn(WindowId window) {
        ASSERT_TRUE(waitUntil([&] {
            xdotool::windowActivate(window);
            return probe->activeWindow() == window;
        }));
        ASSERT_TRUE(xdotool::run({"key", "Return"}));
    }
    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }
};

TEST_F(MainProgramTest, FirstStartASecondStartRefusedSaveAndNextStart) {
    // Any argument ends it silently.
    auto refused = startProgram("kivra", {"anything"}, settings);
    EXPECT_EQ(refused->waitExit(5s), 0);
    EXPECT_TRUE(probe->stackingTopFirst().empty());

    auto kivra = startProgram("kivra", {}, settings);
    const WindowId main = waitForWindow(kivra->pid(), "Kivra [Main]");
    ASSERT_NE(main, 0u);
    // The welcome box over it.
    WindowId welcome = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (WindowId w : windowsOf(kivra->pid()))
            if (ws->title(w).rfind("Kivra 2.00", 0) == 0) return (welcome = w) != 0;
        return false;
    }));
    const Rect root = probe->rootRect();
    ASSERT_TRUE(waitUntil([&] { return frame(main).width() == 300 && frame(main).height() == 100; }));
    const Rect first = frame(main);
    EXPECT_EQ(first.left, (root.width() - 300) / 2);
    EXPECT_EQ(first.top, (root.height() - 100) / 2);
    EXPECT_TRUE(probe->hasState(main, "_NET_WM_STATE_ABOVE"));
    EXPECT_NE(probe->bytes(main, "WM_CLASS").value_or("").find("QbaseRT5"), std::string::npos);

    // A second start says so above the first's always-on-top window and ends; the first runs on.
    auto second = startProgram("kivra", {}, settings);
    const WindowId box = waitForWindow(second->pid(), "Kivra");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(box, "_NET_WM_STATE_ABOVE"); }));
    pressEnterIn(box);
    EXPECT_EQ(second->waitExit(5s), 0);
    EXPECT_TRUE(kivra->running());
    EXPECT_EQ(windowsOf(kivra->pid()).size(), 2u) << "the first said more than its welcome";

    // Answer the welcome box with Enter, then move the window and close it.
    pressEnterIn(welcome);
    ASSERT_TRUE(waitUntil([&] { return windowsOf(kivra->pid()) == std::vector{main}; }));
    // Wherever the window manager puts the frame for this move, that frame is what is saved.
    ASSERT_TRUE(xdotool::windowMove(main, 100, 80));
    ASSERT_TRUE(waitUntil([&] { return frame(main).left != first.left; }));
    const Rect moved = frame(main);
    ASSERT_TRUE(ws->requestClose(main));
    EXPECT_EQ(kivra->waitExit(5s), 0);
    EXPECT_EQ(stored(kMain, "FormPosSize", "Left"), std::to_string(moved.left * kTwips));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Top"), std::to_string(moved.top * kTwips));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
    EXPECT_EQ(stored(kMain, "FormPosSize", "Height"), "1500");

    // The next start applies them; a stored "no" for always on top is honoured.
    write(kMain, "FormPrefs", "FormKVA", "2");
    write(kMain, "MainOptions", "StartupMsg", "0");
    auto again = startProgram("kivra", {}, settings);
    const WindowId main2 = waitForWindow(again->pid(), "Kivra [Main]");
    ASSERT_NE(main2, 0u);
    ASSERT_TRUE(waitUntil([&] {
        const Rect f = frame(main2);
        return f.left == moved.left && f.top == moved.top && f.width() == 300;
    }));
    EXPECT_FALSE(probe->hasState(main2, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(windowsOf(again->pid()).size(), 1u);  // no welcome box
    // Maximized, then closed by a request over the channel (on Windows: WM_SYSCOMMAND/SC_CLOSE,
    // which the title bar's close box sends too): it closes the ordinary way, saving its normal size.
    ASSERT_TRUE(xdotool::wmState(main2, "add,maximized_vert,maximized_horz"));
    ASSERT_TRUE(waitUntil([&] { return ws->isMaximized(main2) && frame(main2).width() > 300; }));
    EXPECT_EQ(sendChannelMessage(main2, ChannelKind::CloseRequest, "", 10s), SendResult::Delivered);
    EXPECT_TRUE(again->waitExit(5s));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
}

// A stored place on the screen at one scale is off it at twice that scale: the window starts
// wholly on the screen. A stored kick timer runs from the start and brings it back on top.
TEST_F(MainProgramTest, AStoredPlaceOffTheScreenAndAKickTimerApplyFromTheStart) {
    write(kMain, "MainOptions", "StartupMsg", "0");
    write(kMain, "FormPosSize", "Left", std::to_string(650 * kTwips));
    write(kMain, "FormPosSize", "Top", std::to_string(450 * kTwips));
    write(kMain, "MainOptions", "TimerState", "1");
    write(kMain, "MainOptions", "TimerOptN", "2");  // 100 ms
    ChildProcess kivra({programPath("kivra")}, {"KIVRA_SETTINGS=" + settings.path(), "QT_SCALE_FACTOR=2"});
    const WindowId w = waitForWindow(kivra.pid(), "Kivra [Main]");
    ASSERT_NE(w, 0u);
    const Rect root = probe->rootRect();
    EXPECT_TRUE(waitUntil([&] {
        const Rect f = frame(w);
        return f.width() > 500 && f.left >= root.left && f.top >= root.top && f.right <= root.right &&
               f.bottom <= root.bottom;
    })) << "not wholly on the screen";

    const WindowId other = host->open("Always On Top", "--geometry 400x300+0+0");
    ASSERT_TRUE(xdotool::wmState(other, "add,above"));
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(other, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(xdotool::windowRaise(other));
    EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().front() == w; }))
        << "the kick timer did not run from the start";
    host->close(other);
}

}  // namespace
}  // namespace kivra::test
