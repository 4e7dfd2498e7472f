// Starting and ending link program processes: the interface the launch logic uses,
// and the real one over the platform's process services.
#pragma once

#include "WindowSystem.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace kivra {

class LinkLauncher {
public:
    virtual ~LinkLauncher() = default;
    // Starts the link program with `argument` as its one argument; 0 when it cannot start.
    virtual ProcessId start(const std::string& argument) = 0;
    // False once the process has ended (a child of ours is reaped by asking).
    virtual bool alive(ProcessId pid) = 0;
    // Ends a process that never showed itself; returns once it is gone or given up.
    virtual void terminate(ProcessId pid) = 0;
    // Collects every child of ours that has exited, so none lingers as a zombie.
    virtual void reapExited() = 0;
    // Ends a link program that no longer answers (ours, or one left by an earlier run),
    // but only when `pid` is this user's link program. Returns at once.
    virtual void endHung(ProcessId pid) = 0;
};

// "kivlink" (with the platform's executable suffix) in the program directory,
// which ends with a separator.
std::string linkProgramPath(const std::string& programDirectory);

// The real launcher: the link program at `programPath`, started directly (no shell).
class ProcessLauncher : public LinkLauncher {
public:
    explicit ProcessLauncher(std::string programPath,
                             std::chrono::milliseconds terminateGrace = std::chrono::milliseconds(100))
        : program_(std::move(programPath)), grace_(terminateGrace) {}
    // Waits for the hung link programs being ended.
    ~ProcessLauncher() override;

    ProcessId start(const std::string& argument) override;
    bool alive(ProcessId pid) override;
    void terminate(ProcessId pid) override;
    void reapExited() override;
    void endHung(ProcessId pid) override;

    const std::string& program() const { return program_; }

private:
    std::string program_;
    std::chrono::milliseconds grace_;
    std::vector<std::thread> ending_;
};

}  // namespace kivra
