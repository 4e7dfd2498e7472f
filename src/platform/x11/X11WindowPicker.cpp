// Picking a window with the pointer on X11: grab, wait for a click, find the client, let go.
#include "X11WindowPicker.h"

#include "X11Properties.h"
#include "XcbReply.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace kivra::x11 {
namespace {

// The cursor font's cross hair and its mask (the font's glyph numbers).
constexpr std::uint16_t CrosshairGlyph = 34;
constexpr std::uint32_t EscapeKeysym = 0xff1b;
constexpr std::uint8_t LeftButton = 1, RightButton = 3;
// Another program may still hold the pointer for a moment (a menu closing, the window
// manager ending a click): the grab is tried this many times, this far apart.
constexpr int GrabAttempts = 10;
constexpr auto GrabRetryPause = std::chrono::milliseconds(20);
// How deep a window manager may nest a client inside its frame.
constexpr int MaxFrameDepth = 4;

}  // namespace

std::unique_ptr<X11WindowPicker> X11WindowPicker::connect(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::make_unique<X11WindowPicker>(Key{}, c, it.data->root);
}

X11WindowPicker::X11WindowPicker(Key, xcb_connection_t* connection, xcb_window_t root)
    : c_(connection), root_(root) {
    const auto atomCookie = xcb_intern_atom(c_, 0, std::strlen("WM_STATE"), "WM_STATE");
    const xcb_font_t font = xcb_generate_id(c_);
    xcb_open_font(c_, font, std::strlen("cursor"), "cursor");
    cross_ = xcb_generate_id(c_);
    xcb_create_glyph_cursor(c_, cross_, font, font, CrosshairGlyph, CrosshairGlyph + 1, 0, 0, 0, 0xffff, 0xffff,
                            0xffff);
    xcb_close_font(c_, font);
    if (const auto atom = takeReply(c_, xcb_intern_atom_reply, atomCookie)) wmState_ = atom->atom;
}

X11WindowPicker::~X11WindowPicker() {
    cancel();
    xcb_free_cursor(c_, cross_);
    xcb_disconnect(c_);  // the server drops any grab of this connection with it
}

int X11WindowPicker::eventFd() const { return xcb_get_file_descriptor(c_); }

bool X11WindowPicker::start(Done done, std::string* error) {
    cancel();
    escape_ = escapeKeycodes();
    std::uint8_t status = XCB_GRAB_STATUS_ALREADY_GRABBED;
    for (int attempt = 0; attempt < GrabAttempts; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(GrabRetryPause);
        const auto grab = takeReply(
            c_, xcb_grab_pointer_reply,
            xcb_grab_pointer(c_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, cross_, XCB_CURRENT_TIME));
        if (!grab) break;  // the connection is broken
        status = grab->status;
        if (status == XCB_GRAB_STATUS_SUCCESS) break;
    }
    if (status != XCB_GRAB_STATUS_SUCCESS) {
        if (error) *error = "another program holds the pointer (grab status " + std::to_string(status) + ")";
        return false;
    }
    // Without the keyboard Esc does not cancel, but a right click still does.
    takeReply(c_, xcb_grab_keyboard_reply,
              xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    done_ = std::move(done);
    pressed_ = 0;
    chosenEnd_ = PickEnd::Cancelled;
    chosen_ = XCB_NONE;
    return true;
}

void X11WindowPicker::cancel() {
    if (!done_) return;
    release();
    done_ = nullptr;
}

void X11WindowPicker::dispatch() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        handle(*event);
        std::free(event);
    }
}

void X11WindowPicker::handle(const xcb_generic_event_t& event) {
    if (!done_) return;  // left over from a pick that has ended
    switch (event.response_type & 0x7f) {
    case XCB_BUTTON_PRESS: {
        const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
        if (pressed_ != 0) return;
        if (press.detail == LeftButton) {
            pressed_ = press.detail;
            chosenEnd_ = PickEnd::Picked;
            chosen_ = clientAt(press.child);
        } else if (press.detail == RightButton) {
            pressed_ = press.detail;
            chosenEnd_ = PickEnd::Cancelled;
        }
        return;
    }
    case XCB_BUTTON_RELEASE: {
        const auto& release = reinterpret_cast<const xcb_button_release_event_t&>(event);
        if (pressed_ != 0 && release.detail == pressed_) finish(chosenEnd_, chosen_);
        return;
    }
    case XCB_KEY_PRESS: {
        const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
        if (std::find(escape_.begin(), escape_.end(), key.detail) != escape_.end()) finish(PickEnd::Cancelled, XCB_NONE);
        return;
    }
    default: return;
    }
}

// Lets go of pointer and keyboard, and waits until the server has done so.
void X11WindowPicker::release() {
    xcb_ungrab_pointer(c_, XCB_CURRENT_TIME);
    xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
    takeReply(c_, xcb_get_input_focus_reply, xcb_get_input_focus(c_));
}

void X11WindowPicker::finish(PickEnd end, xcb_window_t window) {
    release();
    Done done = std::move(done_);
    done_ = nullptr;
    done(end, end == PickEnd::Picked ? window : 0);
}

// The client inside the root's child: that child itself when it carries WM_STATE, else the
// first window with WM_STATE below it, level by level. A child without any (an
// override-redirect window, or no window manager) is taken as it is.
xcb_window_t X11WindowPicker::clientAt(xcb_window_t rootChild) {
    if (rootChild == XCB_NONE) return XCB_NONE;
    std::vector<xcb_window_t> level{rootChild};
    for (int depth = 0; depth < MaxFrameDepth && !level.empty(); ++depth) {
        std::vector<xcb_get_property_cookie_t> states;
        std::vector<xcb_query_tree_cookie_t> trees;
        for (xcb_window_t w : level) {
            states.push_back(xcb_get_property(c_, 0, w, wmState_, wmState_, 0, 2));
            trees.push_back(xcb_query_tree(c_, w));
        }
        std::vector<xcb_window_t> next;
        xcb_window_t found = XCB_NONE;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const auto state = takeReply(c_, xcb_get_property_reply, states[i]);
            const auto tree = takeReply(c_, xcb_query_tree_reply, trees[i]);
            if (found != XCB_NONE) continue;
            if (isPresent(state.get())) {
                found = level[i];
                continue;
            }
            if (!tree) continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            next.insert(next.end(), children, children + xcb_query_tree_children_length(tree.get()));
        }
        if (found != XCB_NONE) return found;
        level = std::move(next);
    }
    return rootChild;
}

std::vector<xcb_keycode_t> X11WindowPicker::escapeKeycodes() {
    const xcb_setup_t* setup = xcb_get_setup(c_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto map = takeReply(c_, xcb_get_keyboard_mapping_reply,
                               xcb_get_keyboard_mapping(c_, setup->min_keycode, static_cast<std::uint8_t>(count)));
    std::vector<xcb_keycode_t> codes;
    if (!map || map->keysyms_per_keycode == 0) return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(map.get());
    for (int i = 0; i < length; ++i)
        if (syms[i] == EscapeKeysym)
            codes.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + i / map->keysyms_per_keycode));
    return codes;
}

}  // namespace kivra::x11
