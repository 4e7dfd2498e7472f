// The processes a test has started, as /proc shows them: children of a given
// process by command name, zombies included, and one process's state.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kivra::test {

struct ProcEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    char state = '?';  // R, S, D, Z ... as /proc/<pid>/stat says
    std::string comm;  // the command name, at most 15 characters
};

// One process as /proc shows it; state '?' when it is gone (or fully reaped).
ProcEntry procEntry(pid_t pid);

// Every process whose parent is `parent` and whose command name is `comm`,
// running or zombie.
std::vector<ProcEntry> childrenNamed(pid_t parent, const std::string& comm);

// True while the process exists and has not exited (a zombie has exited).
bool stillRunning(pid_t pid);

}  // namespace kivra::test
