// The user32 backend of the window system against real windows under Wine (or Windows):
// the contract, then what only this backend has: kinds from classes and styles, the
// own-window marker, titles cut in UTF-16, child windows and MDI documents, screen metrics,
// and another process's window, responsive or hung.
#include "support/RectPrinter.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowSystemContract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;
using kivra::win32::Win32WindowSystem;

namespace {

constexpr DWORD kPlain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

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

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, INT_PTR id, DWORD style = WS_VISIBLE,
           void* create = nullptr) {
    return CreateWindowExW(0, cls, text, WS_CHILD | style, 0, 0, 80, 20, parent, reinterpret_cast<HMENU>(id),
                           GetModuleHandleW(nullptr), create);
}

HWND mdiDocument(HWND client, const wchar_t* title) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefMDIChildProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KivraWsMdiChild";
    RegisterClassExW(&wc);
    MDICREATESTRUCTW mcs{L"KivraWsMdiChild", title, GetModuleHandleW(nullptr), 10, 10, 200, 150, 0, 0};
    return reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

}  // namespace

namespace kivra::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowSystemContract, Win32Driver);
}

// Marked as our own, each window's class name carries the marker; its kind still comes from
// the real class.
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
        {"KivraWsPlain", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, WindowKind::Normal},
    };
    Win32WindowSystem ws;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.cls) + " style " + std::to_string(row.style));
        TestWindow w("Ws Kind", row.cls, row.style);
        ws.markOwnWindow(w.id());
        const WindowInfo info = ws.describe(w.id(), FieldStyle | FieldClass);
        EXPECT_EQ(info.className, std::string("QbaseRT5:") + row.cls);
        EXPECT_EQ(info.kind, row.kind);
        EXPECT_EQ((info.style & style::Popup) != 0, (row.style & WS_POPUP) != 0);
    }
}

// The cut counts characters, not UTF-16 units: a surrogate pair is one, and never split.
TEST(Win32WindowSystem, TitlesAreCutTo255CharactersNeverInsideASurrogatePair) {
    std::string title;
    for (int i = 0; i < 300; ++i) title += "\xF0\x9F\x98\x80";
    TestWindow w(title, "KivraWsTitle");
    EXPECT_EQ(Win32WindowSystem().title(w.id()), title.substr(0, 255 * 4));
}

// A frame with a control (42) holding a button (7), a hidden control, an MDI client with a
// document, and an owned pop-up: the lists, parents, identifiers and classes
// as Windows gives them. The host-window walk's rules for them are the unit tier's; here what
// it reads: the MDI client's class, the documents' parent and identifiers, the order met.
TEST(Win32WindowSystem, ChildWindowsParentsOwnersControlIdsAndMdiDocuments) {
    Win32WindowSystem ws;
    TestWindow frame("Ws Family", "KivraWsFamily", kPlain, {50, 50, 750, 600});
    const HWND control = child(frame.hwnd(), L"STATIC", L"Child", 42);
    const HWND button = child(control, L"BUTTON", L"Grandchild", 7);
    const HWND hidden = child(frame.hwnd(), L"STATIC", L"", 0, 0);
    CLIENTCREATESTRUCT ccs{nullptr, 50000};
    const HWND client = child(frame.hwnd(), L"MDICLIENT", nullptr, 0xCAC, WS_CLIPCHILDREN | WS_VISIBLE, &ccs);
    const HWND doc = mdiDocument(client, L"Document One");
    ASSERT_NE(doc, nullptr);
    TestWindow owned("Ws Owned", "KivraWsFamily", WS_POPUP | WS_CAPTION | WS_VISIBLE, {0, 0, 100, 100}, frame.hwnd());

    // Every descendant, each after its parent.
    const std::vector<WindowId> kids = ws.childWindows(frame.id());
    ASSERT_EQ(kids.size(), 5u);
    const auto at = [&](HWND h) { return std::find(kids.begin(), kids.end(), toWindowId(h)) - kids.begin(); };
    EXPECT_LT(at(control), at(button));
    EXPECT_LT(at(client), at(doc));
    EXPECT_LT(at(hidden), 5);
    EXPECT_EQ(ws.childWindows(toWindowId(control)), std::vector<WindowId>{toWindowId(button)});
    EXPECT_TRUE(ws.childWindows(toWindowId(button)).empty());

    const std::vector<WindowId> asked = {toWindowId(control), toWindowId(button), toWindowId(hidden),
                                         toWindowId(doc), toWindowId(client)};
    const std::vector<WindowInfo> infos = ws.describe(asked, FieldAll);
    EXPECT_EQ(infos[0].controlId, 42);
    EXPECT_EQ(infos[0].parent, frame.id());
    EXPECT_EQ(infos[0].className, "Static");
    EXPECT_EQ(infos[0].title, "Child");
    EXPECT_EQ(infos[1].controlId, 7);
    EXPECT_EQ(infos[1].parent, toWindowId(control));
    EXPECT_EQ(infos[2].controlId, 0);
    EXPECT_FALSE(infos[2].visible);
    EXPECT_GE(infos[3].controlId, 50000);
    EXPECT_EQ(infos[3].parent, toWindowId(client));
    EXPECT_EQ(infos[4].className, "MDIClient");
    // A pop-up's parent is its owner; an unowned top-level window has none.
    EXPECT_EQ(ws.parent(owned.id()), frame.id());
    EXPECT_EQ(ws.parent(frame.id()), 0u);

    // A top-level window's identifier slot holds its menu, which is no control identifier.
    const HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"File");
    ASSERT_TRUE(SetMenu(frame.hwnd(), menu));
    EXPECT_EQ(ws.describe(frame.id(), FieldControlId).controlId, 0);
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

TEST(Win32WindowActions, MaximizedIsReadAndForegroundFollowsActivationAndRaise) {
    Win32WindowSystem ws;
    TestWindow a("Ws Fore A", "KivraWsFore");
    TestWindow b("Ws Fore B", "KivraWsFore");
    ShowWindow(a.hwnd(), SW_MAXIMIZE);
    const WindowInfo maximized = ws.describe(a.id(), FieldState | FieldStyle);
    EXPECT_TRUE(maximized.maximized);
    EXPECT_FALSE(maximized.minimized);
    EXPECT_GT(static_cast<std::int32_t>(maximized.style), 0);  // still no pop-up style
    ShowWindow(a.hwnd(), SW_RESTORE);
    EXPECT_FALSE(ws.isMaximized(a.id()));

    ASSERT_TRUE(SetForegroundWindow(a.hwnd()));
    EXPECT_EQ(ws.foreground(), a.id());
    EXPECT_TRUE(ws.raise(b.id()));
    EXPECT_EQ(ws.foreground(), b.id());
    ws.nudgeForegroundLock();  // harmless where there is no lock
    EXPECT_EQ(ws.foreground(), b.id());
}

// Another process's window is read, marked or not, and moved like our own; once its thread
// hangs (it sleeps far longer than the test may run), every action answers false at once.
TEST(Win32WindowActions, AnotherProcesssWindowIsReadAndMovedAndWhenHungNeverHangsTheCaller) {
    Win32WindowSystem ws;
    Probe host("window", "Ws Hung");
    const HWND hwnd = host.window();
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = toWindowId(hwnd);
    EXPECT_EQ(ws.className(id), "QbaseRT5:KivraProbe");
    EXPECT_EQ(ws.processOf(id), host.pid());
    EXPECT_EQ(ws.rect(id), (Rect{400, 300, 700, 500}));
    const Rect where{420, 310, 720, 510};
    EXPECT_TRUE(ws.move(id, where));
    EXPECT_EQ(ws.rect(id), where);

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
