// The state one link process keeps for the life of its link: the windows, the names,
// the match options, the recorded host rectangle and the tracking flags. The form
// owns one; the tracker and the command handler work on it.
#pragma once

#include "LinkCommandLine.h"
#include "LinkNames.h"
#include "Matching.h"
#include "WindowSystem.h"

#include <cstdint>

namespace kivra {

// The host's window state as the last tick saw it.
enum class HostState : std::int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

// Whether the platform reports version 4.0 (command "2" then leaves the host where it is).
// Never on Linux.
enum class OsVersion40 { No, Yes };

struct LinkState {
    WindowId hostWindow = 0;
    WindowId ownWindow = 0;        // the link window, known from the first activation on
    std::int16_t instance = 1;
    std::int16_t count = 1;
    LinkNames names;
    LinkMatchOptions matchOptions;
    Rect recordedHostRect;         // pixels; the last host rectangle the tick accepted
    HostState hostState = HostState::Normal;
    bool minimizedWithHost = false;  // the tick minimized the link window; only then it restores it
    Rect followedHost;  // pixels; the host when the link last followed it in Normal state
    // While the host is maximized (and until it stands still again in Normal state): the
    // link's offset from the host's top-left before the maximize, pixels.
    bool keepingOffset = false;
    int keptOffsetX = 0, keptOffsetY = 0;
    Rect maximizedHostRect;  // the host's rectangle while it was last seen maximized
    Rect keptHost;           // the host before the maximize (its size counts)
    int stillTicks = 0;      // ticks the restored host has stood still at another size
    OsVersion40 osVersion40 = OsVersion40::No;
};

// The state after a successful command line, with the host rectangle read at start-up.
inline LinkState makeLinkState(const LinkCommandLine& line, const Rect& hostRect) {
    LinkState state;
    state.hostWindow = line.hostWindow;
    state.instance = line.instance;
    state.count = line.count;
    state.names = line.names;
    state.recordedHostRect = hostRect;
    state.followedHost = hostRect;
    return state;
}

}  // namespace kivra
