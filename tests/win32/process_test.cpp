// The Windows process services for real: the one argument arrives byte for byte, a polite
// WM_CLOSE before TerminateProcess, children reaped, the single-instance mutex held while
// its owner lives, and the memory status.
#include "MemoryStatus.h"
#include "Process.h"
#include "SingleInstance.h"
#include "Win32Test.h"
#include "WindowHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace kivra {
namespace {

using namespace std::chrono_literals;
using namespace wintest;

const std::string kProbe = (programDir() / "windowhost.exe").string();  // in its probe mode

// The probe's report: argument count and argv[1].
struct ProbeReport {
    int argc = -1;
    std::string argument;
};

class Win32ProcessTest : public ::testing::Test {
protected:
    // Starts the probe in `mode`; its report goes to a file of its own named `tag`.
    StartedProcess start(const std::string& mode, const std::string& argument, const std::string& tag = "probe") {
        ScopedEnvironment modeVar("KIVRA_PROBE_MODE", mode);
        ScopedEnvironment outVar("KIVRA_PROBE_OUT", (folder_.path() / tag).string());
        StartedProcess started = startProcess(kProbe, argument);
        if (started) started_.push_back(started.pid);
        return started;
    }
    std::optional<ProbeReport> report(const std::string& tag = "probe") {
        const std::string text = fileText(folder_.path() / tag);
        const size_t newline = text.find('\n');
        if (newline == std::string::npos) return std::nullopt;
        return ProbeReport{std::stoi(text.substr(0, newline)), text.substr(newline + 1)};
    }
    std::string events(const std::string& tag = "probe") { return fileText(folder_.path() / (tag + ".events")); }

    // Waits for the end of a process without asking processAlive (which would reap it).
    static bool waitForExit(ProcessId pid, std::chrono::milliseconds limit = 10s) {
        HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
        if (!h) return true;
        const bool ended = WaitForSingleObject(h, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
        CloseHandle(h);
        return ended;
    }

    void TearDown() override {
        for (ProcessId pid : started_)
            if (processAlive(pid)) terminateProcess(pid, 0ms);
    }

    TempFolder folder_;
    std::vector<ProcessId> started_;
};

TEST_F(Win32ProcessTest, TheArgumentArrivesAsOneArgumentByteForByte) {
    const std::map<std::string, std::string> arguments = {
        {"empty", ""},
        {"link", "1234\t1\t1\t5678\t17\tMy \"Title\" with tabs\tand blanks"},
        {"quotes", "\"quoted\" and a lone \" inside"},
        {"backslashes", "C:\\path\\to\\dir\\ and \\\\server\\share"},
        {"slashQuote", "backslash before quote \\\" and two \\\\\" and three \\\\\\\""},
        {"trailingTwo", "ends in two backslashes\\\\"},
        {"unicode", "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xCE\xB1\xCE\xB2 \xF0\x9F\x98\x80"},
    };
    for (const auto& [tag, argument] : arguments) {
        StartedProcess started = start("echo", argument, tag);
        ASSERT_TRUE(started) << started.error;
    }
    for (const auto& [tag, argument] : arguments) {
        ASSERT_TRUE(waitUntil([&] { return report(tag).has_value(); }, 10s)) << tag << ": no report";
        const ProbeReport r = *report(tag);
        EXPECT_EQ(r.argc, 2) << tag;
        EXPECT_EQ(r.argument, argument) << tag;
    }
}

TEST_F(Win32ProcessTest, AProgramThatCannotStartGivesItsReasonAndNoPid) {
    const std::string missing = (folder_.path() / "no-such-program.exe").string();
    StartedProcess started = startProcess(missing, "x");
    EXPECT_FALSE(started);
    EXPECT_EQ(started.pid, 0);
    EXPECT_EQ(started.errorCode, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(started.error.rfind("Cannot start " + missing + ": ", 0), 0u) << started.error;

    StartedProcess withNul = startProcess(kProbe, std::string("a\0b", 3));
    EXPECT_FALSE(withNul);
    EXPECT_EQ(withNul.errorCode, ERROR_INVALID_PARAMETER);
}

TEST_F(Win32ProcessTest, TerminateClosesAWindowedChildPolitely) {
    StartedProcess started = start("window", "polite");
    ASSERT_TRUE(started) << started.error;
    ASSERT_NE(findWindow(static_cast<DWORD>(started.pid), "Kivra child probe"), nullptr);
    EXPECT_TRUE(processAlive(started.pid));

    EXPECT_EQ(terminateProcess(started.pid, 5s), Termination::Ended);
    EXPECT_FALSE(processAlive(started.pid));
    EXPECT_EQ(events(), "closed\n");
    EXPECT_EQ(terminateProcess(started.pid, 1s), Termination::AlreadyGone);
}

TEST_F(Win32ProcessTest, TerminateKillsAChildThatIgnoresClose) {
    StartedProcess started = start("stubborn", "stubborn");
    ASSERT_TRUE(started) << started.error;
    ASSERT_NE(findWindow(static_cast<DWORD>(started.pid), "Kivra child probe"), nullptr);
    // A hung link is ended only when it runs the link program.
    EXPECT_TRUE(processRunsProgram(started.pid, kProbe));
    EXPECT_FALSE(processRunsProgram(started.pid, (programDir() / "kivra-settings.exe").string()));

    EXPECT_EQ(terminateProcess(started.pid, 300ms), Termination::Killed);
    EXPECT_FALSE(processAlive(started.pid));
    EXPECT_EQ(events(), "ignored close\n") << "the polite request did not come first";
}

TEST_F(Win32ProcessTest, ExitedChildrenAreReapedOnceAndRunningOnesStay) {
    StartedProcess a = start("echo", "a", "a");
    StartedProcess b = start("echo", "b", "b");
    StartedProcess running = start("window", "running", "running");
    ASSERT_TRUE(a && b && running);
    ASSERT_TRUE(waitForExit(a.pid) && waitForExit(b.pid));

    std::vector<ProcessId> reaped = reapExitedChildren();
    std::sort(reaped.begin(), reaped.end());
    std::vector<ProcessId> expected = {a.pid, b.pid};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(reaped, expected) << "the running child must stay, the exited ones must go";
    EXPECT_TRUE(reapExitedChildren().empty());
    EXPECT_TRUE(processAlive(running.pid));
    EXPECT_TRUE(processAlive(GetCurrentProcessId()));  // not a child of ours
    EXPECT_EQ(terminateProcess(a.pid, 0ms), Termination::AlreadyGone);
}

// ---------------------------------------------------------------------------------------

TEST(Win32SingleInstance, HeldWhileTheOwnerLivesAndFreeAfterItEnds) {
    TempFolder folder;
    const std::string name = "KivraTest-" + uniqueName();
    const auto eventsFile = folder.path() / "probe.events";
    StartedProcess holder;
    {
        ScopedEnvironment mode("KIVRA_PROBE_MODE", "instance");
        ScopedEnvironment out("KIVRA_PROBE_OUT", (folder.path() / "probe").string());
        holder = startProcess(kProbe, name);
    }
    ASSERT_TRUE(holder) << holder.error;
    ASSERT_TRUE(waitUntil([&] { return fileText(eventsFile) == "held\n"; }, 10s)) << fileText(eventsFile);

    EXPECT_EQ(acquireSingleInstance(name), nullptr) << "a second instance was allowed";
    EXPECT_NE(acquireSingleInstance(name + "-other"), nullptr) << "another program's lock is separate";

    // A holder that is killed, not closed, leaves nothing behind either.
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(holder.pid));
    ASSERT_NE(h, nullptr);
    TerminateProcess(h, 9);
    WaitForSingleObject(h, 5000);
    CloseHandle(h);
    EXPECT_FALSE(processAlive(holder.pid));

    auto mine = acquireSingleInstance(name);
    ASSERT_NE(mine, nullptr) << "the lock outlived its holder";
    EXPECT_EQ(acquireSingleInstance(name), nullptr) << "the same process asking twice";

    mine.reset();
    EXPECT_NE(acquireSingleInstance(name), nullptr);
}

// ---------------------------------------------------------------------------------------

TEST(Win32Memory, StatusIsPlausible) {
    const std::optional<MemoryStatus> status = readMemoryStatus();
    ASSERT_TRUE(status);
    EXPECT_GT(status->totalPhys, 16u << 20);
    EXPECT_LE(status->availPhys, status->totalPhys);
    EXPECT_GE(status->commitLimit, status->totalPhys) << "the commit limit counts physical memory too";
    EXPECT_LE(status->availCommit, status->commitLimit);
}

}  // namespace
}  // namespace kivra
