// The tracking tick, the host-title refresh and the return-to-Normal placement.
#include "HostTracker.h"

#include "WindowPlacement.h"

#include <exception>

namespace kivra {

namespace {

// The fixed bounds beyond which a host counts as parked (Windows parks minimized
// windows at -32000).
constexpr int kParkedBound = 9000;

bool parked(const Rect& r) {
    return r.left >= kParkedBound || r.left <= -kParkedBound || r.top >= kParkedBound || r.top <= -kParkedBound;
}

bool overlaps(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Sets the flag for the lifetime of a tick, and clears it however the tick ends.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

bool hostOutOfReach(const Rect& host, const Rect& desktop) {
    const bool desktopKnown = desktop.width() > 0 && desktop.height() > 0;
    if (!desktopKnown) return parked(host);
    // Every parked position lies off a desktop narrower than the bounds; a wider
    // desktop may hold an ordinary host beyond them.
    return !overlaps(host, desktop);
}

TickOutcome HostTracker::tick() {
    if (busy_) return TickOutcome::Busy;
    BusyScope scope(busy_);
    try {
        return runTick();
    } catch (const std::exception&) {
        // A failed step ends this tick only; the next one starts afresh.
        return TickOutcome::Failed;
    }
}

// One batched read of the host answers every question of the tick except where the
// link window is; that is read only when the link must move.
TickOutcome HostTracker::runTick() {
    const LinkMatchOptions& options = state_.matchOptions;
    std::uint32_t fields = FieldRect | FieldState;
    if (options.autoTerminate) fields |= FieldTitle;
    if (options.autoTerminate && options.matchClass) fields |= FieldClass;
    const WindowId hostId = state_.hostWindow;
    const std::vector<WindowInfo> infos = windows_.describe(std::span<const WindowId>(&hostId, 1), fields);
    if (infos.empty() || !infos.front().exists) return endLink(TickOutcome::HostGone);
    const WindowInfo& host = infos.front();

    if (options.autoTerminate &&
        !hostStillMatches(options, state_.names.linkTitle, host.title, std::string_view(host.className)))
        return endLink(TickOutcome::HostMismatch);

    mirrorHostMinimized(host);

    // Kick: while the kick timer runs, a Normal link window cannot stay not topmost.
    if (own_.state() == OwnWindowState::Normal && own_.kickTimerOn()) ensureAlwaysOnTop(own_);

    if (own_.state() != OwnWindowState::Normal) return TickOutcome::NotFollowing;
    if (state_.hostState == HostState::Maximized) return stayOnMaximizedHost(host.rect);
    if (state_.keepingOffset) return returnToOffset(host.rect);
    return follow(host.rect);
}

// Window managers maximize in steps (a resize, then a move, or the decoration after the
// geometry), and a step that only moves the host would drag the link off its place. So
// while the host is maximized the link stands still on it, keeping the offset it had
// on the normal host for the host's return.
TickOutcome HostTracker::stayOnMaximizedHost(const Rect& host) {
    const std::optional<Rect> own = windows_.rect(state_.ownWindow);
    if (!own) return TickOutcome::Failed;
    if (!state_.keepingOffset) {
        state_.keepingOffset = true;
        state_.keptOffsetX = own->left - state_.followedHost.left;
        state_.keptOffsetY = own->top - state_.followedHost.top;
        state_.keptHost = state_.followedHost;
        state_.stillTicks = 0;
    }
    state_.recordedHostRect = host;
    state_.maximizedHostRect = host;
    const Rect onHost = fitOnDesktop(*own, host);
    if (onHost == *own) return TickOutcome::Unmoved;
    windows_.move(state_.ownWindow, onHost);
    return TickOutcome::Moved;
}

// Back in Normal state: the link goes to its offset from the host's top-left, on every
// step of the restore (the state may come before the geometry, the frame's decoration
// after it), until a tick finds the host standing still at its earlier size, or for a
// few ticks at another.
TickOutcome HostTracker::returnToOffset(const Rect& host) {
    constexpr int kStillTicksAtAnotherSize = 3;
    const bool still = host == state_.recordedHostRect && host != state_.maximizedHostRect;
    state_.stillTicks = still ? state_.stillTicks + 1 : 0;
    const bool earlierSize = host.width() == state_.keptHost.width() && host.height() == state_.keptHost.height();
    const bool settled = still && (earlierSize || state_.stillTicks >= kStillTicksAtAnotherSize);
    state_.recordedHostRect = host;
    const std::optional<Rect> own = windows_.rect(state_.ownWindow);
    if (!own) return TickOutcome::Failed;
    if (settled) {
        state_.keepingOffset = false;
        noteFollowed(host);
    }
    const int left = host.left + state_.keptOffsetX, top = host.top + state_.keptOffsetY;
    // Moved on every step, even where the link seems to stand already: a move asked for on
    // the step before may not have been carried out yet.
    windows_.move(state_.ownWindow, Rect{left, top, left + own->width(), top + own->height()});
    return TickOutcome::Moved;
}

TickOutcome HostTracker::endLink(TickOutcome why) {
    if (own_.state() == OwnWindowState::Minimized) own_.restoreNormal();
    own_.unload();
    return why;
}

void HostTracker::mirrorHostMinimized(const WindowInfo& host) {
    if (host.minimized) {
        state_.hostState = HostState::Minimized;
        if (own_.state() != OwnWindowState::Minimized) {
            own_.minimize();
            state_.minimizedWithHost = true;
        }
        return;
    }
    state_.hostState = host.maximized ? HostState::Maximized : HostState::Normal;
    // A link window the user minimized stays minimized.
    if (own_.state() == OwnWindowState::Minimized && state_.minimizedWithHost) {
        own_.restoreNormal();
        state_.minimizedWithHost = false;
    }
}

TickOutcome HostTracker::follow(const Rect& host) {
    Rect& recorded = state_.recordedHostRect;

    bool sizeChanged = false;
    if (host.width() != recorded.width()) {
        sizeChanged = true;
        recorded.left = host.left;
        recorded.right = host.right;
    }
    if (host.height() != recorded.height()) {
        sizeChanged = true;
        recorded.top = host.top;
        recorded.bottom = host.bottom;
    }
    // A resized host never drags the link, even when its top-left moved with the resize.
    if (sizeChanged) return TickOutcome::SizeChanged;
    if (host.left == recorded.left && host.top == recorded.top) {
        noteFollowed(host);
        return TickOutcome::Unmoved;
    }
    // Read the desktop only now: most ticks find the host where it was.
    if (hostOutOfReach(host, windows_.virtualScreen())) return TickOutcome::OffScreen;

    // Unreadable: leave the host unrecorded so that a later tick makes up the move.
    const std::optional<Rect> own = windows_.rect(state_.ownWindow);
    if (!own) return TickOutcome::Failed;
    const int dx = host.left - recorded.left;
    const int dy = host.top - recorded.top;
    if (dx != 0) {
        recorded.left = host.left;
        recorded.right = host.right;
    }
    if (dy != 0) {
        recorded.top = host.top;
        recorded.bottom = host.bottom;
    }
    windows_.move(state_.ownWindow, Rect{own->left + dx, own->top + dy, own->right + dx, own->bottom + dy});
    noteFollowed(host);
    return TickOutcome::Moved;
}

void HostTracker::noteFollowed(const Rect& host) { state_.followedHost = host; }

void HostTracker::refreshHostTitleCaption() { own_.setCaption(windows_.title(state_.hostWindow)); }

NormalPlacement placementOnReturnToNormal(RememberedGeometry& geometry, HostState hostState, double currentLeft,
                                          double currentTop, const Rect& recordedHostRect, const Twips& twips) {
    NormalPlacement placement;
    placement.width = geometry.normalWidth;
    placement.height = geometry.normalHeight;
    if (hostState != HostState::Normal) return placement;
    if (currentLeft == geometry.panelLeft && currentTop == geometry.startTop) {
        placement.left = geometry.startLeft;
        placement.top = geometry.startTop;
        return placement;
    }
    if (recordedHostRect.left != geometry.offsetsHostLeftPx || recordedHostRect.top != geometry.offsetsHostTopPx) {
        geometry.hostLeftTwips = twips.wholeFromPixelsX(recordedHostRect.left);
        geometry.hostTopTwips = twips.wholeFromPixelsY(recordedHostRect.top);
        placement.left = static_cast<double>(geometry.hostLeftTwips + geometry.offsetLeft);
        placement.top = static_cast<double>(geometry.hostTopTwips + geometry.offsetTop);
    }
    return placement;
}

}  // namespace kivra
