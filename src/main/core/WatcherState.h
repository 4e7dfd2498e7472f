// The state the main program's watchers share: their busy flags, the foreground
// window the foreground watcher handled last, and the auto-execute watcher's walk.
#pragma once

#include "WindowEnumeration.h"
#include "WindowSystem.h"

#include <optional>
#include <vector>

namespace kivra {

struct WatcherState {
    // The auto-execute watcher is running; also held by the Edit Host Link page
    // while it is open, so no link is started under the page.
    bool watcherBusy = false;
    // The foreground watcher is running.
    bool foregroundBusy = false;
    // The foreground window the last change pass handled; nullopt makes the next
    // tick handle the foreground window again (start-up, after an auto launch).
    std::optional<WindowId> lastForeground;
    // The settled pass has run for `lastForeground`.
    bool foregroundSettled = false;
    // An auto launch has happened since the settled pass last ran to its end.
    bool autoLaunched = false;
    // The shadow host list: the auto-execute watcher's latest walk, top of the Z
    // order first. The foreground watcher reads it.
    std::vector<HostEntry> shadowHostList;

    // Makes the next foreground watcher tick a change pass.
    void forceForegroundPass() { lastForeground.reset(); }
};

// Holds a busy flag for a scope and clears it on every way out.
class BusyHold {
public:
    explicit BusyHold(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyHold() { flag_ = false; }
    BusyHold(const BusyHold&) = delete;
    BusyHold& operator=(const BusyHold&) = delete;

private:
    bool& flag_;
};

}  // namespace kivra
