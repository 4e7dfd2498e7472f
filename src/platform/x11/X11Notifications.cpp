// Change notification: events selected on watched windows and on their
// window-manager frames, turned into one "something changed" flag.
#include "X11WindowSystem.h"

#include "X11Properties.h"
#include "XcbReply.h"

#include <unistd.h>

#include <cstdint>

namespace kivra::x11 {
namespace {

constexpr int MaxTreeDepth = 8;

}  // namespace

// The ancestor just below the root: the window manager's frame, or the window
// itself when it is not reparented.
xcb_window_t X11WindowSystem::frameOf(xcb_window_t window) {
    xcb_window_t current = window;
    for (int depth = 0; depth < MaxTreeDepth; ++depth) {
        countRoundTrip();
        const auto tree = takeReply(c_, xcb_query_tree_reply, xcb_query_tree(c_, current));
        if (!tree || tree->parent == root_ || tree->parent == XCB_WINDOW_NONE) break;
        current = tree->parent;
    }
    return current;
}

void X11WindowSystem::watch(WindowId window) {
    const xcb_window_t w = toXid(window);
    if (w == XCB_WINDOW_NONE || watched_.contains(w)) return;
    // Unchecked: for a window that is already gone the error is dropped with the events.
    const std::uint32_t clientMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &clientMask);
    const xcb_window_t frame = frameOf(w);
    if (frame != w) {
        const std::uint32_t frameMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, frame, XCB_CW_EVENT_MASK, &frameMask);
        frames_.insert(frame);
    }
    watched_[w] = frame;
    xcb_flush(c_);
    pumpQueuedEvents();
}

// The root's PropertyNotify tells of a new foreground window and of windows that come
// and go; every window a walk reads is selected already (the cache's events), and from
// here on its title, state, map and end count as changes too. Moves do not.
void X11WindowSystem::watchDesktop() {
    if (desktopWatched_) return;
    desktopWatched_ = true;
    const std::uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &rootMask);
    xcb_flush(c_);
}

int X11WindowSystem::notificationFd() const { return epollFd_; }

bool X11WindowSystem::takeNotifications() {
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c_)}) handleEvent(*event);
    std::uint64_t count = 0;
    while (::read(wakeFd_, &count, sizeof count) > 0) {
    }
    const bool changed = pendingChange_;
    pendingChange_ = false;
    return changed;
}

void X11WindowSystem::pumpQueuedEvents() {
    const bool before = pendingChange_;
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_queued_event(c_)}) handleEvent(*event);
    if (pendingChange_ && !before) signalPending();
}

void X11WindowSystem::signalPending() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

// The cached item a property belongs to.
std::optional<Item> X11WindowSystem::itemOf(xcb_atom_t property) const {
    const Atoms& a = atoms_;
    if (property == a._NET_WM_NAME) return Item::NetName;
    if (property == XCB_ATOM_WM_NAME) return Item::WmName;
    if (property == XCB_ATOM_WM_CLASS) return Item::Class;
    if (property == a._NET_WM_WINDOW_TYPE) return Item::Type;
    if (property == XCB_ATOM_WM_TRANSIENT_FOR) return Item::Transient;
    if (property == a.WM_STATE) return Item::WmState;
    if (property == a._NET_WM_STATE) return Item::NetState;
    if (property == a._NET_WM_PID) return Item::Pid;
    if (property == XCB_ATOM_WM_NORMAL_HINTS) return Item::NormalHints;
    if (property == a._MOTIF_WM_HINTS) return Item::Motif;
    if (property == a._GTK_FRAME_EXTENTS) return Item::CsdExtents;
    return std::nullopt;
}

// Every event goes through here: the cache learns what changed, and watched
// windows raise the notification flag.
void X11WindowSystem::handleEvent(const xcb_generic_event_t& event) {
    auto watchedOrFrame = [&](xcb_window_t w) { return watched_.contains(w) || frames_.contains(w); };
    // With the desktop watched, any window we get events of is one we read.
    auto counts = [&](xcb_window_t w) { return desktopWatched_ || watchedOrFrame(w); };
    switch (event.response_type & 0x7F) {
        case 0:  // an error of an unchecked request: its window is gone, nothing to report
            return;
        case XCB_CONFIGURE_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_configure_notify_event_t&>(event);
            if (watchedOrFrame(e.window)) pendingChange_ = true;
            return;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            const xcb_atom_t a = e.atom;
            if (const auto item = itemOf(a)) cache_.changed(e.window, *item, event.full_sequence);
            if (e.window == root_) {
                if (desktopWatched_ && (a == atoms_._NET_ACTIVE_WINDOW || a == atoms_._NET_CLIENT_LIST))
                    pendingChange_ = true;
                return;
            }
            const bool titleOrState = a == atoms_._NET_WM_NAME || a == XCB_ATOM_WM_NAME ||
                                      a == atoms_._NET_WM_STATE || a == atoms_.WM_STATE;
            if (watched_.contains(e.window) && (titleOrState || a == atoms_._NET_FRAME_EXTENTS))
                pendingChange_ = true;
            else if (desktopWatched_ && (titleOrState || a == XCB_ATOM_WM_CLASS))
                pendingChange_ = true;
            return;
        }
        case XCB_MAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_map_notify_event_t&>(event);
            cache_.changed(e.window, Item::Attributes, event.full_sequence);
            if (counts(e.window)) pendingChange_ = true;
            return;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_unmap_notify_event_t&>(event);
            cache_.changed(e.window, Item::Attributes, event.full_sequence);
            if (counts(e.window)) pendingChange_ = true;
            return;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
            cache_.destroyed(e.window);
            if (desktopWatched_) pendingChange_ = true;
            if (!watchedOrFrame(e.window)) return;
            pendingChange_ = true;
            frames_.erase(e.window);
            watched_.erase(e.window);
            return;
        }
        case XCB_REPARENT_NOTIFY: {
            // A new frame (the window manager restarted, or the window was
            // re-managed): follow the client into it.
            const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
            const auto it = watched_.find(e.window);
            if (it == watched_.end()) return;
            pendingChange_ = true;
            const xcb_window_t frame = e.parent == root_ ? e.window : frameOf(e.window);
            if (frame != e.window && !frames_.contains(frame)) {
                const std::uint32_t frameMask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c_, frame, XCB_CW_EVENT_MASK, &frameMask);
                frames_.insert(frame);
                xcb_flush(c_);
            }
            it->second = frame;
            return;
        }
        default:
            return;
    }
}

}  // namespace kivra::x11
