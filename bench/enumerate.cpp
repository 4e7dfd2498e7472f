// Benchmark of one host-list walk over real X11 windows: opens 50 and 200
// windows through the testhost on the current display, then times the
// listing plus the batched read of what the walk needs, and the walk itself,
// both with the backend's window cache warm (the desktop unchanged since the
// last walk, as between most timer ticks) and cold (a new connection, as after
// start-up or when every window is new).
// Run it through bench/enumerate.sh (a private Xvfb display with openbox).
//
//   bench_enumerate [--windows 50,200] [--repeat 2000]
#include "TestHost.h"
#include "WindowEnumeration.h"
#include "X11WindowSystem.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t WalkFields = kivra::FieldTitle | kivra::FieldClass | kivra::FieldStyle | kivra::FieldVisible;
constexpr int Warmup = 50;

struct Options {
    std::vector<int> windowCounts{50, 200};
    int repeat = 2000;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--repeat") o.repeat = std::max(1, std::stoi(value));
        if (key == "--windows") {
            o.windowCounts.clear();
            std::stringstream list(value);
            for (std::string n; std::getline(list, n, ',');) o.windowCounts.push_back(std::stoi(n));
        }
    }
    return o;
}

// CPU time used so far by this process, in microseconds.
double ownCpuUs() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// CPU time used so far by the X server (its pid from with-private-display), in
// microseconds; negative when unknown. On a busy machine wall-clock times
// mostly measure waiting for a CPU; the CPU times measure the work.
double serverCpuUs() {
    const char* pid = std::getenv("KIVRA_TEST_XVFB_PID");
    if (!pid) return -1;
    std::ifstream stat(std::string("/proc/") + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {  // fields 14 and 15: utime, stime in clock ticks
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) * 1e6 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Result {
    double medianUs, p95Us, roundTripsPerRun, requestsPerRun, clientCpuUs, serverCpuUs;
};

// Times `run` on the backend `pick` gives for each run; `prepare` runs before
// each, untimed (and uncounted in CPU time only as far as the clock allows).
Result measure(int repeat, const std::function<kivra::x11::X11WindowSystem&()>& pick,
               const std::function<void(kivra::x11::X11WindowSystem&)>& run) {
    for (int i = 0; i < Warmup; ++i) run(pick());
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(repeat));
    double trips = 0, requests = 0, cpu = 0, server = 0;
    for (int i = 0; i < repeat; ++i) {
        auto& ws = pick();
        const auto tripsBefore = ws.roundTrips(), requestsBefore = ws.windowRequests();
        const double cpuBefore = ownCpuUs(), serverBefore = serverCpuUs();
        const auto start = Clock::now();
        run(ws);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        cpu += ownCpuUs() - cpuBefore;
        server += serverCpuUs() - serverBefore;
        trips += static_cast<double>(ws.roundTrips() - tripsBefore);
        requests += static_cast<double>(ws.windowRequests() - requestsBefore);
    }
    std::sort(us.begin(), us.end());
    const bool serverKnown = serverCpuUs() >= 0;
    return {us[us.size() / 2], us[std::min(us.size() - 1, us.size() * 95 / 100)], trips / repeat,
            requests / repeat, cpu / repeat, serverKnown ? server / repeat : -1};
}

void report(int windows, const char* what, const Result& r) {
    std::printf("%7d  %-34s %9.1f %9.1f %7.2f %9.1f %9.1f %9.1f\n", windows, what, r.medianUs, r.p95Us,
                r.roundTripsPerRun, r.requestsPerRun, r.clientCpuUs, r.serverCpuUs);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::string error;
    auto ws = kivra::x11::X11WindowSystem::connect(nullptr, &error);
    if (!ws) {
        std::fprintf(stderr, "bench_enumerate: %s\n", error.c_str());
        return 1;
    }
    std::printf("%7s  %-34s %9s %9s %7s %9s %9s %9s\n", "windows", "operation", "median_us", "p95_us", "trips",
                "requests", "cpu_us", "x_cpu_us");
    auto warm = [&]() -> kivra::x11::X11WindowSystem& { return *ws; };
    std::unique_ptr<kivra::x11::X11WindowSystem> fresh;
    auto cold = [&]() -> kivra::x11::X11WindowSystem& {
        fresh.reset();
        fresh = kivra::x11::X11WindowSystem::connect(nullptr, &error);
        return *fresh;
    };
    auto listAndDescribe = [](std::uint32_t fields) {
        return [fields](kivra::x11::X11WindowSystem& w) {
            const auto ids = w.topLevelWindows();
            w.describe(ids, fields);
        };
    };
    auto walk = [](kivra::x11::X11WindowSystem& w) { kivra::walkWindows(w); };

    for (const int count : options.windowCounts) {
        kivra::test::TestHost host;
        for (int i = 0; i < count; ++i) {
            // Placed by the test (no window-manager placement search), in a grid.
            const int x = (i % 20) * 60, y = (i / 20) * 40;
            host.open("Bench Window " + std::to_string(i), "--class BenchClass" + std::to_string(i % 7) +
                                                               " --geometry 160x90+" + std::to_string(x) + "+" +
                                                               std::to_string(y));
        }
        const std::size_t listed = ws->topLevelWindows().size();
        if (listed != static_cast<std::size_t>(count)) {
            std::fprintf(stderr, "bench_enumerate: %zu windows listed, %d opened\n", listed, count);
            return 1;
        }
        const int coldRepeat = std::max(1, options.repeat / 20);
        report(count, "topLevelWindows", measure(options.repeat, warm, [](auto& w) { w.topLevelWindows(); }));
        report(count, "list + describe(walk fields), warm", measure(options.repeat, warm, listAndDescribe(WalkFields)));
        report(count, "walkWindows, warm", measure(options.repeat, warm, walk));
        report(count, "list + describe(walk fields), cold", measure(coldRepeat, cold, listAndDescribe(WalkFields)));
        report(count, "walkWindows, cold", measure(coldRepeat, cold, walk));
        report(count, "list + describe(all fields), warm",
               measure(options.repeat / 4, warm, listAndDescribe(kivra::FieldAll)));
    }
    return 0;
}
