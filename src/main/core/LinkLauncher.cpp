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

}  // namespace kivra
