// The real link launcher over Process.h.
#include "LinkLauncher.h"

#include "Process.h"

#ifndef KIVRA_LINK_PROGRAM_FILE
#define KIVRA_LINK_PROGRAM_FILE "kivlink"
#endif

namespace kivra {

std::string linkProgramPath(const std::string& programDirectory) {
    return programDirectory + KIVRA_LINK_PROGRAM_FILE;
}

ProcessId ProcessLauncher::start(const std::string& argument) { return startProcess(program_, argument).pid; }

bool ProcessLauncher::alive(ProcessId pid) { return processAlive(pid); }

// SIGTERM ends a link program at once (it installs no handler); the grace only
// bounds the wait before SIGKILL, so the user interface never stalls for long.
void ProcessLauncher::terminate(ProcessId pid) { terminateProcess(pid, grace_); }

void ProcessLauncher::reapExited() { reapExitedChildren(); }

ProcessLauncher::~ProcessLauncher() {
    for (std::thread& t : ending_) t.join();
}

// A stopped process takes SIGTERM only when it runs again: the grace, then SIGKILL,
// run off the caller's thread.
void ProcessLauncher::endHung(ProcessId pid) {
    if (!processRunsProgram(pid, program_)) return;
    ending_.emplace_back([pid, grace = grace_] { terminateProcess(pid, grace); });
}

}  // namespace kivra
