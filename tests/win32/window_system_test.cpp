// The user32 backend of the window system against real windows under Wine (or
// Windows): what it reads of a window, in which order it lists them, what it does,
// and that a vanished or hung window never hurts the caller.
#include "support/RectPrinter.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowHost.h"
#include "WindowSystemContract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::Win32WindowSystem;

namespace {

constexpr DWORD kPlain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

std::string repeat(std::string_view unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

// Windows of this thread for the contract.
struct Win32Driver {
    Win32WindowSystem backend;
    std::map<WindowId, std::unique_ptr<TestWindow>> windows;
    WindowSystem& ws() { return backend; }
    WindowId open(const std::string& title) {
        auto w = std::make_unique<TestWindow>(title, "KivraWsContract");
        const WindowId id = w->id();
        windows[id] = std::move(w);
        return id;
    }
    void destroy(WindowId id) { windows.erase(id); }
    bool waitFor(const std::function<bool()>& done) { return waitUntil(done); }
};

}  // namespace

namespace kivra::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowSystemContract, Win32Driver);
}

TEST(Win32WindowSystem, KindComesFromTheDialogAndHelpClassesAndThePopupStyle) {
    struct Row {
        const char* cls;
        DWORD style;
        WindowKind kind;
    };
    const Row rows[] = {
        {"#32770", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WindowKind::Dialog},
        {"#32770", kPlain, WindowKind::Dialog},  // the class decides, whatever the style
        {"HH Parent", kPlain, WindowKind::HelpViewer},
        {"KivraWsPopup", WS_POPUP | WS_VISIBLE, WindowKind::Popup},
        {"KivraWsPopup", WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE, WindowKind::Popup},
        {"KivraWsPlain", kPlain, WindowKind::Normal},
        {"KivraWsPlain", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, WindowKind::Normal},
    };
    Win32WindowSystem ws;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.cls) + " style " + std::to_string(row.style));
        TestWindow w("Ws Kind", row.cls, row.style);
        const WindowInfo info = ws.describe(w.id(), FieldStyle | FieldClass);
        EXPECT_EQ(info.className, row.cls);
        EXPECT_EQ(info.kind, row.kind);
        EXPECT_EQ((info.style & style::Popup) != 0, (row.style & WS_POPUP) != 0);
    }
}

// The cut counts characters, not UTF-16 units: a surrogate pair is never split.
TEST(Win32WindowSystem, TitlesAreCutTo255CharactersNeverInsideASurrogatePair) {
    const std::string smile = "\xF0\x9F\x98\x80";  // a surrogate pair in UTF-16
    Win32WindowSystem ws;
    for (const auto& [title, expected] : {std::pair{repeat(smile, 300), repeat(smile, 255)},
                                          std::pair{repeat("b", 254) + smile + "c", repeat("b", 254) + smile}}) {
        TestWindow w(title, "KivraWsTitle");
        EXPECT_EQ(ws.title(w.id()), expected);
    }
}

TEST(Win32WindowSystem, ChildWindowsParentsOwnersAndControlIds) {
    Win32WindowSystem ws;
    TestWindow frame("Ws Family", "KivraWsFamily");
    const HWND child = CreateWindowExW(0, L"STATIC", L"Child", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, frame.hwnd(),
                                       reinterpret_cast<HMENU>(42), GetModuleHandleW(nullptr), nullptr);
    const HWND grandchild = CreateWindowExW(0, L"BUTTON", L"Grandchild", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, child,
                                            reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
    const HWND sibling = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame.hwnd(), nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    TestWindow owned("Ws Owned", "KivraWsFamily", WS_POPUP | WS_CAPTION | WS_VISIBLE, {0, 0, 100, 100}, frame.hwnd());
    const auto id = [](HWND h) { return win32::toWindowId(h); };

    // Every descendant, each after its parent.
    const std::vector<WindowId> kids = ws.childWindows(frame.id());
    ASSERT_EQ(kids.size(), 3u);
    const auto at = [&](HWND h) { return std::find(kids.begin(), kids.end(), id(h)) - kids.begin(); };
    EXPECT_LT(at(child), at(grandchild));
    EXPECT_LT(at(sibling), 3);
    EXPECT_EQ(ws.childWindows(id(child)), std::vector<WindowId>{id(grandchild)});
    EXPECT_TRUE(ws.childWindows(id(grandchild)).empty());

    const std::vector<WindowInfo> infos = ws.describe(kids, FieldAll);
    for (const WindowInfo& i : infos) {
        if (i.id == id(child)) {
            EXPECT_EQ(i.controlId, 42);
            EXPECT_EQ(i.parent, frame.id());
            EXPECT_EQ(i.className, "Static");
            EXPECT_EQ(i.title, "Child");
        } else if (i.id == id(grandchild)) {
            EXPECT_EQ(i.controlId, 7);
            EXPECT_EQ(i.parent, id(child));
        } else {
            EXPECT_EQ(i.controlId, 0);
            EXPECT_FALSE(i.visible);
        }
    }
    // A pop-up's parent is its owner; an unowned top-level window has none.
    EXPECT_EQ(ws.parent(owned.id()), frame.id());
    EXPECT_EQ(ws.parent(frame.id()), 0u);
    // A top-level window's identifier slot holds its menu, which is no control identifier.
    const HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"File");
    ASSERT_TRUE(SetMenu(frame.hwnd(), menu));
    EXPECT_EQ(ws.describe(frame.id(), FieldControlId).controlId, 0);
}

TEST(Win32WindowSystem, MarkedOwnWindowsCarryTheMarkerInTheirClassName) {
    Win32WindowSystem ws;
    TestWindow own("Ws Own", "KivraWsOwn");
    TestWindow other("Ws Not Own", "KivraWsOwn");
    ws.markOwnWindow(own.id());
    EXPECT_EQ(ws.className(own.id()), "QbaseRT5:KivraWsOwn");
    EXPECT_EQ(ws.describe(own.id(), FieldClass).className, "QbaseRT5:KivraWsOwn");
    EXPECT_EQ(ws.className(other.id()), "KivraWsOwn");
    // The kind still comes from the real class.
    TestWindow ownDialog("Ws Own Dialog", "#32770");
    ws.markOwnWindow(ownDialog.id());
    EXPECT_EQ(ws.describe(ownDialog.id(), FieldStyle).kind, WindowKind::Dialog);
    // The marker is read from another process's windows as well.
    WindowHost host({HostWindowSpec{"KivraWsToolOwn", "Ws Tool Own"}}, MarkOwn::Yes);
    const HWND toolWindow = host.window("Ws Tool Own");
    ASSERT_NE(toolWindow, nullptr);
    EXPECT_EQ(ws.className(win32::toWindowId(toolWindow)), "QbaseRT5:KivraWsToolOwn");
}

TEST(Win32WindowSystem, ScreenMetricsMatchTheMonitorsAndACaptionedWindow) {
    Win32WindowSystem ws;
    // The virtual screen is the union of every monitor.
    RECT all{};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT monitor, LPARAM sum) -> BOOL {
            UnionRect(reinterpret_cast<RECT*>(sum), reinterpret_cast<RECT*>(sum), monitor);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    const Rect screen = ws.virtualScreen();
    EXPECT_EQ(screen, (Rect{all.left, all.top, all.right, all.bottom}));
    EXPECT_GT(screen.width(), 0);

    // A fixed frame is as high below the client area as above it, less the caption.
    TestWindow w("Ws Caption", "KivraWsCaption", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, {50, 50, 350, 250});
    RECT frame{}, client{};
    GetWindowRect(w.hwnd(), &frame);
    GetClientRect(w.hwnd(), &client);
    POINT topLeft{0, 0}, bottomRight{client.right, client.bottom};
    ClientToScreen(w.hwnd(), &topLeft);
    ClientToScreen(w.hwnd(), &bottomRight);
    const int above = topLeft.y - frame.top;
    const int below = frame.bottom - bottomRight.y;
    EXPECT_GT(ws.captionHeight(), 0);
    EXPECT_EQ(ws.captionHeight(), above - below);
}

TEST(Win32WindowActions, MaximizedIsReadAndKeepsTheMainStyle) {
    Win32WindowSystem ws;
    TestWindow w("Ws Maximize", "KivraWsActions");
    ShowWindow(w.hwnd(), SW_MAXIMIZE);
    const WindowInfo maximized = ws.describe(w.id(), FieldState | FieldStyle);
    EXPECT_TRUE(maximized.maximized);
    EXPECT_FALSE(maximized.minimized);
    EXPECT_GT(static_cast<std::int32_t>(maximized.style), 0);  // still no pop-up style
    ShowWindow(w.hwnd(), SW_RESTORE);
    EXPECT_FALSE(ws.isMaximized(w.id()));
}

TEST(Win32WindowActions, ForegroundFollowsActivationAndRaise) {
    Win32WindowSystem ws;
    TestWindow a("Ws Fore A", "KivraWsFore");
    TestWindow b("Ws Fore B", "KivraWsFore");
    ASSERT_TRUE(SetForegroundWindow(a.hwnd()));
    EXPECT_EQ(ws.foreground(), a.id());
    EXPECT_TRUE(ws.raise(b.id()));
    EXPECT_EQ(ws.foreground(), b.id());
    ws.nudgeForegroundLock();  // harmless where there is no lock
    EXPECT_EQ(ws.foreground(), b.id());
}

// Another process's window: its process, read, moved and closed like our own; the close ends it.
TEST(Win32WindowActions, AnotherProcesssWindowIsReadMovedAndClosed) {
    Win32WindowSystem ws;
    TestWindow mine("Ws Mine", "KivraWsProcess");
    WindowHost host({HostWindowSpec{"KivraWsToolClose", "Ws Close Me", {400, 300, 700, 500}}});
    const HWND hwnd = host.window("Ws Close Me");
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = win32::toWindowId(hwnd);
    EXPECT_EQ(ws.processOf(mine.id()), static_cast<ProcessId>(GetCurrentProcessId()));
    EXPECT_EQ(ws.processOf(id), static_cast<ProcessId>(host.pid()));
    EXPECT_NE(host.pid(), GetCurrentProcessId());
    EXPECT_EQ(ws.title(id), "Ws Close Me");
    EXPECT_EQ(ws.rect(id), (Rect{400, 300, 700, 500}));
    EXPECT_TRUE(ws.move(id, Rect{420, 310, 720, 510}));
    EXPECT_EQ(ws.rect(id), (Rect{420, 310, 720, 510}));
    EXPECT_TRUE(ws.requestClose(id));
    EXPECT_TRUE(waitUntil([&] { return !ws.exists(id); }));
    EXPECT_TRUE(host.waitForExit());
}

// The host sleeps far longer than the test may run: a call that waited for it would
// never return in time.
TEST(Win32WindowActions, AHungApplicationDoesNotHangTheCaller) {
    Win32WindowSystem ws;
    WindowHost host({HostWindowSpec{"KivraWsToolHung", "Ws Hung"}}, MarkOwn::No, 600000);
    const HWND hwnd = host.window("Ws Hung");
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = win32::toWindowId(hwnd);
    const Rect where = *ws.rect(id);
    // The host's window procedure goes to sleep; it retitles its window first.
    ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return ws.title(id) == "Ws Hung (hung)"; }));
    EXPECT_FALSE(ws.requestClose(id));
    EXPECT_FALSE(ws.raise(id));
    EXPECT_FALSE(ws.move(id, Rect{0, 0, 100, 100}));
    EXPECT_FALSE(ws.setTopmost(id, true));
    EXPECT_FALSE(ws.minimize(id));
    EXPECT_TRUE(ws.exists(id));
    EXPECT_EQ(ws.describe(id).rect, where);
}
