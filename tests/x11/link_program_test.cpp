// The link program on a real X server with a real host window: refusals, the
// link window on its host, following, mirroring and ending with the host, and
// every message the main program sends it.
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "Programs.h"
#include "StoreFile.h"
#include "XRequests.h"
#include "Xdotool.h"

#include <filesystem>
#include <cstdio>
#include <thread>

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI
const std::string kTitle = "Mail - Inbox";

std::string instanceName(const std::string& title) { return "Kivra\\Kivra [Link] " + title + "\\Inst 1 of 1"; }

std::string commandLine(WindowId host, WindowId main, const std::string& title) {
    return std::to_string(host) + "\t1\t1\t" + std::to_string(main) + "\t" + std::to_string(title.size()) + "\t" +
           title;
}

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << "," << r.top << " " << r.width() << "x" << r.height() << ")";
}

struct Link {
    ChildProcess* process = nullptr;
    WindowId window = 0;
};

class LinkProgramTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        hostWindow = host->open(kTitle, "--geometry 400x300+200+150");
        // Stands in for kivra's main window: visible, and the test listens under it.
        mainWindow = host->open("Kivra [Main]", "--geometry 200x100+1000+800");
    }

    void TearDown() override {
        for (auto& p : processes) p->stop();
        processes.clear();
        mainReceiver.reset();
        DesktopTest::TearDown();
    }

    // Starts kivlink on the host and returns once the link reported its window,
    // which it does when it has begun tracking.
    Link startLink(const std::string& title = kTitle) {
        std::string error;
        if (!mainReceiver)
            mainReceiver = ChannelReceiver::listen(
                mainWindow,
                [this](const ChannelMessage& m) {
                    if (m.kind == ChannelKind::LinkReady) reported = parseLinkReady(m.payload);
                    return std::string(kLinkRecorded);
                },
                &error);
        EXPECT_TRUE(mainReceiver) << error;
        processes.push_back(startProgram("kivlink", {commandLine(hostWindow, mainWindow, title)}, settings));
        Link link{processes.back().get(), 0};
        if (!mainReceiver) return link;
        reported.reset();
        waitUntil(
            [&] {
                mainReceiver->dispatch();
                return reported.has_value();
            },
            10s);
        const std::optional<LinkReadyReport> ready = reported;
        EXPECT_TRUE(ready) << "the link never reported ready";
        if (!ready) return link;
        EXPECT_EQ(ready->pid, static_cast<ProcessId>(link.process->pid()));
        EXPECT_EQ(ready->hostWindow, hostWindow);
        link.window = ready->linkWindow;
        // The report comes at the first activation; the window manager may still be
        // applying the frame's final size.
        EXPECT_TRUE(waitUntil([&] {
            const Rect f = frame(link.window);
            return f.width() == 234 && f.height() == 60;
        })) << "the link window never got its default size";
        return link;
    }

    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }

    // Waits until the window's frame is `expected`; false (with the last frame seen) at the deadline.
    ::testing::AssertionResult frameBecomes(WindowId w, const Rect& expected) {
        if (waitUntil([&] { return frame(w) == expected; })) return ::testing::AssertionSuccess();
        std::ostringstream os;
        PrintTo(frame(w), &os);
        os << " instead of ";
        PrintTo(expected, &os);
        return ::testing::AssertionFailure() << os.str();
    }

    // Moves the host's frame by (dx, dy) through the window manager, as a drag does.
    void moveHostBy(int dx, int dy) {
        const Rect before = frame(hostWindow);
        host->move(hostWindow, before.left + dx, before.top + dy);
        ASSERT_TRUE(frameBecomes(hostWindow, shifted(before, dx, dy)));
    }

    // Moves the host by (dx, dy) and checks that the link's frame moved by exactly as much.
    void expectFollows(const Link& link, int dx, int dy) {
        const Rect linkBefore = frame(link.window);
        moveHostBy(dx, dy);
        EXPECT_TRUE(frameBecomes(link.window, shifted(linkBefore, dx, dy))) << "after a host move of " << dx << ","
                                                                            << dy;
    }

    // The user drags the link window somewhere else; returns where it went.
    Rect userMovesLink(const Link& link, int x, int y) {
        const Rect before = frame(link.window);
        EXPECT_TRUE(xdotool::windowMove(link.window, x, y));
        EXPECT_TRUE(waitUntil([&] { return frame(link.window).left != before.left; }));
        return frame(link.window);
    }

    bool isIconic(WindowId w) {
        const auto state = probe->values32(w, "WM_STATE");
        return !state.empty() && state[0] == 3;
    }
    bool isNormal(WindowId w) {
        const auto state = probe->values32(w, "WM_STATE");
        return !state.empty() && state[0] == 1 && !probe->hasState(w, "_NET_WM_STATE_HIDDEN");
    }

    std::string stored(const std::string& title, const char* section, const char* key) {
        auto opened = openStore(settings.path());
        return opened.store->read(instanceName(title), section, key, "-1");
    }
    void store(const std::string& title, const char* section, const char* key, const std::string& value) {
        auto opened = openStore(settings.path());
        opened.store->write(instanceName(title), section, key, value);
    }

    // The stored offsets are the link frame's offset from the host frame, in twips.
    void expectSavedOffsets(const std::string& title, const Rect& linkFrame, const Rect& hostFrame) {
        EXPECT_EQ(stored(title, "FormPosSize", "Left"), std::to_string((linkFrame.left - hostFrame.left) * kTwips));
        EXPECT_EQ(stored(title, "FormPosSize", "Top"), std::to_string((linkFrame.top - hostFrame.top) * kTwips));
    }

    SendResult send(const Link& link, ChannelKind kind, const std::string& payload = {}) {
        return sendChannelMessage(link.window, kind, payload, 2s);
    }

    ::testing::AssertionResult endsCleanly(const Link& link, std::chrono::milliseconds within = 5s) {
        const auto status = link.process->waitExit(within);
        if (!status) return ::testing::AssertionFailure() << "still running";
        if (*status != 0) return ::testing::AssertionFailure() << "exit status " << *status;
        return ::testing::AssertionSuccess();
    }

    TempSettings settings;
    WindowId hostWindow = 0;
    WindowId mainWindow = 0;
    std::unique_ptr<ChannelReceiver> mainReceiver;
    std::optional<LinkReadyReport> reported;  // the last ready report the main window's receiver took
    std::vector<std::unique_ptr<ChildProcess>> processes;
};

// --- Started by hand ----------------------------------------------------------

// The box's text is drawn, not published: X shows its window, title, kind and
// button; the text itself is the program's one literal, "Run kivra instead.".
TEST_F(LinkProgramTest, WithoutArgumentsItShowsAMessageBoxAndEndsOnEnter) {
    XRequests x;
    auto link = startProgram("kivlink", {}, settings);
    WindowId box = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (WindowId w : probe->stackingTopFirst())
            if (ws->processOf(w) == static_cast<ProcessId>(link->pid())) return (box = w) != 0;
        return false;
    }));
    EXPECT_EQ(ws->title(box), "Kivra");
    EXPECT_EQ(ws->describe(box, FieldStyle).kind, WindowKind::Dialog) << "a message box is a dialog";
    ASSERT_TRUE(waitUntil([&] {
        xdotool::windowActivate(box);
        return probe->activeWindow() == box;
    }));
    EXPECT_GT(x.mapsSeen(), 0) << "the map counter saw no map";  // the check the next test relies on
    ASSERT_TRUE(xdotool::run({"key", "Return"}));
    const auto status = link->waitExit(5s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(std::filesystem::exists(settings.path())) << "the settings store was touched";
}

TEST_F(LinkProgramTest, MalformedOrInvisibleEndsAtOnceWithoutAWindow) {
    const WindowId hidden = host->open("Hidden", "--unmapped");
    const std::string h = std::to_string(hostWindow), m = std::to_string(mainWindow);
    const struct {
        const char* why;
        std::string line;
    } rows[] = {
        {"host not visible", commandLine(hidden, mainWindow, kTitle)},
        {"main window not visible", commandLine(hostWindow, hidden, kTitle)},
        {"host gone", commandLine(hidden + 1000000, mainWindow, kTitle)},
        {"host not a number", "x" + h + "\t1\t1\t" + m + "\t12\t" + kTitle},
        {"instance not a number", h + "\tone\t1\t" + m + "\t12\t" + kTitle},
        {"length not a number", h + "\t1\t1\t" + m + "\ttwelve\t" + kTitle},
        {"negative length", h + "\t1\t1\t" + m + "\t-3\t" + kTitle},
        {"only three fields", h + "\t1\t1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        XRequests x;
        const auto started = std::chrono::steady_clock::now();
        auto link = startProgram("kivlink", {row.line}, settings);
        const auto status = link->waitExit(5s);
        ASSERT_TRUE(status);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        std::printf("[ figure ] %s: ended after %lld ms\n", row.why, static_cast<long long>(ms.count()));
        EXPECT_EQ(*status, 0);
        EXPECT_EQ(x.mapsSeen(), 0) << "a window was shown";
        EXPECT_FALSE(std::filesystem::exists(settings.path())) << "the settings store was touched";
    }
}

// --- On the host ----------------------------------------------------------------

TEST_F(LinkProgramTest, AppearsAtTheStoredOffsetAlwaysOnTop) {
    store(kTitle, "FormPosSize", "Left", "600");  // 40 px
    store(kTitle, "FormPosSize", "Top", "-1500");  // -100 px
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect h = frame(hostWindow);
    EXPECT_TRUE(frameBecomes(link.window, Rect{h.left + 40, h.top - 100, h.left + 40 + 234, h.top - 100 + 60}));
    EXPECT_TRUE(probe->hasState(link.window, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(probe->bytes(link.window, "_NET_WM_NAME"), kTitle);
    EXPECT_EQ(probe->bytes(link.window, "_NET_WM_ICON_NAME"), "Kivra [Link] " + kTitle);
    EXPECT_NE(probe->bytes(link.window, "WM_CLASS").value_or("").find("QbaseRT5"), std::string::npos);
}

TEST_F(LinkProgramTest, FollowsEveryHostMoveExactlyIncludingPartlyOffScreen) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect h = frame(hostWindow);
    ASSERT_TRUE(frameBecomes(link.window, Rect{h.left, h.top, h.left + 234, h.top + 60}));
    for (int i = 0; i < 3; ++i) expectFollows(link, 40, 10);
    // The user drags the link elsewhere: from there it follows with its new offset.
    userMovesLink(link, frame(hostWindow).left + 90, frame(hostWindow).top + 70);
    expectFollows(link, 40, 10);
    const Rect screen = probe->rootRect();
    // Partly off the left and top edges, then partly off the right and bottom edges.
    const Rect now = frame(hostWindow);
    expectFollows(link, -now.left - 150, -now.top - 100);
    expectFollows(link, screen.width() - 250 - frame(hostWindow).left, screen.height() - 120 - frame(hostWindow).top);
    expectFollows(link, -40, -10);
}

TEST_F(LinkProgramTest, ResizingTheHostFromItsLeftEdgeLeavesTheLinkWhereItWas) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect h = frame(hostWindow);
    ASSERT_TRUE(frameBecomes(link.window, Rect{h.left, h.top, h.left + 234, h.top + 60}));
    const Rect linkBefore = frame(link.window);
    XRequests x;
    auto extents = probe->values32(hostWindow, "_NET_FRAME_EXTENTS");
    extents.resize(4, 0);
    const int clientX = h.left + static_cast<int>(extents[0]), clientY = h.top + static_cast<int>(extents[2]);
    // The left edge 60 px further left: position and size change in one configure.
    x.moveResizeClient(hostWindow, clientX - 60, clientY, 400 + 60, 300);
    ASSERT_TRUE(frameBecomes(hostWindow, Rect{h.left - 60, h.top, h.right, h.bottom}));
    // The top-left corner dragged: both coordinates and both sizes at once.
    x.moveResizeClient(hostWindow, clientX - 20, clientY - 30, 400 + 20, 300 + 30);
    ASSERT_TRUE(frameBecomes(hostWindow, Rect{h.left - 20, h.top - 30, h.right, h.bottom}));
    // A plain move after them is followed from where the link stayed, so a link
    // dragged by either resize ends up somewhere else.
    moveHostBy(40, 10);
    EXPECT_TRUE(frameBecomes(link.window, shifted(linkBefore, 40, 10)));
}

TEST_F(LinkProgramTest, MinimizedAndRestoredWithItsHost) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect h = frame(hostWindow);
    ASSERT_TRUE(frameBecomes(link.window, Rect{h.left, h.top, h.left + 234, h.top + 60}));
    const Rect placed = frame(link.window);

    // openbox animates its frames while it minimizes and restores them; each
    // step waits until the animation is over.
    XRequests x;
    ASSERT_TRUE(xdotool::windowMinimize(hostWindow));
    ASSERT_TRUE(waitUntil([&] { return isIconic(hostWindow) && !x.wmFrame(hostWindow).value_or(XRequests::Frame{}).mapped; }));
    EXPECT_TRUE(waitUntil([&] { return isIconic(link.window) && probe->hasState(link.window, "_NET_WM_STATE_HIDDEN"); }));

    ASSERT_TRUE(xdotool::windowActivate(hostWindow));
    ASSERT_TRUE(waitUntil([&] { return isNormal(hostWindow); }));
    ASSERT_TRUE(waitUntil([&] { return x.wmFrame(hostWindow).value_or(XRequests::Frame{}).rect == h; }));
    EXPECT_TRUE(waitUntil([&] { return isNormal(link.window); }));
    EXPECT_TRUE(frameBecomes(link.window, placed));
    EXPECT_TRUE(probe->hasState(link.window, "_NET_WM_STATE_ABOVE"));
    // Still following afterwards.
    expectFollows(link, 40, 10);
}

TEST_F(LinkProgramTest, ALinkTheUserMinimizedStaysMinimized) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    ASSERT_TRUE(xdotool::windowMinimize(link.window));
    ASSERT_TRUE(waitUntil([&] { return isIconic(link.window); }));
    // Host changes make the link look at its host at once; none of them restores it.
    moveHostBy(40, 10);
    host->rename(hostWindow, kTitle);
    // Half a second is a hundred ticks and more than one unprompted read of the host.
    const auto until = std::chrono::steady_clock::now() + 500ms;
    while (std::chrono::steady_clock::now() < until) {
        ASSERT_TRUE(isIconic(link.window)) << "the tick restored a link the user minimized";
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(link.process->running());
}

// --- Ending with the host -------------------------------------------------------

TEST_F(LinkProgramTest, ExactMatchEndsOnAOneLetterCaseChangeAndSaves) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect linkFrame = userMovesLink(link, 500, 600);
    const Rect hostFrame = frame(hostWindow);
    host->rename(hostWindow, "Mail - inbox");
    ASSERT_TRUE(endsCleanly(link));
    expectSavedOffsets(kTitle, linkFrame, hostFrame);
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Width"), std::to_string(234 * kTwips));
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Height"), std::to_string(60 * kTwips));
}

struct AddressTitle {
    const char* matchMethod;  // stored LinkOptions MatchMethod, or nullptr for none (Exact)
    const char* hostTitle;    // a path or address that would mismatch by its letters
};

class AddressTitles : public LinkProgramTest, public ::testing::WithParamInterface<AddressTitle> {};

TEST_P(AddressTitles, NeverEndALink) {
    if (GetParam().matchMethod) store(kTitle, "LinkOptions", "MatchMethod", GetParam().matchMethod);
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    host->rename(hostWindow, GetParam().hostTitle);
    // A move is handled by a tick that also reads the new title.
    expectFollows(link, 40, 10);
    expectFollows(link, 40, 10);
    EXPECT_TRUE(link.process->running());
    // The same title without its double slash or backslash ends it.
    std::string plain = GetParam().hostTitle;
    for (const char* twin : {"//", "\\\\"})
        if (const auto at = plain.find(twin); at != std::string::npos) plain.erase(at, 1);
    host->rename(hostWindow, plain);
    EXPECT_TRUE(endsCleanly(link));
}

INSTANTIATE_TEST_SUITE_P(LinkProgram, AddressTitles,
                         ::testing::Values(AddressTitle{nullptr, "http://example.com/Mail - inbox"},
                                           AddressTitle{"2", "\\\\server\\share\\Outbox"}));

TEST_F(LinkProgramTest, ClosingTheHostEndsTheLinkWithin100msAndSaves) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect linkFrame = userMovesLink(link, 450, 620);
    const Rect hostFrame = frame(hostWindow);
    const auto closed = std::chrono::steady_clock::now();
    host->destroy(hostWindow);
    while (link.process->running() && std::chrono::steady_clock::now() - closed < 5s)
        std::this_thread::sleep_for(200us);
    const auto took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - closed);
    std::printf("[ figure ] host closed to link process gone: %.1f ms\n", took.count());
    RecordProperty("close_to_exit_us", static_cast<int>(took.count() * 1000));
    ASSERT_TRUE(endsCleanly(link, 0ms));
    EXPECT_LT(took.count(), 100.0);
    expectSavedOffsets(kTitle, linkFrame, hostFrame);
}

// --- Messages from the main program ----------------------------------------------

TEST_F(LinkProgramTest, Command5PutsTheLinkOnTheHostCornerAndItFollowsFromThere) {
    store(kTitle, "FormPosSize", "Left", "900");
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    userMovesLink(link, 650, 500);
    ASSERT_EQ(send(link, ChannelKind::Command, "5"), SendResult::Delivered);
    const Rect h = frame(hostWindow);
    EXPECT_TRUE(frameBecomes(link.window, Rect{h.left, h.top, h.left + 234, h.top + 60}));
    expectFollows(link, 40, 10);
    ASSERT_EQ(send(link, ChannelKind::CloseRequest), SendResult::Delivered);
    ASSERT_TRUE(endsCleanly(link));
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Left"), "0");
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Top"), "0");
}

TEST_F(LinkProgramTest, Command6SavesWhileTheLinkRuns) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Left"), "-1");
    const Rect linkFrame = userMovesLink(link, 520, 330);
    ASSERT_EQ(send(link, ChannelKind::Command, "6"), SendResult::Delivered);
    // The answer comes after the handler, so the file holds the save now.
    expectSavedOffsets(kTitle, linkFrame, frame(hostWindow));
    EXPECT_TRUE(link.process->running());
}

TEST_F(LinkProgramTest, Commands0And3TakeAlwaysOnTopAwayAndBack) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    ASSERT_TRUE(probe->hasState(link.window, "_NET_WM_STATE_ABOVE"));
    ASSERT_EQ(send(link, ChannelKind::Command, "0"), SendResult::Delivered);
    EXPECT_TRUE(waitUntil([&] { return !probe->hasState(link.window, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_EQ(send(link, ChannelKind::Command, "3"), SendResult::Delivered);
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(link.window, "_NET_WM_STATE_ABOVE"); }));
}

TEST_F(LinkProgramTest, RenameChangesTheCaptionAndWhereTheLinkSaves) {
    // The host keeps its title, so a renamed link must not end on it.
    store(kTitle, "LinkOptions", "AutoTermOn", "0");
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    ASSERT_EQ(send(link, ChannelKind::Rename, "Renamed Link  "), SendResult::Delivered);
    EXPECT_TRUE(waitUntil([&] { return probe->bytes(link.window, "_NET_WM_NAME") == "Renamed Link"; }));
    EXPECT_TRUE(waitUntil(
        [&] { return probe->bytes(link.window, "_NET_WM_ICON_NAME") == "Kivra [Link] Renamed Link  "; }));
    const Rect linkFrame = userMovesLink(link, 480, 560);
    ASSERT_EQ(send(link, ChannelKind::CloseRequest), SendResult::Delivered);
    ASSERT_TRUE(endsCleanly(link));
    // The instance name keeps the trailing blanks the caption drops.
    expectSavedOffsets("Renamed Link  ", linkFrame, frame(hostWindow));
    EXPECT_EQ(stored(kTitle, "FormPosSize", "Left"), "-1");
}

class ReloadMatchOptions : public LinkProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ReloadMatchOptions, DecidesWhetherACaseInsensitiveTitleKeepsTheLink) {
    const bool reload = GetParam();
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    store(kTitle, "LinkOptions", "MatchMethod", "2");
    if (reload) {
        ASSERT_EQ(send(link, ChannelKind::ReloadMatchOptions), SendResult::Delivered);
    }
    host->rename(hostWindow, "MAIL - INBOX (3 unread)");
    if (reload) {
        expectFollows(link, 40, 10);
        EXPECT_TRUE(link.process->running());
    } else {
        EXPECT_TRUE(endsCleanly(link)) << "Exact matching, still in force without the reload, ends the link";
    }
}

INSTANTIATE_TEST_SUITE_P(LinkProgram, ReloadMatchOptions, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Reloaded" : "NotReloaded"; });

TEST_F(LinkProgramTest, CloseRequestEndsTheProcessAndSaves) {
    const Link link = startLink();
    ASSERT_NE(link.window, 0u);
    const Rect linkFrame = userMovesLink(link, 300, 700);
    ASSERT_EQ(send(link, ChannelKind::CloseRequest), SendResult::Delivered);
    ASSERT_TRUE(endsCleanly(link));
    expectSavedOffsets(kTitle, linkFrame, frame(hostWindow));
    EXPECT_FALSE(probe->exists(link.window));
}

}  // namespace
}  // namespace kivra::test
