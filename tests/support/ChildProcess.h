// A program the tests start: its own process group, an environment of the
// test's choosing, optional line pipes, and killed (group and all) at teardown.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kivra::test {

struct ChildOptions {
    std::vector<std::string> args;  // args[0] is the program's path
    std::vector<std::pair<std::string, std::string>> environment;  // set or replaced in the child
    bool pipeStdin = false;
    bool pipeStdout = false;
};

class ChildProcess {
public:
    // Starts the program; throws std::runtime_error when it cannot be started.
    explicit ChildProcess(ChildOptions options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status (128 + signal number when killed) once it ended within `timeout`.
    std::optional<int> waitExit(std::chrono::milliseconds timeout);
    // Ends the whole process group: SIGTERM, then SIGKILL if it lingers. Idempotent.
    void stop();

    bool writeLine(const std::string& line);
    // The next line of its stdout, without the newline; nullopt at the deadline or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    std::string buffered_;
};

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout
};

// Runs a command to its end (killed after `timeout`) and returns its exit code and output.
CommandResult runCommand(const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The path of a built program: $KIVRA_BIN_DIR/<name> (set by CTest).
std::string programPath(const std::string& name);

}  // namespace kivra::test
