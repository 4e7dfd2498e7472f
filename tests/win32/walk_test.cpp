// The host-window walk over the user32 backend where only Windows decides: MDI children,
// listed as " + C: " entries after their frame once its MDI client is met.
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"

#include "WindowEnumeration.h"

#include <gtest/gtest.h>

#include <set>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;
using kivra::win32::Win32WindowSystem;

namespace {

constexpr DWORD kPlain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

// The walk's entries for the given windows only (the desktop may hold others).
std::vector<std::string> entriesOf(WindowSystem& ws, const std::set<WindowId>& ours) {
    std::vector<std::string> texts;
    for (const HostEntry& e : walkWindows(ws))
        if (ours.count(e.window)) texts.push_back(e.text);
    return texts;
}

// Stacks the windows in this order from the top, without activating any.
void stackFromTop(const std::vector<HWND>& windows) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, int id, DWORD style = WS_CHILD | WS_VISIBLE) {
    return CreateWindowExW(0, cls, text, style, 0, 0, 80, 20, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void registerMdiChildClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), L"KivraWsMdiChild", &wc)) return;
    wc.lpfnWndProc = DefMDIChildProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"KivraWsMdiChild";
    RegisterClassExW(&wc);
}

HWND mdiCreate(HWND client, const wchar_t* title) {
    MDICREATESTRUCTW mcs{};
    mcs.szClass = L"KivraWsMdiChild";
    mcs.szTitle = title;
    mcs.hOwner = GetModuleHandleW(nullptr);
    mcs.x = mcs.y = 10;
    mcs.cx = 200;
    mcs.cy = 150;
    return reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

BOOL CALLBACK collect(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

}  // namespace

TEST(Win32Walk, MdiChildrenFollowTheirFrameOnceItsMdiClientIsMet) {
    Win32WindowSystem ws;
    registerMdiChildClass();
    TestWindow frame("Ws MDI Frame", "KivraWsMdiFrame", kPlain, {50, 50, 750, 600});
    // A titled control met before the MDI client is never listed.
    const HWND toolbar = child(frame.hwnd(), L"STATIC", L"Ws Toolbar", 9);
    CLIENTCREATESTRUCT ccs{nullptr, 50000};
    const HWND client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 30, 680,
                                        480, frame.hwnd(), reinterpret_cast<HMENU>(0xCAC), GetModuleHandleW(nullptr),
                                        &ccs);
    ASSERT_NE(client, nullptr);
    const HWND one = mdiCreate(client, L"Document One");
    const HWND two = mdiCreate(client, L"Document Two  ");
    const HWND untitled = mdiCreate(client, L"");
    const HWND hiddenDoc = mdiCreate(client, L"Hidden Document");
    ASSERT_TRUE(one && two && untitled && hiddenDoc);
    ShowWindow(hiddenDoc, SW_HIDE);
    const HWND button = child(two, L"BUTTON", L"Inner Button", 101);
    const HWND noId = child(one, L"STATIC", L"No Id", 0);
    const HWND noText = child(one, L"STATIC", L"", 5);
    const HWND status = child(frame.hwnd(), L"STATIC", L"Ws Status", 10);  // after the client: listed
    // Children of a window without an MDI client are never listed.
    TestWindow plain("Ws No MDI", "KivraWsMdiFrame");
    child(plain.hwnd(), L"STATIC", L"Ws Plain Control", 3);
    stackFromTop({frame.hwnd(), plain.hwnd()});

    // The MDI children's order is the platform's walk order.
    std::vector<HWND> walk;
    EnumChildWindows(frame.hwnd(), collect, reinterpret_cast<LPARAM>(&walk));
    const auto at = [&](HWND h) { return std::find(walk.begin(), walk.end(), h) - walk.begin(); };
    ASSERT_LT(at(toolbar), at(client)) << "the toolbar must come before the MDI client in the walk";
    const std::map<HWND, std::string> listed{{one, " + C: Document One"},
                                             {two, " + C: Document Two"},
                                             {button, " + C: Inner Button"},
                                             {status, " + C: Ws Status"}};
    std::vector<std::string> expected{"T: Ws MDI Frame"};
    for (HWND h : walk)
        if (listed.count(h)) expected.push_back(listed.at(h));
    expected.push_back("T: Ws No MDI");
    ASSERT_EQ(expected.size(), 6u);

    std::set<WindowId> ours{frame.id(), plain.id()};
    for (HWND h : walk) ours.insert(toWindowId(h));
    for (HWND h : {noId, noText, untitled, hiddenDoc}) EXPECT_TRUE(ours.count(toWindowId(h)));
    EXPECT_EQ(entriesOf(ws, ours), expected);
    // MDI children report their identifiers and the client as their parent.
    const WindowInfo doc = ws.describe(toWindowId(one), FieldControlId | FieldParent | FieldClass);
    EXPECT_GE(doc.controlId, 50000);
    EXPECT_EQ(doc.parent, toWindowId(client));
    EXPECT_EQ(ws.className(toWindowId(client)), "MDIClient");
}
