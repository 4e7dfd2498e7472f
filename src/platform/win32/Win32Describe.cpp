// Listing windows and reading them: EnumWindows and EnumChildWindows for the lists,
// one pass of plain user32 reads per window for describe and the single questions.
#include "Win32WindowSystem.h"

#include "Win32Handles.h"
#include "SystemText.h"
#include "Win32Text.h"

#include <cwchar>

namespace kivra::win32 {

namespace {

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<WindowId>*>(list)->push_back(toWindowId(hwnd));
    return TRUE;
}

std::uint32_t styleOf(HWND hwnd) {
    return static_cast<std::uint32_t>(static_cast<std::uintptr_t>(GetWindowLongPtrW(hwnd, GWL_STYLE)));
}

// Class names compare without regard to case, as Windows registers them.
bool classIs(const std::wstring& cls, const wchar_t* name) { return _wcsicmp(cls.c_str(), name) == 0; }

WindowKind kindOf(const std::wstring& cls, std::uint32_t style) {
    if (classIs(cls, L"#32770")) return WindowKind::Dialog;
    if (classIs(cls, L"HH Parent")) return WindowKind::HelpViewer;
    if (style & WS_POPUP) return WindowKind::Popup;
    return WindowKind::Normal;
}

// The class name as the walk sees it: a window we marked as our own carries the marker.
std::string reportedClass(HWND hwnd, const std::wstring& cls) {
    if (GetPropW(hwnd, kOwnWindowProperty) == nullptr) return cutToUtf8(cls);
    return cutToUtf8(widen(kOwnClassPrefix) + cls);
}

ProcessId processIdOf(HWND hwnd) {
    DWORD pid = 0;
    return GetWindowThreadProcessId(hwnd, &pid) != 0 ? static_cast<ProcessId>(pid) : 0;
}

Rect toRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

WindowInfo read(WindowId window, std::uint32_t fields) {
    WindowInfo info;
    info.id = window;
    const HWND hwnd = liveWindow(window);
    if (!hwnd) return info;

    const std::wstring cls = (fields & (FieldClass | FieldStyle)) ? windowClassWide(hwnd) : std::wstring();
    const std::uint32_t style = (fields & (FieldStyle | FieldControlId)) ? styleOf(hwnd) : 0;
    if (fields & FieldTitle) info.title = windowTitle(hwnd);
    if (fields & FieldClass) info.className = reportedClass(hwnd, cls);
    if (fields & FieldStyle) {
        info.style = style;
        info.kind = kindOf(cls, style);
    }
    if (fields & FieldVisible) info.visible = IsWindowVisible(hwnd) != 0;
    // Only child windows have identifiers; a top-level window's slot holds its menu.
    if (fields & FieldControlId) info.controlId = (style & WS_CHILD) ? GetDlgCtrlID(hwnd) : 0;
    if (fields & FieldParent) info.parent = toWindowId(GetParent(hwnd));
    if (fields & FieldProcess) info.pid = processIdOf(hwnd);
    if (fields & FieldRect) {
        RECT r{};
        if (GetWindowRect(hwnd, &r)) info.rect = toRect(r);
    }
    if (fields & FieldState) {
        info.minimized = IsIconic(hwnd) != 0;
        info.maximized = IsZoomed(hwnd) != 0;
    }
    // Gone while it was read: whatever came back belongs to no window.
    if (!IsWindow(hwnd)) {
        info = WindowInfo();
        info.id = window;
        return info;
    }
    info.exists = true;
    return info;
}

}  // namespace

std::vector<WindowId> Win32WindowSystem::topLevelWindows() {
    std::vector<WindowId> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<WindowId> Win32WindowSystem::childWindows(WindowId window) {
    std::vector<WindowId> children;
    // EnumChildWindows(NULL) would list the top-level windows instead.
    if (const HWND hwnd = liveWindow(window)) EnumChildWindows(hwnd, collectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::vector<WindowInfo> Win32WindowSystem::describe(std::span<const WindowId> windows, std::uint32_t fields) {
    std::vector<WindowInfo> infos;
    infos.reserve(windows.size());
    for (const WindowId window : windows) infos.push_back(read(window, fields));
    return infos;
}

bool Win32WindowSystem::exists(WindowId window) { return liveWindow(window) != nullptr; }

std::string Win32WindowSystem::title(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd ? windowTitle(hwnd) : std::string();
}

std::string Win32WindowSystem::className(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd ? reportedClass(hwnd, windowClassWide(hwnd)) : std::string();
}

bool Win32WindowSystem::isVisible(WindowId window) { return IsWindowVisible(liveWindow(window)) != 0; }

bool Win32WindowSystem::isMinimized(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd && IsIconic(hwnd);
}

bool Win32WindowSystem::isMaximized(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd && IsZoomed(hwnd);
}

std::optional<Rect> Win32WindowSystem::rect(WindowId window) {
    RECT r{};
    const HWND hwnd = liveWindow(window);
    if (!hwnd || !GetWindowRect(hwnd, &r)) return std::nullopt;
    return toRect(r);
}

WindowId Win32WindowSystem::parent(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd ? toWindowId(GetParent(hwnd)) : 0;
}

ProcessId Win32WindowSystem::processOf(WindowId window) {
    const HWND hwnd = liveWindow(window);
    return hwnd ? processIdOf(hwnd) : 0;
}

WindowId Win32WindowSystem::foreground() { return toWindowId(GetForegroundWindow()); }

}  // namespace kivra::win32
