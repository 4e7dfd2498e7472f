// Process start and stop: one verbatim argument, clean inheritance, SIGTERM then
// SIGKILL, and no zombie left behind.
#include "Process.h"
#include "UnitSupport.h"
#include "support/WaitUntil.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
        ASSERT_EQ(access(probePath().c_str(), X_OK), 0) << probePath() << " is missing; set KIVRA_BIN_DIR";
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

    // Waits for the probe's report (lines "argc 2", "argv 1 <hex>", "fd 0", ...) and takes it
    // away; empty when it never came.
    std::string awaitReport() {
        if (!test::waitUntil([&] { return access(report_.c_str(), F_OK) == 0; })) return {};
        const std::string text = test::fileContents(report_);
        std::remove(report_.c_str());
        return "\n" + text;
    }

    TempDir tmp_;
    std::string dir_ = tmp_.path().string(), report_ = dir_ + "/report";
    std::vector<ProcessId> started_;
};

// The argument string arrives as one argument byte for byte; the child inherits the
// environment but no descriptors, ignored or blocked signals.
TEST_F(ProcessTest, TheArgumentArrivesWholeWithTheEnvironmentButNoDescriptorsOrSignals) {
    setenv("KIVRA_PROBE_TOKEN", "token \t value", 1);
    const int leaked = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(leaked, 3);
    signal(SIGPIPE, SIG_IGN);
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigprocmask(SIG_BLOCK, &usr1, nullptr);
    const std::string arguments[] = {
        "1234\t1\t1\t5678\t4\tMail",                 // the link program's command line
        "  blanks  \"quotes\" 'single' \\back\\slash $HOME *.gif ; | &",
        "Caf\xc3\xa9 \xe2\x80\x94 \xe6\x97\xa5\xe6\x9c\xac",  // UTF-8 titles
        std::string(4000, 'x'),                      // a long title does not split either
        "",                                          // an empty argument is still one argument
    };
    for (const std::string& arg : arguments) {
        SCOPED_TRACE(arg.substr(0, 40));
        start(arg);
        const std::string report = awaitReport();
        EXPECT_NE(report.find("\nargc 2\nargv 0 " + hex(probePath()) + "\nargv 1 " + hex(arg) + "\n"),
                  std::string::npos) << report;
        EXPECT_NE(report.find("\nenv " + hex("token \t value") + "\n"), std::string::npos) << report;
        EXPECT_NE(report.find("\nfd 2\n"), std::string::npos) << report;
        EXPECT_EQ(report.find("\nfd " + std::to_string(leaked) + "\n"), std::string::npos) << "a descriptor leaked";
        EXPECT_NE(report.find("\nsigpipe default\nblocked 0\n"), std::string::npos) << report;
    }
    sigprocmask(SIG_UNBLOCK, &usr1, nullptr);
    signal(SIGPIPE, SIG_DFL);
    close(leaked);
    unsetenv("KIVRA_PROBE_TOKEN");
}

TEST_F(ProcessTest, AProgramThatCannotStartGivesItsReasonAndNoPid) {
    const std::string notExecutable = dir_ + "/plain-file";
    std::ofstream(notExecutable) << "not a program";
    chmod(notExecutable.c_str(), 0644);
    const struct {
        std::string program;
        int errorCode;
    } cases[] = {{dir_ + "/no-such-program", ENOENT}, {notExecutable, EACCES}, {dir_, EACCES}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const StartedProcess p = startProcess(c.program, "1\t1");
        EXPECT_FALSE(p);
        EXPECT_EQ(p.pid, 0);
        EXPECT_EQ(p.errorCode, c.errorCode);
        EXPECT_EQ(p.error, "Cannot start " + c.program + ": " + std::strerror(c.errorCode));
    }
}

// SIGTERM ends a well-behaved process; one that ignores it is killed after the grace period.
// Either way the child is reaped.
TEST_F(ProcessTest, TerminateEndsWithSigtermThenSigkillAndReaps) {
    for (const char* mode : {"wait", "ignore-term"}) {
        SCOPED_TRACE(mode);
        setenv("KIVRA_PROBE_MODE", mode, 1);
        const ProcessId pid = start("x");
        ASSERT_NE(awaitReport(), "");  // written after SIGTERM is ignored
        EXPECT_TRUE(processAlive(pid));
        const bool polite = std::string(mode) == "wait";
        EXPECT_EQ(terminateProcess(pid, polite ? 30s : 200ms), polite ? Termination::Ended : Termination::Killed);
        EXPECT_FALSE(processAlive(pid));
        errno = 0;
        EXPECT_EQ(waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG), -1) << "the child was not reaped";
        EXPECT_EQ(errno, ECHILD);
        EXPECT_EQ(terminateProcess(pid, 10ms), Termination::AlreadyGone);
    }
    // Processes that are not ours are judged by their existence.
    EXPECT_TRUE(processAlive(getpid()));
    EXPECT_TRUE(processAlive(1));  // exists even when we may not signal it
    for (ProcessId bad : {ProcessId(0), ProcessId(-1), ProcessId(1) << 40}) {
        EXPECT_FALSE(processAlive(bad)) << bad;
        EXPECT_EQ(terminateProcess(bad, 0ms), Termination::AlreadyGone) << bad;
    }
}

// One reaping call collects every exited child of ours and no other; asking whether an
// exited child lives reaps it too.
TEST_F(ProcessTest, ExitedChildrenAreReapedAndOtherChildrenKeepTheirExitStatus) {
    const pid_t other = fork();  // a child someone else started (QProcess, say)
    if (other == 0) _exit(7);
    ASSERT_GT(other, 0);
    const ProcessId a = start("a");
    ASSERT_NE(awaitReport(), "");
    const ProcessId b = start("b");
    ASSERT_NE(awaitReport(), "");
    std::vector<ProcessId> reaped;
    test::waitUntil([&] {
        for (ProcessId pid : reapExitedChildren()) reaped.push_back(pid);
        return reaped.size() >= 2;
    });
    std::sort(reaped.begin(), reaped.end());
    EXPECT_EQ(reaped, (std::vector<ProcessId>{std::min(a, b), std::max(a, b)}));
    for (ProcessId pid : {a, b}) EXPECT_NE(access(("/proc/" + std::to_string(pid)).c_str(), F_OK), 0) << pid << " lingers";
    EXPECT_TRUE(reapExitedChildren().empty());
    // The other child has exited and is a zombie of ours: not alive, yet still there to collect.
    EXPECT_FALSE(processAlive(other));
    int status = 0;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);

    const ProcessId c = start("c");
    ASSERT_NE(awaitReport(), "");
    EXPECT_TRUE(test::waitUntil([&] { return !processAlive(c); }));
    EXPECT_NE(access(("/proc/" + std::to_string(c)).c_str(), F_OK), 0) << "left as a zombie";
}

}  // namespace
