// Faults found by driving the real programs hard: a link program's memory under many commands,
// an exit while another process holds the store locked.
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "ChildProcess.h"
#include "StoreLockHolder.h"

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kivra::test {
namespace {

// Resident memory of a process in kB, from /proc; 0 when it is gone.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    return 0;
}

using HardeningTest = DesktopTest;

// The foreground watcher sends "0" or "1" on every window switch: a link program's memory must
// stay flat however many it gets.
TEST_F(HardeningTest, TenThousandCommandsLeaveALinkProgramsMemoryFlat) {
    const WindowId hostWindow = host->open("Mail - Inbox", "--geometry 400x300+200+150");
    const WindowId mainWindow = host->open("Kivra [Main]", "--geometry 200x100+1000+800");
    std::optional<LinkReadyReport> ready;
    auto receiver = ChannelReceiver::listen(mainWindow, [&](const ChannelMessage& m) {
        if (m.kind == ChannelKind::LinkReady) ready = parseLinkReady(m.payload);
        return std::string(kLinkRecorded);
    });
    ASSERT_TRUE(receiver);
    const std::string title = "Mail - Inbox";
    auto link = startProgram("kivlink", {std::to_string(hostWindow) + "\t1\t1\t" + std::to_string(mainWindow) + "\t" +
                                         std::to_string(title.size()) + "\t" + title},
                             settings);
    ASSERT_TRUE(waitUntil([&] { return receiver->dispatch() >= 0 && ready.has_value(); }, 10s));

    auto sendCommands = [&](int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(sendChannelMessage(ready->linkWindow, ChannelKind::Command, i % 2 ? "1" : "0", 5s),
                      SendResult::Delivered)
                << i;
    };
    sendCommands(1000);
    const long after1000 = residentKb(link->pid());
    sendCommands(9000);
    const long after10000 = residentKb(link->pid());
    ASSERT_GT(after1000, 0);
    EXPECT_LT(after10000 - after1000, 1024) << "kB grown over 9,000 commands";
    link->stop();
}

// An exit while another process holds the store locked for 10 s: the window goes at once, the
// program waits for the lock off its window and saves when it frees.
TEST_F(HardeningTest, AnExitWithTheStoreLockedElsewhereSavesOnceTheLockFrees) {
    // A stored value the exit save must replace: it shows whether the save happened.
    write(kMain, "MainOptions", "StartupMsg", "0");
    write(kMain, "FormPosSize", "Left", "unsaved");
    auto kivra = startProgram("kivra", {}, settings);
    const WindowId main = waitForWindow(kivra->pid(), "Kivra [Main]");
    ASSERT_NE(main, 0u);

    StoreLockHolder lock(settings.path());
    ASSERT_TRUE(lock.held());
    const auto locked = std::chrono::steady_clock::now();
    ASSERT_TRUE(ws->requestClose(main));
    ASSERT_TRUE(waitUntil([&] { return windowsOf(kivra->pid(), "Kivra [Main]").empty(); }));
    EXPECT_TRUE(kivra->running()) << "it ended before it could save";
    std::this_thread::sleep_until(locked + 10s);  // the other program's hold, not a wait for Kivra
    lock.release();
    const auto status = kivra->waitExit(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    const std::string left = stored(kMain, "FormPosSize", "Left");
    EXPECT_TRUE(!left.empty() && left.find_first_not_of("-0123456789") == std::string::npos) << left;
}

}  // namespace
}  // namespace kivra::test
