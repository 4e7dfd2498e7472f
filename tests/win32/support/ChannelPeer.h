// The second process of the Windows link channel tests: windowhost.exe --listen, its window
// and process, and the lines it logs for every message it handles.
#pragma once

#include "Win32Test.h"
#include "WindowHost.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::wintest {

// The log line the peer writes when a message reaches its handler, the payload in hex digits.
std::string gotLine(std::uint32_t kind, std::int64_t senderPid, std::string_view payload);

class ChannelPeer {
public:
    // Starts the peer; `back` is the window it sends to when asked. Waits (pumping this
    // thread's messages) until the peer listens; window() is 0 when it never did.
    explicit ChannelPeer(std::uint64_t back = 0);

    std::uint64_t window() const { return window_; }
    DWORD pid() const { return host_.pid(); }
    std::vector<std::string> lines() const;
    // The last line that starts with "got ", or "" when none.
    std::string lastGot() const;
    bool waitForExit(std::chrono::milliseconds timeout) const { return host_.waitForExit(timeout); }

private:
    TempFolder folder_;  // the log's; made before and removed after the process
    WindowHost host_;
    std::uint64_t window_ = 0;
};

}  // namespace kivra::wintest
