// The processes a test has started, as /proc shows them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kivra::test {

struct ProcEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    char state = '?';  // R, S, D, Z ... as /proc/<pid>/stat says; '?' when gone
    std::string comm;  // the command name, at most 15 characters
};

ProcEntry procEntry(pid_t pid);

// Every process whose parent is `parent` and whose command name is `comm`, zombies included.
std::vector<ProcEntry> childrenNamed(pid_t parent, const std::string& comm);

// True while the process exists and has not exited (a zombie has exited).
inline bool stillRunning(pid_t pid) {
    const char state = procEntry(pid).state;
    return state != '?' && state != 'Z' && state != 'X';
}

}  // namespace kivra::test
