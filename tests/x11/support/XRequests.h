// Requests a test makes as one more X client: a move and resize in a single
// window-manager request, and counting the top-level windows that get mapped
// while it watches.
#pragma once

#include "WindowSystem.h"

#include <cstdint>
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
