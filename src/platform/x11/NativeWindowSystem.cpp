// The native window system of an X11 build: the EWMH backend on $DISPLAY, and its picker.
#include "NativeWindowSystem.h"

#include "X11WindowPicker.h"
#include "X11WindowSystem.h"

namespace kivra {

std::unique_ptr<WindowSystem> createNativeWindowSystem(std::string* error) {
    return x11::X11WindowSystem::connect(nullptr, error);
}

std::unique_ptr<WindowPicker> createNativeWindowPicker() { return x11::X11WindowPicker::connect(nullptr); }

}  // namespace kivra
