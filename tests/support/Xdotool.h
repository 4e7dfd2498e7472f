// xdotool, run the way a user or another program acts on windows: from a separate
// process, through the window manager.
#pragma once

#include "ChildProcess.h"
#include "WindowSystem.h"

#include <string>
#include <vector>

namespace kivra::test::xdotool {

// Runs `xdotool <args...>`; true when it exited with 0.
inline bool run(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return ChildProcess(args).waitExit(std::chrono::seconds(10)) == 0;
}
inline bool windowMove(WindowId w, int x, int y) {
    return run({"windowmove", std::to_string(w), std::to_string(x), std::to_string(y)});
}
inline bool windowActivate(WindowId w) { return run({"windowactivate", std::to_string(w)}); }
// wmctrl asks the window manager for a _NET_WM_STATE change as a pager would, e.g. "add,above".
inline bool wmState(WindowId w, const std::string& change) {
    const std::vector<std::string> args{"wmctrl", "-i", "-r", std::to_string(w), "-b", change};
    return ChildProcess(args).waitExit(std::chrono::seconds(10)) == 0;
}

}  // namespace kivra::test::xdotool
