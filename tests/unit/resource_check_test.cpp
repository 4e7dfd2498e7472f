// The recommended link maximum by installed memory, the low memory test, and the
// resource warning after a launch with its session check box and `MemTestOff`.
#include "LinkTestDoubles.h"
#include "ResourceCheck.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;

namespace {

TEST(RecommendedMaximum, FollowsTheThresholdsAndLowMemoryIsBelowFourMiB) {
    const std::pair<std::uint64_t, int> rows[] = {
        {0, 6},           {133660671, 6},   {133660672, 12},  {267321343, 12},  {267321344, 24},   {534642687, 24},
        {534642688, 48},  {1069285375, 48}, {1069285376, 96}, {2138570751, 96}, {2138570752, 192},
        // Totals of 2 GiB and more are ordinary machines, not small ones.
        {0x80000000ull, 192}, {1ull << 40, 192}};
    for (const auto& [total, maximum] : rows) EXPECT_EQ(recommendedMaximum(total), maximum) << total;
    EXPECT_TRUE(lowMemory(0));
    EXPECT_TRUE(lowMemory(4194303));
    EXPECT_FALSE(lowMemory(4194304));
}

// 200 MiB installed: recommended 12.
TEST(Warning, ComesFromTheRecommendedCountWithLittleMemoryFreeUntilTheBoxIsTickedOnce) {
    LinkWorld w;
    w.memory.totalPhys = 200 * kMiB;
    w.memory.availPhys = 4 * kMiB;
    w.resources.startUp(false);
    ASSERT_EQ(w.resources.recommended(), 12);
    w.memoryReads = 0;
    w.resources.run(11);
    EXPECT_EQ(w.memoryReads, 0) << "memory is read only once the count test passes";
    w.resources.run(12);
    EXPECT_EQ(w.memoryReads, 1);
    w.memory.availPhys = 4 * kMiB - 1;
    w.memoryReadable = false;
    w.resources.run(20);
    EXPECT_TRUE(w.messages.shown.empty()) << "enough memory, or an unreadable status, warns of nothing";
    w.memoryReadable = true;
    // Ticking the box twice leaves the warning on; once silences the session.
    w.messages.ticks = 2;
    w.resources.run(12);
    w.messages.ticks = 1;
    w.resources.run(13);
    w.messages.ticks = 0;
    w.resources.run(14);
    w.resources.run(15);
    ASSERT_EQ(w.messages.kinds(), (std::vector<int>{28, 28}));
}

TEST(WarningStartUp, MemTestOffNeverWarnsAndLeavesTheMaximumAtZero) {
    LinkWorld w;
    w.memory.availPhys = 1;
    w.resources.startUp(true);
    EXPECT_TRUE(w.messages.resourceWarningOff());
    EXPECT_EQ(w.resources.recommended(), 0);
    EXPECT_EQ(w.memoryReads, 0);
    for (int n = 1; n < 300; n += 50) w.resources.run(n);
    EXPECT_TRUE(w.messages.shown.empty());
    LinkWorld v;  // started with a command line, without start-up: every launch reads the memory
    v.resources.run(0);
    v.resources.run(1);
    EXPECT_EQ(v.memoryReads, 2);
    EXPECT_TRUE(v.messages.shown.empty());
}

TEST(WarningAfterLaunch, ComesOnceTheLinkIsRecorded) {
    LinkWorld w;
    w.memory.totalPhys = 100 * kMiB;  // recommended 6
    w.memory.availPhys = kMiB;
    w.resources.startUp(false);
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    w.table.setActiveLinkCount(5);
    bool recordedWhenShown = false;
    int countWhenShown = 0;
    w.messages.whileShown = [&](MessageKind) {
        recordedWhenShown = w.link("Mail").active;
        countWhenShown = w.table.activeLinkCount();
    };
    w.makeActive("Mail", host);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{28});
    EXPECT_TRUE(recordedWhenShown);
    EXPECT_EQ(countWhenShown, 6);
}

}  // namespace
