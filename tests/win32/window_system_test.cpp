// The user32 backend of the window system against real windows under Wine (or
// Windows): what it reads of a window, in which order it lists them, what it does,
// and that a vanished or hung window never hurts the caller.
#include "RectPrinter.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::Win32WindowSystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr DWORD kPlain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
const std::string kGreekCjk = "Ws \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE4\xB8\x96\xE7\x95\x8C";

std::string repeat(std::string_view unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

// The windows of `ours` in the order topLevelWindows() lists them.
std::vector<WindowId> listedOrder(WindowSystem& ws, const std::set<WindowId>& ours) {
    std::vector<WindowId> order;
    for (WindowId w : ws.topLevelWindows())
        if (ours.count(w)) order.push_back(w);
    return order;
}

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(Win32WindowSystem, DescribeReadsEveryFieldAndOnlyTheFieldsAsked) {
    Win32WindowSystem ws;
    TestWindow w(kGreekCjk, "KivraWsDescribe", kPlain, {120, 130, 520, 430});
    const WindowInfo all = ws.describe(w.id());
    EXPECT_TRUE(all.exists);
    EXPECT_EQ(all.id, w.id());
    EXPECT_EQ(all.title, kGreekCjk);
    EXPECT_EQ(all.className, "KivraWsDescribe");
    EXPECT_EQ(all.style & style::OverlappedWindow, style::OverlappedWindow);
    EXPECT_TRUE(all.style & style::Visible);
    EXPECT_FALSE(all.style & style::Popup);
    EXPECT_EQ(all.kind, WindowKind::Normal);
    EXPECT_TRUE(all.visible);
    EXPECT_EQ(all.controlId, 0);
    EXPECT_EQ(all.parent, 0u);
    EXPECT_EQ(all.pid, static_cast<ProcessId>(GetCurrentProcessId()));
    EXPECT_EQ(all.rect, (Rect{120, 130, 520, 430}));
    EXPECT_FALSE(all.minimized);
    EXPECT_FALSE(all.maximized);

    // The single questions give the same answers.
    EXPECT_TRUE(ws.exists(w.id()));
    EXPECT_EQ(ws.title(w.id()), kGreekCjk);
    EXPECT_EQ(ws.className(w.id()), "KivraWsDescribe");
    EXPECT_TRUE(ws.isVisible(w.id()));
    EXPECT_EQ(ws.rect(w.id()), all.rect);
    EXPECT_EQ(ws.processOf(w.id()), all.pid);

    // A batch fills only what was asked, one entry per window in order.
    TestWindow hidden("Ws Hidden", "KivraWsDescribe", WS_OVERLAPPEDWINDOW, {10, 20, 210, 220});
    const WindowId batch[] = {hidden.id(), w.id(), hidden.id()};
    const std::vector<WindowInfo> some = ws.describe(batch, FieldTitle | FieldVisible);
    ASSERT_EQ(some.size(), 3u);
    EXPECT_EQ(some[0].title, "Ws Hidden");
    EXPECT_FALSE(some[0].visible);
    EXPECT_EQ(some[1].title, kGreekCjk);
    EXPECT_TRUE(some[1].visible);
    EXPECT_EQ(some[2].id, hidden.id());
    for (const WindowInfo& i : some) {
        EXPECT_TRUE(i.exists);
        EXPECT_EQ(i.className, "");
        EXPECT_EQ(i.style, 0u);
        EXPECT_EQ(i.pid, 0);
        EXPECT_EQ(i.rect, Rect{});
    }
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

TEST(Win32WindowSystem, TitlesAreCutTo255Characters) {
    struct Row {
        std::string title, expected;
    };
    const std::string smile = "\xF0\x9F\x98\x80";  // a surrogate pair in UTF-16
    const Row rows[] = {
        {repeat("a", 300), repeat("a", 255)},
        {repeat("a", 255), repeat("a", 255)},
        {repeat("\xC3\xA9", 300), repeat("\xC3\xA9", 255)},
        {repeat("\xE4\xB8\x96", 256), repeat("\xE4\xB8\x96", 255)},
        {repeat(smile, 300), repeat(smile, 255)},
        {repeat("b", 254) + smile + "c", repeat("b", 254) + smile},
        {kGreekCjk, kGreekCjk},
        {"Trailing blanks stay  ", "Trailing blanks stay  "},
    };
    Win32WindowSystem ws;
    for (const Row& row : rows) {
        TestWindow w(row.title, "KivraWsTitle");
        EXPECT_EQ(ws.title(w.id()), row.expected) << row.title.size() << " bytes";
        EXPECT_EQ(ws.describe(w.id(), FieldTitle).title, row.expected);
    }
}

TEST(Win32WindowSystem, VanishedWindowsAnswerHarmlessly) {
    Win32WindowSystem ws;
    WindowId gone = 0;
    {
        TestWindow w("Ws Gone", "KivraWsGone");
        gone = w.id();
        ASSERT_TRUE(ws.exists(gone));
    }
    for (const WindowId id : {gone, WindowId{0}, WindowId{0xDEAD0}}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(ws.exists(id));
        EXPECT_EQ(ws.title(id), "");
        EXPECT_EQ(ws.className(id), "");
        EXPECT_FALSE(ws.isVisible(id));
        EXPECT_FALSE(ws.isMinimized(id));
        EXPECT_FALSE(ws.isMaximized(id));
        EXPECT_EQ(ws.rect(id), std::nullopt);
        EXPECT_EQ(ws.parent(id), 0u);
        EXPECT_EQ(ws.processOf(id), 0);
        // Never the top-level windows, as EnumChildWindows(NULL) would give.
        EXPECT_TRUE(ws.childWindows(id).empty());
        const WindowInfo info = ws.describe(id, FieldAll);
        EXPECT_EQ(info.id, id);
        EXPECT_FALSE(info.exists);
        EXPECT_EQ(info.title, "");
        EXPECT_EQ(info.className, "");
        EXPECT_EQ(info.style, 0u);
        EXPECT_FALSE(info.visible);
        EXPECT_EQ(info.pid, 0);
        EXPECT_EQ(info.rect, Rect{});
        EXPECT_FALSE(ws.restore(id));
        EXPECT_FALSE(ws.raise(id));
        EXPECT_FALSE(ws.move(id, Rect{0, 0, 100, 100}));
        EXPECT_FALSE(ws.setTopmost(id, true));
        EXPECT_FALSE(ws.minimize(id));
        EXPECT_FALSE(ws.requestClose(id));
        ws.markOwnWindow(id);
    }
}

TEST(Win32WindowSystem, TopLevelWindowsComeTopmostFirstAndFollowARaise) {
    Win32WindowSystem ws;
    TestWindow a("Ws Z A", "KivraWsZ");
    TestWindow b("Ws Z B", "KivraWsZ");
    TestWindow c("Ws Z C", "KivraWsZ");
    const std::set<WindowId> ours{a.id(), b.id(), c.id()};
    EXPECT_EQ(listedOrder(ws, ours), (std::vector<WindowId>{c.id(), b.id(), a.id()}));

    EXPECT_TRUE(ws.raise(a.id()));
    EXPECT_EQ(listedOrder(ws, ours), (std::vector<WindowId>{a.id(), c.id(), b.id()}));
    EXPECT_TRUE(ws.raise(b.id()));
    EXPECT_EQ(listedOrder(ws, ours), (std::vector<WindowId>{b.id(), a.id(), c.id()}));
    // Child windows are not top-level windows.
    TestWindow child("Ws Z Child", "KivraWsZ", WS_CHILD | WS_VISIBLE, {0, 0, 50, 50}, a.hwnd());
    const std::vector<WindowId> tops = ws.topLevelWindows();
    EXPECT_EQ(std::count(tops.begin(), tops.end(), child.id()), 0);
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

TEST(Win32WindowActions, MoveMinimizeRestoreAndMaximize) {
    Win32WindowSystem ws;
    TestWindow w("Ws Actions", "KivraWsActions");
    for (const Rect r : {Rect{200, 150, 640, 470}, Rect{-50, -20, 250, 180}, Rect{1100, 900, 1500, 1200}}) {
        EXPECT_TRUE(ws.move(w.id(), r));
        EXPECT_EQ(ws.rect(w.id()), r);
    }
    const Rect before{300, 200, 700, 500};
    ASSERT_TRUE(ws.move(w.id(), before));

    EXPECT_TRUE(ws.minimize(w.id()));
    EXPECT_TRUE(ws.isMinimized(w.id()));
    EXPECT_TRUE(ws.describe(w.id(), FieldState).minimized);
    EXPECT_TRUE(ws.isVisible(w.id()));  // a minimized window is still visible
    EXPECT_TRUE(ws.restore(w.id()));
    EXPECT_FALSE(ws.isMinimized(w.id()));
    EXPECT_EQ(ws.rect(w.id()), before);
    EXPECT_TRUE(ws.restore(w.id()));  // nothing to undo is no failure

    ShowWindow(w.hwnd(), SW_MAXIMIZE);
    EXPECT_TRUE(ws.isMaximized(w.id()));
    const WindowInfo maximized = ws.describe(w.id(), FieldState | FieldStyle);
    EXPECT_TRUE(maximized.maximized);
    EXPECT_FALSE(maximized.minimized);
    EXPECT_GT(static_cast<std::int32_t>(maximized.style), 0);  // still no pop-up style
    ShowWindow(w.hwnd(), SW_RESTORE);
    EXPECT_FALSE(ws.isMaximized(w.id()));
}

TEST(Win32WindowActions, SetTopmostKeepsAWindowAboveTheOthers) {
    Win32WindowSystem ws;
    TestWindow low("Ws Low", "KivraWsTopmost");
    TestWindow high("Ws High", "KivraWsTopmost");
    const auto topmost = [](const TestWindow& w) { return (GetWindowLongW(w.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    const std::set<WindowId> ours{low.id(), high.id()};

    EXPECT_TRUE(ws.setTopmost(low.id(), true));
    EXPECT_TRUE(topmost(low));
    EXPECT_FALSE(topmost(high));
    ws.raise(high.id());
    EXPECT_EQ(listedOrder(ws, ours), (std::vector<WindowId>{low.id(), high.id()}));

    EXPECT_TRUE(ws.setTopmost(low.id(), false));
    EXPECT_FALSE(topmost(low));
    ws.raise(high.id());
    EXPECT_EQ(listedOrder(ws, ours), (std::vector<WindowId>{high.id(), low.id()}));
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

TEST(Win32WindowActions, ProcessOfTellsOurWindowsFromAnotherProcesss) {
    Win32WindowSystem ws;
    TestWindow mine("Ws Mine", "KivraWsProcess");
    WindowHost host({HostWindowSpec{"KivraWsToolProcess", "Ws Theirs"}});
    ASSERT_TRUE(host.started());
    const HWND theirs = host.window("Ws Theirs");
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(ws.processOf(mine.id()), static_cast<ProcessId>(GetCurrentProcessId()));
    EXPECT_EQ(ws.processOf(win32::toWindowId(theirs)), static_cast<ProcessId>(host.pid()));
    EXPECT_NE(host.pid(), GetCurrentProcessId());
}

TEST(Win32WindowActions, RequestCloseEndsAnotherProcesssWindowAndTheProcess) {
    Win32WindowSystem ws;
    WindowHost host({HostWindowSpec{"KivraWsToolClose", "Ws Close Me", {400, 300, 700, 500}}});
    const HWND hwnd = host.window("Ws Close Me");
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = win32::toWindowId(hwnd);
    EXPECT_EQ(ws.title(id), "Ws Close Me");
    EXPECT_EQ(ws.rect(id), (Rect{400, 300, 700, 500}));
    // Another process's window moves and comes back like our own.
    EXPECT_TRUE(ws.move(id, Rect{420, 310, 720, 510}));
    EXPECT_EQ(ws.rect(id), (Rect{420, 310, 720, 510}));

    EXPECT_TRUE(ws.requestClose(id));
    EXPECT_TRUE(waitUntil([&] { return !ws.exists(id); }));
    EXPECT_TRUE(host.waitForExit());
}

TEST(Win32WindowActions, AHungApplicationDoesNotHangTheCaller) {
    Win32WindowSystem ws;
    WindowHost host({HostWindowSpec{"KivraWsToolHung", "Ws Hung"}}, MarkOwn::No, 8000);
    const HWND hwnd = host.window("Ws Hung");
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = win32::toWindowId(hwnd);
    const Rect where = *ws.rect(id);
    // The host's window procedure goes to sleep; it retitles its window first.
    ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return ws.title(id) == "Ws Hung (hung)"; }));

    auto start = Clock::now();
    EXPECT_FALSE(ws.requestClose(id));
    EXPECT_LT(millisSince(start), 1000);
    EXPECT_GE(millisSince(start), 100);  // it did wait for an answer a while

    // Actions on it give up instead of waiting for the sleeper.
    start = Clock::now();
    EXPECT_FALSE(ws.raise(id));
    EXPECT_FALSE(ws.move(id, Rect{0, 0, 100, 100}));
    EXPECT_FALSE(ws.setTopmost(id, true));
    EXPECT_FALSE(ws.minimize(id));
    EXPECT_LT(millisSince(start), 4 * 400);

    // Questions never wait on the window's thread.
    start = Clock::now();
    EXPECT_TRUE(ws.exists(id));
    EXPECT_EQ(ws.describe(id).rect, where);
    EXPECT_EQ(ws.describe(id).title, "Ws Hung (hung)");
    EXPECT_LT(millisSince(start), 500);
}
