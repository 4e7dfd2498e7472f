// Direct X queries for test assertions, one round trip each; speed does not matter here.
#include "XProbe.h"

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

}  // namespace

XProbe::XProbe() {
    int screen = 0;
    c_ = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c_)) {
        xcb_disconnect(c_);
        throw std::runtime_error("XProbe: cannot connect to $DISPLAY");
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
    root_ = it.data->root;
}

XProbe::~XProbe() { xcb_disconnect(c_); }

std::uint32_t XProbe::atom(const std::string& name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, name.size(), name.c_str()), nullptr));
    return r ? r->atom : 0;
}

std::vector<std::uint32_t> XProbe::values32(WindowId window, const std::string& name) {
    xcb_generic_error_t* error = nullptr;
    const auto w = static_cast<xcb_window_t>(window);
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 65536), &error));
    std::free(error);
    if (!r || r->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    return {data, data + xcb_get_property_value_length(r.get()) / 4};
}

bool XProbe::hasState(WindowId window, const std::string& state) {
    for (const std::uint32_t a : values32(window, "_NET_WM_STATE"))
        if (a == atom(state)) return true;
    return false;
}

std::vector<WindowId> XProbe::stackingTopFirst() {
    const auto bottomUp = values32(root_, "_NET_CLIENT_LIST_STACKING");
    return {bottomUp.rbegin(), bottomUp.rend()};
}

WindowId XProbe::activeWindow() {
    const auto active = values32(root_, "_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active[0];
}

std::optional<Rect> XProbe::frameRect(WindowId window) {
    const auto w = static_cast<xcb_window_t>(window);
    Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr));
    Reply<xcb_translate_coordinates_reply_t> t(xcb_translate_coordinates_reply(
        c_, xcb_translate_coordinates(c_, w, static_cast<xcb_window_t>(root_), 0, 0), nullptr));
    if (!g || !t) return std::nullopt;
    auto e = values32(window, "_NET_FRAME_EXTENTS");
    e.resize(4, 0);
    return Rect{t->dst_x - int(e[0]), t->dst_y - int(e[2]), t->dst_x + g->width + int(e[1]),
                t->dst_y + g->height + int(e[3])};
}

Rect XProbe::rootRect() {
    Reply<xcb_get_geometry_reply_t> g(
        xcb_get_geometry_reply(c_, xcb_get_geometry(c_, static_cast<xcb_window_t>(root_)), nullptr));
    return g ? Rect{0, 0, g->width, g->height} : Rect{};
}

void XProbe::set(WindowId window, const std::string& property, const std::string& type, int format,
                 std::size_t count, const void* data) {
    std::free(xcb_request_check(c_, xcb_change_property_checked(c_, XCB_PROP_MODE_REPLACE,
                                                                static_cast<xcb_window_t>(window), atom(property),
                                                                atom(type), format, count, data)));
}

void XProbe::setProperty8(WindowId window, const std::string& property, const std::string& type,
                          const std::string& bytes) {
    set(window, property, type, 8, bytes.size(), bytes.data());
}

void XProbe::setProperty32(WindowId window, const std::string& property, const std::string& type,
                           const std::vector<std::uint32_t>& values) {
    set(window, property, type, 32, values.size(), values.data());
}

void XProbe::deleteProperty(WindowId window, const std::string& property) {
    std::free(xcb_request_check(
        c_, xcb_delete_property_checked(c_, static_cast<xcb_window_t>(window), atom(property))));
}

}  // namespace kivra::test
