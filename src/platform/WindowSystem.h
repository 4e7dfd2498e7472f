// The window-system seam: everything the programs ask of the desktop's windows,
// in plain values. Backends: x11/ (EWMH over xcb), win32/ (user32), fake/ (in-memory, for tests).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kivra {

// A top-level or child window of any application. 0 means "no window".
using WindowId = std::uint64_t;
using ProcessId = std::int64_t;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// What kind of top-level window this is, as far as host listing cares.
// Popup: a window that is not an application's main window (Win32 WS_POPUP;
// X11: override-redirect, or a _NET_WM_WINDOW_TYPE such as menu, tooltip, splash, dock).
// Dialog: a standard dialog box (Win32 class "#32770"; X11 type DIALOG or a WM_TRANSIENT_FOR).
// HelpViewer: a help viewer frame (Win32 class "HH Parent"; none on X11).
enum class WindowKind : std::uint8_t { Normal, Popup, Dialog, HelpViewer };

// Window style bits in the Win32 layout, in which the host-window rules are stated.
// The X11 backend synthesizes them from the window's type and hints.
namespace style {
constexpr std::uint32_t Popup = 0x80000000u;
constexpr std::uint32_t Visible = 0x10000000u;
constexpr std::uint32_t ClipSiblings = 0x04000000u;
constexpr std::uint32_t ClipChildren = 0x02000000u;
constexpr std::uint32_t OverlappedWindow = 0x00CF0000u;  // caption, border, system menu, sizing frame, min/max boxes
// A plain application main window and nothing else: Terminate Pop-up spares these.
constexpr std::uint32_t PlainMainWindow = Visible | ClipSiblings | ClipChildren | OverlappedWindow;  // 0x16CF0000
// The window's state rather than its kind: minimized, maximized.
constexpr std::uint32_t Minimize = 0x20000000u;
constexpr std::uint32_t Maximize = 0x01000000u;
}  // namespace style

// Which fields of WindowInfo a batched read fills; the others keep their defaults.
enum InfoField : std::uint32_t {
    FieldTitle = 1u << 0,
    FieldClass = 1u << 1,
    FieldStyle = 1u << 2,  // style and kind
    FieldVisible = 1u << 3,
    FieldControlId = 1u << 4,
    FieldParent = 1u << 5,
    FieldProcess = 1u << 6,
    FieldRect = 1u << 7,
    FieldState = 1u << 8,  // minimized and maximized
    FieldAll = 0x1FFu,
};

struct WindowInfo {
    WindowId id = 0;
    bool exists = false;        // false: the window was gone when asked; every other field is default
    std::string title;          // UTF-8, at most 255 characters, cut at the first NUL
    std::string className;      // at most 255 characters
    std::uint32_t style = 0;
    WindowKind kind = WindowKind::Normal;
    bool visible = false;
    int controlId = 0;          // child windows: the control identifier (0 = none)
    WindowId parent = 0;        // parent or owner (GetParent; X11: WM_TRANSIENT_FOR)
    ProcessId pid = 0;          // 0 when unknown
    Rect rect;                  // frame rectangle in screen pixels (GetWindowRect)
    bool minimized = false;
    bool maximized = false;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // --- Listing -----------------------------------------------------------
    // Every top-level window, topmost first (EnumWindows order).
    virtual std::vector<WindowId> topLevelWindows() = 0;
    // Every descendant of a window, in the platform's walk order (EnumChildWindows).
    virtual std::vector<WindowId> childWindows(WindowId window) = 0;
    // Reads the chosen fields of many windows at once: one round trip on X11.
    // The result has one entry per input, in the same order.
    virtual std::vector<WindowInfo> describe(std::span<const WindowId> windows, std::uint32_t fields) = 0;
    WindowInfo describe(WindowId window, std::uint32_t fields = FieldAll) {
        return describe(std::span<const WindowId>(&window, 1), fields).front();
    }

    // --- Single questions (each answers harmlessly for a vanished window) ---
    virtual bool exists(WindowId window) = 0;                 // IsWindow
    virtual std::string title(WindowId window) = 0;           // GetWindowText, "" when gone
    virtual std::string className(WindowId window) = 0;       // GetClassName, "" when gone
    virtual bool isVisible(WindowId window) = 0;              // IsWindowVisible
    virtual bool isMinimized(WindowId window) = 0;            // IsIconic
    virtual bool isMaximized(WindowId window) = 0;            // IsZoomed
    virtual std::optional<Rect> rect(WindowId window) = 0;    // GetWindowRect, nullopt when gone
    virtual WindowId parent(WindowId window) = 0;             // GetParent, 0 when none
    virtual ProcessId processOf(WindowId window) = 0;         // GetWindowThreadProcessId, 0 when unknown
    virtual WindowId foreground() = 0;                        // GetForegroundWindow, 0 when none

    // --- Actions (false when the window is gone or the request failed) ------
    virtual bool restore(WindowId window) = 0;                 // OpenIcon: un-minimize
    virtual bool raise(WindowId window) = 0;                   // BringWindowToTop
    // BringWindowToTop as Windows does it for another application's window: to the
    // front with the keyboard focus. X11's raise() leaves the focus alone (our covers
    // never take it), so it asks the window manager to activate the window.
    virtual bool raiseWithFocus(WindowId window) { return raise(window); }
    // Own windows only: back from minimized without taking the keyboard focus.
    virtual bool restoreWithoutFocus(WindowId window) { return restore(window); }
    virtual bool move(WindowId window, const Rect& frame) = 0; // MoveWindow, frame rectangle in pixels
    virtual bool setTopmost(WindowId window, bool topmost) = 0; // SetWindowPos HWND_TOPMOST / HWND_NOTOPMOST
    virtual bool minimize(WindowId window) = 0;                // own windows only
    virtual bool requestClose(WindowId window) = 0;           // WM_SYSCOMMAND SC_CLOSE
    // Marks a window of this process as Kivra's own, so that window walks never list it: its
    // class name then contains "QbaseRT5". X11 needs nothing (the programs' WM_CLASS carries
    // the marker); Windows tags the window with a property, as its class is the toolkit's.
    virtual void markOwnWindow(WindowId /*window*/) {}
    // keybd_event(0,0,0,0): lets a background process take the foreground on
    // systems that lock it. Nothing to do where no such lock exists.
    virtual void nudgeForegroundLock() {}

    // --- Screen and metrics -------------------------------------------------
    // The whole virtual desktop in pixels (all monitors).
    virtual Rect virtualScreen() = 0;
    // Height of a window caption in pixels (GetSystemMetrics SM_CYCAPTION).
    virtual int captionHeight() = 0;

    // --- Change notification (optional) ------------------------------------
    // Ask to be told when a window moves, resizes, changes title or state.
    virtual void watch(WindowId /*window*/) {}
    // A file descriptor that becomes readable when watched windows may have
    // changed; -1 when the backend cannot tell (then callers poll).
    virtual int notificationFd() const { return -1; }
    // Consumes pending notifications; true when any watched window changed.
    virtual bool takeNotifications() { return false; }
    // Backends without a descriptor: calls `changed` on this thread whenever a
    // notification is pending (the caller then takes them). False when unsupported, or
    // while the backend does not yet know that the system tells it of changes: it then
    // keeps `changed` and calls it first when it does.
    virtual bool notifyOnChange(std::function<void()> /*changed*/) { return false; }
    // Ask also to be told when the foreground window or the list of top-level windows
    // changes, and when any window read so far changes title or state, is shown or
    // hidden, or ends (what the main program's watchers look at).
    virtual void watchDesktop() {}
};

}  // namespace kivra
