// How fast a link window follows its host: the time from a host move to the
// link frame's ConfigureNotify, over many moves; the CPU and the context switches of an
// idle link; and the memory (PSS) of one link with N links running.
//
// Usage: bench_follow <kivlink> [--moves N] [--via frame|client] [--idle SECONDS] [--links N]
// Runs on $DISPLAY (bench/follow.sh gives it a private one) with the settings
// file named by $KIVRA_SETTINGS. It opens a host and a stand-in main window of
// its own, starts kivlink on them and learns the link window from its ready
// report.
//   --via frame   moves the host's window-manager frame directly (the default):
//                 the host has moved the moment the server has the request, as
//                 when the window manager moves it during a drag;
//   --via client  asks the window manager to move the host's client window, so
//                 the figure also holds the window manager's handling of it.
//   --links N     starts N links over N hosts (the first is measured) and reports
//                 the proportional set size of the first and the mean of all.
// KIVRA_FIXED_TICKS=1 in the environment gives the link the design's fixed 5 ms tick.
#include "LinkChannel.h"
#include "Process.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "bench_follow: %s\n", why.c_str());
    std::exit(1);
}

struct Options {
    std::string kivlink;
    int moves = 200;
    bool viaFrame = true;
    int idleSeconds = 10;
    int links = 1;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--moves" && hasValue) o.moves = std::atoi(argv[++i]);
        else if (a == "--via" && hasValue) o.viaFrame = std::string(argv[++i]) != "client";
        else if (a == "--idle" && hasValue) o.idleSeconds = std::atoi(argv[++i]);
        else if (a == "--links" && hasValue) o.links = std::max(1, std::atoi(argv[++i]));
        else if (o.kivlink.empty()) o.kivlink = a;
        else fail("unknown argument " + a);
    }
    if (o.kivlink.empty())
        fail("usage: bench_follow <kivlink> [--moves N] [--via frame|client] [--idle SECONDS] [--links N]");
    return o;
}

class Desktop {
public:
    Desktop() {
        int screen = 0;
        c_ = xcb_connect(nullptr, &screen);
        if (xcb_connection_has_error(c_)) fail("cannot connect to $DISPLAY");
        auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
        screen_ = it.data;
    }
    ~Desktop() { xcb_disconnect(c_); }

    xcb_connection_t* c() const { return c_; }

    xcb_atom_t atom(const char* name) {
        Reply<xcb_intern_atom_reply_t> r(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr));
        return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_window_t openWindow(const char* title, int x, int y, int w, int h) {
        const xcb_window_t id = xcb_generate_id(c_);
        const std::uint32_t values[] = {screen_->white_pixel};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, screen_->root, static_cast<std::int16_t>(x),
                          static_cast<std::int16_t>(y), static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h),
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, XCB_CW_BACK_PIXEL, values);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(std::strlen(title)), title);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                            static_cast<std::uint32_t>(std::strlen(title)), title);
        const char wmClass[] = "benchhost\0BenchHost";
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof wmClass,
                            wmClass);
        // USPosition | USSize: the window manager keeps the asked geometry.
        std::uint32_t hints[18] = {};
        hints[0] = 1 | 2;
        hints[1] = static_cast<std::uint32_t>(x);
        hints[2] = static_cast<std::uint32_t>(y);
        hints[3] = static_cast<std::uint32_t>(w);
        hints[4] = static_cast<std::uint32_t>(h);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                            hints);
        xcb_map_window(c_, id);
        xcb_flush(c_);
        return id;
    }

    // The window manager's frame: the ancestor just below the root.
    xcb_window_t frameOf(xcb_window_t w) {
        xcb_window_t current = w;
        for (int depth = 0; depth < 8; ++depth) {
            Reply<xcb_query_tree_reply_t> t(xcb_query_tree_reply(c_, xcb_query_tree(c_, current), nullptr));
            if (!t || t->parent == screen_->root || t->parent == XCB_WINDOW_NONE) break;
            current = t->parent;
        }
        return current;
    }

    bool framedAndViewable(xcb_window_t w) {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, w), nullptr));
        Reply<xcb_get_property_reply_t> p(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, w, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4), nullptr));
        return a && a->map_state == XCB_MAP_STATE_VIEWABLE && p && xcb_get_property_value_length(p.get()) == 16 &&
               frameOf(w) != w;
    }

    // Position of a child of the root.
    std::pair<int, int> position(xcb_window_t w) {
        Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w), nullptr));
        if (!g) fail("a window is gone");
        return {g->x, g->y};
    }

    void selectStructure(xcb_window_t w) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, w, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
    }

    void moveWindow(xcb_window_t w, int x, int y) {
        const std::uint32_t v[] = {static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
        xcb_configure_window(c_, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, v);
        xcb_flush(c_);
    }

    // The next event, waiting at most until `deadline`.
    Reply<xcb_generic_event_t> nextEvent(Clock::time_point deadline) {
        for (;;) {
            if (Reply<xcb_generic_event_t> e{xcb_poll_for_event(c_)}) return e;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || xcb_connection_has_error(c_)) return nullptr;
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
        }
    }

private:
    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

template <class Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return done();
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// utime + stime of a process, in clock ticks.
long long cpuTicks(kivra::ProcessId pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) fail("cannot read /proc/<pid>/stat");
    std::istringstream fields(line.substr(close + 2));
    std::vector<std::string> f;
    for (std::string s; fields >> s;) f.push_back(s);
    if (f.size() < 13) fail("short /proc/<pid>/stat");
    return std::stoll(f[11]) + std::stoll(f[12]);  // fields 14 and 15 of the whole line
}

// Context switches of every thread of a process: each wake-up, each wait for the X server
// and each preemption counts one.
long long contextSwitches(kivra::ProcessId pid) {
    long long total = 0;
    const std::string task = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(task)) {
        std::ifstream in(entry.path() / "status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

// A field of /proc/<pid>/smaps_rollup, in KiB.
long long rollupKiB(kivra::ProcessId pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1));
    return -1;
}

std::string commandLine(xcb_window_t host, xcb_window_t main, const std::string& title) {
    return std::to_string(host) + "\t1\t1\t" + std::to_string(main) + "\t" + std::to_string(title.size()) + "\t" +
           title;
}

double percentile(std::vector<double> sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-34s n=%zu  p50 %.3f ms  p99 %.3f ms  max %.3f ms  mean %.3f ms\n", what, ms.size(),
                percentile(ms, 50), percentile(ms, 99), ms.empty() ? 0.0 : ms.back(),
                ms.empty() ? 0.0 : sum / static_cast<double>(ms.size()));
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    Desktop d;
    const std::string title = "Bench Host";
    const xcb_window_t host = d.openWindow(title.c_str(), 200, 150, 400, 300);
    const xcb_window_t main = d.openWindow("Bench Main", 900, 700, 200, 100);
    if (!waitFor([&] { return d.framedAndViewable(host) && d.framedAndViewable(main); }, 10s))
        fail("the window manager did not frame the bench windows");

    std::string error;
    std::vector<kivra::LinkReadyReport> reports;
    auto receiver = kivra::ChannelReceiver::listen(
        main,
        [&](const kivra::ChannelMessage& m) {
            if (m.kind == kivra::ChannelKind::LinkReady)
                if (const auto r = kivra::parseLinkReady(m.payload)) reports.push_back(*r);
            return std::string(kivra::kLinkRecorded);
        },
        &error);
    if (!receiver) fail("cannot listen for the link's report: " + error);
    // The measured link first, then the others one by one (each waits for its report, so
    // that the first report is the measured link's).
    for (int i = 0; i < options.links; ++i) {
        xcb_window_t h = host;
        std::string t = title;
        if (i > 0) {
            t = title + " " + std::to_string(i);
            h = d.openWindow(t.c_str(), 20 + (i % 10) * 60, 20 + (i / 10) * 60, 200, 120);
            if (!waitFor([&] { return d.framedAndViewable(h); }, 10s)) fail("the window manager did not frame a host");
        }
        const auto started = kivra::startProcess(options.kivlink, commandLine(h, main, t));
        if (!started) fail(started.error);
        waitFor(
            [&] {
                receiver->dispatch();
                return static_cast<int>(reports.size()) > i;
            },
            30s);
        if (static_cast<int>(reports.size()) <= i) fail("a kivlink never reported ready");
    }
    const kivra::LinkReadyReport* ready = &reports.front();
    const xcb_window_t link = static_cast<xcb_window_t>(ready->linkWindow);

    const xcb_window_t hostFrame = d.frameOf(host);
    const xcb_window_t linkFrame = d.frameOf(link);
    d.selectStructure(hostFrame);
    d.selectStructure(linkFrame);
    // Let the link settle where its start-up put it: no configure for 300 ms.
    while (d.nextEvent(Clock::now() + 300ms)) {
    }

    auto [hostX, hostY] = d.position(hostFrame);
    auto [linkX, linkY] = d.position(linkFrame);
    std::vector<double> linkMs, hostMs;
    int missed = 0;
    for (int i = 0; i < options.moves; ++i) {
        const int dx = i % 2 == 0 ? 40 : -40, dy = i % 2 == 0 ? 10 : -10;
        const auto t0 = Clock::now();
        // A client's configure request names its frame's corner (north-west gravity).
        d.moveWindow(options.viaFrame ? hostFrame : host, hostX + dx, hostY + dy);
        std::optional<Clock::time_point> hostMoved, linkMoved;
        int wantX = 0, wantY = 0;
        const auto deadline = t0 + 1s;
        while (!linkMoved) {
            const auto e = d.nextEvent(deadline);
            if (!e) break;
            if ((e->response_type & 0x7F) != XCB_CONFIGURE_NOTIFY) continue;
            const auto& n = reinterpret_cast<const xcb_configure_notify_event_t&>(*e);
            if (n.window == hostFrame && (n.x != hostX || n.y != hostY)) {
                hostMoved = Clock::now();
                wantX = linkX + (n.x - hostX);
                wantY = linkY + (n.y - hostY);
                hostX = n.x;
                hostY = n.y;
            } else if (n.window == linkFrame && hostMoved && n.x == wantX && n.y == wantY) {
                linkMoved = Clock::now();
                linkX = n.x;
                linkY = n.y;
            }
        }
        if (!hostMoved || !linkMoved) {
            ++missed;
            std::tie(hostX, hostY) = d.position(hostFrame);
            std::tie(linkX, linkY) = d.position(linkFrame);
            continue;
        }
        hostMs.push_back(std::chrono::duration<double, std::milli>(*hostMoved - t0).count());
        linkMs.push_back(std::chrono::duration<double, std::milli>(*linkMoved - t0).count());
    }
    std::printf("host moves via %s, %d moves of (+-40, +-10), %d missed\n", options.viaFrame ? "frame" : "client",
                options.moves, missed);
    report("request to host frame configured:", hostMs);
    report("request to link frame configured:", linkMs);

    if (options.idleSeconds > 0) {
        const long long before = cpuTicks(ready->pid);
        const long long switchesBefore = contextSwitches(ready->pid);
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
        const long long after = cpuTicks(ready->pid);
        const long long switches = contextSwitches(ready->pid) - switchesBefore;
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        const double cpu = static_cast<double>(after - before) / static_cast<double>(::sysconf(_SC_CLK_TCK));
        std::printf("idle kivlink over %.1f s: %.2f s CPU, %.2f %% of one core, %.1f context switches a second\n",
                    seconds, cpu, 100.0 * cpu / seconds, static_cast<double>(switches) / seconds);
    }

    double pssSum = 0;
    for (const auto& r : reports) pssSum += static_cast<double>(rollupKiB(r.pid, "Pss"));
    // Clean pages count as private while no other process maps the same library, so the
    // dirty ones are what a link costs whatever else runs.
    std::printf("memory with %zu links: first kivlink Pss %lld KiB (Private_Dirty %lld KiB, Rss %lld KiB); "
                "mean Pss %.0f KiB\n",
                reports.size(), rollupKiB(ready->pid, "Pss"), rollupKiB(ready->pid, "Private_Dirty"),
                rollupKiB(ready->pid, "Rss"), pssSum / static_cast<double>(reports.size()));

    for (const auto& r : reports) kivra::sendChannelMessage(r.linkWindow, kivra::ChannelKind::CloseRequest, {}, 2s);
    for (const auto& r : reports)
        if (!waitFor([&] { return !kivra::processAlive(r.pid); }, 5s)) kivra::terminateProcess(r.pid, 1s);
    return missed == 0 ? 0 : 2;
}
