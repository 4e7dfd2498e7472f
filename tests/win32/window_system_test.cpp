// The user32 backend of the window system against real windows under Wine (or Windows):
// the contract, then what only this backend has: kinds from classes and styles, the
// own-window marker, titles cut in UTF-16, child windows and MDI documents, another
// process's window, responsive or hung, and the picker.
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowPicker.h"
#include "Win32WindowSystem.h"
#include "WindowSystemContract.h"
#include "support/Rects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;
using kivra::win32::Win32WindowSystem;

namespace {

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

HWND child(HWND parent, const wchar_t* cls, INT_PTR id, void* create = nullptr) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent,
                           reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), create);
}

}  // namespace

namespace kivra::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowSystemContract, Win32Driver);
}

// The kind comes from the class first, then from the pop-up style.
TEST(Win32WindowSystem, KindComesFromTheDialogAndHelpClassesAndThePopupStyle) {
    const struct {
        const char* cls;
        DWORD style;
        WindowKind kind;
    } rows[] = {
        {"#32770", WS_POPUP | WS_CAPTION | WS_VISIBLE, WindowKind::Dialog},
        {"HH Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, WindowKind::HelpViewer},
        {"KivraWsPopup", WS_POPUP | WS_VISIBLE, WindowKind::Popup},
    };
    Win32WindowSystem ws;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cls);
        TestWindow w("Ws Kind", row.cls, row.style);
        const WindowInfo info = ws.describe(w.id(), FieldStyle);
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

// A frame with a control (42) and an MDI client with a document. The host-window walk's rules
// are the unit tier's; here what it reads: every descendant, each after its parent,
// identifiers, parents and the MDI client's class.
TEST(Win32WindowSystem, ChildWindowsParentsControlIdsAndMdiDocuments) {
    Win32WindowSystem ws;
    TestWindow frame("Ws Family", "KivraWsFamily");
    const HWND control = child(frame.hwnd(), L"STATIC", 42);
    CLIENTCREATESTRUCT ccs{nullptr, 50000};
    const HWND client = child(frame.hwnd(), L"MDICLIENT", 0xCAC, &ccs);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefMDIChildProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KivraWsMdiChild";
    RegisterClassExW(&wc);
    MDICREATESTRUCTW mcs{L"KivraWsMdiChild", L"Document", wc.hInstance, 10, 10, 200, 150, 0, 0};
    const LRESULT made = SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs));
    const auto doc = reinterpret_cast<HWND>(made);
    ASSERT_NE(doc, nullptr);

    const std::vector<WindowId> kids = ws.childWindows(frame.id());
    ASSERT_EQ(kids.size(), 3u);
    const auto at = [&](HWND h) { return std::find(kids.begin(), kids.end(), toWindowId(h)) - kids.begin(); };
    EXPECT_LT(at(control), 3);
    EXPECT_LT(at(client), at(doc));

    const WindowId asked[] = {toWindowId(control), toWindowId(doc), toWindowId(client)};
    const std::vector<WindowInfo> infos = ws.describe(asked, FieldAll);
    EXPECT_EQ(infos[0].controlId, 42);
    EXPECT_EQ(infos[0].parent, frame.id());
    EXPECT_GE(infos[1].controlId, 50000);
    EXPECT_EQ(infos[1].parent, toWindowId(client));
    EXPECT_EQ(infos[2].className, "MDIClient");

    // A top-level window's identifier slot holds its menu, which is no control identifier.
    const HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, 1, L"File");
    ASSERT_TRUE(SetMenu(frame.hwnd(), menu));
    EXPECT_EQ(ws.describe(frame.id(), FieldControlId).controlId, 0);
}

TEST(Win32WindowActions, MaximizedIsReadAndRaiseBringsToTheForeground) {
    Win32WindowSystem ws;
    TestWindow a("Ws Fore A", "KivraWsFore");
    TestWindow b("Ws Fore B", "KivraWsFore");
    ShowWindow(a.hwnd(), SW_MAXIMIZE);
    EXPECT_TRUE(ws.describe(a.id(), FieldState).maximized);
    ShowWindow(a.hwnd(), SW_RESTORE);
    EXPECT_FALSE(ws.isMaximized(a.id()));

    ASSERT_TRUE(SetForegroundWindow(a.hwnd()));
    EXPECT_EQ(ws.foreground(), a.id());
    EXPECT_TRUE(ws.raise(b.id()));
    EXPECT_EQ(ws.foreground(), b.id());
}

// Another process's window is read (its class with the marker of Kivra's own windows) and
// moved like our own; once its thread hangs (it sleeps far longer than the test may run),
// every action answers false at once.
TEST(Win32WindowActions, AnotherProcesssWindowIsReadAndMovedAndWhenHungNeverHangsTheCaller) {
    Win32WindowSystem ws;
    Probe host("window Ws Hung");
    const HWND hwnd = host.window();
    ASSERT_NE(hwnd, nullptr);
    const WindowId id = toWindowId(hwnd);
    EXPECT_EQ(ws.className(id), "QbaseRT5:KivraProbe");
    EXPECT_EQ(ws.processOf(id), host.pid());
    const Rect where{420, 310, 720, 510};
    EXPECT_TRUE(ws.move(id, where));
    EXPECT_EQ(ws.rect(id), where);

    // The host's window procedure goes to sleep; it retitles its window first.
    ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return ws.title(id) == "window Ws Hung (hung)"; }));
    EXPECT_FALSE(ws.requestClose(id));
    EXPECT_FALSE(ws.raise(id));
    EXPECT_FALSE(ws.move(id, Rect{0, 0, 100, 100}));
    EXPECT_FALSE(ws.setTopmost(id, true));
    EXPECT_FALSE(ws.minimize(id));
    EXPECT_TRUE(ws.exists(id));
    EXPECT_EQ(ws.describe(id).rect, where);
}

// The capture window takes the click, then the window under the click's point is picked; a
// right click gives up. Either way the capture window is gone before the answer.
TEST(Win32WindowPicker, AClickPicksTheWindowUnderItAndARightClickGivesUp) {
    TestWindow target("Ws Pick", "KivraWsPick", WS_POPUP | WS_VISIBLE, {200, 200, 600, 500});
    ASSERT_TRUE(SetCursorPos(400, 350));
    win32::Win32WindowPicker picker;
    for (const UINT down : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
        std::optional<std::pair<PickEnd, WindowId>> ended;
        ASSERT_TRUE(picker.start([&](PickEnd end, WindowId w) { ended.emplace(end, w); }));
        const HWND overlay = GetCapture();
        SendMessageW(overlay, down, 0, 0);
        SendMessageW(overlay, down + 1, 0, 0);  // the button's release
        ASSERT_TRUE(ended);
        EXPECT_FALSE(IsWindow(overlay));
        const bool left = down == WM_LBUTTONDOWN;
        EXPECT_EQ(ended->first, left ? PickEnd::Picked : PickEnd::Cancelled);
        EXPECT_EQ(ended->second, left ? target.id() : 0u);
    }
}
