// The X11 backend on a private display under openbox: the window-system contract,
// then what only X has: kinds from type hints, windows the window manager does not
// list, a minimized window still visible, reads fresh after another client's change,
// title encodings, and change notification.
#include "DesktopTest.h"
#include "WindowSystemContract.h"
#include "Xdotool.h"

#include <poll.h>

#include <algorithm>
#include <functional>

namespace kivra::test {
namespace {

struct X11Driver {
    X11Driver() : backend(x11::X11WindowSystem::connect(nullptr, nullptr)) {
        if (!backend) throw std::runtime_error("no X display");
    }
    WindowSystem& ws() { return *backend; }
    WindowId open(const std::string& title) { return host.open(title); }
    void destroy(WindowId w) { host.close(w); }
    bool waitFor(const std::function<bool()>& done) { return waitUntil(done); }
    std::unique_ptr<x11::X11WindowSystem> backend;
    TestHost host;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(X11, WindowSystemContract, X11Driver);

namespace {

using X11Backend = DesktopTest;

TEST_F(X11Backend, KindStyleAndFrameFollowTypeHintsAndDecoration) {
    const WindowId plain = host->open("Plain", "--class PlainClass --geometry 300x200+10+20");
    const WindowInfo info = ws->describe(plain, FieldAll);
    EXPECT_EQ(info.className, "PlainClass");
    EXPECT_EQ(info.style, style::PlainMainWindow);
    // The frame's corner where asked, the client inside the frame extents.
    auto e = probe->values32(plain, "_NET_FRAME_EXTENTS");
    e.resize(4, 0);
    EXPECT_EQ(info.rect, (Rect{10, 20, 310 + int(e[0] + e[1]), 220 + int(e[2] + e[3])}));

    const std::string ownedByPlain = "--transient-for " + std::to_string(plain);
    const struct {
        const char* name;
        std::string options;
        WindowKind kind;
        bool popupBit, plainStyle;
        WindowId parent;
    } rows[] = {
        {"client-side decorated", "--csd", WindowKind::Normal, false, true, 0},
        {"fixed size", "--fixed-size", WindowKind::Normal, false, false, 0},
        {"undecorated", "--undecorated", WindowKind::Normal, false, false, 0},
        {"transient", ownedByPlain, WindowKind::Dialog, true, false, plain},
        {"utility", "--type UTILITY", WindowKind::Popup, true, false, 0},
        {"override-redirect", "--override-redirect", WindowKind::Popup, true, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const WindowId w = host->open(row.name, row.options);
        const WindowInfo i = ws->describe(w, FieldStyle | FieldVisible | FieldParent);
        EXPECT_EQ(i.kind, row.kind);
        EXPECT_TRUE(i.visible);
        EXPECT_EQ((i.style & style::Popup) != 0, row.popupBit);
        EXPECT_EQ(i.style == style::PlainMainWindow, row.plainStyle);
        EXPECT_EQ(i.parent, row.parent);
        host->close(w);
    }
}

TEST_F(X11Backend, UnlistedWindowsAreReadAndActedOn) {
    const WindowId unmapped = host->open("Never Shown", "--unmapped");
    const WindowId untitled = host->open("");
    const auto tops = ws->topLevelWindows();
    EXPECT_EQ(std::ranges::count(tops, untitled), 1);
    EXPECT_EQ(std::ranges::count(tops, unmapped), 0);
    EXPECT_EQ(ws->describe(unmapped, FieldAll).style, style::PlainMainWindow & ~style::Visible);
    // Topmost asked before the window is shown holds once it is.
    ASSERT_TRUE(ws->setTopmost(unmapped, true));
    host->show(unmapped);
    host->open("Opened After");
    EXPECT_EQ(ws->topLevelWindows().front(), unmapped);
    // A close reaches an unmapped window.
    const WindowId hidden = host->open("Not Shown", "--unmapped");
    ASSERT_TRUE(ws->requestClose(hidden));
    EXPECT_TRUE(waitUntil([&] { return !ws->exists(hidden); }));
}

TEST_F(X11Backend, StateAndScreenComeFromTheServer) {
    const WindowId w = host->open("Minimized");
    ASSERT_TRUE(ws->minimize(w));
    ASSERT_TRUE(waitUntil([&] { return ws->isMinimized(w); }));
    EXPECT_TRUE(ws->isVisible(w)) << "a minimized window is still visible, as on Windows";
    EXPECT_EQ(std::ranges::count(ws->topLevelWindows(), w), 1);
    EXPECT_EQ(ws->virtualScreen(), probe->rootRect());
}

// The backend remembers what it read of each window, yet reports every change
// another client made before the call; titles are decoded whatever their encoding.
TEST_F(X11Backend, ChangesByAnotherClientShowInTheVeryNextDescribeTitlesDecoded) {
    const WindowId owner = host->open("Owner");
    const WindowId w = host->open("Changing");
    ws->describe(w, FieldAll);  // read once: the backend remembers it
    probe->setProperty8(w, "_NET_WM_NAME", "UTF8_STRING", "New Títle");
    probe->setProperty32(w, "WM_TRANSIENT_FOR", "WINDOW", {static_cast<std::uint32_t>(owner)});
    const WindowInfo after = ws->describe(w, FieldAll);
    EXPECT_EQ(after.title, "New Títle");
    EXPECT_EQ(after.kind, WindowKind::Dialog);
    EXPECT_EQ(after.parent, owner);
    probe->deleteProperty(w, "_NET_WM_NAME");
    probe->setProperty8(w, "WM_NAME", "STRING", "Legacy \xE9");
    EXPECT_EQ(ws->title(w), "Legacy é");
    probe->setProperty8(w, "WM_NAME", "COMPOUND_TEXT", "Gr\xFC\xDF" "e \x1B%G— 日本語 ✓\x1B%@");
    EXPECT_EQ(ws->title(w), "Grüße — 日本語 ✓");
    // UTF-8 _NET_WM_NAME comes first; broken sequences are repaired, four-byte ones kept.
    probe->setProperty8(w, "_NET_WM_NAME", "UTF8_STRING", "A😀 Bad\xFF(\xC3");
    EXPECT_EQ(ws->title(w), "A😀 Bad\uFFFD(\uFFFD");
}

TEST_F(X11Backend, WatchedWindowsAndTheWatchedDesktopWakeTheNotificationDescriptor) {
    const WindowId watched = host->open("Watched", "--geometry 300x200+100+100");
    ws->watch(watched);
    ws->takeNotifications();
    auto readable = [&] {
        pollfd p{ws->notificationFd(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    };
    // The watched one moves: rect() reads the event into memory on the way, and it still wakes the descriptor.
    ASSERT_TRUE(xdotool::windowMove(watched, 150, 180));
    ASSERT_TRUE(waitUntil([&] { return ws->rect(watched)->left == 150; }));
    EXPECT_TRUE(readable());
    EXPECT_TRUE(ws->takeNotifications());
    EXPECT_FALSE(readable());
    // With the desktop watched, a window that opens is told.
    ws->watchDesktop();
    host->open("Newcomer", "--geometry 200x100+40+40");
    EXPECT_TRUE(waitUntil([&] { return readable() && ws->takeNotifications(); }));
}

}  // namespace
}  // namespace kivra::test
