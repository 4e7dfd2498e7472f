// An independent look at the X server for tests: reads properties and the window
// manager's lists over a connection of its own, so that tests check the backend against
// the server rather than against itself.
#pragma once

#include "WindowSystem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace kivra::test {

class XProbe {
public:
    XProbe();  // $DISPLAY; throws std::runtime_error when it cannot connect
    ~XProbe();
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;

    bool hasState(WindowId window, const std::string& state);  // _NET_WM_STATE holds it
    // The values of a 32-bit property; empty when absent.
    std::vector<std::uint32_t> values32(WindowId window, const std::string& property);
    std::vector<WindowId> stackingTopFirst();  // _NET_CLIENT_LIST_STACKING
    WindowId activeWindow();
    // The frame rectangle: the client's root position grown by _NET_FRAME_EXTENTS.
    std::optional<Rect> frameRect(WindowId window);
    Rect rootRect();

    // Sets or removes a property as another client would; each returns once the server has done it.
    void setProperty8(WindowId window, const std::string& property, const std::string& type, const std::string& bytes);
    void setProperty32(WindowId window, const std::string& property, const std::string& type,
                       const std::vector<std::uint32_t>& values);
    void deleteProperty(WindowId window, const std::string& property);

private:
    std::uint32_t atom(const std::string& name);
    void set(WindowId window, const std::string& property, const std::string& type, int format, std::size_t count,
             const void* data);

    xcb_connection_t* c_ = nullptr;
    WindowId root_ = 0;
};

}  // namespace kivra::test
