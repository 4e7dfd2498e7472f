// The second process of the Windows link channel tests: windowhost.exe --listen.
#include "ChannelPeer.h"

#include <algorithm>
#include <fstream>

namespace kivra::wintest {

std::string gotLine(std::uint32_t kind, std::int64_t senderPid, std::string_view payload) {
    std::string line = "got " + std::to_string(kind) + " " + std::to_string(senderPid) + " ";
    for (const char c : payload) {
        line += "0123456789abcdef"[static_cast<unsigned char>(c) >> 4];
        line += "0123456789abcdef"[c & 15];
    }
    return line;
}

ChannelPeer::ChannelPeer(std::uint64_t back)
    : host_({}, MarkOwn::No, 0, {L"--listen", (folder_.path() / "peer.log").wstring(), std::to_wstring(back)}) {
    std::string ready;
    waitUntil([&] {
        for (const std::string& line : lines())
            if (line.rfind("ready ", 0) == 0) ready = line;
        return !ready.empty() || host_.waitForExit(std::chrono::milliseconds(0));
    }, std::chrono::seconds(10));
    if (!ready.empty()) window_ = std::stoull(ready.substr(6));
}

std::vector<std::string> ChannelPeer::lines() const {
    std::vector<std::string> out;
    std::ifstream in(folder_.path() / "peer.log");
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string ChannelPeer::lastGot() const {
    const std::vector<std::string> all = lines();
    const auto it = std::find_if(all.rbegin(), all.rend(), [](const std::string& l) { return l.rfind("got ", 0) == 0; });
    return it == all.rend() ? std::string() : *it;
}

}  // namespace kivra::wintest
