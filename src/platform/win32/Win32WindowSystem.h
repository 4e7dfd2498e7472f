// The window-system seam over user32: the calls the host rules are stated in,
// answered directly (user32 keeps no connection and needs no batching).
#pragma once

#include "WindowSystem.h"

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kivra::win32 {

// The property that marks Kivra's own windows (any process can read it).
inline constexpr wchar_t kOwnWindowProperty[] = L"QbaseRT5";
// What a marked window's class name is reported with in front of its real one.
inline constexpr char kOwnClassPrefix[] = "QbaseRT5:";

// How long a message to another thread's window may take before we stop waiting:
// a hung application must never hang us.
inline constexpr std::chrono::milliseconds kCloseTimeout{500};
// How long another thread's window may take to answer before an action on it
// (which user32 would carry out by waiting on that thread) is given up.
inline constexpr std::chrono::milliseconds kResponsiveTimeout{200};

class Win32WindowSystem final : public WindowSystem {
public:
    std::vector<WindowId> topLevelWindows() override;
    std::vector<WindowId> childWindows(WindowId window) override;
    std::vector<WindowInfo> describe(std::span<const WindowId> windows, std::uint32_t fields) override;
    using WindowSystem::describe;

    bool exists(WindowId window) override;
    std::string title(WindowId window) override;
    std::string className(WindowId window) override;
    bool isVisible(WindowId window) override;
    bool isMinimized(WindowId window) override;
    bool isMaximized(WindowId window) override;
    std::optional<Rect> rect(WindowId window) override;
    WindowId parent(WindowId window) override;
    ProcessId processOf(WindowId window) override;
    WindowId foreground() override;

    bool restore(WindowId window) override;
    bool raise(WindowId window) override;
    bool restoreWithoutFocus(WindowId window) override;
    bool move(WindowId window, const Rect& frame) override;
    bool setTopmost(WindowId window, bool topmost) override;
    bool minimize(WindowId window) override;
    bool requestClose(WindowId window) override;
    void markOwnWindow(WindowId window) override;
    void nudgeForegroundLock() override;

    Rect virtualScreen() override;
    int captionHeight() override;

    void watch(WindowId window) override;
    void watchDesktop() override;
    bool takeNotifications() override;
    bool notifyOnChange(std::function<void()> changed) override;

    ~Win32WindowSystem() override;
    // A WinEvent of `window`, from the hooks (on this thread, out of context).
    void winEvent(std::uint32_t event, WindowId window, bool topLevel);
    // Any WinEvent at all: the system does tell of changes.
    void eventsArrive();

private:
    void hook(std::uint32_t eventMin, std::uint32_t eventMax, std::uint32_t process, std::uint32_t thread);

    std::vector<void*> hooks_;  // HWINEVENTHOOK
    std::set<WindowId> watched_;
    std::set<std::pair<std::uint32_t, std::uint32_t>> hookedThreads_;  // (process, thread) of watched windows
    bool desktopWatched_ = false;
    bool pendingChange_ = false;
    bool eventsArrive_ = false;
    std::function<void()> onChange_;
};

}  // namespace kivra::win32
