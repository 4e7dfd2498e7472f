// Requests a test makes as one more X client: a move and resize in a single
// window-manager request, the window manager's frame as it is at this moment
// (its animations included), and counting the top-level windows that get
// mapped while it watches.
#pragma once

#include "WindowSystem.h"

#include <cstdint>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace kivra::test {

class XRequests {
public:
    XRequests();  // $DISPLAY; throws std::runtime_error when it cannot connect
    ~XRequests();
    XRequests(const XRequests&) = delete;
    XRequests& operator=(const XRequests&) = delete;

    // _NET_MOVERESIZE_WINDOW with position and size together, as a pager sends
    // it: the window manager changes the frame in one configure, as a drag of the
    // frame's left or top edge does. x, y are the client's root position
    // (static gravity); width, height the client's size.
    void moveResizeClient(WindowId client, int x, int y, int width, int height);

    // The frame window the window manager put the client in (the client itself
    // when it has none): its outer rectangle on the root and whether it is
    // mapped. Unlike the client grown by _NET_FRAME_EXTENTS, this shows the
    // frame during the window manager's minimize and restore animations.
    struct Frame {
        Rect rect;
        bool mapped = false;
    };
    std::optional<Frame> wmFrame(WindowId client);

    // Counting maps of the root's children (window-manager frames and
    // override-redirect windows) from the moment of construction on.
    int mapsSeen();

private:
    std::uint32_t atom(const std::string& name);

    xcb_connection_t* c_ = nullptr;
    std::uint32_t root_ = 0;
    int maps_ = 0;
};

}  // namespace kivra::test
