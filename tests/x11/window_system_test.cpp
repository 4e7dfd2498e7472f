// The X11 backend on a private display under openbox: the window-system contract,
// then what only X has: kinds from type hints, title encodings, the process from
// XRes, windows the window manager does not list or manage, reads fresh after
// another client's change, and change notification.
#include "DesktopTest.h"
#include "WindowSystemContract.h"
#include "Xdotool.h"

#include <poll.h>

#include <functional>

namespace kivra::test {
namespace {

struct X11Driver {
    X11Driver() : backend(x11::X11WindowSystem::connect(nullptr, nullptr)) {
        if (!backend) throw std::runtime_error("no X display");
    }
    WindowSystem& ws() { return *backend; }
    WindowId open(const std::string& title) { return host.open(title); }
    void destroy(WindowId w) { host.destroy(w); }
    bool waitFor(const std::function<bool()>& done) { return waitUntil(done); }
    std::unique_ptr<x11::X11WindowSystem> backend;
    TestHost host;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(X11, WindowSystemContract, X11Driver);

namespace {

using X11Backend = DesktopTest;

bool contains(const std::vector<WindowId>& ids, WindowId id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST_F(X11Backend, KindStyleAndFrameFollowTypeHintsAndDecoration) {
    const WindowId plain = host->open("Plain", "--class PlainClass --geometry 300x200+10+20");
    const WindowInfo info = ws->describe(plain, FieldAll);
    EXPECT_EQ(info.className, "PlainClass");
    EXPECT_EQ(info.style, style::PlainMainWindow);
    // The frame's corner where asked, the client inside the frame extents.
    auto e = probe->values32(plain, "_NET_FRAME_EXTENTS");
    e.resize(4, 0);
    EXPECT_EQ(info.rect, (Rect{10, 20, 310 + int(e[0] + e[1]), 220 + int(e[2] + e[3])}));

    const struct {
        const char* name;
        std::string options;
        WindowKind kind;
        bool popupBit, plainStyle;
    } rows[] = {
        {"client-side decorated", "--csd", WindowKind::Normal, false, true},
        {"fixed size", "--fixed-size --geometry 200x100+50+50", WindowKind::Normal, false, false},
        {"undecorated", "--undecorated", WindowKind::Normal, false, false},
        {"type dialog", "--type dialog", WindowKind::Dialog, true, false},
        {"transient", "--transient-for " + std::to_string(plain), WindowKind::Dialog, true, false},
        {"utility", "--type utility", WindowKind::Popup, true, false},
        {"override-redirect", "--override-redirect --geometry 100x50+5+5", WindowKind::Popup, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.name, row.options);
        const WindowInfo i = ws->describe(w, FieldStyle | FieldVisible | FieldParent);
        EXPECT_EQ(i.kind, row.kind);
        EXPECT_TRUE(i.visible);
        EXPECT_EQ((i.style & style::Popup) != 0, row.popupBit);
        EXPECT_EQ(i.style == style::PlainMainWindow, row.plainStyle);
        if (row.options.rfind("--transient-for", 0) == 0) {
            EXPECT_EQ(i.parent, plain);
        }
        host->close(w);
    }
}

TEST_F(X11Backend, TitlesAreDecodedWhateverTheEncoding) {
    const std::string mixed = "Grüße — 日本語 ✓";
    const struct {
        const char* name;
        std::string set, options, expected;  // `set`: the property's bytes
    } rows[] = {
        {"Latin-1 WM_NAME only", "Gr\xFC\xDF" "e", "--name-encoding string", "Grüße"},
        {"compound text WM_NAME only", "Gr\xFC\xDF" "e \x1B%G— 日本語 ✓\x1B%@", "--name-encoding compound", mixed},
        {"cut at the first NUL", std::string("Before\0After", 12), "", "Before"},
        {"broken UTF-8 repaired, four-byte kept", "A😀 Bad\xFF(\xC3", "", "A😀 Bad\uFFFD(\uFFFD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.set, row.options);
        EXPECT_EQ(ws->title(w), row.expected);
        host->close(w);
    }
    const WindowId w = host->open("Long Class", "--class " + std::string(300, 'C'));
    EXPECT_EQ(ws->className(w), std::string(255, 'C'));
}

TEST_F(X11Backend, UnlistedWindowsAreReadAndActedOn) {
    const WindowId unmapped = host->open("Never Shown", "--unmapped");
    const WindowId untitled = host->open("");
    const auto tops = ws->topLevelWindows();
    EXPECT_TRUE(contains(tops, untitled));
    EXPECT_FALSE(contains(tops, unmapped));
    EXPECT_EQ(ws->describe(unmapped, FieldAll).style, style::PlainMainWindow & ~style::Visible);
    // Topmost asked before the window is shown holds once it is.
    ASSERT_TRUE(ws->setTopmost(unmapped, true));
    EXPECT_TRUE(probe->hasState(unmapped, "_NET_WM_STATE_ABOVE"));
    host->show(unmapped);
    host->open("Opened After");
    EXPECT_EQ(ws->topLevelWindows().front(), unmapped);
    // Windows without a window-manager frame move exactly too; a close reaches an unmapped one.
    const WindowId unmanaged = host->open("Unmanaged", "--override-redirect --geometry 300x200+10+10");
    ASSERT_TRUE(ws->move(unmanaged, Rect{40, 60, 140, 160}));
    EXPECT_TRUE(waitUntil([&] { return ws->rect(unmanaged) == Rect{40, 60, 140, 160}; }));
    const WindowId hidden = host->open("Not Shown", "--unmapped");
    ASSERT_TRUE(ws->requestClose(hidden));
    EXPECT_TRUE(waitUntil([&] { return !ws->exists(hidden); }));
    for (WindowId id : {WindowId{0}, WindowId{0x1FFFFFFF}, WindowId{1} << 40}) EXPECT_FALSE(ws->exists(id)) << id;
}

TEST_F(X11Backend, StateProcessAndScreenComeFromTheServer) {
    const WindowId w = host->open("No Pid", "--no-pid");
    ASSERT_TRUE(probe->values32(w, "_NET_WM_PID").empty());
    EXPECT_EQ(ws->processOf(w), host->pid());
    ASSERT_TRUE(xdotool::wmState(w, "add,maximized_vert"));
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT"); }));
    EXPECT_FALSE(ws->isMaximized(w)) << "maximized needs both directions";
    ASSERT_TRUE(xdotool::wmState(w, "add,maximized_horz"));
    EXPECT_TRUE(waitUntil([&] { return ws->isMaximized(w); }));
    ASSERT_TRUE(ws->minimize(w));
    ASSERT_TRUE(waitUntil([&] { return ws->isMinimized(w); }));
    EXPECT_TRUE(ws->isVisible(w)) << "a minimized window is still visible, as on Windows";
    EXPECT_TRUE(contains(ws->topLevelWindows(), w));
    EXPECT_EQ(ws->virtualScreen(), probe->rootRect());
    auto extents = probe->values32(w, "_NET_FRAME_EXTENTS");
    ASSERT_EQ(extents.size(), 4u);
    EXPECT_EQ(ws->captionHeight(), static_cast<int>(extents[2] - extents[0]));
}

// The backend remembers what it read of each window, yet reports every change
// another client made before the call.
TEST_F(X11Backend, ChangesByAnotherClientShowInTheVeryNextDescribe) {
    const WindowId owner = host->open("Owner");
    const WindowId w = host->open("Changing");
    const WindowInfo before = ws->describe(w, FieldAll);
    ASSERT_EQ(before.kind, WindowKind::Normal);
    probe->setProperty8(w, "_NET_WM_NAME", "UTF8_STRING", "New Títle");
    probe->setProperty8(w, "WM_CLASS", "STRING", std::string("inst\0NewClass\0", 14));
    probe->setProperty32(w, "WM_TRANSIENT_FOR", "WINDOW", {static_cast<std::uint32_t>(owner)});
    probe->setProperty32(w, "_NET_WM_PID", "CARDINAL", {4242});
    const WindowInfo after = ws->describe(w, FieldAll);
    EXPECT_EQ(after.title, "New Títle");
    EXPECT_EQ(after.className, "NewClass");
    EXPECT_EQ(after.kind, WindowKind::Dialog);
    EXPECT_EQ(after.parent, owner);
    EXPECT_EQ(after.pid, 4242);
    probe->deleteProperty(w, "_NET_WM_NAME");
    probe->setProperty8(w, "WM_NAME", "STRING", "Legacy \xE9");
    EXPECT_EQ(ws->title(w), "Legacy é");
}

TEST_F(X11Backend, WatchedWindowsAndTheWatchedDesktopWakeTheNotificationDescriptor) {
    const WindowId watched = host->open("Watched", "--geometry 300x200+100+100");
    const WindowId other = host->open("Other", "--geometry 200x100+400+10");
    ws->watch(watched);
    ws->takeNotifications();
    auto readable = [&] {
        pollfd p{ws->notificationFd(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    };
    // Another window moves: once the move shows in our own replies, any event it caused has reached us.
    ASSERT_TRUE(xdotool::windowMove(other, 500, 300));
    ASSERT_TRUE(waitUntil([&] { return ws->rect(other)->left == 500; }));
    EXPECT_FALSE(ws->takeNotifications());
    // The watched one moves: rect() reads the event into memory on the way, and it still wakes the descriptor.
    ASSERT_TRUE(xdotool::windowMove(watched, 150, 180));
    ASSERT_TRUE(waitUntil([&] { return ws->rect(watched)->left == 150; }));
    EXPECT_TRUE(readable());
    EXPECT_TRUE(ws->takeNotifications());
    EXPECT_FALSE(readable());
    ASSERT_TRUE(xdotool::setWindowName(watched, "Renamed"));
    EXPECT_TRUE(waitUntil([&] { return readable() && ws->takeNotifications(); }));
    // With the desktop watched, a window that opens is told.
    ws->watchDesktop();
    host->open("Newcomer", "--geometry 200x100+40+40");
    EXPECT_TRUE(waitUntil([&] { return readable() && ws->takeNotifications(); }));
}

}  // namespace
}  // namespace kivra::test
