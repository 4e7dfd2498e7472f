// Process start and stop on POSIX: posix_spawn with a clean descriptor table
// and default signals, plus a registry of our own children so that they can be
// reaped one by one without stealing anybody else's.
#include "Process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

extern char** environ;

namespace kivra {

namespace {

using Clock = std::chrono::steady_clock;

// The children started by startProcess that nobody has reaped yet.
class ChildRegistry {
public:
    void add(pid_t pid) {
        std::lock_guard lock(mutex_);
        children_.insert(pid);
    }
    bool contains(pid_t pid) {
        std::lock_guard lock(mutex_);
        return children_.count(pid) != 0;
    }
    // Reaps `pid` if it has exited; true when it is gone (reaped here, or by
    // someone else before us). A reaped pid leaves the registry.
    bool reapIfExited(pid_t pid) {
        std::lock_guard lock(mutex_);
        return reapLocked(pid);
    }
    std::vector<ProcessId> reapAll() {
        std::lock_guard lock(mutex_);
        std::vector<ProcessId> reaped;
        for (auto it = children_.begin(); it != children_.end();) {
            const pid_t pid = *it++;
            if (reapLocked(pid)) reaped.push_back(pid);
        }
        return reaped;
    }

private:
    bool reapLocked(pid_t pid) {
        int status = 0;
        pid_t r;
        do r = ::waitpid(pid, &status, WNOHANG);
        while (r < 0 && errno == EINTR);
        if (r == 0) return false;
        children_.erase(pid);  // exited (r == pid), or not our child any more (ECHILD)
        return true;
    }
    std::mutex mutex_;
    std::set<pid_t> children_;
};

ChildRegistry& registry() {
    static ChildRegistry r;
    return r;
}

// A process that has exited but whose parent has not collected it yet.
bool isZombie(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto close = line.rfind(')');  // the command name may hold blanks and parentheses
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool validPid(ProcessId pid) { return pid > 0 && pid == static_cast<pid_t>(pid); }

bool waitUntilGone(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (!processAlive(pid)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Releases a posix_spawn object however we leave.
template <typename T, int (*Destroy)(T*)>
struct SpawnObject {
    T value;
    bool ready = false;
    ~SpawnObject() { if (ready) Destroy(&value); }
};

}  // namespace

StartedProcess startProcess(const std::string& program, const std::string& argument) {
    StartedProcess result;
    const auto fail = [&](int err) {
        result.errorCode = err;
        result.error = "Cannot start " + program + ": " + std::strerror(err);
        return result;
    };

    SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_destroy> actions;
    if (const int err = posix_spawn_file_actions_init(&actions.value)) return fail(err);
    actions.ready = true;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors opened without close-on-exec (by us or any library) stay behind.
    if (const int err = posix_spawn_file_actions_addclosefrom_np(&actions.value, 3)) return fail(err);
#endif

    SpawnObject<posix_spawnattr_t, posix_spawnattr_destroy> attributes;
    if (const int err = posix_spawnattr_init(&attributes.value)) return fail(err);
    attributes.ready = true;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    // Signals we ignore or block (SIGPIPE under Qt, for one) must not stay so in the child.
    posix_spawnattr_setsigmask(&attributes.value, &none);
    posix_spawnattr_setsigdefault(&attributes.value, &all);
    posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string path = program, arg = argument;
    char* argv[] = {path.data(), arg.data(), nullptr};
    pid_t pid = 0;
    if (const int err = posix_spawn(&pid, path.c_str(), &actions.value, &attributes.value, argv, environ))
        return fail(err);
    registry().add(pid);
    result.pid = pid;
    return result;
}

bool processAlive(ProcessId pid) {
    if (!validPid(pid)) return false;
    const auto p = static_cast<pid_t>(pid);
    if (registry().contains(p) && registry().reapIfExited(p)) return false;
    if (::kill(p, 0) != 0 && errno == ESRCH) return false;
    return !isZombie(p);
}

Termination terminateProcess(ProcessId pid, std::chrono::milliseconds grace) {
    if (!processAlive(pid)) return Termination::AlreadyGone;
    const auto p = static_cast<pid_t>(pid);
    if (::kill(p, SIGTERM) != 0) return errno == ESRCH ? Termination::AlreadyGone : Termination::Failed;
    if (waitUntilGone(p, grace)) return Termination::Ended;
    if (::kill(p, SIGKILL) != 0 && errno != ESRCH) return Termination::Failed;
    return waitUntilGone(p, std::chrono::seconds(2)) ? Termination::Killed : Termination::Failed;
}

bool processRunsProgram(ProcessId pid, const std::string& program) {
    if (pid == 0) return false;
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat st{};
    if (::stat(proc.c_str(), &st) != 0 || st.st_uid != ::getuid()) return false;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink(proc + "/exe", ec);
    if (ec) return false;
    const auto wanted = std::filesystem::weakly_canonical(program, ec);
    return !ec && exe == wanted;
}

std::vector<ProcessId> reapExitedChildren() { return registry().reapAll(); }

void releaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

}  // namespace kivra
