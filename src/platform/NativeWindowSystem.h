// The window system (and the window picker) of the platform the program was built for; each
// backend defines them.
#pragma once

#include "WindowPicker.h"
#include "WindowSystem.h"

#include <memory>
#include <string>

namespace kivra {

// Connects to the desktop (X11: the display named by $DISPLAY). Returns null when
// no display can be reached; `error` then says why.
std::unique_ptr<WindowSystem> createNativeWindowSystem(std::string* error = nullptr);

// Picks windows by a click on the same desktop. Null when it cannot reach the display.
std::unique_ptr<WindowPicker> createNativeWindowPicker();

}  // namespace kivra
