// testhost: opens and changes real X11 windows on command, for the X11 tests
// and benchmarks. Reads one command per line on stdin, answers one line on
// stdout ("ok ..." or "error ..."). A window asked to close (WM_DELETE_WINDOW) goes at once.
//
//   open <x+hex title> [--class C] [--type NORMAL|DIALOG|UTILITY|...]
//        [--override-redirect] [--transient-for ID] [--unmapped] [--fixed-size]
//        [--undecorated] [--csd] [--geometry WxH+X+Y]        -> ok <id>
//   move <id> <x> <y>                                         -> ok
//   show <id>                                                 -> ok
//   close <id>     unmap and destroy, answered once the window manager let go -> ok
// "open" and "show" answer once the window is mapped and framed, so callers need no sleeps.
// It ends, and its windows with it, when its stdin closes.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto FrameTimeout = std::chrono::seconds(10);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* c = nullptr;
xcb_screen_t* screen = nullptr;

xcb_atom_t atom(const std::string& name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.c_str()), nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::map<xcb_window_t, bool> windows;  // ours, each with whether it is override-redirect

// --- command line parsing ------------------------------------------------------

// Words split at blanks. A title is "x" and two hex digits a byte, so that any byte may be in it.
std::vector<std::string> tokenize(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> tokens;
    for (std::string word; in >> word;) tokens.push_back(word);
    return tokens;
}

std::string fromHex(const std::string& word) {
    std::string bytes;
    for (std::size_t i = 1; i + 1 < word.size(); i += 2)
        bytes += static_cast<char>(std::stoi(word.substr(i, 2), nullptr, 16));
    return bytes;
}

struct Options {
    std::string className = "TestHost", type;
    bool overrideRedirect = false, unmapped = false, fixedSize = false, undecorated = false,
         csd = false;
    xcb_window_t transientFor = XCB_WINDOW_NONE;
    std::optional<xcb_rectangle_t> geometry;
};

std::optional<xcb_rectangle_t> parseGeometry(const std::string& g) {
    unsigned w = 0, h = 0;
    int x = 0, y = 0;
    if (std::sscanf(g.c_str(), "%ux%u%d%d", &w, &h, &x, &y) != 4) return std::nullopt;
    return xcb_rectangle_t{static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(w),
                           static_cast<uint16_t>(h)};
}

bool parseOptions(const std::vector<std::string>& t, std::size_t from, Options& o, std::string& error) {
    for (std::size_t i = from; i < t.size(); ++i) {
        auto value = [&]() -> std::string { return i + 1 < t.size() ? t[++i] : std::string(); };
        const std::string& k = t[i];
        if (k == "--class") o.className = value();
        else if (k == "--type") o.type = value();
        else if (k == "--override-redirect") o.overrideRedirect = true;
        else if (k == "--unmapped") o.unmapped = true;
        else if (k == "--fixed-size") o.fixedSize = true;
        else if (k == "--undecorated") o.undecorated = true;
        else if (k == "--csd") o.csd = true;
        else if (k == "--transient-for") o.transientFor = static_cast<xcb_window_t>(std::stoul(value()));
        else if (k == "--geometry") {
            o.geometry = parseGeometry(value());
            if (!o.geometry) { error = "bad geometry"; return false; }
        } else {
            error = "unknown option " + k;
            return false;
        }
    }
    return true;
}

// --- properties ------------------------------------------------------------------

void setProperty(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, uint8_t format, uint32_t count,
                 const void* data) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, format, count, data);
}

std::vector<uint32_t> property32(xcb_window_t w, xcb_atom_t property) {
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr));
    if (!r || r->format != 32) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return {data, data + xcb_get_property_value_length(r.get()) / 4};
}

bool inList(xcb_window_t w, const char* list) {
    for (uint32_t id : property32(screen->root, atom(list)))
        if (id == w) return true;
    return false;
}

// openbox writes its two lists one after the other: a window counts as listed
// when it is in both (2), and as gone when it is in neither (0).
int listings(xcb_window_t w) {
    return inList(w, "_NET_CLIENT_LIST_STACKING") + inList(w, "_NET_CLIENT_LIST");
}

// --- events ----------------------------------------------------------------------

void handleEvent(const xcb_generic_event_t& event) {
    if ((event.response_type & 0x7F) != XCB_CLIENT_MESSAGE) return;
    const auto& e = reinterpret_cast<const xcb_client_message_event_t&>(event);
    if (e.type == atom("WM_PROTOCOLS") && e.data.data32[0] == atom("WM_DELETE_WINDOW") &&
        windows.erase(e.window)) {
        xcb_destroy_window(c, e.window);
        xcb_flush(c);
    }
}

void pumpEvents() {
    while (Reply<xcb_generic_event_t> e{xcb_poll_for_event(c)}) handleEvent(*e);
}

// Handles events until `done` holds or the deadline passes.
template <class Predicate>
bool waitFor(Predicate done) {
    const auto deadline = Clock::now() + FrameTimeout;
    pumpEvents();
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 50)));
        pumpEvents();
        if (xcb_connection_has_error(c)) return false;
    }
    return true;
}

void syncServer() {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Maps the window and waits until it is viewable and, unless override-redirect, taken in by
// the window manager: framed, listed, WM_STATE set.
bool show(xcb_window_t w) {
    xcb_map_window(c, w);
    xcb_flush(c);
    const xcb_atom_t state = atom("WM_STATE"), frame = atom("_NET_FRAME_EXTENTS");
    return waitFor([&] {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
        if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE) return false;
        if (windows[w]) return true;  // override-redirect: no window manager takes it in
        return !property32(w, state).empty() && !property32(w, frame).empty() && listings(w) == 2;
    });
}

// --- commands ----------------------------------------------------------------------

std::string openWindow(const std::vector<std::string>& t) {
    if (t.size() < 2) return "error usage: open <title> [options]";
    Options o;
    std::string error;
    if (!parseOptions(t, 2, o, error)) return "error " + error;
    const xcb_rectangle_t g = o.geometry.value_or(xcb_rectangle_t{0, 0, 300, 200});

    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK;
    const uint32_t values[] = {screen->white_pixel, o.overrideRedirect ? 1u : 0u,
                               XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, g.x, g.y, g.width, g.height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, mask, values);
    windows[w] = o.overrideRedirect;

    const std::string title = fromHex(t[1]);
    setProperty(w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, title.size(), title.data());
    std::string wmClass = "testhost" + std::string(1, '\0') + o.className + '\0';
    setProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
    const xcb_atom_t protocols[] = {atom("WM_DELETE_WINDOW")};
    setProperty(w, atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, protocols);
    const uint32_t pid = static_cast<uint32_t>(::getpid());
    setProperty(w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    setProperty(w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 8, std::strlen(host), host);
    if (!o.type.empty()) {
        const xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE_" + o.type);
        setProperty(w, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &type);
    }
    if (o.transientFor != XCB_WINDOW_NONE)
        setProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &o.transientFor);
    xcb_size_hints_t hints{};
    if (o.geometry) {
        xcb_icccm_size_hints_set_position(&hints, 1, g.x, g.y);
        xcb_icccm_size_hints_set_size(&hints, 1, g.width, g.height);
    }
    if (o.fixedSize) {
        xcb_icccm_size_hints_set_min_size(&hints, g.width, g.height);
        xcb_icccm_size_hints_set_max_size(&hints, g.width, g.height);
    }
    xcb_icccm_set_wm_normal_hints(c, w, &hints);
    if (o.undecorated || o.csd) {
        const uint32_t motif[5] = {1u << 1, 0, 0, 0, 0};  // decorations given: none
        setProperty(w, atom("_MOTIF_WM_HINTS"), atom("_MOTIF_WM_HINTS"), 32, 5, motif);
    }
    if (o.csd) {
        const uint32_t shadow[4] = {10, 10, 10, 10};
        setProperty(w, atom("_GTK_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 32, 4, shadow);
    }
    if (o.unmapped) syncServer();
    else if (!show(w)) return "error not framed " + std::to_string(w);
    return "ok " + std::to_string(w);
}

std::string runCommand(const std::vector<std::string>& t) {
    const std::string& verb = t[0];
    if (verb == "open") return openWindow(t);
    const auto w = static_cast<xcb_window_t>(t.size() < 2 ? 0 : std::stoul(t[1]));
    if (!windows.contains(w)) return "error unknown window";
    if (verb == "move" && t.size() == 4) {
        const uint32_t v[] = {static_cast<uint32_t>(std::stoi(t[2])), static_cast<uint32_t>(std::stoi(t[3]))};
        xcb_configure_window(c, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, v);
    } else if (verb == "show") {
        if (!show(w)) return "error not framed";
    } else if (verb == "close") {
        xcb_unmap_window(c, w);
        xcb_destroy_window(c, w);
        windows.erase(w);
        xcb_flush(c);
        if (!waitFor([&] { return listings(w) == 0; })) return "error still listed";
    } else {
        return "error unknown command";
    }
    syncServer();
    return "ok";
}

}  // namespace

int main() {
    int screenNumber = 0;
    c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "testhost: cannot connect to the X display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
    screen = it.data;
    const uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &rootMask);
    syncServer();
    std::cout << "ready" << std::endl;

    std::string pending;
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {xcb_get_file_descriptor(c), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        pumpEvents();
        if (xcb_connection_has_error(c)) return 1;
        if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) break;  // the test went away: so do we
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            const auto tokens = tokenize(pending.substr(0, eol));
            pending.erase(0, eol + 1);
            if (!tokens.empty()) std::cout << runCommand(tokens) << std::endl;
        }
    }
    xcb_disconnect(c);
    return 0;
}
