// Host tracking: the link window's 5 ms tick that ends the link when its host is gone
// or no longer matches, mirrors the host's minimized state, re-asserts always on top
// while the kick timer runs and moves the link window by exactly as much as the host
// moved; plus the host-title caption refresh and the placement on return to Normal.
#pragma once

#include "LinkState.h"
#include "OwnWindow.h"
#include "Twips.h"
#include "WindowSystem.h"

#include <optional>

namespace kivra {

// What one tick did, for callers that care and for tests.
enum class TickOutcome {
    Busy,           // another tick was running; nothing done
    HostGone,       // the host no longer exists: the window was unloaded
    HostMismatch,   // auto-terminate: the host's title or class no longer matches: unloaded
    NotFollowing,   // the link window is not Normal
    SizeChanged,    // the host was resized: its new size is recorded, the link stays
    OffScreen,      // the host is parked or off the desktop: not followed
    Unmoved,        // the host's top-left did not move
    Moved,          // the link window was moved by the host's displacement
    Failed,         // a step failed; the next tick runs normally
};

class HostTracker {
public:
    // The state, window system and own window must outlive the tracker.
    // state.ownWindow must be set before the first tick.
    HostTracker(WindowSystem& windows, OwnWindow& own, LinkState& state)
        : windows_(windows), own_(own), state_(state) {}

    // `Timer4`: one tracking tick. Re-entry (from an event run inside a step)
    // returns Busy at once.
    TickOutcome tick();
    bool busy() const { return busy_; }

    // `Timer9` in the Host Title caption mode: the host's title becomes the caption.
    void refreshHostTitleCaption();

private:
    TickOutcome runTick();
    TickOutcome endLink(TickOutcome why);
    void mirrorHostMinimized(const WindowInfo& host);
    TickOutcome follow(const Rect& host);
    TickOutcome stayOnMaximizedHost(const Rect& host);
    TickOutcome returnToOffset(const Rect& host);
    void noteFollowed(const Rect& host);
    bool hostOffDesktop(const Rect& host);

    WindowSystem& windows_;
    OwnWindow& own_;
    LinkState& state_;
    bool busy_ = false;
};

// True when a host at this rectangle is not followed because it is parked (a
// corner 9000 pixels or more from the origin) or lies wholly off the desktop.
// `desktop` is the whole virtual desktop; an empty one (unknown) leaves only the
// fixed parking bounds. A host that is still on the desktop is never taken for
// parked, so a host on a monitor beyond x = 9000 is followed.
bool hostOutOfReach(const Rect& host, const Rect& desktop);

// The link window's remembered geometry, in twips unless stated: taken at start-up,
// the size again on each resize in Normal state with the controls hidden, the offsets
// and the Left again whenever the controls panel is shown.
struct RememberedGeometry {
    double normalWidth = 0, normalHeight = 0;
    double startLeft = 0, startTop = 0;
    double panelLeft = 0;                   // Left after the panel was last shown; start-up Left until then
    long offsetLeft = 0, offsetTop = 0;     // from the host's top-left, whole twips
    int offsetsHostLeftPx = 0, offsetsHostTopPx = 0;  // the host's top-left (pixels) when the offsets were taken
    long hostLeftTwips = 0, hostTopTwips = 0;         // the host's top-left in whole twips
};

// Where the link window goes when it returns to Normal after having been minimized
// or maximized (with the controls panel hidden). Twips.
struct NormalPlacement {
    double width = 0, height = 0;
    std::optional<double> left, top;  // set when the window must be moved; else it stays
};

// The return-to-Normal rule: the remembered normal size; when the host is Normal, back
// to the start-up position if the window is still where the panel left it, otherwise at
// the remembered offsets from the host when the host has moved since they were taken
// (the host's top-left in twips is recomputed from the recorded host rectangle). The
// caller then refreshes the caption.
NormalPlacement placementOnReturnToNormal(RememberedGeometry& geometry, HostState hostState, double currentLeft,
                                          double currentTop, const Rect& recordedHostRect, const Twips& twips);

}  // namespace kivra
