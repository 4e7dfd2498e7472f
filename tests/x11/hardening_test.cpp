// Faults found by driving the real programs hard: a link program's memory under many commands.
#include "DesktopTest.h"
#include "LinkChannel.h"
#include "Programs.h"

#include <fstream>
#include <iostream>

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

class HardeningTest : public DesktopTest {
protected:
    TempSettings settings;
};

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
    std::cout << "kivlink resident memory: " << after1000 << " kB after 1,000 commands, " << after10000
              << " kB after 10,000\n";
    ASSERT_GT(after1000, 0);
    EXPECT_LT(after10000 - after1000, 1024) << "kB grown over 9,000 commands";
    link->stop();
}

}  // namespace
}  // namespace kivra::test
