// Benchmark of an idle main program: the CPU time kivra spends, as a share of one
// core, while its watchers tick over a busy desktop. It opens 200 windows through
// the testhost, stores 50 links (5 of them matching 5 of the windows, auto-execute
// on), starts build/bin/kivra as a real process with that settings file, brings
// the 5 hosts to the front one by one so the watcher starts their real kivlink
// processes, then reads /proc/<pid>/stat (utime + stime) over the measured span.
// The link programs, the X server and the window manager are reported beside it.
// Run it through bench/watchers.sh (a private Xvfb display with openbox).
//
//   bench_watchers [--windows 200] [--links 50] [--active 5] [--seconds 10] [--settle 2]
#include "ChildProcess.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "ProcTable.h"
#include "ChildProcess.h"
#include "StoreFile.h"
#include "TempSettings.h"
#include "TestHost.h"
#include "WaitUntil.h"
#include "X11WindowSystem.h"
#include "XProbe.h"
#include "Xdotool.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kivra;
using namespace kivra::test;
using Clock = std::chrono::steady_clock;

struct Options {
    int windows = 200;
    int links = 50;
    int active = 5;
    int seconds = 10;
    int settle = 2;
};

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const int value = std::max(0, std::atoi(argv[i + 1]));
        if (key == "--windows") o.windows = std::max(1, value);
        if (key == "--links") o.links = std::max(1, value);
        if (key == "--active") o.active = value;
        if (key == "--seconds") o.seconds = std::max(1, value);
        if (key == "--settle") o.settle = value;
    }
    o.active = std::min({o.active, o.links, o.windows});
    return o;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "bench_watchers: %s\n", why.c_str());
    std::exit(1);
}

// utime + stime of a process in seconds; negative when it is gone.
double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)  // fields 14 and 15: utime, stime in clock ticks
        if (i == 14 || i == 15) ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Every process whose command name is `comm` (openbox, for instance).
std::vector<pid_t> processesNamed(const std::string& comm) {
    std::vector<pid_t> out;
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc) return out;
    while (const dirent* e = ::readdir(proc.get())) {
        const pid_t pid = std::atoi(e->d_name);
        if (pid > 0 && procEntry(pid).comm == comm) out.push_back(pid);
    }
    return out;
}

std::string hostTitle(int i) { return "Bench window " + std::to_string(i); }

// 50 links: the first `active` name open windows; the rest name windows that never open.
void storeLinks(const TempSettings& settings, const Options& o) {
    auto store = openStore(settings.path()).store;
    store->write("Kivra\\Kivra [ Main ]", "MainOptions", "StartupMsg", "0");  // no welcome box
    LinkTable table;
    for (int i = 0; i < o.links; ++i) {
        HostLink link;
        link.title = i < o.active ? hostTitle(i * (o.windows / o.active)) : "Absent document " + std::to_string(i);
        link.winClass = "TestHost";
        link.matchMethod = i % 2 ? MatchMethod::Fuzzy : MatchMethod::Exact;
        table.insert(link);
    }
    SaveHostLinks(table, *store);
}

struct Sample {
    std::string what;
    std::vector<pid_t> pids;
    double before = 0;
};

double total(const std::vector<pid_t>& pids) {
    double sum = 0;
    for (pid_t p : pids) sum += std::max(0.0, cpuSeconds(p));
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    if (!std::getenv("KIVRA_BIN_DIR")) fail("KIVRA_BIN_DIR is not set (run bench/watchers.sh)");
    std::string error;
    auto ws = x11::X11WindowSystem::connect(nullptr, &error);
    if (!ws) fail(error);
    XProbe probe;

    // The desktop: a grid of small windows; the hosts of the active links are every
    // (windows / active)-th, moved apart and made larger so their link windows fit.
    TestHost host;
    std::vector<WindowId> windows;
    std::vector<WindowId> hosts;
    const int step = o.windows / std::max(1, o.active);
    for (int i = 0; i < o.windows; ++i) {
        const bool isHost = o.active > 0 && i % step == 0 && i / step < o.active;
        const int x = isHost ? 40 + (i / step) * 240 : (i % 20) * 60;
        const int y = isHost ? 600 : (i / 20) * 50;
        const std::string geometry = isHost ? "220x200+" : "160x90+";
        windows.push_back(host.open(hostTitle(i), "--geometry " + geometry + std::to_string(x) + "+" + std::to_string(y)));
        if (isHost) hosts.push_back(windows.back());
    }

    TempSettings settings;
    storeLinks(settings, o);
    auto kivra = startProgram("kivra", {}, settings);
    const pid_t kivraPid = kivra->pid();

    // Each host in turn comes to the front; the watcher starts its link.
    auto linkCount = [&] {
        int n = 0;
        for (const ProcEntry& p : childrenNamed(kivraPid, "kivlink"))
            if (p.state != 'Z') ++n;
        return n;
    };
    const auto started = Clock::now();
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        xdotool::windowActivate(hosts[i]);
        if (!waitUntil([&] { return linkCount() >= static_cast<int>(i + 1); }, std::chrono::seconds(20)))
            fail("the link over host " + std::to_string(i + 1) + " did not start");
    }
    // Their windows are up (each kivlink reports its window once shown).
    auto linkWindows = [&] {
        int n = 0;
        for (WindowId w : probe.stackingTopFirst())
            if (procEntry(static_cast<pid_t>(ws->processOf(w))).comm == "kivlink") ++n;
        return n;
    };
    if (!waitUntil([&] { return linkWindows() >= o.active; }, std::chrono::seconds(20)))
        fail("not every link window was shown");
    const double startedMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    if (ws->topLevelWindows().size() < static_cast<std::size_t>(o.windows + o.active + 1))
        fail("fewer top-level windows than expected");

    std::this_thread::sleep_for(std::chrono::seconds(o.settle));

    std::vector<pid_t> links;
    for (const ProcEntry& p : childrenNamed(kivraPid, "kivlink")) links.push_back(p.pid);
    std::vector<Sample> samples{{"kivra", {kivraPid}},
                                {"kivlink (all " + std::to_string(links.size()) + ")", links},
                                {"testhost", {static_cast<pid_t>(host.pid())}},
                                {"openbox", processesNamed("openbox")}};
    if (const char* xvfb = std::getenv("KIVRA_TEST_XVFB_PID")) samples.push_back({"Xvfb", {std::atoi(xvfb)}});
    for (Sample& s : samples) s.before = total(s.pids);
    const auto from = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
    const double span = std::chrono::duration<double>(Clock::now() - from).count();

    std::printf("Idle main program: %d windows, %d links (%d active), %d links started in %.0f ms; "
                "CPU over %.1f s (utime + stime):\n",
                o.windows, o.links, o.active, o.active, startedMs, span);
    for (const Sample& s : samples) {
        const double used = total(s.pids) - s.before;
        std::printf("  %-20s %8.1f ms   %6.2f %% of one core\n", s.what.c_str(), used * 1000, 100 * used / span);
    }
    if (linkCount() != o.active) fail("a link program ended during the measurement");

    kivra->stop();
    return 0;
}
