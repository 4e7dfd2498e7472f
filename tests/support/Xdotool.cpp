// The xdotool commands the X11 tests use.
#include "Xdotool.h"

#include "ChildProcess.h"

namespace kivra::test::xdotool {

bool run(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv).exitCode == 0;
}

bool windowMove(WindowId w, int x, int y) {
    return run({"windowmove", std::to_string(w), std::to_string(x), std::to_string(y)});
}
bool windowMinimize(WindowId w) { return run({"windowminimize", std::to_string(w)}); }
bool windowActivate(WindowId w) { return run({"windowactivate", std::to_string(w)}); }
bool windowRaise(WindowId w) { return run({"windowraise", std::to_string(w)}); }
bool setWindowName(WindowId w, const std::string& title) {
    return run({"set_window", "--name", title, std::to_string(w)});
}

}  // namespace kivra::test::xdotool
