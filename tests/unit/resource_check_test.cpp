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

// As a 16 GB machine reports it (a 6.1 kernel), abridged only of lines nobody reads.
constexpr const char* kDesktop =
    "MemTotal:       16318412 kB\n"
    "MemFree:         1021448 kB\n"
    "MemAvailable:    9634524 kB\n"
    "Buffers:          420112 kB\n"
    "Cached:          8512640 kB\n"
    "SwapTotal:       2097148 kB\n"
    "SwapFree:        2072572 kB\n"
    "CommitLimit:    10256352 kB\n"
    "Committed_AS:   14125300 kB\n"
    "HugePages_Total:       0\n";

TEST(MemoryStatus, ReadsARealLookingReport) {
    const auto s = parseMemInfo(kDesktop);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->totalPhys, 16318412 * KiB);
    EXPECT_EQ(s->availPhys, 9634524 * KiB);
    EXPECT_EQ(s->memoryLoad, 41u);  // 40.96 % in use
    EXPECT_EQ(s->totalPageFile, 2097148 * KiB);
    EXPECT_EQ(s->availPageFile, 2072572 * KiB);
    EXPECT_EQ(s->commitLimit, 10256352 * KiB);
    EXPECT_EQ(s->availCommit, 0u) << "more is promised than the limit";
    // Without MemAvailable free, buffers and cache are counted; no swap lines: no swap.
    const auto t = parseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n"
                                "CommitLimit: 900 kB\nCommitted_AS: 300 kB\n");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->availPhys, 400 * KiB);
    EXPECT_EQ(t->memoryLoad, 60u);
    EXPECT_EQ(t->totalPageFile, 0u);
    EXPECT_EQ(t->availPageFile, 0u);
    EXPECT_EQ(t->availCommit, 600 * KiB);
}

TEST(MemoryStatus, MalformedLinesAreSkippedNotTrusted) {
    struct Case {
        const char* what;
        const char* text;
        std::uint64_t availKiB;
    };
    // MemTotal 1000, MemFree 100: a rejected MemAvailable leaves the estimate 100.
    const Case cases[] = {
        {"letters", "MemAvailable: abc kB\n", 100},
        {"another unit", "MemAvailable: 900 MB\n", 100},
        {"no unit", "MemAvailable: 900\n", 100},
        {"no colon", "MemAvailable 900 kB\n", 100},
        {"trailing junk", "MemAvailable: 900 kB extra\n", 100},
        {"overflowing", "MemAvailable: 99999999999999999999999 kB\n", 100},
        {"too big to scale", "MemAvailable: 18014398509481985 kB\n", 100},
        {"fine, with CR LF", "MemAvailable:\t900 kB\r\n", 900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto s = parseMemInfo(std::string("MemTotal: 1000 kB\nMemFree: 100 kB\n") + c.text);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->totalPhys, 1000 * KiB);
        EXPECT_EQ(s->availPhys, c.availKiB * KiB);
    }
}

TEST(MemoryStatus, NoUsableTotalMeansNoStatusAndContradictionsAreClamped) {
    const std::string broken[] = {
        "",
        "MemFree: 100 kB\nMemAvailable: 100 kB\n",  // no total
        "MemTotal: 0 kB\nMemAvailable: 0 kB\n",     // a total of nothing
        "MemTotal: lots\n",
        std::string("\0\xff\xfe:::\n\n:kB\n", 11),
        std::string(100000, 'M'),
    };
    for (const std::string& text : broken) EXPECT_FALSE(parseMemInfo(text)) << text.substr(0, 40);
    // The first of duplicate lines counts; available never exceeds total; free swap never exceeds swap.
    const auto s = parseMemInfo("MemTotal: 1000 kB\nMemTotal: 5 kB\nMemAvailable: 4000 kB\n"
                                "SwapTotal: 10 kB\nSwapFree: 20 kB\n");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->totalPhys, 1000 * KiB);
    EXPECT_EQ(s->availPhys, 1000 * KiB);
    EXPECT_EQ(s->memoryLoad, 0u);
    EXPECT_EQ(s->availPageFile, 10 * KiB);
    // Everything in use, at the largest total the format can carry.
    const auto full = parseMemInfo("MemTotal: 18014398509481983 kB\nMemAvailable: 0 kB\n");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->totalPhys, 18014398509481983ull * KiB);
    EXPECT_EQ(full->memoryLoad, 100u);
}

TEST(MemoryStatus, TheLiveReadingAgreesWithTheKernel) {
    const auto s = readMemoryStatus();
    ASSERT_TRUE(s) << "/proc/meminfo unreadable";
    struct sysinfo info{};
    ASSERT_EQ(sysinfo(&info), 0);
    EXPECT_EQ(s->totalPhys, std::uint64_t(info.totalram) * info.mem_unit);
    EXPECT_LE(s->availPhys, s->totalPhys);
    EXPECT_EQ(s->totalPageFile, std::uint64_t(info.totalswap) * info.mem_unit);
}

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
