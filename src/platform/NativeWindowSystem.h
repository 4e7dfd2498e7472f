// The window system of the platform the program was built for; each backend defines it.
#pragma once

#include "WindowSystem.h"

#include <memory>
#include <string>

namespace kivra {

// Connects to the desktop (X11: the display named by $DISPLAY). Returns null when
// no display can be reached; `error` then says why.
std::unique_ptr<WindowSystem> createNativeWindowSystem(std::string* error = nullptr);

}  // namespace kivra
