// Benchmark of the link command channel: the round trip of a command to a link window
// (send, handle, answer) between two processes, as the main program sends them. A child
// process listens under a private runtime folder and answers each command; the parent sends
// N commands one after the other and prints the median and 99th percentile.
//
//   bench_channel [--count 1000]
#include "LinkChannel.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace kivra;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    int count = 1000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--count") == 0) count = std::max(1, std::atoi(argv[i + 1]));
    char folder[] = "/tmp/kivra-bench-channel-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    setenv("XDG_RUNTIME_DIR", folder, 1);
    setenv("DISPLAY", ":99", 1);
    constexpr WindowId kLink = 0x3a00007;

    int ready[2];
    if (pipe(ready) != 0) return 1;
    const pid_t child = fork();
    if (child == 0) {
        auto receiver = ChannelReceiver::listen(kLink, [](const ChannelMessage& m) { return m.payload; });
        const char c = receiver ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        while (receiver) {
            pollfd p{receiver->fd(), POLLIN, 0};
            poll(&p, 1, -1);
            receiver->dispatch();
        }
        _exit(0);
    }
    char c = 0;
    if (read(ready[0], &c, 1) != 1 || c != 'y') return 1;

    std::vector<double> micros;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        std::string reply;
        const auto t0 = Clock::now();
        const SendResult r =
            sendChannelMessage(kLink, ChannelKind::Command, std::to_string(i % 7), std::chrono::seconds(3), &reply);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (r != SendResult::Delivered) ++failed;
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::filesystem::remove_all(folder);
    std::sort(micros.begin(), micros.end());
    std::printf("command round trip over %d sends: median %.1f us, 99th percentile %.1f us, %d failed\n", count,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], failed);
    return failed ? 1 : 0;
}
