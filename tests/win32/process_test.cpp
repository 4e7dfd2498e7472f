// The Windows process services for real, with windowhost.exe as the child: the one argument
// arrives byte for byte, a polite WM_CLOSE before TerminateProcess, children reaped; the
// memory status.
#include "MemoryStatus.h"
#include "Process.h"
#include "Win32Test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>

namespace kivra {
namespace {

using namespace std::chrono_literals;
using namespace wintest;

// Children that end at once are reaped once, and only they: one that runs stays, until it is
// asked to close and does.
TEST(Win32Process, TheArgumentArrivesByteForByteAndEndedChildrenAreReapedOnce) {
    const std::string arguments[] = {
        "",
        "1234\t1\t1\t5678\t17\tMy \"Title\" with tabs\tand blanks",
        "C:\\path\\to\\dir\\ and \\\\server\\share",
        "backslash before quote \\\" and two \\\\\" and three \\\\\\\"",
        "ends in two backslashes\\\\",
        "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xCE\xB1\xCE\xB2 \xF0\x9F\x98\x80",
    };
    std::list<Probe> echoes;
    for (const std::string& argument : arguments)
        ASSERT_TRUE(echoes.emplace_back(argument).started()) << echoes.back().started().error;
    Probe running("window running");
    ASSERT_TRUE(running.started()) << running.started().error;
    std::vector<ProcessId> ended;
    for (const Probe& echo : echoes) {
        SCOPED_TRACE(echo.argument());
        EXPECT_TRUE(echo.waitForExit());
        EXPECT_EQ(echo.events(), std::vector<std::string>{"2 " + echo.argument()});
        ended.push_back(echo.pid());
    }
    std::vector<ProcessId> reaped = reapExitedChildren();
    std::sort(reaped.begin(), reaped.end());
    std::sort(ended.begin(), ended.end());
    EXPECT_EQ(reaped, ended);
    EXPECT_TRUE(reapExitedChildren().empty());
    EXPECT_EQ(terminateProcess(ended[0], 0ms), Termination::AlreadyGone);

    ASSERT_NE(running.window(), nullptr);
    EXPECT_TRUE(processAlive(running.pid()));
    EXPECT_EQ(terminateProcess(running.pid(), 5s), Termination::Ended);
    EXPECT_FALSE(processAlive(running.pid()));
    EXPECT_EQ(running.events(), (std::vector<std::string>{"2 window running", "closed"}));
}

TEST(Win32Process, TerminateKillsAChildThatIgnoresCloseAfterAskingIt) {
    Probe stubborn("stubborn");
    ASSERT_NE(stubborn.window(), nullptr);
    // A hung link is ended only when it runs the link program.
    EXPECT_TRUE(processRunsProgram(stubborn.pid(), Probe::program()));
    const auto other = std::filesystem::path(Probe::program()).parent_path() / "kivra-settings.exe";
    EXPECT_FALSE(processRunsProgram(stubborn.pid(), other.string()));

    EXPECT_EQ(terminateProcess(stubborn.pid(), 300ms), Termination::Killed);
    EXPECT_FALSE(processAlive(stubborn.pid()));
    EXPECT_EQ(stubborn.lastEvent("ignored"), "ignored close") << "the polite request came first";
}

TEST(Win32Process, AProgramThatCannotStartGivesItsReasonAndNoPid) {
    const std::string missing = (std::filesystem::path(Probe::program()).parent_path() / "no-such.exe").string();
    StartedProcess started = startProcess(missing, "x");
    EXPECT_FALSE(started);
    EXPECT_EQ(started.pid, 0);
    EXPECT_EQ(started.errorCode, ERROR_FILE_NOT_FOUND);
}

TEST(Win32System, MemoryStatusIsPlausible) {
    const std::optional<MemoryStatus> status = readMemoryStatus();
    ASSERT_TRUE(status);
    EXPECT_LE(status->availPhys, status->totalPhys);
    EXPECT_GE(status->commitLimit, status->totalPhys) << "the commit limit counts physical memory too";
}

}  // namespace
}  // namespace kivra
