// A program the tests start: its own process group, optional line pipes to its stdin and
// from its stdout, and ended (group and all) at teardown.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivra::test {

class TempSettings;

class ChildProcess {
public:
    // Starts args[0] (looked up on $PATH when it has no slash) with our environment and
    // `environment`'s "NAME=value" entries set.
    explicit ChildProcess(std::vector<std::string> args, const std::vector<std::string>& environment = {},
                          bool pipes = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status (128 + signal number when killed) once it ended within `timeout`.
    std::optional<int> waitExit(std::chrono::milliseconds timeout);
    void stop();  // SIGTERM to the group, SIGKILL if it lingers; idempotent
    bool writeLine(const std::string& line);
    // The next line of its stdout, without the newline; nullopt at the deadline or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    int in_ = -1, out_ = -1;
    std::string buffered_;
};

// The path of a built program: $KIVRA_BIN_DIR/<name> (set by CTest).
std::string programPath(const std::string& name);

// Starts a built program with KIVRA_SETTINGS naming `settings`.
std::unique_ptr<ChildProcess> startProgram(const std::string& name, const std::vector<std::string>& args,
                                           const TempSettings& settings);

}  // namespace kivra::test
