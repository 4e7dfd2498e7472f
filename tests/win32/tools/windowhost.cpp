// A host application for the Windows tests: opens top-level windows with the classes,
// titles and frames given on its command line and pumps messages until all are closed.
//   windowhost [--mark] [--hang-ms N] --window CLASS TITLE LEFT TOP WIDTH HEIGHT ...
// --mark marks every window as Kivra's own through the window-system backend.
// --hang-ms N: a posted WM_APP makes the window procedure sleep N ms, as a hung
// application does; the window's title gets " (hung)" appended first, so that a test
// can tell when the sleep has begun.
#include "Win32Handles.h"
#include "Win32WindowSystem.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

int openWindows = 0;
DWORD hangMs = 0;

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_APP: {
        wchar_t title[256] = {};
        GetWindowTextW(hwnd, title, 240);
        SetWindowTextW(hwnd, (std::wstring(title) + L" (hung)").c_str());
        Sleep(hangMs);
        return 0;
    }
    case WM_DESTROY:
        if (--openWindows == 0) PostQuitMessage(0);
        return 0;
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

struct WindowRequest {
    std::wstring cls, title;
    int left = 0, top = 0, width = 0, height = 0;
};

HWND open(const WindowRequest& s) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), s.cls.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = s.cls.c_str();
        RegisterClassExW(&wc);
    }
    return CreateWindowExW(0, s.cls.c_str(), s.title.c_str(), WS_OVERLAPPEDWINDOW, s.left, s.top,
                           s.width, s.height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool mark = false;
    std::vector<WindowRequest> requests;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--mark") {
            mark = true;
        } else if (arg == L"--hang-ms" && i + 1 < argc) {
            hangMs = static_cast<DWORD>(std::stoul(argv[++i]));
        } else if (arg == L"--window" && i + 6 < argc) {
            WindowRequest s{argv[i + 1], argv[i + 2], std::stoi(argv[i + 3]), std::stoi(argv[i + 4]), std::stoi(argv[i + 5]),
                   std::stoi(argv[i + 6])};
            requests.push_back(s);
            i += 6;
        } else {
            return 2;
        }
    }
    LocalFree(argv);

    kivra::win32::Win32WindowSystem windows;
    for (const WindowRequest& s : requests) {
        const HWND hwnd = open(s);
        if (!hwnd) return 3;
        ++openWindows;
        // Marked before it is shown: the tests look for visible windows.
        if (mark) windows.markOwnWindow(kivra::win32::toWindowId(hwnd));
        ShowWindow(hwnd, SW_SHOW);
    }
    if (openWindows == 0) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
