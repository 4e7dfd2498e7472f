// Starting, talking to and reliably ending the programs tests run.
#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kivra::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto TermGrace = std::chrono::seconds(2);

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::vector<std::string> mergedEnvironment(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [k, v] : overrides) replaced = replaced || k == key;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [k, v] : overrides) env.push_back(k + "=" + v);
    return env;
}

// A program name without a slash is looked up on $PATH, as a shell would.
std::string resolveProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

}  // namespace

ChildProcess::ChildProcess(ChildOptions options) {
    if (options.args.empty()) throw std::runtime_error("ChildProcess: no program given");
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (options.pipeStdin && ::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (options.pipeStdout && ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    int ready[2];  // closed by exec: tells the parent whether exec worked
    if (::pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");

    // Everything the child needs is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    options.args[0] = resolveProgram(options.args[0]);
    const auto env = mergedEnvironment(options.environment);
    std::vector<char*> argv, envp;
    for (auto& a : options.args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a crashed test
        if (::getppid() != parent) ::_exit(127);
        if (in[0] >= 0) ::dup2(in[0], STDIN_FILENO);
        if (out[1] >= 0) ::dup2(out[1], STDOUT_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] auto n = ::write(ready[1], &error, sizeof error);
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);  // also from here, so the group exists before we ever signal it
    ::close(ready[1]);
    int execError = 0;
    const bool failed = ::read(ready[0], &execError, sizeof execError) == sizeof execError;
    ::close(ready[0]);
    if (in[0] >= 0) ::close(in[0]);
    if (out[1] >= 0) ::close(out[1]);
    stdinFd_ = in[1];
    stdoutFd_ = out[0];
    if (failed) {
        stop();
        throw std::runtime_error("cannot start " + options.args[0] + ": " + std::strerror(execError));
    }
}

ChildProcess::~ChildProcess() {
    stop();
    if (stdinFd_ >= 0) ::close(stdinFd_);
    if (stdoutFd_ >= 0) ::close(stdoutFd_);
}

bool ChildProcess::running() {
    if (status_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = decodeStatus(status);
    return !status_;
}

std::optional<int> ChildProcess::waitExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (running()) {
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return status_;
}

void ChildProcess::stop() {
    if (pid_ <= 0) return;
    if (running()) {
        ::kill(-pid_, SIGTERM);
        if (!waitExit(std::chrono::duration_cast<std::chrono::milliseconds>(TermGrace))) {
            ::kill(-pid_, SIGKILL);
            int status = 0;
            if (::waitpid(pid_, &status, 0) == pid_) status_ = decodeStatus(status);
        }
    }
    // Whatever the program started in its group goes too.
    ::kill(-pid_, SIGKILL);
}

bool ChildProcess::writeLine(const std::string& line) {
    if (stdinFd_ < 0) return false;
    const std::string data = line + "\n";
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(stdinFd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    if (stdoutFd_ < 0) return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const auto eol = buffered_.find('\n'); eol != std::string::npos) {
            std::string line = buffered_.substr(0, eol);
            buffered_.erase(0, eol + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd p{stdoutFd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(stdoutFd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        buffered_.append(chunk, static_cast<std::size_t>(n));
    }
}

CommandResult runCommand(const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
    ChildProcess child(ChildOptions{args, {}, false, true});
    CommandResult result;
    const auto deadline = Clock::now() + timeout;
    while (auto line = child.readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
               std::max(Clock::duration::zero(), deadline - Clock::now()))))
        result.output += *line + "\n";
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    result.exitCode = child.waitExit(std::max(left, std::chrono::milliseconds(0))).value_or(-1);
    return result;
}

std::string programPath(const std::string& name) {
    const char* dir = std::getenv("KIVRA_BIN_DIR");
    if (!dir || !*dir) throw std::runtime_error("KIVRA_BIN_DIR is not set (run the tests through ctest)");
    return std::string(dir) + "/" + name;
}

}  // namespace kivra::test
