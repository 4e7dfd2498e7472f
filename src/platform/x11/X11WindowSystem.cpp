// Connection set-up, window listing, single questions and screen metrics of the
// X11 backend. Batched reads live in X11Describe.cpp, actions in X11Actions.cpp,
// change notification in X11Notifications.cpp.
#include "X11WindowSystem.h"

#include "X11Properties.h"
#include "XcbReply.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_set>

#include <xcb/res.h>

namespace kivra::x11 {
namespace {

// Upper bound on the length of the root's window lists, in 32-bit units.
constexpr std::uint32_t MaxListLength = 1u << 16;
// Used when no managed window tells us the height of the title bar.
constexpr int DefaultCaptionHeight = 19;
// How deep a window manager may nest a client inside its frame.
constexpr int MaxFrameDepth = 3;

}  // namespace

std::unique_ptr<X11WindowSystem> X11WindowSystem::connect(const char* displayName, std::string* error) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    if (const int code = xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        if (error) {
            const char* name = displayName ? displayName : std::getenv("DISPLAY");
            *error = "cannot connect to the X display \"" + std::string(name ? name : "") +
                     "\" (xcb error " + std::to_string(code) + ")";
        }
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        if (error) *error = "the X display has no screen " + std::to_string(screenNumber);
        return nullptr;
    }
    auto ws = std::make_unique<X11WindowSystem>(Key{}, c, it.data->root);
    if (!ws->setUp(error)) return nullptr;
    return ws;
}

X11WindowSystem::X11WindowSystem(Key, xcb_connection_t* connection, xcb_window_t root)
    : c_(connection), root_(root) {}

X11WindowSystem::~X11WindowSystem() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
    if (epollFd_ >= 0) ::close(epollFd_);
    xcb_disconnect(c_);
}

bool X11WindowSystem::setUp(std::string* error) {
    xcb_prefetch_extension_data(c_, &xcb_res_id);
    countRoundTrip();
    if (!atoms_.intern(c_)) {
        if (error) *error = "the X server did not answer the atom requests";
        return false;
    }
    // Client ids (and so process ids) need X-Resource 1.2.
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(c_, &xcb_res_id);
    if (res && res->present) {
        countRoundTrip();
        auto version = takeReply(c_, xcb_res_query_version_reply, xcb_res_query_version(c_, 1, 2));
        hasXRes_ = version && (version->server_major > 1 || version->server_minor >= 2);
    }
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epollFd_ < 0 || wakeFd_ < 0) {
        if (error) *error = "cannot create the notification descriptors";
        return false;
    }
    for (int fd : {xcb_get_file_descriptor(c_), wakeFd_}) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ev);
    }
    return true;
}

// --- Listing ----------------------------------------------------------------

std::vector<WindowId> X11WindowSystem::topLevelWindows() {
    const auto stackingCookie = xcb_get_property(c_, 0, root_, atoms_._NET_CLIENT_LIST_STACKING,
                                                 XCB_ATOM_WINDOW, 0, MaxListLength);
    const auto listCookie =
        xcb_get_property(c_, 0, root_, atoms_._NET_CLIENT_LIST, XCB_ATOM_WINDOW, 0, MaxListLength);
    countRoundTrip();
    const auto stacking = takeReply(c_, xcb_get_property_reply, stackingCookie);
    const auto list = takeReply(c_, xcb_get_property_reply, listCookie);
    const bool haveStacking = isPresent(stacking.get()), haveList = isPresent(list.get());

    std::vector<xcb_window_t> bottomToTop;
    if (haveStacking) bottomToTop = values32(stacking.get());
    else if (!haveList) bottomToTop = clientsFromTree();

    std::vector<WindowId> result;
    std::unordered_set<xcb_window_t> seen;
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it)
        if (*it != XCB_WINDOW_NONE && seen.insert(*it).second) result.push_back(*it);
    // Some window managers keep the stacking list behind: clients it misses go
    // below the others, the most recently mapped first.
    if (haveList) {
        const auto clients = values32(list.get());
        for (auto it = clients.rbegin(); it != clients.rend(); ++it)
            if (*it != XCB_WINDOW_NONE && seen.insert(*it).second) result.push_back(*it);
    }
    pumpQueuedEvents();
    return result;
}

// Without the EWMH lists: the root's children in stacking order, each resolved
// to the client inside it (the window carrying WM_STATE), level by level.
std::vector<xcb_window_t> X11WindowSystem::clientsFromTree() {
    countRoundTrip();
    const auto tree = takeReply(c_, xcb_query_tree_reply, xcb_query_tree(c_, root_));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const std::size_t count = static_cast<std::size_t>(xcb_query_tree_children_length(tree.get()));

    struct Candidate {
        std::size_t top;
        xcb_window_t window;
    };
    std::vector<Candidate> frontier;
    for (std::size_t i = 0; i < count; ++i) frontier.push_back({i, children[i]});
    std::vector<xcb_window_t> client(count, XCB_WINDOW_NONE);
    std::vector<bool> plainTopLevel(count, false);

    for (int depth = 0; depth < MaxFrameDepth && !frontier.empty(); ++depth) {
        struct Pending {
            xcb_get_property_cookie_t state;
            xcb_query_tree_cookie_t tree;
            xcb_get_window_attributes_cookie_t attributes;
        };
        std::vector<Pending> pending;
        for (const auto& candidate : frontier) {
            pending.push_back({xcb_get_property(c_, 0, candidate.window, atoms_.WM_STATE, atoms_.WM_STATE, 0, 2),
                               xcb_query_tree(c_, candidate.window),
                               depth == 0 ? xcb_get_window_attributes(c_, candidate.window)
                                          : xcb_get_window_attributes_cookie_t{0}});
        }
        countRoundTrip();
        std::vector<Candidate> next;
        for (std::size_t i = 0; i < frontier.size(); ++i) {
            const auto state = takeReply(c_, xcb_get_property_reply, pending[i].state);
            const auto subtree = takeReply(c_, xcb_query_tree_reply, pending[i].tree);
            if (depth == 0) {
                const auto attributes = takeReply(c_, xcb_get_window_attributes_reply, pending[i].attributes);
                plainTopLevel[frontier[i].top] = attributes && !attributes->override_redirect &&
                                                 attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            }
            const std::size_t top = frontier[i].top;
            if (client[top] != XCB_WINDOW_NONE) continue;
            const auto stateValues = values32(state.get());
            if (!stateValues.empty()) {
                if (stateValues[0] == WmStateNormal || stateValues[0] == WmStateIconic)
                    client[top] = frontier[i].window;
                continue;
            }
            if (!subtree) continue;
            const xcb_window_t* grandchildren = xcb_query_tree_children(subtree.get());
            for (int k = 0; k < xcb_query_tree_children_length(subtree.get()); ++k)
                next.push_back({top, grandchildren[k]});
        }
        frontier = std::move(next);
    }
    // No window manager at all: the mapped, ordinary children of the root are the top-level windows.
    std::vector<xcb_window_t> result;
    for (std::size_t i = 0; i < count; ++i) {
        if (client[i] != XCB_WINDOW_NONE) result.push_back(client[i]);
        else if (plainTopLevel[i]) result.push_back(children[i]);
    }
    return result;
}

// Other applications' windows have no MDI children on X11: a client's
// subwindows are its own widgets, not documents the host list should offer.
std::vector<WindowId> X11WindowSystem::childWindows(WindowId) { return {}; }

// --- Single questions ---------------------------------------------------------

bool X11WindowSystem::exists(WindowId window) {
    const xcb_window_t xid = toXid(window);
    if (xid == XCB_WINDOW_NONE) return false;
    countRoundTrip();
    const bool alive = takeReply(c_, xcb_get_window_attributes_reply, xcb_get_window_attributes(c_, xid)) != nullptr;
    pumpQueuedEvents();
    return alive;
}

std::string X11WindowSystem::title(WindowId window) { return describe(window, FieldTitle).title; }
std::string X11WindowSystem::className(WindowId window) { return describe(window, FieldClass).className; }
bool X11WindowSystem::isVisible(WindowId window) { return describe(window, FieldVisible).visible; }
bool X11WindowSystem::isMinimized(WindowId window) { return describe(window, FieldState).minimized; }
bool X11WindowSystem::isMaximized(WindowId window) { return describe(window, FieldState).maximized; }
WindowId X11WindowSystem::parent(WindowId window) { return describe(window, FieldParent).parent; }
ProcessId X11WindowSystem::processOf(WindowId window) { return describe(window, FieldProcess).pid; }

std::optional<Rect> X11WindowSystem::rect(WindowId window) {
    const WindowInfo info = describe(window, FieldRect);
    if (!info.exists) return std::nullopt;
    return info.rect;
}

WindowId X11WindowSystem::foreground() {
    countRoundTrip();
    const auto active = takeReply(
        c_, xcb_get_property_reply,
        xcb_get_property(c_, 0, root_, atoms_._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 0, 1));
    const auto values = values32(active.get());
    pumpQueuedEvents();
    return values.empty() ? 0 : values[0];
}

// --- Screen and metrics --------------------------------------------------------

Rect X11WindowSystem::virtualScreen() {
    countRoundTrip();
    const auto geometry = takeReply(c_, xcb_get_geometry_reply, xcb_get_geometry(c_, root_));
    if (!geometry) return {};
    return Rect{0, 0, geometry->width, geometry->height};
}

// The title bar of the window manager's frames: the top frame extent of a
// managed window less the frame's side border. Measured once, from the first
// managed window that has a frame.
int X11WindowSystem::captionHeight() {
    if (captionHeight_) return *captionHeight_;
    const auto windows = topLevelWindows();
    std::vector<xcb_get_property_cookie_t> cookies;
    for (WindowId w : windows)
        cookies.push_back(xcb_get_property(c_, 0, toXid(w), atoms_._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 0, 4));
    if (!cookies.empty()) countRoundTrip();
    for (const auto& cookie : cookies) {
        const auto extents = values32(takeReply(c_, xcb_get_property_reply, cookie).get());
        if (captionHeight_ || extents.size() < 4) continue;
        const int left = static_cast<int>(extents[0]), top = static_cast<int>(extents[2]);
        if (top > left) captionHeight_ = top - left;
    }
    return captionHeight_.value_or(DefaultCaptionHeight);
}

}  // namespace kivra::x11
