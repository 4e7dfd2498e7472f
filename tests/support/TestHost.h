// Drives the testhost program: real X11 windows with chosen titles, classes,
// types and geometry, opened and changed on command.
#pragma once

#include "ChildProcess.h"
#include "WindowSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace kivra::test {

class TestHost {
public:
    // Starts $KIVRA_BIN_DIR/testhost on $DISPLAY; throws std::runtime_error when it does not come up.
    TestHost();
    ~TestHost();

    // Opens a window and returns its id once the window manager has framed it.
    // `options` are testhost's open options, e.g. "--class Foo --type dialog --geometry 300x200+10+20".
    WindowId open(const std::string& title, const std::string& options = {});
    void rename(WindowId window, const std::string& title, const std::string& options = {});
    void move(WindowId window, int x, int y);
    void resize(WindowId window, int width, int height);
    void hide(WindowId window);
    void show(WindowId window);
    // Unmaps and destroys; returns once the window manager no longer lists it.
    void close(WindowId window);
    // Destroys at once, without waiting for the window manager to notice.
    void destroy(WindowId window);
    // Returns once the X server has handled everything sent so far.
    void sync();

    ProcessId pid() const { return pid_; }

    // A testhost argument in quotes, with the escapes testhost understands.
    static std::string quote(const std::string& text);

private:
    std::string command(const std::string& line);

    std::unique_ptr<ChildProcess> process_;
    ProcessId pid_ = 0;
};

}  // namespace kivra::test
