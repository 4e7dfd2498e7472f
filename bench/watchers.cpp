// Benchmark of an idle main program: the CPU time kivra spends, as a share of one
// core, while its watchers tick over a busy desktop. It opens 200 windows through
// the testhost, stores 50 links (5 of them matching 5 of the windows, auto-execute
// on), starts build/bin/kivra as a real process with that settings file, brings
// the 5 hosts to the front one by one so the watcher starts their real kivlink
// processes, then reads /proc/<pid>/stat (utime + stime) over the measured span.
// The link programs, the X server and the window manager are reported beside it.
// Then two latencies: from opening a window that an auto-execute link names to its link
// window in the window manager's list (--appear windows, one after the other), and the
// main window's answer to the window manager's _NET_WM_PING while one link program is
// stopped (SIGSTOP) and the foreground moves between the hosts 10 times a second
// (--ping seconds). Run it through bench/watchers.sh (a private Xvfb display with
// openbox), which runs it with the design's fixed intervals and driven by events.
//
//   bench_watchers [--windows 200] [--links 50] [--active 5] [--seconds 10] [--settle 2]
//                  [--appear 10] [--ping 5]
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
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstring>
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
    int appear = 10;
    int ping = 5;
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
        if (key == "--appear") o.appear = value;
        if (key == "--ping") o.ping = value;
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
std::string appearingTitle(int i) { return "Appearing window " + std::to_string(i); }

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
    for (int i = 0; i < o.appear; ++i) {
        HostLink link;
        link.title = appearingTitle(i);
        table.insert(link);
    }
    SaveHostLinks(table, *store);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999);
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

void report(const char* what, const std::vector<double>& ms) {
    std::printf("  %-44s n=%zu  median %.1f ms  p95 %.1f ms  p99 %.1f ms  max %.1f ms\n", what, ms.size(),
                percentile(ms, 50), percentile(ms, 95), percentile(ms, 99), percentile(ms, 100));
}

// _NET_WM_PING round trips to one window, on a connection of its own: the answer comes
// back to the root, where this client's selection of its events lets it see it.
class Pinger {
public:
    explicit Pinger(xcb_window_t target) : target_(target) {
        c_ = xcb_connect(nullptr, nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        protocols_ = atom("WM_PROTOCOLS");
        ping_ = atom("_NET_WM_PING");
        // The toolkit answers with StructureNotify, window managers' clients often with SubstructureNotify.
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }
    ~Pinger() { xcb_disconnect(c_); }

    // Milliseconds to the answer; `timeoutMs` when none came.
    double ping(int timeoutMs) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = target_;
        e.type = protocols_;
        e.data.data32[0] = ping_;
        e.data.data32[1] = ++stamp_;
        e.data.data32[2] = target_;
        const auto t0 = Clock::now();
        xcb_send_event(c_, 0, target_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
        xcb_flush(c_);
        const auto deadline = t0 + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
                bool answered = false;
                if ((ev->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                    const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(ev);
                    answered = m->type == protocols_ && m->data.data32[0] == ping_ && m->data.data32[1] == stamp_;
                }
                std::free(ev);
                if (answered) return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return timeoutMs;
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left));
        }
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(r);
        return a;
    }
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0, target_ = 0;
    xcb_atom_t protocols_ = 0, ping_ = 0;
    std::uint32_t stamp_ = 0;
};

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

    std::printf("Latencies (%s):\n",
                std::getenv("KIVRA_FIXED_TICKS") ? "fixed intervals" : "driven by the desktop's events");
    // A window that an auto-execute link names opens: the time until its link window is
    // listed too (the host and the link make two more top-level windows).
    std::vector<double> appearMs;
    for (int i = 0; i < o.appear; ++i) {
        const std::size_t before = probe.stackingTopFirst().size();
        const auto t0 = Clock::now();
        host.open(appearingTitle(i), "--geometry 220x200+" + std::to_string(40 + (i % 5) * 240) + "+300");
        if (!waitUntil([&] { return probe.stackingTopFirst().size() >= before + 2; }, std::chrono::seconds(10)))
            fail("no link window for " + appearingTitle(i));
        appearMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    if (!appearMs.empty()) report("window opened -> its automatic link listed:", appearMs);

    if (o.ping > 0 && !hosts.empty()) {
        WindowId mainWindow = 0;
        for (WindowId w : probe.stackingTopFirst())
            if (static_cast<pid_t>(ws->processOf(w)) == kivraPid && ws->title(w) == "Kivra [Main]") mainWindow = w;
        if (!mainWindow) fail("the main window is not listed");
        Pinger pinger(static_cast<xcb_window_t>(mainWindow));
        std::vector<double> idlePing, busyPing;
        for (int i = 0; i < 50; ++i) {
            idlePing.push_back(pinger.ping(3000));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // One link program stops answering; the foreground moves between the hosts.
        const pid_t stopped = links.front();
        ::kill(stopped, SIGSTOP);
        std::atomic<bool> switching{true};
        std::thread switcher([&] {
            auto other = x11::X11WindowSystem::connect(nullptr, nullptr);
            for (std::size_t n = 0; switching && other; ++n) {
                other->raiseWithFocus(hosts[n % hosts.size()]);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        const auto until = Clock::now() + std::chrono::seconds(o.ping);
        while (Clock::now() < until) {
            busyPing.push_back(pinger.ping(3000));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        switching = false;
        switcher.join();
        ::kill(stopped, SIGCONT);
        report("_NET_WM_PING answered, idle:", idlePing);
        report("_NET_WM_PING, one link stopped, 10 switches/s:", busyPing);
    }

    kivra->stop();
    return 0;
}
