// Drives the testhost program: real X11 windows with chosen titles, classes, types and
// geometry, opened and changed on command, each command answered once it is done.
#pragma once

#include "ChildProcess.h"
#include "WindowSystem.h"

#include <string>

namespace kivra::test {

class TestHost {
public:
    // Starts $KIVRA_BIN_DIR/testhost on $DISPLAY; throws std::runtime_error when it does not come up.
    TestHost();  // ends with its windows when destroyed

    // Opens a window and returns its id once the window manager has framed it. `options` are
    // testhost's open options, e.g. "--class Foo --type dialog --geometry 300x200+10+20".
    WindowId open(const std::string& title, const std::string& options = {});
    void move(WindowId w, int x, int y) {
        command("move " + std::to_string(w) + " " + std::to_string(x) + " " + std::to_string(y));
    }
    void show(WindowId window) { command("show " + std::to_string(window)); }
    // Unmaps and destroys; returns once the window manager no longer lists it.
    void close(WindowId window) { command("close " + std::to_string(window)); }

    ProcessId pid() const { return process_.pid(); }

private:
    std::string command(const std::string& line);

    ChildProcess process_;
};

}  // namespace kivra::test
