// Shared helpers of the Windows tests.
#include "Win32Test.h"

#include <thread>
#include <vector>

namespace kivra::wintest {

std::filesystem::path programDir() {
    std::vector<wchar_t> buffer(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    return std::filesystem::path(std::wstring(buffer.data(), n)).parent_path();
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pump();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return done();
        // Wakes for any message or after a millisecond.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

TestWindow::TestWindow(std::string_view title, std::string_view className, DWORD style, RECT frame, HWND parent,
                       DWORD exStyle) {
    const std::wstring cls = widen(className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), cls.c_str(), &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = cls.c_str();
        RegisterClassExW(&wc);
    }
    hwnd_ = CreateWindowExW(exStyle, cls.c_str(), widen(title).c_str(), style, frame.left, frame.top,
                            frame.right - frame.left, frame.bottom - frame.top, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    pump();
}

TestWindow::~TestWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    pump();
}

}  // namespace kivra::wintest
