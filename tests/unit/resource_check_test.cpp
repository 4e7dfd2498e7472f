// The memory status parser on real-looking, partial and broken texts, and the live reader
// against the kernel's own count; the recommended link maximum by installed memory, the low
// memory test, and the resource warning after a launch with its session check box and `MemTestOff`.
#include "LinkTestDoubles.h"
#include "MemoryStatus.h"
#include "ResourceCheck.h"

#include <gtest/gtest.h>

#include <sys/sysinfo.h>

using namespace kivra;
using namespace kivra::test;

namespace {

constexpr std::uint64_t KiB = 1024;

// As a 16 GB machine reports it (a 6.1 kernel), abridged of lines nobody reads.
constexpr const char* kDesktop =
    "MemTotal:       16318412 kB\n"
    "MemFree:         1021448 kB\n"
    "MemAvailable:    9634524 kB\n"
    "SwapTotal:       2097148 kB\n"
    "SwapFree:        2072572 kB\n"
    "CommitLimit:    10256352 kB\n"
    "Committed_AS:   14125300 kB\n";

// A status from sizes in KiB, in the order of its fields: load, total, available, swap, free
// swap, commit limit, commit available.
MemoryStatus kib(std::uint32_t load, std::uint64_t total, std::uint64_t available, std::uint64_t swap = 0,
                 std::uint64_t swapFree = 0, std::uint64_t limit = 0, std::uint64_t commit = 0) {
    return {load, total * KiB, available * KiB, swap * KiB, swapFree * KiB, limit * KiB, commit * KiB};
}

TEST(MemoryStatus, ReadsRealLookingPartialAndBrokenReports) {
    const std::string head = "MemTotal: 1000 kB\nMemFree: 100 kB\n";
    const struct {
        const char* what;
        std::string text;
        std::optional<MemoryStatus> expected;
    } rows[] = {
        {"40.96 % in use, more promised than the limit", kDesktop,
         kib(41, 16318412, 9634524, 2097148, 2072572, 10256352, 0)},
        {"without MemAvailable free, buffers and cache count; no swap lines: no swap",
         head + "Buffers: 50 kB\nCached: 250 kB\nCommitLimit: 900 kB\nCommitted_AS: 300 kB\n",
         kib(60, 1000, 400, 0, 0, 900, 600)},
        // A rejected MemAvailable leaves the estimate from MemFree.
        {"too big to scale", head + "MemAvailable: 18014398509481985 kB\n", kib(90, 1000, 100)},
        // The first of duplicate lines counts; available never exceeds total; free swap never
        // exceeds swap.
        {"contradictions",
         "MemTotal: 1000 kB\nMemTotal: 5 kB\nMemAvailable: 4000 kB\nSwapTotal: 10 kB\nSwapFree: 20 kB\n",
         kib(0, 1000, 1000, 10, 10)},
        {"a total of nothing", "MemTotal: 0 kB\nMemAvailable: 0 kB\n", std::nullopt},
        {"binary", std::string("\0\xff\xfe:::\n\n:kB\n", 11), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(parseMemInfo(row.text), row.expected);
    }
}

TEST(MemoryStatus, TheLiveReadingAgreesWithTheKernel) {
    const auto s = readMemoryStatus();
    ASSERT_TRUE(s) << "/proc/meminfo unreadable";
    struct sysinfo info{};
    ASSERT_EQ(sysinfo(&info), 0);
    EXPECT_EQ(s->totalPhys, std::uint64_t(info.totalram) * info.mem_unit);
}

TEST(RecommendedMaximum, FollowsTheThresholdsAndLowMemoryIsBelowFourMiB) {
    const std::pair<std::uint64_t, int> rows[] = {
        {133660671, 6},   {133660672, 12},  {267321344, 24}, {534642688, 48},
        {1069285376, 96}, {2138570751, 96}, {1ull << 40, 192}};  // 2 GiB on: ordinary machines
    for (const auto& [total, maximum] : rows) EXPECT_EQ(recommendedMaximum(total), maximum) << total;
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
    w.memory.availPhys = 4 * kMiB - 1;
    w.resources.run(11);
    w.memoryReadable = false;
    w.resources.run(20);
    EXPECT_TRUE(w.messages.shown.empty()) << "fewer links, or an unread status, warn of nothing";
    w.memoryReadable = true;
    // Ticking the box twice leaves the warning on; once silences the session.
    w.messages.ticks = 2;
    w.resources.run(12);
    w.messages.ticks = 1;
    w.resources.run(13);
    w.messages.ticks = 0;
    w.resources.run(14);
    w.resources.run(15);
    ASSERT_EQ(w.messages.shown, (std::vector<int>{28, 28}));
    // MemTestOff never warns.
    w.resources.startUp(true);
    w.resources.run(300);
    EXPECT_EQ(w.messages.shown.size(), 2u);
}

TEST(WarningAfterLaunch, ComesOnceTheLinkIsRecorded) {
    LinkWorld w;
    w.memory.totalPhys = 100 * kMiB;  // recommended 6
    w.memory.availPhys = kMiB;
    w.resources.startUp(false);
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    w.table.setActiveLinkCount(5);
    int countWhenShown = 0;
    w.messages.whileShown = [&](MessageKind) { countWhenShown = w.table.activeLinkCount(); };
    w.makeActive("Mail", host);
    ASSERT_EQ(w.messages.shown, std::vector<int>{28});
    EXPECT_EQ(countWhenShown, 6);
}

}  // namespace
