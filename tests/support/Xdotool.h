// xdotool, run the way a user or another program would act on windows:
// from a separate process, through the window manager.
#pragma once

#include "WindowSystem.h"

#include <string>
#include <vector>

namespace kivra::test::xdotool {

// Runs `xdotool <args...>`; true when it exited with 0.
bool run(const std::vector<std::string>& args);

bool windowMove(WindowId window, int x, int y);
bool windowMinimize(WindowId window);
bool windowActivate(WindowId window);
bool windowRaise(WindowId window);
bool setWindowName(WindowId window, const std::string& title);

}  // namespace kivra::test::xdotool
