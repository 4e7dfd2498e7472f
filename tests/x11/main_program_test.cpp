// The main program as a user meets it on a real X server: refusals, the first
// start, saving at close (maximized) and the next start, one instance per display.
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "ChildProcess.h"
#include "TempDir.h"
#include "Xdotool.h"


namespace kivra::test {
namespace {

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
};

TEST_F(MainProgramTest, AnyArgumentEndsItSilently) {
    auto kivra = startProgram("kivra", {"anything"}, settings);
    const auto status = kivra->waitExit(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(probe->stackingTopFirst().empty());
}

TEST_F(MainProgramTest, FirstStartSaveAndNextStart) {
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
    ASSERT_TRUE(waitUntil([&] {
        auto f = probe->frameRect(main);
        return f && f->width() == 300 && f->height() == 100;
    }));
    const Rect frame = *probe->frameRect(main);
    EXPECT_EQ(frame.left, (root.width() - 300) / 2);
    EXPECT_EQ(frame.top, (root.height() - 100) / 2);
    EXPECT_TRUE(probe->hasState(main, "_NET_WM_STATE_ABOVE"));
    EXPECT_NE(probe->bytes(main, "WM_CLASS").value_or("").find("QbaseRT5"), std::string::npos);

    // Answer the welcome box with Enter, then move the window and close it.
    pressEnterIn(welcome);
    ASSERT_TRUE(waitUntil([&] { return !probe->exists(welcome); }));
    // Wherever the window manager puts the frame for this move, that frame is what is saved.
    ASSERT_TRUE(xdotool::windowMove(main, 100, 80));
    ASSERT_TRUE(waitUntil([&] {
        auto f = probe->frameRect(main);
        return f && f->left != frame.left;
    }));
    const Rect moved = *probe->frameRect(main);
    ASSERT_TRUE(ws->requestClose(main));
    const auto status = kivra->waitExit(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);

    EXPECT_EQ(stored(kMain, "FormPosSize", "Left"), std::to_string(moved.left * 15));  // 15 twips a pixel at 96 DPI
    EXPECT_EQ(stored(kMain, "FormPosSize", "Top"), std::to_string(moved.top * 15));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
    EXPECT_EQ(stored(kMain, "FormPosSize", "Height"), "1500");
    EXPECT_EQ(stored(kMain, "FormPrefs", "FormKVA"), "1");
    EXPECT_EQ(stored(kMain, "MainOptions", "StartupMsg"), "1");
    EXPECT_EQ(stored(kMain, "HostLinks", "HLinkCnt"), "0");

    // The next start applies them; a stored "no" for always on top is honoured.
    write(kMain, "FormPrefs", "FormKVA", "2");
    write(kMain, "MainOptions", "StartupMsg", "0");
    auto again = startProgram("kivra", {}, settings);
    const WindowId main2 = waitForWindow(again->pid(), "Kivra [Main]");
    ASSERT_NE(main2, 0u);
    ASSERT_TRUE(waitUntil([&] {
        auto f = probe->frameRect(main2);
        return f && f->left == moved.left && f->top == moved.top && f->width() == 300;
    }));
    EXPECT_FALSE(probe->hasState(main2, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(windowsOf(again->pid()).size(), 1u);  // no welcome box
    // Maximized, then closed by a request over the channel (on Windows: WM_SYSCOMMAND/SC_CLOSE,
    // which the title bar's close box sends too): it closes the ordinary way, saving its normal size.
    probe->requestState(main2, true, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
    ASSERT_TRUE(waitUntil([&] { return ws->isMaximized(main2) && probe->frameRect(main2)->width() > 300; }));
    EXPECT_EQ(sendChannelMessage(main2, ChannelKind::CloseRequest, "", 10s), SendResult::Delivered);
    EXPECT_TRUE(again->waitExit(5s));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
    EXPECT_EQ(stored(kMain, "FormPosSize", "Height"), "1500");
}

// With a relative XDG_RUNTIME_DIR, which is never used, both starts meet in the fallback: the
// second says so above the first's always-on-top window and ends; the first says once why.
TEST_F(MainProgramTest, OneInstancePerDisplayEvenWithAnUnsafeRuntimeFolder) {
    write(kMain, "MainOptions", "StartupMsg", "0");
    TempDir tmp;
    const std::vector<std::string> env{"KIVRA_SETTINGS=" + settings.path(), "TMPDIR=" + tmp.path().string(),
                                       "XDG_RUNTIME_DIR=run"};
    ChildProcess first({programPath("kivra")}, env);
    const WindowId main = waitForWindow(first.pid(), "Kivra [Main]");
    ASSERT_NE(main, 0u);
    ASSERT_NE(waitForWindow(first.pid(), "Kivra"), 0u) << "no notice";

    ChildProcess second({programPath("kivra")}, env);
    const WindowId box = waitForWindow(second.pid(), "Kivra");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(box, "_NET_WM_STATE_ABOVE"); }));
    pressEnterIn(box);
    const auto status = second.waitExit(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(probe->exists(main));
    EXPECT_EQ(windowsOf(first.pid()).size(), 2u) << "the first said more than its notice";
}

}  // namespace
}  // namespace kivra::test
