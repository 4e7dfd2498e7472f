// What the X11 backend remembers of other clients' windows between calls, kept
// true by the events it selects on every window it reads.
//
// Every window read is selected for PropertyChange and StructureNotify before
// its first read, so the server tells us of every later change: PropertyNotify
// for its properties, Map/UnmapNotify for its map state, DestroyNotify for its
// end. Each event carries the sequence number of the last request of ours the
// server had handled when the change happened; comparing it with the sequence
// number of the request that read a value tells whether the change came after
// the read. A value is used only if nothing changed it before the snapshot a
// describe takes (its first request); anything else is read again.
#pragma once

#include "X11WindowClass.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include <xcb/xcb.h>

namespace kivra::x11 {

// The pieces of a window's state read with one request each.
enum class Item : std::uint8_t {
    Attributes,  // map state, override-redirect
    NetName,     // _NET_WM_NAME
    WmName,      // WM_NAME
    Class,       // WM_CLASS
    Type,        // _NET_WM_WINDOW_TYPE
    Transient,   // WM_TRANSIENT_FOR
    WmState,     // WM_STATE
    NetState,    // _NET_WM_STATE
    Pid,         // _NET_WM_PID
    ClientPid,   // X-Resource client id (never changes for a window)
    NormalHints, // WM_NORMAL_HINTS
    Motif,       // _MOTIF_WM_HINTS
    CsdExtents,  // _GTK_FRAME_EXTENTS
};
constexpr std::size_t ItemCount = 13;

// Wrap-safe comparison of 32-bit request sequence numbers: a is b or later.
inline bool atOrAfter(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) >= 0; }

struct ItemState {
    bool present = false;                  // read at least once
    std::uint32_t readAt = 0;              // sequence number of the request that read it
    std::optional<std::uint32_t> changedAt;  // first change seen after that read
};

struct CachedWindow {
    std::array<ItemState, ItemCount> items{};
    std::uint64_t lastUsed = 0;
    bool destroyed = false;  // DestroyNotify seen: gone, dropped at the next describe

    // Values, valid where the item is present.
    std::uint8_t mapState = XCB_MAP_STATE_UNMAPPED;
    bool overrideRedirect = false;
    bool hasNetName = false;
    std::string netName;
    bool hasWmName = false;
    std::string wmName;
    std::string className;
    NetWindowType type = NetWindowType::Absent;
    bool transient = false;
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    std::uint32_t wmState = 0;
    bool hidden = false, maximizedVert = false, maximizedHorz = false;
    std::uint32_t pid = 0;
    std::uint32_t clientPid = 0;
    Sizing sizing = Sizing::Resizable;
    Decoration decoration = Decoration::Decorated;
    bool csd = false;

    ItemState& item(Item i) { return items[static_cast<std::size_t>(i)]; }
    const ItemState& item(Item i) const { return items[static_cast<std::size_t>(i)]; }
    // The value may be used for a snapshot taken at `snapshot`: read, and not
    // changed by anything the server did before the snapshot.
    bool usable(Item i, std::uint32_t snapshot) const {
        const ItemState& s = item(i);
        return s.present && (!s.changedAt || atOrAfter(*s.changedAt, snapshot));
    }
    void markRead(Item i, std::uint32_t sequence) { item(i) = ItemState{true, sequence, std::nullopt}; }
};

class WindowCache {
public:
    // The entry of a window; `created` tells whether it is new (its events not yet selected).
    CachedWindow& entry(xcb_window_t window, bool& created);
    CachedWindow* find(xcb_window_t window);
    void forget(xcb_window_t window) { windows_.erase(window); }

    // An event with sequence `at` says `item` of `window` changed.
    void changed(xcb_window_t window, Item item, std::uint32_t at);
    void destroyed(xcb_window_t window);
    // Forgets the windows marked destroyed (kept until now so that pointers
    // handed out during one describe stay valid).
    void dropDestroyed();

    // Drops entries not used since `olderThan`, telling `onDrop` of each.
    template <class OnDrop>
    void sweep(std::uint64_t olderThan, OnDrop onDrop) {
        for (auto it = windows_.begin(); it != windows_.end();) {
            if (it->second.lastUsed < olderThan) {
                onDrop(it->first);
                it = windows_.erase(it);
            } else {
                ++it;
            }
        }
    }
    std::size_t size() const { return windows_.size(); }

private:
    std::unordered_map<xcb_window_t, CachedWindow> windows_;
};

}  // namespace kivra::x11
