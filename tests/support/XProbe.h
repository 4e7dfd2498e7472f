// An independent look at the X server for tests: reads properties and the
// window manager's lists over a connection of its own, so that tests check the
// backend against the server rather than against itself.
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

    WindowId root() const { return root_; }
    bool exists(WindowId window);
    // Names of the atoms in an ATOM-list property (e.g. _NET_WM_STATE).
    std::vector<std::string> atomNames(WindowId window, const std::string& property);
    bool hasState(WindowId window, const std::string& state);  // _NET_WM_STATE contains it
    // The values of a 32-bit property; empty when absent.
    std::vector<std::uint32_t> values32(WindowId window, const std::string& property);
    // The raw bytes of an 8-bit property; nullopt when absent.
    std::optional<std::string> bytes(WindowId window, const std::string& property);
    // _NET_CLIENT_LIST_STACKING, topmost first.
    std::vector<WindowId> stackingTopFirst();
    WindowId activeWindow();
    // The frame rectangle: the client's root position grown by _NET_FRAME_EXTENTS.
    std::optional<Rect> frameRect(WindowId window);
    Rect rootRect();

    // Asks the window manager to add (or remove) _NET_WM_STATE atoms, as a pager would.
    void requestState(WindowId window, bool add, const std::string& state1, const std::string& state2 = {});
    // Removes a property of the root window (to make the window manager's lists absent).
    void deleteRootProperty(const std::string& property);
    // Sets or removes a window's property as another client would; each returns
    // once the server has done it.
    void setProperty8(WindowId window, const std::string& property, const std::string& type, const std::string& bytes);
    void setProperty32(WindowId window, const std::string& property, const std::string& type,
                       const std::vector<std::uint32_t>& values);
    void deleteProperty(WindowId window, const std::string& property);
    // Whether the window manager's frame of the client is mapped: false only once a
    // minimize animation is over.
    bool frameMapped(WindowId client);

    std::uint32_t atom(const std::string& name);

private:
    xcb_connection_t* c_ = nullptr;
    WindowId root_ = 0;
};

}  // namespace kivra::test
