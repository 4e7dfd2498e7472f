// Process start and stop: one verbatim argument, no inherited descriptors, SIGTERM then
// SIGKILL, and no zombie left behind.
#include "Process.h"
#include "UnitSupport.h"
#include "support/WaitUntil.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kivra;
using kivra::test::hex;
using namespace std::chrono_literals;

namespace {

std::string probePath() {
    const char* bin = std::getenv("KIVRA_BIN_DIR");
    return std::string(bin ? bin : ".") + "/process_probe";
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KIVRA_PROBE_OUT", report_.c_str(), 1);
        setenv("KIVRA_PROBE_MODE", "exit", 1);
    }
    void TearDown() override {
        for (ProcessId pid : started_) terminateProcess(pid, 0ms);
    }

    ProcessId start(const std::string& argument) {
        const StartedProcess p = startProcess(probePath(), argument);
        EXPECT_TRUE(p) << p.error;
        if (p) started_.push_back(p.pid);
        return p.pid;
    }

    // Waits for the probe's report and takes it away; empty when it never came.
    std::string awaitReport() {
        if (!test::waitUntil([&] { return access(report_.c_str(), F_OK) == 0; })) return {};
        const std::string text = test::fileContents(report_);
        std::remove(report_.c_str());
        return "\n" + text;
    }

    TempDir tmp_;
    std::string report_ = tmp_.path().string() + "/report";
    std::vector<ProcessId> started_;
};

// The argument string arrives as one argument byte for byte; the child inherits the
// environment (the probe finds its report's path there) but no descriptors.
TEST_F(ProcessTest, TheArgumentArrivesWholeAndNoDescriptorLeaks) {
    const int leaked = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(leaked, 3);
    const std::string arguments[] = {"1\t\"quotes\" 'single' \\back\\slash $HOME *.gif ; | &", ""};
    for (const std::string& arg : arguments) {
        SCOPED_TRACE(arg);
        start(arg);
        const std::string report = awaitReport();
        EXPECT_NE(report.find("\nargc 2\nargv 0 " + hex(probePath()) + "\nargv 1 " + hex(arg) + "\n"),
                  std::string::npos) << report;
        EXPECT_NE(report.find("\nfd 2\n"), std::string::npos) << report;
        EXPECT_EQ(report.find("\nfd " + std::to_string(leaked) + "\n"), std::string::npos) << "a descriptor leaked";
    }
    close(leaked);
}

// SIGTERM ends a well-behaved process; one that ignores it is killed after the grace period.
// Either way the child is reaped.
TEST_F(ProcessTest, TerminateEndsWithSigtermThenSigkillAndReaps) {
    for (const char* mode : {"wait", "ignore-term"}) {
        SCOPED_TRACE(mode);
        setenv("KIVRA_PROBE_MODE", mode, 1);
        const ProcessId pid = start("x");
        ASSERT_NE(awaitReport(), "");  // written after SIGTERM is ignored
        const bool polite = std::string(mode) == "wait";
        EXPECT_EQ(terminateProcess(pid, polite ? 30s : 200ms), polite ? Termination::Ended : Termination::Killed);
        EXPECT_FALSE(processAlive(pid));
        errno = 0;
        EXPECT_EQ(waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG), -1) << "the child was not reaped";
        EXPECT_EQ(errno, ECHILD);
        EXPECT_EQ(terminateProcess(pid, 10ms), Termination::AlreadyGone);
    }
    // Processes that are not ours are judged by their existence.
    EXPECT_TRUE(processAlive(1));  // exists even when we may not signal it
    for (ProcessId bad : {ProcessId(0), ProcessId(-1), ProcessId(1) << 40}) {
        EXPECT_FALSE(processAlive(bad)) << bad;
        EXPECT_EQ(terminateProcess(bad, 0ms), Termination::AlreadyGone) << bad;
    }
}

// Reaping collects the exited children of ours and no other.
TEST_F(ProcessTest, ExitedChildrenAreReapedAndOtherChildrenKeepTheirExitStatus) {
    const pid_t other = fork();  // a child someone else started (QProcess, say)
    if (other == 0) _exit(7);
    ASSERT_GT(other, 0);
    const ProcessId a = start("a");
    ASSERT_NE(awaitReport(), "");
    std::vector<ProcessId> reaped;
    test::waitUntil([&] {
        for (ProcessId pid : reapExitedChildren()) reaped.push_back(pid);
        return !reaped.empty();
    });
    EXPECT_EQ(reaped, std::vector<ProcessId>{a});
    // The other child has exited and is a zombie of ours: not alive, yet still there to collect.
    EXPECT_FALSE(processAlive(other));
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
}

}  // namespace
