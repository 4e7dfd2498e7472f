// The second process of the Windows link channel tests.
#include "ChannelPeer.h"

#include "Win32Test.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

namespace kivra::wintest {

std::string hexBytes(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string gotLine(std::uint32_t kind, std::int64_t senderPid, std::string_view payload) {
    return "got " + std::to_string(kind) + " " + std::to_string(senderPid) + " " + hexBytes(payload);
}

namespace {

std::filesystem::path freshLogPath() {
    static std::atomic<int> counter{0};
    wchar_t dir[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, dir);
    const std::filesystem::path path = std::filesystem::path(dir) /
        ("kivra-channel-peer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".log");
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return path;
}

}  // namespace

ChannelPeer::ChannelPeer(std::uint64_t back) : log_(freshLogPath()) {
    const std::filesystem::path program = programDir() / "channel_peer.exe";
    std::wstring command = L"\"" + program.wstring() + L"\" \"" + log_.wstring() + L"\" " + std::to_wstring(back);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_)) {
        info_ = PROCESS_INFORMATION{};
        return;
    }
    std::string ready;
    waitUntil([&] {
        for (const std::string& line : lines())
            if (line.rfind("ready ", 0) == 0) ready = line;
        return !ready.empty() || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
    }, std::chrono::seconds(10));
    if (!ready.empty()) window_ = std::stoull(ready.substr(6));
}

ChannelPeer::~ChannelPeer() {
    if (info_.hProcess) {
        if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    std::error_code ignored;
    std::filesystem::remove(log_, ignored);
}

std::vector<std::string> ChannelPeer::lines() const {
    std::vector<std::string> out;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string ChannelPeer::lastGot() const {
    const std::vector<std::string> all = lines();
    const auto it = std::find_if(all.rbegin(), all.rend(), [](const std::string& l) { return l.rfind("got ", 0) == 0; });
    return it == all.rend() ? std::string() : *it;
}

bool ChannelPeer::waitForExit(std::chrono::milliseconds timeout) const {
    return info_.hProcess &&
           waitUntil([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout);
}

}  // namespace kivra::wintest
