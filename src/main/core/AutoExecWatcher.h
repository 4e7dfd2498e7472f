// The auto-execute watcher (`Timer5_Timer`): starts, by itself, a link that is
// auto-execute ready when a window matching it is listed, at most one per tick;
// and the auto launch with its pop-up gate and Terminate Pop-up.
#pragma once

#include "HostListRefresh.h"
#include "LinkDeactivation.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "Pause.h"
#include "StatusList.h"
#include "WatcherState.h"
#include "WindowSystem.h"

#include <string>

namespace kivra {

enum class AutoExecOutcome {
    Busy,          // another watcher, a refresh or the Edit page held the tick off
    Idle,          // no link to start
    Started,       // a link program was started: it is recorded once identified
    NotStarted,    // the link program could not be started (tried again next tick)
    HostClosed,    // Terminate Pop-up: close requests went to the host window
};

// What the auto launch did with one matching host.
enum class AutoLaunchOutcome {
    Started,
    NotStarted,
    Gated,       // an "http://" host with fewer than two top-level windows of the link's class
    HostSpared,  // Terminate Pop-up: the host is a plain application main window
    HostClosed,  // Terminate Pop-up: up to three close requests went to the host
    NoHost,      // the host window is 0
};

// Top-level windows without a parent whose class name is exactly `className`,
// visible or not.
int countTopLevelOfClass(WindowSystem& windows, const std::string& className);

class AutoExecWatcher {
public:
    using Clock = LinkStarts::Clock;

    // Everything given must outlive this object.
    AutoExecWatcher(WindowSystem& windows, LinkTable& table, LinkStarts& starts, LinkDeactivation& deactivation,
                    const HostListRefresh& hostList, const StatusListRefresh& status, WatcherState& state,
                    Pause pause = sleepPause())
        : windows_(windows), table_(table), starts_(starts), deactivation_(deactivation), hostList_(hostList),
          status_(status), state_(state), pause_(std::move(pause)) {}

    // One tick: walks the desktop into the shadow host list, checks the active
    // links, then tries every listed window (top of the Z order first) against
    // every link (in list order) and launches the first ready link that matches.
    AutoExecOutcome tick(Clock::time_point now = Clock::now());

    // The auto-execute variant of the launch, over `host` titled `hostTitle`, for
    // record `record`.
    AutoLaunchOutcome autoLaunch(WindowId host, const std::string& hostTitle, int record, Clock::time_point now);

private:
    bool heldOff() const;
    bool readyToStart(const HostLink& link) const;
    AutoLaunchOutcome terminatePopup(WindowId host);

    WindowSystem& windows_;
    LinkTable& table_;
    LinkStarts& starts_;
    LinkDeactivation& deactivation_;
    const HostListRefresh& hostList_;
    const StatusListRefresh& status_;
    WatcherState& state_;
    Pause pause_;
};

}  // namespace kivra
