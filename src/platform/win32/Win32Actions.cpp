// Acting on windows (restore, raise, move, topmost, minimize, close request), the
// own-window mark, the foreground-lock nudge and the screen metrics.
//
// user32 carries out most actions on another thread's window by sending that thread
// a message and waiting for it. A hung application would then hang us, so such a
// window must first answer a WM_NULL within a short time, and the close request
// itself is sent with a timeout.
#include "Win32WindowSystem.h"

#include "Win32Handles.h"

namespace kivra::win32 {

namespace {

UINT millis(std::chrono::milliseconds d) { return static_cast<UINT>(d.count()); }

// A window of this thread is acted on directly; any other must answer first.
bool answers(HWND hwnd) {
    if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) return true;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, millis(kResponsiveTimeout), &result) != 0;
}

// The window when it exists and can be acted on without waiting on a hung thread.
HWND reachable(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd && answers(hwnd) ? hwnd : nullptr;
}

}  // namespace

bool Win32WindowSystem::restore(WindowId window) {
    const HWND live = liveWindow(window);
    if (!live) return false;
    if (!IsIconic(live)) return true;  // nothing to undo
    const HWND hwnd = reachable(window);
    return hwnd && OpenIcon(hwnd);
}

// BringWindowToTop activates the window too; our covers are raised without activation,
// so that they never take the keyboard focus from their hosts.
bool Win32WindowSystem::raise(WindowId window) {
    const HWND hwnd = reachable(window);
    if (!hwnd) return false;
    if (GetPropW(hwnd, kOwnWindowProperty) != nullptr)
        return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
    return BringWindowToTop(hwnd) != 0;
}

bool Win32WindowSystem::restoreWithoutFocus(WindowId window) {
    const HWND hwnd = reachable(window);
    if (!hwnd) return false;
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return IsIconic(hwnd) == 0;
}

bool Win32WindowSystem::move(WindowId window, const Rect& frame) {
    const HWND hwnd = reachable(window);
    return hwnd && MoveWindow(hwnd, frame.left, frame.top, frame.width(), frame.height(), TRUE);
}

bool Win32WindowSystem::setTopmost(WindowId window, bool topmost) {
    const HWND hwnd = reachable(window);
    return hwnd && SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                                SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32WindowSystem::minimize(WindowId window) {
    const HWND hwnd = reachable(window);
    if (!hwnd) return false;
    ShowWindow(hwnd, SW_MINIMIZE);  // answers the previous visibility, not success
    return IsIconic(hwnd) != 0;
}

// The window's own close handling runs (it may ask the user, or refuse). False when
// the window is gone, hung, or has not handled the request within the timeout; the
// request then stays queued for it.
bool Win32WindowSystem::requestClose(WindowId window) {
    const HWND hwnd = liveWindow(window);
    if (!hwnd) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, millis(kCloseTimeout), &result) != 0;
}

void Win32WindowSystem::markOwnWindow(WindowId window) {
    if (const HWND hwnd = liveWindow(window)) SetPropW(hwnd, kOwnWindowProperty, reinterpret_cast<HANDLE>(1));
}

// A key event from this process counts as input, which entitles it to the foreground.
void Win32WindowSystem::nudgeForegroundLock() { keybd_event(0, 0, 0, 0); }

Rect Win32WindowSystem::virtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return Rect{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

int Win32WindowSystem::captionHeight() { return GetSystemMetrics(SM_CYCAPTION); }

}  // namespace kivra::win32
