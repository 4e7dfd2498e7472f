// The window-system seam over X11: EWMH and ICCCM spoken through one xcb
// connection of its own, requests pipelined in batches, errors taken as values.
#pragma once

#include "WindowSystem.h"
#include "X11Atoms.h"
#include "X11WindowCache.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <xcb/xcb.h>

namespace kivra::x11 {

class X11WindowSystem final : public WindowSystem {
    struct Key {
        explicit Key() = default;
    };

public:
    // Connects to `displayName` (null: $DISPLAY). Null when the display cannot be
    // reached; `error` then says why.
    static std::unique_ptr<X11WindowSystem> connect(const char* displayName, std::string* error = nullptr);
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

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
    bool raiseWithFocus(WindowId window) override;
    bool restoreWithoutFocus(WindowId window) override;
    bool move(WindowId window, const Rect& frame) override;
    bool setTopmost(WindowId window, bool topmost) override;
    bool minimize(WindowId window) override;
    bool requestClose(WindowId window) override;

    Rect virtualScreen() override;
    int captionHeight() override;

    void watch(WindowId window) override;
    int notificationFd() const override;
    bool takeNotifications() override;
    void watchDesktop() override;

    // Times this object has waited for the server's replies (one per batch).
    std::uint64_t roundTrips() const { return roundTrips_; }
    // Per-window requests describe() has sent (what the cache did not hold).
    std::uint64_t windowRequests() const { return windowRequests_; }
    xcb_window_t root() const { return root_; }

    X11WindowSystem(Key, xcb_connection_t* connection, xcb_window_t root);

private:
    bool setUp(std::string* error);

    // What an action needs to know about its target before it acts, read in one batch.
    struct Target {
        bool exists = false;
        bool managed = false;  // the window manager has it (WM_STATE Normal or Iconic)
        bool iconic = false;
        int borderWidth = 0;
        std::vector<xcb_atom_t> wmSupported;      // the root's _NET_SUPPORTED
        std::vector<std::vector<std::uint32_t>> extra;  // 32-bit values of the extra properties asked for
        bool wmSupports(xcb_atom_t hint) const;
    };
    Target inspect(xcb_window_t window, std::initializer_list<xcb_atom_t> extraProperties = {});
    void sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1 = 0,
                    std::uint32_t d2 = 0, std::uint32_t d3 = 0, std::uint32_t d4 = 0);

    std::vector<xcb_window_t> clientsFromTree();
    xcb_window_t frameOf(xcb_window_t window);

    void sweepCache();

    // Counts one wait for replies; every batch calls it once before collecting.
    void countRoundTrip() { ++roundTrips_; }
    // Handles the events xcb already holds in memory (read while waiting for
    // replies), so that none is lost and the notification fd stays truthful.
    void pumpQueuedEvents();
    void handleEvent(const xcb_generic_event_t& event);
    std::optional<Item> itemOf(xcb_atom_t property) const;
    void signalPending();

    xcb_connection_t* c_;
    xcb_window_t root_;
    Atoms atoms_;
    bool hasXRes_ = false;
    std::uint64_t roundTrips_ = 0;
    std::uint64_t windowRequests_ = 0;
    std::optional<int> captionHeight_;
    WindowCache cache_;
    std::uint64_t generation_ = 0;  // describes so far

    // Change notification state.
    std::unordered_map<xcb_window_t, xcb_window_t> watched_;  // client -> its frame (or itself)
    std::unordered_set<xcb_window_t> frames_;
    bool pendingChange_ = false;
    bool desktopWatched_ = false;  // root lists and every window read so far count, not only watched ones
    int epollFd_ = -1;
    int wakeFd_ = -1;  // eventfd raised when a change was seen outside takeNotifications
};

}  // namespace kivra::x11
