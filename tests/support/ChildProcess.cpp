// Starting, talking to and reliably ending the programs tests run.
#include "ChildProcess.h"

#include "TempSettings.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kivra::test {

ChildProcess::ChildProcess(std::vector<std::string> args, const std::vector<std::string>& environment, bool pipes) {
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (pipes && (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)) throw std::runtime_error("pipe failed");
    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    std::vector<std::string> env(environment);
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e, name = entry.substr(0, entry.find('=') + 1);
        auto named = [&](const std::string& o) { return o.rfind(name, 0) == 0; };
        if (std::none_of(environment.begin(), environment.end(), named)) env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a crashed test
        if (pipes) ::dup2(in[0], STDIN_FILENO), ::dup2(out[1], STDOUT_FILENO);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);  // also from here, so the group exists before we ever signal it
    if (pipes) {
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
}

ChildProcess::~ChildProcess() {
    stop();
    if (in_ >= 0) ::close(in_);
    if (out_ >= 0) ::close(out_);
}

bool ChildProcess::running() {
    int status = 0;
    if (!status_ && ::waitpid(pid_, &status, WNOHANG) == pid_)
        status_ = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    return !status_;
}

std::optional<int> ChildProcess::waitExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return running() ? std::nullopt : status_;
}

void ChildProcess::stop() {
    if (running()) {
        ::kill(-pid_, SIGTERM);
        if (!waitExit(std::chrono::seconds(2))) ::kill(-pid_, SIGKILL), waitExit(std::chrono::seconds(5));
    }
    ::kill(-pid_, SIGKILL);  // whatever it started in its group goes too
}

bool ChildProcess::writeLine(const std::string& line) {
    const std::string data = line + "\n";
    return in_ >= 0 && ::write(in_, data.data(), data.size()) == static_cast<ssize_t>(data.size());
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto eol = buffered_.find('\n'); eol != std::string::npos) {
            std::string line = buffered_.substr(0, eol);
            buffered_.erase(0, eol + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{out_, POLLIN, 0};
        if (out_ < 0 || left.count() <= 0) return std::nullopt;
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        buffered_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string programPath(const std::string& name) {
    const char* dir = std::getenv("KIVRA_BIN_DIR");
    if (!dir || !*dir) throw std::runtime_error("KIVRA_BIN_DIR is not set (run the tests through ctest)");
    return std::string(dir) + "/" + name;
}

std::unique_ptr<ChildProcess> startProgram(const std::string& name, const std::vector<std::string>& args,
                                           const TempSettings& settings) {
    std::vector<std::string> argv{programPath(name)};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(argv, std::vector<std::string>{"KIVRA_SETTINGS=" + settings.path()});
}

}  // namespace kivra::test
