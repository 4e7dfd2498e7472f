// The host-window walk over the user32 backend, with real windows of this process and of
// another one: which windows become "T: " and " + C: " entries, and in which order.
#include "RectPrinter.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowHost.h"

#include "WindowEnumeration.h"

#include <gtest/gtest.h>

#include <set>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;
using kivra::win32::Win32WindowSystem;

namespace {

constexpr DWORD kPlain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
const std::string kGreekCjk = "Ws \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE4\xB8\x96\xE7\x95\x8C";

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

TEST(Win32Walk, ListsEligibleTopLevelWindowsOfEveryProcessInZOrder) {
    Win32WindowSystem ws;
    const std::string longTitle = "Ws Long " + std::string(300, 'x');
    TestWindow alpha("Ws Walk Alpha", "KivraWsWalk");
    TestWindow greek(kGreekCjk, "KivraWsWalk");
    TestWindow longOne(longTitle, "KivraWsWalk");
    TestWindow blanks("Ws Walk Blanks   ", "KivraWsWalk");
    // Never listed: a dialog, a help viewer, pop-ups, hidden and untitled windows, our own.
    TestWindow dialog("Ws Walk Dialog", "#32770", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    TestWindow plainDialog("Ws Walk Plain Dialog", "#32770");
    TestWindow help("Ws Walk Help", "HH Parent");
    TestWindow popup("Ws Walk Popup", "KivraWsWalk", WS_POPUP | WS_VISIBLE);
    TestWindow captionedPopup("Ws Walk Captioned Popup", "KivraWsWalk", WS_POPUP | WS_CAPTION | WS_VISIBLE);
    TestWindow hidden("Ws Walk Hidden", "KivraWsWalk", WS_OVERLAPPEDWINDOW);
    TestWindow untitled("", "KivraWsWalk");
    TestWindow own("Ws Walk Own", "KivraWsWalk");
    ws.markOwnWindow(own.id());
    // Another application's window is listed; another Kivra process's is not.
    WindowHost other({HostWindowSpec{"KivraWsWalkTool", "Ws Walk Tool"}});
    WindowHost otherKivra({HostWindowSpec{"KivraWsWalkTool", "Ws Walk Tool Own"}}, MarkOwn::Yes);
    const HWND tool = other.window("Ws Walk Tool");
    const HWND toolOwn = otherKivra.window("Ws Walk Tool Own");
    ASSERT_NE(tool, nullptr);
    ASSERT_NE(toolOwn, nullptr);

    std::set<WindowId> ours{toWindowId(tool), toWindowId(toolOwn)};
    for (const TestWindow* w : {&alpha, &greek, &longOne, &blanks, &dialog, &plainDialog, &help, &popup,
                                &captionedPopup, &hidden, &untitled, &own})
        ours.insert(w->id());
    stackFromTop({blanks.hwnd(), dialog.hwnd(), tool, own.hwnd(), greek.hwnd(), toolOwn, popup.hwnd(),
                  alpha.hwnd(), longOne.hwnd(), help.hwnd(), untitled.hwnd()});

    const std::vector<std::string> expected{"T: Ws Walk Blanks", "T: Ws Walk Tool", "T: " + kGreekCjk,
                                            "T: Ws Walk Alpha", "T: " + longTitle.substr(0, 255)};
    EXPECT_EQ(entriesOf(ws, ours), expected);

    // Raising a window moves its entry to the top.
    ASSERT_TRUE(ws.raise(alpha.id()));
    const std::vector<std::string> raised{"T: Ws Walk Alpha", "T: Ws Walk Blanks", "T: Ws Walk Tool",
                                          "T: " + kGreekCjk, "T: " + longTitle.substr(0, 255)};
    EXPECT_EQ(entriesOf(ws, ours), raised);
    ASSERT_TRUE(ws.raise(toWindowId(tool)));
    EXPECT_EQ(entriesOf(ws, ours).front(), "T: Ws Walk Tool");
}

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
