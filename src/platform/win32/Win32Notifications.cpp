// Change notification: WinEvent hooks, out of context, delivered to this thread's message
// loop. A watched window's move, title, state or end, and with the desktop watched a new
// foreground window and any top-level window shown, hidden, renamed or ended, raise the flag.
#include "Win32Handles.h"
#include "Win32WindowSystem.h"

namespace kivra::win32 {
namespace {

// The window system the hooks of this thread report to (one per program).
thread_local Win32WindowSystem* hookTarget = nullptr;

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (!hookTarget) return;
    hookTarget->eventsArrive();
    if (!hwnd || object != OBJID_WINDOW || child != CHILDID_SELF) return;
    const bool topLevel = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) == 0;
    hookTarget->winEvent(event, toWindowId(hwnd), topLevel);
}

}  // namespace

Win32WindowSystem::~Win32WindowSystem() {
    for (void* h : hooks_) UnhookWinEvent(static_cast<HWINEVENTHOOK>(h));
    if (hookTarget == this) hookTarget = nullptr;
}

void Win32WindowSystem::hook(std::uint32_t eventMin, std::uint32_t eventMax, std::uint32_t process,
                             std::uint32_t thread) {
    hookTarget = this;
    const DWORD flags = WINEVENT_OUTOFCONTEXT;
    if (HWINEVENTHOOK h = SetWinEventHook(eventMin, eventMax, nullptr, onWinEvent, process, thread, flags))
        hooks_.push_back(h);
}

// Hooks only the thread that owns the window, so other applications' events never reach us.
void Win32WindowSystem::watch(WindowId window) {
    const HWND hwnd = liveWindow(window);
    if (!hwnd || watched_.count(window)) return;
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
    watched_.insert(window);
    if (!hookedThreads_.insert({process, thread}).second) return;
    hook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, process, thread);
    hook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_NAMECHANGE, process, thread);
    hook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, process, thread);
}

void Win32WindowSystem::watchDesktop() {
    if (desktopWatched_) return;
    desktopWatched_ = true;
    hook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, 0, 0);
    hook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, 0, 0);
    hook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, 0, 0);
    hook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, 0, 0);
}

void Win32WindowSystem::winEvent(std::uint32_t event, WindowId window, bool topLevel) {
    bool counts = watched_.count(window) != 0;
    // Moves of other windows are not the watchers' business; the rest is, for top-level windows
    // (a destroyed window can no longer say what it was).
    if (!counts && desktopWatched_ && event != EVENT_OBJECT_LOCATIONCHANGE)
        counts = topLevel || event == EVENT_OBJECT_DESTROY || event == EVENT_SYSTEM_FOREGROUND;
    if (!counts) return;
    if (event == EVENT_OBJECT_DESTROY) watched_.erase(window);
    pendingChange_ = true;
    if (onChange_) onChange_();
}

bool Win32WindowSystem::takeNotifications() {
    const bool pending = pendingChange_;
    pendingChange_ = false;
    return pending;
}

// Some systems accept the hooks and never call them (Wine 8 sends next to no WinEvents):
// callers keep their fast clocks until the first event has come.
bool Win32WindowSystem::notifyOnChange(std::function<void()> changed) {
    onChange_ = std::move(changed);
    return eventsArrive_;
}

void Win32WindowSystem::eventsArrive() {
    if (eventsArrive_) return;
    eventsArrive_ = true;
    pendingChange_ = true;
    if (onChange_) onChange_();
}

}  // namespace kivra::win32
