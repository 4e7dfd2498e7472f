// The main program as a user meets it on a real X server, run as a process of its own: the
// first start, a second one refused, saving at close and the next start, with a stored kick
// timer running from the start, maximized and closed over the channel.
#include "ChildProcess.h"
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "Xdotool.h"

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

class MainProgramTest : public DesktopTest {
protected:
    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }
};

TEST_F(MainProgramTest, FirstStartASecondStartRefusedSaveAndNextStart) {
    // Any argument ends it silently.
    auto refused = startProgram("kivra", {"anything"}, settings);
    EXPECT_EQ(refused->waitExit(5s), 0);
    EXPECT_TRUE(probe->stackingTopFirst().empty());

    write(kMain, "MainOptions", "StartupMsg", "0");  // no welcome box
    auto kivra = startProgram("kivra", {}, settings);
    const WindowId main = waitForWindow(kivra->pid(), "Kivra [Main]");
    ASSERT_NE(main, 0u);
    const Rect root = probe->rootRect();
    ASSERT_TRUE(waitUntil([&] { return frame(main).width() == 300 && frame(main).height() == 100; }));
    const Rect first = frame(main);
    EXPECT_EQ(first.left, (root.width() - 300) / 2);
    EXPECT_EQ(first.top, (root.height() - 100) / 2);
    EXPECT_TRUE(probe->hasState(main, "_NET_WM_STATE_ABOVE"));
    EXPECT_NE(ws->className(main).find("QbaseRT5"), std::string::npos);

    // A second start says so above the first's always-on-top window and ends on Enter; the
    // first runs on, silent.
    auto second = startProgram("kivra", {}, settings);
    const WindowId box = waitForWindow(second->pid(), "Kivra");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(box, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(waitUntil([&] {
        xdotool::windowActivate(box);
        return probe->activeWindow() == box;
    }));
    ASSERT_TRUE(xdotool::run({"key", "Return"}));
    EXPECT_EQ(second->waitExit(5s), 0);
    EXPECT_TRUE(kivra->running());
    EXPECT_EQ(windowsOf(kivra->pid()), std::vector{main});

    // Wherever the window manager puts the frame for this move, that frame is what is saved.
    ASSERT_TRUE(xdotool::windowMove(main, 100, 80));
    ASSERT_TRUE(waitUntil([&] { return frame(main).left != first.left; }));
    const Rect moved = frame(main);
    ASSERT_TRUE(ws->requestClose(main));
    EXPECT_EQ(kivra->waitExit(5s), 0);
    EXPECT_EQ(stored(kMain, "FormPosSize", "Left"), std::to_string(moved.left * kTwips));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Top"), std::to_string(moved.top * kTwips));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");

    // The next start applies them; a stored kick timer runs from the start and brings the
    // window back over another always-on-top one.
    write(kMain, "MainOptions", "TimerState", "1");
    write(kMain, "MainOptions", "TimerOptN", "2");  // 100 ms
    auto again = startProgram("kivra", {}, settings);
    const WindowId main2 = waitForWindow(again->pid(), "Kivra [Main]");
    ASSERT_NE(main2, 0u);
    ASSERT_TRUE(waitUntil([&] {
        const Rect f = frame(main2);
        return f.left == moved.left && f.top == moved.top && f.width() == 300;
    }));
    const WindowId other = host->open("Always On Top", "--geometry 400x300+0+0");
    ASSERT_TRUE(xdotool::wmState(other, "add,above"));
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(other, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(xdotool::windowRaise(other));
    EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().front() == main2; }))
        << "the kick timer did not run from the start";
    host->close(other);
    // Maximized, then closed by a request over the channel (on Windows: WM_SYSCOMMAND/SC_CLOSE,
    // which the title bar's close box sends too): it closes the ordinary way, saving its normal size.
    ASSERT_TRUE(xdotool::wmState(main2, "add,maximized_vert,maximized_horz"));
    ASSERT_TRUE(waitUntil([&] { return ws->isMaximized(main2) && frame(main2).width() > 300; }));
    EXPECT_EQ(sendChannelMessage(main2, ChannelKind::CloseRequest, "", 10s), SendResult::Delivered);
    EXPECT_TRUE(again->waitExit(5s));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
}

}  // namespace
}  // namespace kivra::test
