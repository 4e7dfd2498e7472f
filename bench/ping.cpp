// Benchmark of the main program's responsiveness with a hung link: how long kivra's
// user-interface thread takes to answer while one of its link programs is stopped
// (SIGSTOP) and the foreground moves between the three hosts ten times a second. It
// opens three testhost windows, stores three automatic links for them, starts
// $KIVRA_BIN_DIR/kivra as a real process, waits for the three link programs, stops one,
// then sends the main window a channel message every 20 ms (one at a time; its
// receiver runs on the user-interface thread, where the window manager's _NET_WM_PING
// is answered too) while another connection activates the hosts in turn. Reports the
// median, 99th percentile and worst answer time. PING_NOSTOP=1 leaves the link running.
// Run it through bench/ping.sh (a private Xvfb display with openbox).
//
//   bench_ping [--seconds 10]
#include "ChildProcess.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "ProcTable.h"
#include "StoreFile.h"
#include "TempSettings.h"
#include "TestHost.h"
#include "LinkChannel.h"
#include "WaitUntil.h"
#include "X11WindowSystem.h"
#include "XProbe.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kivra;
using namespace kivra::test;
using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "bench_ping: %s\n", why.c_str());
    std::exit(1);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

xcb_screen_t* screenOf(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data; }

void clientMessage(xcb_connection_t* c, xcb_window_t to, xcb_window_t about, xcb_atom_t type,
                   std::initializer_list<uint32_t> data, uint32_t mask) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = about;
    e.type = type;
    int i = 0;
    for (uint32_t d : data) e.data.data32[i++] = d;
    xcb_send_event(c, 0, to, mask, reinterpret_cast<const char*>(&e));
    xcb_flush(c);
}

// One message to the main window over the link channel, answered by its user-interface
// thread as it answers the window manager's ping; milliseconds, or -1.
double roundTrip(WindowId window) {
    const auto sent = Clock::now();
    if (sendChannelMessage(window, ChannelKind::Command, "ping", std::chrono::seconds(5)) != SendResult::Delivered)
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--seconds") seconds = std::max(1, std::atoi(argv[i + 1]));
    if (!std::getenv("KIVRA_BIN_DIR")) fail("KIVRA_BIN_DIR is not set (run bench/ping.sh)");
    std::string error;
    auto ws = x11::X11WindowSystem::connect(nullptr, &error);
    if (!ws) fail(error);
    XProbe probe;

    TestHost host;
    std::vector<WindowId> hosts;
    TempSettings settings;
    {
        auto store = openStore(settings.path()).store;
        store->write("Kivra\\Kivra [ Main ]", "MainOptions", "StartupMsg", "0");
        LinkTable table;
        for (int i = 0; i < 3; ++i) {
            const std::string title = "Ping host " + std::to_string(i);
            hosts.push_back(host.open(title, "--geometry 300x200+" + std::to_string(40 + 340 * i) + "+300"));
            HostLink link;
            link.title = title;
            link.winClass = "TestHost";
            table.insert(link);
        }
        SaveHostLinks(table, *store);
    }
    auto kivra = startProgram("kivra", {}, settings);
    const pid_t kivraPid = kivra->pid();
    auto links = [&] {
        std::vector<pid_t> out;
        for (const ProcEntry& p : childrenNamed(kivraPid, "kivlink"))
            if (p.state != 'Z') out.push_back(p.pid);
        return out;
    };
    auto linkWindows = [&] {
        int n = 0;
        for (WindowId w : probe.stackingTopFirst())
            if (procEntry(static_cast<pid_t>(ws->processOf(w))).comm == "kivlink") ++n;
        return n;
    };
    if (!waitUntil([&] { return links().size() == 3 && linkWindows() == 3; }, std::chrono::seconds(30)))
        fail("the three links did not start");
    WindowId mainWindow = 0;
    for (WindowId w : probe.stackingTopFirst())
        if (ws->processOf(w) == static_cast<ProcessId>(kivraPid) && ws->title(w) == "Kivra [Main]") mainWindow = w;
    if (!mainWindow) fail("the main window was not found");
    const pid_t stopped = links().front();
    if (!std::getenv("PING_NOSTOP")) ::kill(stopped, SIGSTOP);


    // The foreground moves between the hosts ten times a second, as a pager would move it.
    std::atomic<bool> done = false;
    std::thread foreground([&] {
        xcb_connection_t* f = xcb_connect(nullptr, nullptr);
        const xcb_atom_t active = atom(f, "_NET_ACTIVE_WINDOW");
        for (std::size_t i = 0; !done; ++i) {
            clientMessage(f, screenOf(f)->root, static_cast<xcb_window_t>(hosts[i % hosts.size()]), active, {2, 0, 0},
                          XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        xcb_disconnect(f);
    });

    std::vector<double> answers;
    int lost = 0;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const double ms = roundTrip(mainWindow);
        if (ms < 0) ++lost; else answers.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    done = true;
    foreground.join();
    ::kill(stopped, SIGCONT);

    std::printf("Main window round trip (channel message answered by its user-interface thread), one link %s, "
                "foreground changing 10/s, %d s:\n", std::getenv("PING_NOSTOP") ? "running" : "stopped", seconds);
    std::printf("  %zu answered, %d unanswered within 5 s; p50 %.2f ms, p99 %.2f ms, worst %.2f ms\n",
                answers.size(), lost, percentile(answers, 0.5), percentile(answers, 0.99),
                answers.empty() ? 0.0 : *std::max_element(answers.begin(), answers.end()));
    kivra->stop();
    return 0;
}
