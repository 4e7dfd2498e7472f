// The window cache's bookkeeping.
#include "X11WindowCache.h"

namespace kivra::x11 {

CachedWindow& WindowCache::entry(xcb_window_t window, bool& created) {
    auto [it, inserted] = windows_.try_emplace(window);
    created = inserted;
    return it->second;
}

CachedWindow* WindowCache::find(xcb_window_t window) {
    const auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

void WindowCache::changed(xcb_window_t window, Item item, std::uint32_t at) {
    CachedWindow* w = find(window);
    if (!w) return;
    ItemState& s = w->item(item);
    // A change the server made before handling our read is already in the value.
    if (!s.present || !atOrAfter(at, s.readAt)) return;
    if (!s.changedAt) s.changedAt = at;
}

void WindowCache::destroyed(xcb_window_t window) {
    if (CachedWindow* w = find(window)) w->destroyed = true;
}

void WindowCache::dropDestroyed() {
    std::erase_if(windows_, [](const auto& entry) { return entry.second.destroyed; });
}

}  // namespace kivra::x11
