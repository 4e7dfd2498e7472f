// One more X client for tests: single-request move+resize, map counting.
#include "XRequests.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include <xcb/xcb.h>

namespace kivra::test {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

constexpr std::uint32_t StaticGravity = 10;
constexpr std::uint32_t MoveResizeAll = (1u << 8) | (1u << 9) | (1u << 10) | (1u << 11);
constexpr std::uint32_t SourcePager = 2;

}  // namespace

XRequests::XRequests() {
    int screen = 0;
    c_ = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c_)) {
        xcb_disconnect(c_);
        throw std::runtime_error("XRequests: cannot connect to $DISPLAY");
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
    root_ = it.data->root;
    // Other clients may select SubstructureNotify on the root too; only redirect is exclusive.
    const std::uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &rootMask);
    // A round trip: every map from here on is one the caller did not see happen before.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

XRequests::~XRequests() { xcb_disconnect(c_); }

std::uint32_t XRequests::atom(const std::string& name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, name.size(), name.c_str()), nullptr));
    return r ? r->atom : 0;
}

void XRequests::moveResizeClient(WindowId client, int x, int y, int width, int height) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = static_cast<xcb_window_t>(client);
    e.type = atom("_NET_MOVERESIZE_WINDOW");
    e.data.data32[0] = StaticGravity | MoveResizeAll | (SourcePager << 12);
    e.data.data32[1] = static_cast<std::uint32_t>(x);
    e.data.data32[2] = static_cast<std::uint32_t>(y);
    e.data.data32[3] = static_cast<std::uint32_t>(width);
    e.data.data32[4] = static_cast<std::uint32_t>(height);
    xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(c_);
}

std::optional<XRequests::Frame> XRequests::wmFrame(WindowId client) {
    xcb_window_t current = static_cast<xcb_window_t>(client);
    for (int depth = 0; depth < 8; ++depth) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, current), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == root_ || tree->parent == XCB_WINDOW_NONE) break;
        current = tree->parent;
    }
    Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, current), nullptr));
    Reply<xcb_get_window_attributes_reply_t> a(
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, current), nullptr));
    if (!g || !a) return std::nullopt;
    const int outerWidth = g->width + 2 * g->border_width, outerHeight = g->height + 2 * g->border_width;
    return Frame{Rect{g->x, g->y, g->x + outerWidth, g->y + outerHeight}, a->map_state != XCB_MAP_STATE_UNMAPPED};
}

int XRequests::mapsSeen() {
    // After a round trip every map the server made so far is in the queue.
    Reply<xcb_get_input_focus_reply_t> sync(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(c_)})
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) ++maps_;
    return maps_;
}

}  // namespace kivra::test
