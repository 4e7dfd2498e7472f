// Starting, watching and ending other processes (the link program's processes).
#pragma once

#include "WindowSystem.h"

#include <chrono>
#include <string>
#include <vector>

namespace kivra {

struct StartedProcess {
    ProcessId pid = 0;   // 0 when the program could not be started
    int errorCode = 0;   // errno of the failure (Windows: GetLastError())
    std::string error;   // "Cannot start <program>: <reason>"
    explicit operator bool() const { return pid != 0; }
};

// Starts `program` (a path, not searched in PATH) with `argument` as its one
// and only argument, byte for byte (a TAB-separated command line stays one
// argument). The environment is inherited; the child gets no descriptor but
// standard input, output and error, its signals at their defaults and none
// blocked (Windows: no inherited handle, the argument quoted for the C runtime's
// splitting, the window shown normal). The child is remembered until it is reaped.
StartedProcess startProcess(const std::string& program, const std::string& argument);

// True while the process exists and has not exited. A child started here that
// has exited is reaped by this question; a zombie of another parent counts as ended.
bool processAlive(ProcessId pid);

// True when process `pid` runs the program file at `program` and belongs to this
// user (POSIX: its /proc executable and owner; Windows: its image path). A process
// that has ended, or that cannot be inspected, is not.
bool processRunsProgram(ProcessId pid, const std::string& program);

enum class Termination {
    AlreadyGone,  // it had ended before we asked
    Ended,        // it ended within the grace period after SIGTERM (Windows: WM_CLOSE to its windows)
    Killed,       // it ignored SIGTERM and was ended by SIGKILL (Windows: TerminateProcess)
    Failed,       // not ours to signal (EPERM, Windows: access denied), or it survived SIGKILL for two seconds
};

// SIGTERM (Windows: WM_CLOSE to its top-level windows), then up to `grace` for the
// process to end, then SIGKILL (Windows: TerminateProcess). Returns
// once the process is gone (a child started here is reaped) or on failure.
Termination terminateProcess(ProcessId pid, std::chrono::milliseconds grace);

// Children started here never linger as zombies as long as someone asks:
// processAlive and terminateProcess reap the child they are asked about, and
// this reaps every child started here that has exited, returning their ids
// (Windows: closes the process handles kept since the start).
// Only those children are touched (never waitpid(-1)), so other libraries'
// children (QProcess) keep their exit status. No SIGCHLD handler is installed;
// call this from a timer or from the check of active links.
std::vector<ProcessId> reapExitedChildren();

// Gives the memory this process has freed back to the system (glibc keeps it in its heap
// otherwise), so that start-up's temporaries do not stay counted as ours. Nothing on Windows.
void releaseFreedMemory();

}  // namespace kivra
