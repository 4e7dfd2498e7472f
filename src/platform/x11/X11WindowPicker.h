// The window picker over X11: an active pointer grab on the root with a cross cursor and a
// keyboard grab for Esc, on an xcb connection of its own; the click names the client (the
// window carrying WM_STATE) inside the root's child under the pointer.
#pragma once

#include "WindowPicker.h"

#include <memory>
#include <vector>

#include <xcb/xcb.h>

namespace kivra::x11 {

class X11WindowPicker final : public WindowPicker {
    struct Key {
        explicit Key() = default;
    };

public:
    // Connects to `displayName` (null: $DISPLAY); null when the display cannot be reached.
    static std::unique_ptr<X11WindowPicker> connect(const char* displayName);
    X11WindowPicker(Key, xcb_connection_t* connection, xcb_window_t root);
    ~X11WindowPicker() override;
    X11WindowPicker(const X11WindowPicker&) = delete;
    X11WindowPicker& operator=(const X11WindowPicker&) = delete;

    bool start(Done done, std::string* error = nullptr) override;
    void cancel() override;
    bool picking() const override { return static_cast<bool>(done_); }
    int eventFd() const override;
    void dispatch() override;

private:
    void handle(const xcb_generic_event_t& event);
    void release();
    void finish(PickEnd end, xcb_window_t window);
    xcb_window_t clientAt(xcb_window_t rootChild);
    std::vector<xcb_keycode_t> escapeKeycodes();

    xcb_connection_t* c_;
    xcb_window_t root_;
    xcb_cursor_t cross_ = XCB_NONE;
    xcb_atom_t wmState_ = XCB_ATOM_NONE;
    Done done_;
    std::vector<xcb_keycode_t> escape_;
    // The button pressed in the pick and what it chose; the pick ends on its release, so
    // that the release does not reach the window under the pointer.
    std::uint8_t pressed_ = 0;
    PickEnd chosenEnd_ = PickEnd::Cancelled;
    xcb_window_t chosen_ = XCB_NONE;
};

}  // namespace kivra::x11
