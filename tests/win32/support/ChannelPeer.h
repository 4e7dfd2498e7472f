// The second process of the Windows link channel tests: channel_peer.exe started with a log
// file, its window and process, and the lines it logs for every message it handles.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::wintest {

// Bytes as lowercase hex digits, so payloads of any content fit one log line.
std::string hexBytes(std::string_view bytes);

// The log line the peer writes when a message reaches its handler.
std::string gotLine(std::uint32_t kind, std::int64_t senderPid, std::string_view payload);

class ChannelPeer {
public:
    // Starts channel_peer.exe; `back` is the window it sends to when asked. Waits (pumping
    // this thread's messages) until the peer listens; window() is 0 when it never did.
    explicit ChannelPeer(std::uint64_t back = 0);
    ~ChannelPeer();
    ChannelPeer(const ChannelPeer&) = delete;
    ChannelPeer& operator=(const ChannelPeer&) = delete;

    std::uint64_t window() const { return window_; }
    DWORD pid() const { return info_.dwProcessId; }

    std::vector<std::string> lines() const;
    // The last line that starts with "got ", or "" when none.
    std::string lastGot() const;
    bool waitForExit(std::chrono::milliseconds timeout) const;

private:
    std::filesystem::path log_;
    PROCESS_INFORMATION info_{};
    std::uint64_t window_ = 0;
};

}  // namespace kivra::wintest
