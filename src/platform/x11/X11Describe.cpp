// Batched reading of many windows at once: every request for every window is
// sent before the first reply is awaited, so a walk costs one round trip (two
// when some window needs a fallback: a legacy WM_NAME, a process id from the
// X-Resource extension, or a check for client-side decorations).
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

using PropertyReply = Reply<xcb_get_property_reply_t>;

// Title properties are read up to this many 32-bit units: enough for 255
// characters of four UTF-8 bytes (or of compound text with escapes).
constexpr std::uint32_t TitleLength = 512;
constexpr std::uint32_t MotifDecorationsFlag = 1u << 1;

// Which requests a set of fields needs.
struct Needs {
    bool title = false, wmClass = false, kind = false, transient = false, wmState = false,
         netState = false, pid = false, rect = false;
};

Needs needsFor(std::uint32_t fields) {
    Needs n;
    n.title = fields & FieldTitle;
    n.wmClass = fields & FieldClass;
    n.kind = fields & FieldStyle;
    n.transient = fields & (FieldStyle | FieldParent);
    n.wmState = fields & (FieldStyle | FieldVisible | FieldState);
    n.netState = fields & FieldState;
    n.pid = fields & FieldProcess;
    n.rect = fields & FieldRect;
    return n;
}

struct Cookies {
    xcb_get_window_attributes_cookie_t attributes{};
    xcb_get_property_cookie_t netName{}, wmClass{}, type{}, transient{}, wmState{}, netState{}, pid{},
        extents{}, normalHints{}, motif{};
    xcb_get_geometry_cookie_t geometry{};
    xcb_translate_coordinates_cookie_t origin{};
};

struct Replies {
    Reply<xcb_get_window_attributes_reply_t> attributes;
    PropertyReply netName, wmClass, type, transient, wmState, netState, pid, extents, normalHints, motif;
    Reply<xcb_get_geometry_reply_t> geometry;
    Reply<xcb_translate_coordinates_reply_t> origin;
};

// A window's state between the two batches.
struct Partial {
    bool gone = false;
    WindowFacts facts;
    bool needName = false, needPid = false, needCsdCheck = false;
    xcb_get_property_cookie_t name{}, csd{};
    xcb_res_query_client_ids_cookie_t clientIds{};
};

Cookies sendRequests(xcb_connection_t* c, const Atoms& a, const Needs& n, xcb_window_t root, xcb_window_t w) {
    auto property = [&](xcb_atom_t atom, xcb_atom_t type, std::uint32_t length) {
        return xcb_get_property(c, 0, w, atom, type, 0, length);
    };
    Cookies k;
    k.attributes = xcb_get_window_attributes(c, w);
    if (n.title) k.netName = property(a._NET_WM_NAME, a.UTF8_STRING, TitleLength);
    if (n.wmClass) k.wmClass = property(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
    if (n.kind) {
        k.type = property(a._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 32);
        k.normalHints = property(XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
        k.motif = property(a._MOTIF_WM_HINTS, a._MOTIF_WM_HINTS, 5);
    }
    if (n.transient) k.transient = property(XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
    if (n.wmState) k.wmState = property(a.WM_STATE, a.WM_STATE, 2);
    if (n.netState) k.netState = property(a._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    if (n.pid) k.pid = property(a._NET_WM_PID, XCB_ATOM_CARDINAL, 1);
    if (n.rect) {
        k.extents = property(a._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        k.geometry = xcb_get_geometry(c, w);
        k.origin = xcb_translate_coordinates(c, w, root, 0, 0);
    }
    return k;
}

// Takes every reply of one window (each must be taken, or xcb keeps it) and
// tells whether all requests succeeded. Any error means the window is gone:
// GetProperty fails on nothing but BadWindow.
bool collectReplies(xcb_connection_t* c, const Needs& n, const Cookies& k, Replies& r) {
    auto property = [&](bool needed, xcb_get_property_cookie_t cookie, PropertyReply& out) {
        if (!needed) return true;
        out = takeReply(c, xcb_get_property_reply, cookie);
        return out != nullptr;
    };
    r.attributes = takeReply(c, xcb_get_window_attributes_reply, k.attributes);
    bool ok = r.attributes != nullptr;
    ok &= property(n.title, k.netName, r.netName);
    ok &= property(n.wmClass, k.wmClass, r.wmClass);
    ok &= property(n.kind, k.type, r.type);
    ok &= property(n.kind, k.normalHints, r.normalHints);
    ok &= property(n.kind, k.motif, r.motif);
    ok &= property(n.transient, k.transient, r.transient);
    ok &= property(n.wmState, k.wmState, r.wmState);
    ok &= property(n.netState, k.netState, r.netState);
    ok &= property(n.pid, k.pid, r.pid);
    ok &= property(n.rect, k.extents, r.extents);
    if (n.rect) {
        r.geometry = takeReply(c, xcb_get_geometry_reply, k.geometry);
        r.origin = takeReply(c, xcb_translate_coordinates_reply, k.origin);
        ok &= r.geometry && r.origin;
    }
    return ok;
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

// GetWindowRect: the client's outer rectangle on the root grown by the frame extents.
Rect frameRect(const Replies& r) {
    const int border = r.geometry->border_width;
    const int left = r.origin->dst_x - border, top = r.origin->dst_y - border;
    Rect rect{left, top, left + r.geometry->width + 2 * border, top + r.geometry->height + 2 * border};
    const auto extents = values32(r.extents.get());  // left, right, top, bottom
    if (extents.size() == 4) {
        rect.left -= static_cast<int>(extents[0]);
        rect.right += static_cast<int>(extents[1]);
        rect.top -= static_cast<int>(extents[2]);
        rect.bottom += static_cast<int>(extents[3]);
    }
    return rect;
}

// Fills what the first batch tells and notes the fallbacks the second must fetch.
void interpret(const Replies& r, const Needs& n, const Atoms& a, xcb_window_t root, bool haveXRes,
               WindowInfo& info, Partial& p) {
    const std::uint32_t wmState = [&] {
        const auto v = values32(r.wmState.get());
        return v.empty() ? WmStateWithdrawn : v[0];
    }();
    const bool viewable = r.attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    // Like IsWindowVisible, a minimized window still counts as shown: the client
    // has mapped it and not withdrawn it, even if the window manager unmapped it.
    info.visible = viewable || wmState == WmStateNormal || wmState == WmStateIconic;
    p.facts.visible = info.visible;
    p.facts.overrideRedirect = r.attributes->override_redirect;

    if (n.title) {
        if (isPresent(r.netName.get()) && r.netName->type == a.UTF8_STRING) info.title = decodeText(r.netName.get(), a);
        else p.needName = true;
    }
    if (n.wmClass) info.className = classOf(r.wmClass.get());
    if (n.transient) {
        const auto owner = values32(r.transient.get());
        p.facts.transient = !owner.empty() && owner[0] != XCB_WINDOW_NONE;
        if (p.facts.transient && owner[0] != root) info.parent = owner[0];
    }
    if (n.kind) {
        p.facts.type = typeOf(r.type.get(), a);
        p.facts.sizing = sizingOf(r.normalHints.get());
        p.facts.decoration = decorationOf(r.motif.get());
        p.needCsdCheck = p.facts.decoration == Decoration::Undecorated;
    }
    if (n.netState) {
        const auto states = values32(r.netState.get());
        auto has = [&](xcb_atom_t atom) { return std::find(states.begin(), states.end(), atom) != states.end(); };
        info.minimized = wmState == WmStateIconic || has(a._NET_WM_STATE_HIDDEN);
        info.maximized = has(a._NET_WM_STATE_MAXIMIZED_VERT) && has(a._NET_WM_STATE_MAXIMIZED_HORZ);
    }
    if (n.pid) {
        const auto pid = values32(r.pid.get());
        if (!pid.empty() && pid[0] != 0) info.pid = pid[0];
        else p.needPid = haveXRes;
    }
    if (n.rect) info.rect = frameRect(r);
}

}  // namespace

std::vector<WindowInfo> X11WindowSystem::describe(std::span<const WindowId> windows, std::uint32_t fields) {
    std::vector<WindowInfo> infos(windows.size());
    if (windows.empty()) return infos;
    const Needs needs = needsFor(fields);
    auto xid = [&](std::size_t i) { return toXid(windows[i]); };

    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) cookies.push_back(sendRequests(c_, atoms_, needs, root_, xid(i)));
    countRoundTrip();

    std::vector<Partial> partial(windows.size());
    bool followUp = false;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        infos[i].id = windows[i];
        Replies replies;
        if (!collectReplies(c_, needs, cookies[i], replies)) {
            partial[i].gone = true;
            continue;
        }
        interpret(replies, needs, atoms_, root_, hasXRes_, infos[i], partial[i]);
        Partial& p = partial[i];
        const WindowKind kind = classifyKind(p.facts);
        p.needCsdCheck = p.needCsdCheck && kind == WindowKind::Normal;
        if (p.needName)
            p.name = xcb_get_property(c_, 0, xid(i), XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, TitleLength);
        if (p.needCsdCheck)
            p.csd = xcb_get_property(c_, 0, xid(i), atoms_._GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 0, 4);
        if (p.needPid) {
            const xcb_res_client_id_spec_t spec{xid(i), XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            p.clientIds = xcb_res_query_client_ids(c_, 1, &spec);
        }
        followUp = followUp || p.needName || p.needCsdCheck || p.needPid;
    }
    if (followUp) countRoundTrip();

    for (std::size_t i = 0; i < windows.size(); ++i) {
        Partial& p = partial[i];
        WindowInfo& info = infos[i];
        if (p.needName) {
            const auto name = takeReply(c_, xcb_get_property_reply, p.name);
            if (!name) p.gone = true;
            else if (isPresent(name.get())) info.title = decodeText(name.get(), atoms_);
        }
        if (p.needCsdCheck) {
            // Client-side decorations: the application draws its own title bar.
            const auto csd = takeReply(c_, xcb_get_property_reply, p.csd);
            if (!csd) p.gone = true;
            else if (isPresent(csd.get())) p.facts.decoration = Decoration::Decorated;
        }
        if (p.needPid) {
            const auto ids = takeReply(c_, xcb_res_query_client_ids_reply, p.clientIds);
            for (auto it = ids ? xcb_res_query_client_ids_ids_iterator(ids.get()) : xcb_res_client_id_value_iterator_t{};
                 it.rem > 0; xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1)
                    info.pid = *xcb_res_client_id_value_value(it.data);
            }
        }
        if (p.gone) {
            info = WindowInfo{};
            info.id = windows[i];
            continue;
        }
        info.exists = true;
        if (fields & FieldStyle) {
            info.kind = classifyKind(p.facts);
            info.style = synthesizeStyle(info.kind, p.facts);
        }
        // Fields read only to work out others keep their defaults, as the seam promises.
        if (!(fields & FieldVisible)) info.visible = false;
        if (!(fields & FieldParent)) info.parent = 0;
    }
    pumpQueuedEvents();
    return infos;
}

}  // namespace kivra::x11
