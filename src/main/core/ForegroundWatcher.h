// The foreground watcher (`Timer7_Timer`): follows the foreground window and tells
// every running link window, by command codes "0" to "4", whether its host is in
// front (stay on top of it) or not (step back); and raise top window links.
#pragma once

#include "LinkMessenger.h"
#include "LinkTable.h"
#include "Pause.h"
#include "WatcherState.h"
#include "WindowSystem.h"

#include <string_view>
#include <vector>

namespace kivra {

// Command codes to a link window.
inline constexpr std::string_view kCommandHostBehind = "0";   // its host is not in front
inline constexpr std::string_view kCommandHostInFront = "1";  // its host came to the front
inline constexpr std::string_view kCommandLinkInFront = "2";  // the user brought the link window itself to the front
inline constexpr std::string_view kCommandMdiHost = "3";      // its host is an MDI child of the foreground window
inline constexpr std::string_view kCommandMdiLink = "4";      // as "3", for the first child, its link window in front

// Whether the main program's own message box is open (the settled pass waits).
enum class MessageBoxState { Closed, Open };
// Whether `Timer5` or `Timer3` is enabled, so that the shadow host list is fresh.
enum class HostWalk { Stopped, Running };

struct ForegroundInputs {
    MessageBoxState messageBox = MessageBoxState::Closed;
    HostWalk hostWalk = HostWalk::Running;
};

enum class ForegroundPass {
    Busy,     // a tick was running
    Change,   // a new foreground window was handled (or refused)
    Settled,  // the one settled pass for the foreground window ran
    Idle,     // the settled pass had run already
};

class ForegroundWatcher {
public:
    // Everything given must outlive this object.
    ForegroundWatcher(WindowSystem& windows, const LinkTable& table, LinkMessenger& messenger, WatcherState& state,
                      Pause pause = sleepPause(), WindowId mainWindow = 0)
        : windows_(windows), table_(table), messenger_(messenger), state_(state), pause_(std::move(pause)),
          mainWindow_(mainWindow) {}

    void setMainWindow(WindowId window) { mainWindow_ = window; }

    // One tick. A change pass runs when the foreground window differs from the one
    // handled last, or when a link window was recorded since (its link program
    // starts without waiting, so it is often identified after its window came up).
    ForegroundPass tick(const ForegroundInputs& inputs);

    // Re-raises the link windows of the host of the first link whose title matches
    // the window listed first in the shadow host list.
    void raiseTopWindowLinks(HostWalk hostWalk);

private:
    void changePass(WindowId f, HostWalk hostWalk);
    void settledPass(WindowId f, const ForegroundInputs& inputs);
    // Raise top window links, then the foreground window (read again), then a pause.
    void raiseLinksAndForeground(HostWalk hostWalk);
    // Sends `code` to a link window, raises it and pauses.
    void sendAndRaise(WindowId linkWindow, std::string_view code);
    // Every active record with host window `host` (index order), except `except`.
    std::vector<int> activeLinksOfHost(WindowId host, int except = -1) const;
    // The parent of `host`'s parent is `f` (both non-zero): `host` is an MDI child of `f`.
    bool isMdiChildOf(WindowId host, WindowId f);
    // The first record whose title test passes for `windowTitle`.
    int firstMatchingRecord(const std::string& windowTitle) const;
    bool newLinkRecorded() const;
    void rememberLinkWindows();

    WindowSystem& windows_;
    const LinkTable& table_;
    LinkMessenger& messenger_;
    WatcherState& state_;
    Pause pause_;
    WindowId mainWindow_ = 0;
    std::vector<WindowId> knownLinkWindows_;  // active link windows at the last change pass
};

}  // namespace kivra
