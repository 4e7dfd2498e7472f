// Batched reading of many windows at once. Every request for every window is
// sent before the first reply is awaited, and what the window cache still
// holds truly is not asked again: a walk over an unchanged desktop costs one
// round trip and no request per window. A second batch follows only for what
// the first answers call for (a legacy WM_NAME, WM_STATE of an unmapped
// window, a process id from the X-Resource extension, a check for client-side
// decorations) or for values that changed while the first was on its way.
#include "X11WindowSystem.h"

#include "X11Properties.h"
#include "X11Text.h"
#include "X11WindowClass.h"
#include "XcbReply.h"

#include <algorithm>

#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

namespace kivra::x11 {
namespace {

// Title properties are read up to this many 32-bit units: enough for 255
// characters of four UTF-8 bytes (or of compound text with escapes).
constexpr std::uint32_t TitleLength = 512;
constexpr std::uint32_t MotifDecorationsFlag = 1u << 1;
// Passes of one describe: the first batch, follow-ups, and follow-ups of
// values that changed meanwhile.
constexpr int MaxPasses = 4;
// Every this many describes, windows not read in that time leave the cache.
constexpr std::uint64_t SweepInterval = 256;

struct Needs {
    bool title = false, wmClass = false, kind = false, visible = false, parent = false, pid = false,
         state = false, rect = false;
};

Needs needsFor(std::uint32_t fields) {
    Needs n;
    n.title = fields & FieldTitle;
    n.wmClass = fields & FieldClass;
    n.kind = fields & FieldStyle;
    n.visible = fields & (FieldVisible | FieldStyle);
    n.parent = fields & FieldParent;
    n.pid = fields & FieldProcess;
    n.state = fields & FieldState;
    n.rect = fields & FieldRect;
    return n;
}

// The items the fields need of every window, before any answer is known.
std::vector<Item> baseItems(const Needs& n) {
    std::vector<Item> items{Item::Attributes};
    if (n.title) items.push_back(Item::NetName);
    if (n.wmClass) items.push_back(Item::Class);
    if (n.kind) items.insert(items.end(), {Item::Type, Item::NormalHints, Item::Motif});
    if (n.kind || n.parent) items.push_back(Item::Transient);
    if (n.pid) items.push_back(Item::Pid);
    if (n.state) items.push_back(Item::NetState);
    return items;
}

// The items the answers so far call for.
void followUps(const CachedWindow& w, const Needs& n, bool haveXRes, std::vector<Item>& out) {
    auto has = [&](Item i) { return w.item(i).present; };
    if (n.title && has(Item::NetName) && !w.hasNetName) out.push_back(Item::WmName);
    if ((n.visible || n.state) && has(Item::Attributes) && w.mapState != XCB_MAP_STATE_VIEWABLE)
        out.push_back(Item::WmState);
    if (n.pid && has(Item::Pid) && w.pid == 0 && haveXRes) out.push_back(Item::ClientPid);
    if (n.kind && has(Item::Motif) && has(Item::Type) && has(Item::Transient) && has(Item::Attributes) &&
        w.decoration == Decoration::Undecorated &&
        classifyKind(WindowFacts{w.overrideRedirect, w.type, w.transient}) == WindowKind::Normal)
        out.push_back(Item::CsdExtents);
}

struct PropertySpec {
    xcb_atom_t atom, type;
    std::uint32_t length;
};

PropertySpec propertyOf(Item item, const Atoms& a) {
    switch (item) {
        case Item::NetName: return {a._NET_WM_NAME, a.UTF8_STRING, TitleLength};
        case Item::WmName: return {XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, TitleLength};
        case Item::Class: return {XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256};
        case Item::Type: return {a._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 32};
        case Item::Transient: return {XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1};
        case Item::WmState: return {a.WM_STATE, a.WM_STATE, 2};
        case Item::NetState: return {a._NET_WM_STATE, XCB_ATOM_ATOM, 64};
        case Item::Pid: return {a._NET_WM_PID, XCB_ATOM_CARDINAL, 1};
        case Item::NormalHints: return {XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18};
        case Item::Motif: return {a._MOTIF_WM_HINTS, a._MOTIF_WM_HINTS, 5};
        case Item::CsdExtents: return {a._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4};
        case Item::Attributes:
        case Item::ClientPid: break;
    }
    return {XCB_ATOM_NONE, XCB_ATOM_NONE, 0};
}

unsigned sendItem(xcb_connection_t* c, const Atoms& a, xcb_window_t w, Item item) {
    if (item == Item::Attributes) return xcb_get_window_attributes(c, w).sequence;
    if (item == Item::ClientPid) {
        const xcb_res_client_id_spec_t clientSpec{w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        return xcb_res_query_client_ids(c, 1, &clientSpec).sequence;
    }
    const PropertySpec p = propertyOf(item, a);
    return xcb_get_property(c, 0, w, p.atom, p.type, 0, p.length).sequence;
}

// Text of a title-like property by its declared encoding, cut at NUL and to 255 characters.
std::string decodeText(const xcb_get_property_reply_t* reply, const Atoms& a) {
    const std::string_view bytes = cutAtNul(bytes8(reply));
    std::string utf8;
    if (reply->type == XCB_ATOM_STRING) utf8 = latin1ToUtf8(bytes);
    else if (reply->type == a.COMPOUND_TEXT) utf8 = compoundTextToUtf8(bytes);
    else utf8 = sanitizeUtf8(bytes);
    return limitCharacters(std::move(utf8), MaxTextCharacters);
}

// WM_CLASS holds "instance\0class\0"; the class is the second string.
std::string classOf(const xcb_get_property_reply_t* reply) {
    const std::string_view bytes = bytes8(reply);
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos) return {};
    return limitCharacters(latin1ToUtf8(cutAtNul(bytes.substr(nul + 1))), MaxTextCharacters);
}

NetWindowType typeOf(const xcb_get_property_reply_t* reply, const Atoms& a) {
    const xcb_atom_t auxiliary[] = {
        a._NET_WM_WINDOW_TYPE_DESKTOP,       a._NET_WM_WINDOW_TYPE_DOCK,       a._NET_WM_WINDOW_TYPE_TOOLBAR,
        a._NET_WM_WINDOW_TYPE_MENU,          a._NET_WM_WINDOW_TYPE_UTILITY,    a._NET_WM_WINDOW_TYPE_SPLASH,
        a._NET_WM_WINDOW_TYPE_DROPDOWN_MENU, a._NET_WM_WINDOW_TYPE_POPUP_MENU, a._NET_WM_WINDOW_TYPE_TOOLTIP,
        a._NET_WM_WINDOW_TYPE_NOTIFICATION,  a._NET_WM_WINDOW_TYPE_COMBO,      a._NET_WM_WINDOW_TYPE_DND};
    for (const std::uint32_t atom : values32(reply)) {
        if (atom == a._NET_WM_WINDOW_TYPE_NORMAL) return NetWindowType::Normal;
        if (atom == a._NET_WM_WINDOW_TYPE_DIALOG) return NetWindowType::Dialog;
        if (std::find(std::begin(auxiliary), std::end(auxiliary), atom) != std::end(auxiliary))
            return NetWindowType::Auxiliary;
    }
    return NetWindowType::Absent;
}

Sizing sizingOf(xcb_get_property_reply_t* reply) {
    xcb_size_hints_t hints{};
    if (!isPresent(reply) || !xcb_icccm_get_wm_size_hints_from_reply(&hints, reply)) return Sizing::Resizable;
    const std::uint32_t both = XCB_ICCCM_SIZE_HINT_P_MIN_SIZE | XCB_ICCCM_SIZE_HINT_P_MAX_SIZE;
    const bool fixed = (hints.flags & both) == both && hints.min_width == hints.max_width &&
                       hints.min_height == hints.max_height && hints.max_width > 0;
    return fixed ? Sizing::FixedSize : Sizing::Resizable;
}

Decoration decorationOf(const xcb_get_property_reply_t* reply) {
    const auto motif = values32(reply);  // flags, functions, decorations, input mode, status
    const bool undecorated = motif.size() >= 3 && (motif[0] & MotifDecorationsFlag) && motif[2] == 0;
    return undecorated ? Decoration::Undecorated : Decoration::Decorated;
}

void storeProperty(CachedWindow& w, Item item, xcb_get_property_reply_t* r, const Atoms& a) {
    switch (item) {
        case Item::NetName:
            w.hasNetName = isPresent(r) && r->type == a.UTF8_STRING;
            w.netName = w.hasNetName ? decodeText(r, a) : std::string();
            break;
        case Item::WmName:
            w.hasWmName = isPresent(r);
            w.wmName = w.hasWmName ? decodeText(r, a) : std::string();
            break;
        case Item::Class: w.className = classOf(r); break;
        case Item::Type: w.type = typeOf(r, a); break;
        case Item::Transient: {
            const auto owner = values32(r);
            w.transient = !owner.empty() && owner[0] != XCB_WINDOW_NONE;
            w.transientFor = w.transient ? owner[0] : xcb_window_t{XCB_WINDOW_NONE};
            break;
        }
        case Item::WmState: {
            const auto v = values32(r);
            w.wmState = v.empty() ? WmStateWithdrawn : v[0];
            break;
        }
        case Item::NetState: {
            const auto states = values32(r);
            auto has = [&](xcb_atom_t atom) { return std::find(states.begin(), states.end(), atom) != states.end(); };
            w.hidden = has(a._NET_WM_STATE_HIDDEN);
            w.maximizedVert = has(a._NET_WM_STATE_MAXIMIZED_VERT);
            w.maximizedHorz = has(a._NET_WM_STATE_MAXIMIZED_HORZ);
            break;
        }
        case Item::Pid: {
            const auto v = values32(r);
            w.pid = v.empty() ? 0 : v[0];
            break;
        }
        case Item::NormalHints: w.sizing = sizingOf(r); break;
        case Item::Motif: w.decoration = decorationOf(r); break;
        case Item::CsdExtents: w.csd = isPresent(r); break;
        case Item::Attributes:
        case Item::ClientPid: break;
    }
}

// Takes the reply of one item into the cache entry. False when the window is
// gone: every request here fails on nothing but a window that does not exist.
bool storeItem(xcb_connection_t* c, const Atoms& a, CachedWindow& w, Item item, unsigned sequence) {
    if (item == Item::Attributes) {
        const auto r = takeReply(c, xcb_get_window_attributes_reply, xcb_get_window_attributes_cookie_t{sequence});
        if (!r) return false;
        w.mapState = r->map_state;
        w.overrideRedirect = r->override_redirect;
    } else if (item == Item::ClientPid) {
        // An unknown client (a remote one, say) is no reason to call the window gone.
        const auto r = takeReply(c, xcb_res_query_client_ids_reply, xcb_res_query_client_ids_cookie_t{sequence});
        w.clientPid = 0;
        for (auto it = r ? xcb_res_query_client_ids_ids_iterator(r.get()) : xcb_res_client_id_value_iterator_t{};
             it.rem > 0; xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                xcb_res_client_id_value_value_length(it.data) >= 1)
                w.clientPid = *xcb_res_client_id_value_value(it.data);
        }
    } else {
        const auto r = takeReply(c, xcb_get_property_reply, xcb_get_property_cookie_t{sequence});
        if (!r) return false;
        storeProperty(w, item, r.get(), a);
    }
    w.markRead(item, sequence);
    return true;
}

// The frame rectangle is read afresh every time: a frame that moves tells the
// client window nothing.
struct RectCookies {
    xcb_get_property_cookie_t extents;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    std::optional<xcb_get_geometry_cookie_t> frame;  // the window manager's frame, when known
};

// `frame` is the window manager's frame of a watched window, else none.
RectCookies sendRect(xcb_connection_t* c, const Atoms& a, xcb_window_t root, xcb_window_t w, xcb_window_t frame) {
    RectCookies k{xcb_get_property(c, 0, w, a._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 0, 4), xcb_get_geometry(c, w),
                  xcb_translate_coordinates(c, w, root, 0, 0), std::nullopt};
    if (frame != XCB_WINDOW_NONE && frame != w) k.frame = xcb_get_geometry(c, frame);
    return k;
}

// GetWindowRect: the client's outer rectangle on the root grown by the frame extents.
//
// A window manager moves and resizes a frame and its client in separate
// requests (openbox, growing a window from its left edge, moves and sizes the
// frame first and sizes the client after), so a reading between them shows the
// new place with the old size: a move alone, then a resize alone, where there
// was one resize from the left edge. The frame's own geometry changes in one
// request. So when the frame is known and agrees with the client reading on
// the top-left corner, as a frame without margins of its own does at every
// step, the frame's outer rectangle is the answer. A frame with margins the
// extents do not describe (shadows) keeps the client reading.
std::optional<Rect> takeRect(xcb_connection_t* c, const RectCookies& k) {
    const auto extentsReply = takeReply(c, xcb_get_property_reply, k.extents);
    const auto geometry = takeReply(c, xcb_get_geometry_reply, k.geometry);
    const auto origin = takeReply(c, xcb_translate_coordinates_reply, k.origin);
    // A frame that is gone (the window is being managed anew) only costs the single-request reading.
    const auto frame = k.frame ? takeReply(c, xcb_get_geometry_reply, *k.frame) : nullptr;
    if (!extentsReply || !geometry || !origin) return std::nullopt;
    const int border = geometry->border_width;
    const int left = origin->dst_x - border, top = origin->dst_y - border;
    Rect rect{left, top, left + geometry->width + 2 * border, top + geometry->height + 2 * border};
    const auto extents = values32(extentsReply.get());  // left, right, top, bottom
    if (extents.size() == 4) {
        rect.left -= static_cast<int>(extents[0]);
        rect.right += static_cast<int>(extents[1]);
        rect.top -= static_cast<int>(extents[2]);
        rect.bottom += static_cast<int>(extents[3]);
    }
    if (frame && frame->x == rect.left && frame->y == rect.top)
        return Rect{frame->x, frame->y, frame->x + frame->width + 2 * frame->border_width,
                    frame->y + frame->height + 2 * frame->border_width};
    return rect;
}

WindowInfo infoFrom(const CachedWindow& w, WindowId id, std::uint32_t fields, std::uint32_t snapshot,
                    xcb_window_t root) {
    WindowInfo info;
    info.id = id;
    info.exists = true;
    const bool viewable = w.mapState == XCB_MAP_STATE_VIEWABLE;
    // WM_STATE is read only for windows that are not viewable; a viewable
    // window is neither withdrawn nor iconic.
    const std::uint32_t wmState = !viewable && w.usable(Item::WmState, snapshot) ? w.wmState : WmStateWithdrawn;
    // Like IsWindowVisible, a minimized window still counts as shown: the client
    // has mapped it and not withdrawn it, even if the window manager unmapped it.
    const bool visible = w.mapState != XCB_MAP_STATE_UNMAPPED || wmState == WmStateNormal || wmState == WmStateIconic;
    if (fields & FieldVisible) info.visible = visible;
    if (fields & FieldTitle) info.title = w.hasNetName ? w.netName : w.hasWmName ? w.wmName : std::string();
    if (fields & FieldClass) info.className = w.className;
    if ((fields & FieldParent) && w.transient && w.transientFor != root) info.parent = w.transientFor;
    if (fields & FieldProcess) info.pid = w.pid != 0 ? w.pid : w.clientPid;
    if (fields & FieldState) {
        info.minimized = wmState == WmStateIconic || w.hidden;
        info.maximized = w.maximizedVert && w.maximizedHorz;
    }
    if (fields & FieldStyle) {
        WindowFacts facts{w.overrideRedirect, w.type, w.transient, visible, w.decoration, w.sizing};
        if (w.csd) facts.decoration = Decoration::Decorated;  // the application draws its own title bar
        info.kind = classifyKind(facts);
        info.style = synthesizeStyle(info.kind, facts);
    }
    return info;
}

}  // namespace

std::vector<WindowInfo> X11WindowSystem::describe(std::span<const WindowId> windows, std::uint32_t fields) {
    std::vector<WindowInfo> infos(windows.size());
    if (windows.empty()) return infos;
    const Needs needs = needsFor(fields);
    const std::vector<Item> base = baseItems(needs);
    ++generation_;
    cache_.dropDestroyed();

    // The snapshot: what the server did before handling this request is what
    // this describe reports.
    const std::uint32_t snapshot = xcb_get_input_focus(c_).sequence;

    std::vector<CachedWindow*> entry(windows.size(), nullptr);
    std::vector<bool> gone(windows.size(), false);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t w = toXid(windows[i]);
        if (w == XCB_WINDOW_NONE) {
            gone[i] = true;
            continue;
        }
        bool created = false;
        entry[i] = &cache_.entry(w, created);
        entry[i]->lastUsed = generation_;
        if (created) {
            // Unchecked: for a window already gone the error joins the events and is dropped.
            const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &mask);
        }
    }

    struct Request {
        std::size_t window;
        Item item;
        unsigned sequence;
    };
    std::vector<Request> requests;
    std::vector<RectCookies> rects;
    for (int pass = 0; pass < MaxPasses; ++pass) {
        requests.clear();
        std::vector<Item> wanted;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (gone[i] || entry[i]->destroyed) {
                gone[i] = true;
                continue;
            }
            // Follow-ups known from the cache go out with the first batch; the
            // next pass checks them against the fresh answers.
            wanted = base;
            followUps(*entry[i], needs, hasXRes_, wanted);
            for (const Item item : wanted)
                if (!entry[i]->usable(item, snapshot))
                    requests.push_back({i, item, sendItem(c_, atoms_, toXid(windows[i]), item)});
        }
        windowRequests_ += requests.size();
        if (pass == 0 && needs.rect) {
            for (std::size_t i = 0; i < windows.size(); ++i) {
                const auto watched = watched_.find(toXid(windows[i]));
                const xcb_window_t frame = watched != watched_.end() ? watched->second : xcb_window_t{XCB_WINDOW_NONE};
                rects.push_back(sendRect(c_, atoms_, root_, toXid(windows[i]), frame));
                windowRequests_ += rects.back().frame ? 4 : 3;
            }
        }
        if (pass > 0 && requests.empty()) break;

        countRoundTrip();
        if (pass == 0) takeReply(c_, xcb_get_input_focus_reply, xcb_get_input_focus_cookie_t{snapshot});
        for (const Request& r : requests)
            if (!storeItem(c_, atoms_, *entry[r.window], r.item, r.sequence)) gone[r.window] = true;
        if (pass == 0 && needs.rect) {
            for (std::size_t i = 0; i < windows.size(); ++i) {
                if (const auto rect = takeRect(c_, rects[i])) infos[i].rect = *rect;
                else gone[i] = true;
            }
        }
        // Changes the server reported meanwhile mark what must be read again.
        pumpQueuedEvents();
    }

    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (gone[i] || entry[i]->destroyed) {
            infos[i] = WindowInfo{};
            infos[i].id = windows[i];
            if (entry[i]) entry[i]->destroyed = true;  // forget it; a new window may get its id
            continue;
        }
        const Rect rect = infos[i].rect;
        infos[i] = infoFrom(*entry[i], windows[i], fields, snapshot, root_);
        if (needs.rect) infos[i].rect = rect;
    }
    if (generation_ % SweepInterval == 0) sweepCache();
    return infos;
}

// Windows not read for a while leave the cache, and their events are no longer
// selected unless they are watched.
void X11WindowSystem::sweepCache() {
    const std::uint64_t oldest = generation_ > SweepInterval ? generation_ - SweepInterval : 0;
    cache_.sweep(oldest, [&](xcb_window_t w) {
        if (watched_.contains(w)) return;
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &none);
    });
    xcb_flush(c_);
}

}  // namespace kivra::x11
