// The host-window walk over the user32 backend on a real MDI application. Which windows the
// walk lists is its own rule (unit tier); here Windows decides the MDI client's class, the
// documents' parent and identifiers, and the order they are met in.
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowEnumeration.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;

namespace {

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, INT_PTR id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, parent, reinterpret_cast<HMENU>(id),
                           GetModuleHandleW(nullptr), nullptr);
}

HWND mdiCreate(HWND client, const wchar_t* title) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), L"KivraWsMdiChild", &wc)) {
        wc.lpfnWndProc = DefMDIChildProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KivraWsMdiChild";
        RegisterClassExW(&wc);
    }
    MDICREATESTRUCTW mcs{L"KivraWsMdiChild", title, GetModuleHandleW(nullptr), 10, 10, 200, 150, 0, 0};
    return reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

}  // namespace

TEST(Win32Walk, MdiDocumentsFollowTheirFrameOnceItsMdiClientIsMet) {
    win32::Win32WindowSystem ws;
    TestWindow frame("Ws MDI Frame", "KivraWsMdiFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {50, 50, 750, 600});
    child(frame.hwnd(), L"STATIC", L"Ws Toolbar", 9);  // met before the MDI client: not listed
    CLIENTCREATESTRUCT ccs{nullptr, 50000};
    const HWND client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 30, 680,
                                        480, frame.hwnd(), reinterpret_cast<HMENU>(0xCAC), GetModuleHandleW(nullptr),
                                        &ccs);
    ASSERT_NE(client, nullptr);
    const HWND doc = mdiCreate(client, L"Document One  ");
    ASSERT_NE(doc, nullptr);
    child(doc, L"BUTTON", L"Inner Button", 101);

    // The frame's entry and the entries after it, up to the next top-level window.
    const std::vector<HostEntry> all = walkWindows(ws);
    auto it = std::find_if(all.begin(), all.end(), [&](const HostEntry& e) { return e.window == frame.id(); });
    std::vector<std::string> ours;
    for (; it != all.end() && (ours.empty() || it->text.rfind("T: ", 0) != 0); ++it) ours.push_back(it->text);
    EXPECT_EQ(ours, (std::vector<std::string>{"T: Ws MDI Frame", " + C: Document One", " + C: Inner Button"}));

    const WindowInfo info = ws.describe(toWindowId(doc), FieldControlId | FieldParent);
    EXPECT_GE(info.controlId, 50000);
    EXPECT_EQ(info.parent, toWindowId(client));
    EXPECT_EQ(ws.className(toWindowId(client)), "MDIClient");
}
