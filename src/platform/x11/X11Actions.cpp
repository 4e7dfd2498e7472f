// What the X11 backend does to windows: requests to the window manager in the
// EWMH way (client messages to the root, source indication 2 as a pager would
// send them), and plain X requests for windows no window manager looks after.
#include "X11WindowSystem.h"

#include "X11Properties.h"
#include "XcbReply.h"

#include <algorithm>

namespace kivra::x11 {
namespace {

// EWMH source indication: a pager or similar tool acting for the user.
constexpr std::uint32_t SourcePager = 2;
constexpr std::uint32_t NetWmStateRemove = 0, NetWmStateAdd = 1;
constexpr std::uint32_t StaticGravity = 10;
// _NET_MOVERESIZE_WINDOW flags: x, y, width and height given, source in bits 12-15.
constexpr std::uint32_t MoveResizeAll = (1u << 8) | (1u << 9) | (1u << 10) | (1u << 11);

}  // namespace

bool X11WindowSystem::Target::wmSupports(xcb_atom_t hint) const {
    return std::find(wmSupported.begin(), wmSupported.end(), hint) != wmSupported.end();
}

X11WindowSystem::Target X11WindowSystem::inspect(xcb_window_t window,
                                                 std::initializer_list<xcb_atom_t> extraProperties) {
    Target target;
    if (window == XCB_WINDOW_NONE) return target;
    const auto geometryCookie = xcb_get_geometry(c_, window);
    const auto stateCookie = xcb_get_property(c_, 0, window, atoms_.WM_STATE, atoms_.WM_STATE, 0, 2);
    const auto supportedCookie =
        xcb_get_property(c_, 0, root_, atoms_._NET_SUPPORTED, XCB_ATOM_ATOM, 0, 1024);
    std::vector<xcb_get_property_cookie_t> extraCookies;
    for (xcb_atom_t atom : extraProperties)
        extraCookies.push_back(xcb_get_property(c_, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024));
    countRoundTrip();
    const auto geometry = takeReply(c_, xcb_get_geometry_reply, geometryCookie);
    const auto state = takeReply(c_, xcb_get_property_reply, stateCookie);
    target.wmSupported = values32(takeReply(c_, xcb_get_property_reply, supportedCookie).get());
    for (const auto& cookie : extraCookies)
        target.extra.push_back(values32(takeReply(c_, xcb_get_property_reply, cookie).get()));
    pumpQueuedEvents();

    target.exists = geometry && state;
    if (!target.exists) return target;
    const auto stateValues = values32(state.get());
    const std::uint32_t wmState = stateValues.empty() ? WmStateWithdrawn : stateValues[0];
    target.managed = wmState == WmStateNormal || wmState == WmStateIconic;
    target.iconic = wmState == WmStateIconic;
    target.borderWidth = geometry->border_width;
    return target;
}

void X11WindowSystem::sendToRoot(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                                 std::uint32_t d2, std::uint32_t d3, std::uint32_t d4) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = d3;
    event.data.data32[4] = d4;
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// Un-minimizes and activates, as OpenIcon does.
bool X11WindowSystem::restore(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w);
    if (!target.exists) return false;
    if (target.managed && target.wmSupports(atoms_._NET_ACTIVE_WINDOW))
        sendToRoot(w, atoms_._NET_ACTIVE_WINDOW, SourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE);
    else if (target.iconic)
        xcb_map_window(c_, w);  // ICCCM: mapping an iconic window asks for it back
    xcb_flush(c_);
    return true;
}

// To the top of its layer. Stacking only: the keyboard focus stays where it is.
bool X11WindowSystem::raise(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w);
    if (!target.exists) return false;
    if (target.managed && target.wmSupports(atoms_._NET_RESTACK_WINDOW)) {
        sendToRoot(w, atoms_._NET_RESTACK_WINDOW, SourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE);
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c_, w, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(c_);
    return true;
}

// To the front with the keyboard focus: the window manager activates it, as a pager
// would ask. Never used for our own covers. A minimized window stays minimized, as on
// Windows: activating it would restore it (a host the user just minimized came back).
bool X11WindowSystem::raiseWithFocus(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w);
    if (!target.exists) return false;
    if (target.iconic || !target.managed || !target.wmSupports(atoms_._NET_ACTIVE_WINDOW)) return raise(window);
    sendToRoot(w, atoms_._NET_ACTIVE_WINDOW, SourcePager, XCB_CURRENT_TIME, XCB_WINDOW_NONE);
    xcb_flush(c_);
    return true;
}

// Back from minimized, the focus staying where it is: the window manager is asked to
// drop the hidden state, which un-minimizes without activating (mapping an iconic
// window, the ICCCM way, makes openbox and others activate it).
bool X11WindowSystem::restoreWithoutFocus(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w);
    if (!target.exists) return false;
    if (target.iconic && target.wmSupports(atoms_._NET_WM_STATE_HIDDEN))
        sendToRoot(w, atoms_._NET_WM_STATE, NetWmStateRemove, atoms_._NET_WM_STATE_HIDDEN, XCB_ATOM_NONE, SourcePager);
    else if (target.iconic)
        xcb_map_window(c_, w);
    xcb_flush(c_);
    return true;
}

// Places the frame (the rectangle rect() reports) exactly at `frame`.
bool X11WindowSystem::move(WindowId window, const Rect& frame) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w, {atoms_._NET_FRAME_EXTENTS});
    if (!target.exists) return false;
    const auto& extents = target.extra[0];  // left, right, top, bottom
    const int left = extents.size() == 4 ? static_cast<int>(extents[0]) : 0;
    const int right = extents.size() == 4 ? static_cast<int>(extents[1]) : 0;
    const int top = extents.size() == 4 ? static_cast<int>(extents[2]) : 0;
    const int bottom = extents.size() == 4 ? static_cast<int>(extents[3]) : 0;
    const int border = target.borderWidth;
    const int width = std::max(1, frame.width() - left - right - 2 * border);
    const int height = std::max(1, frame.height() - top - bottom - 2 * border);

    if (target.managed && target.wmSupports(atoms_._NET_MOVERESIZE_WINDOW)) {
        // Static gravity names the client's own position: no guessing how the
        // window manager applies the window's gravity to its frame.
        sendToRoot(w, atoms_._NET_MOVERESIZE_WINDOW, StaticGravity | MoveResizeAll | (SourcePager << 12),
                   static_cast<std::uint32_t>(frame.left + left + border),
                   static_cast<std::uint32_t>(frame.top + top + border), static_cast<std::uint32_t>(width),
                   static_cast<std::uint32_t>(height));
    } else {
        // Unmanaged: the position of the outer border. Managed (window manager
        // without the EWMH request): the ICCCM default gravity puts the frame there.
        const std::uint32_t values[] = {static_cast<std::uint32_t>(frame.left), static_cast<std::uint32_t>(frame.top),
                                        static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
        xcb_configure_window(c_, w,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
    }
    xcb_flush(c_);
    return true;
}

// _NET_WM_STATE_ABOVE. A window the window manager does not have yet gets the
// state written into its property, which the window manager reads when it maps it.
bool X11WindowSystem::setTopmost(WindowId window, bool topmost) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w, {atoms_._NET_WM_STATE});
    if (!target.exists) return false;
    if (target.managed) {
        sendToRoot(w, atoms_._NET_WM_STATE, topmost ? NetWmStateAdd : NetWmStateRemove, atoms_._NET_WM_STATE_ABOVE,
                   XCB_ATOM_NONE, SourcePager);
        xcb_flush(c_);
        return true;
    }
    std::vector<std::uint32_t> states = target.extra[0];
    std::erase(states, atoms_._NET_WM_STATE_ABOVE);
    if (topmost) states.push_back(atoms_._NET_WM_STATE_ABOVE);
    // Checked, and waited for: the state must be in place before anyone maps the window.
    countRoundTrip();
    Reply<xcb_generic_error_t> error(xcb_request_check(
        c_, xcb_change_property_checked(c_, XCB_PROP_MODE_REPLACE, w, atoms_._NET_WM_STATE, XCB_ATOM_ATOM, 32,
                                        static_cast<std::uint32_t>(states.size()), states.data())));
    return error == nullptr;
}

// ICCCM: a request to the window manager to iconify the window.
bool X11WindowSystem::minimize(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w);
    if (!target.managed) return false;
    sendToRoot(w, atoms_.WM_CHANGE_STATE, WmStateIconic);
    xcb_flush(c_);
    return true;
}

// Asks, as the close button would: _NET_CLOSE_WINDOW through the window
// manager, else WM_DELETE_WINDOW straight to the client. A window that offers
// neither is left alone (false): nothing is ever killed from here.
bool X11WindowSystem::requestClose(WindowId window) {
    const xcb_window_t w = toXid(window);
    const Target target = inspect(w, {atoms_.WM_PROTOCOLS});
    if (!target.exists) return false;
    if (target.managed && target.wmSupports(atoms_._NET_CLOSE_WINDOW)) {
        sendToRoot(w, atoms_._NET_CLOSE_WINDOW, XCB_CURRENT_TIME, SourcePager);
        xcb_flush(c_);
        return true;
    }
    const auto& protocols = target.extra[0];
    if (std::find(protocols.begin(), protocols.end(), atoms_.WM_DELETE_WINDOW) == protocols.end()) return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = atoms_.WM_PROTOCOLS;
    event.data.data32[0] = atoms_.WM_DELETE_WINDOW;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c_, 0, w, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c_);
    return true;
}

}  // namespace kivra::x11
