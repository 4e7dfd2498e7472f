// Reading the values out of GetProperty replies.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

#include "WindowSystem.h"

namespace kivra::x11 {

// The X id of a seam window id; ids that cannot be X ids become None, which
// every request answers as a window that does not exist.
inline xcb_window_t toXid(WindowId id) {
    return id > 0xFFFFFFFFu ? xcb_window_t{XCB_WINDOW_NONE} : static_cast<xcb_window_t>(id);
}

// ICCCM WM_STATE values.
constexpr std::uint32_t WmStateWithdrawn = 0;
constexpr std::uint32_t WmStateNormal = 1;
constexpr std::uint32_t WmStateIconic = 3;

// The property exists (a reply for an absent property has type None).
inline bool isPresent(const xcb_get_property_reply_t* reply) {
    return reply && reply->type != XCB_ATOM_NONE;
}

// The values of a 32-bit property (atoms, windows, cardinals); empty when absent.
inline std::vector<std::uint32_t> values32(const xcb_get_property_reply_t* reply) {
    if (!isPresent(reply) || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    return {data, data + xcb_get_property_value_length(reply) / 4};
}

// The bytes of an 8-bit property; empty when absent.
inline std::string_view bytes8(const xcb_get_property_reply_t* reply) {
    if (!isPresent(reply) || reply->format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

}  // namespace kivra::x11
