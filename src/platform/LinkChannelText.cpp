// The channel's texts that both platforms share: result names and the LinkReady payload.
#include "LinkChannel.h"

#include <array>
#include <charconv>
#include <limits>

namespace kivra {

const char* toString(SendResult result) {
    switch (result) {
    case SendResult::Delivered: return "delivered";
    case SendResult::Ignored: return "ignored";
    case SendResult::NoReceiver: return "no receiver";
    case SendResult::TimedOut: return "timed out";
    case SendResult::Failed: return "failed";
    }
    return "?";
}

// ---- LinkReady payload -----------------------------------------------------

std::string formatLinkReady(const LinkReadyReport& report) {
    return std::to_string(report.linkWindow) + '\t' + std::to_string(report.pid) + '\t' +
           std::to_string(report.hostWindow);
}

std::optional<LinkReadyReport> parseLinkReady(std::string_view payload) {
    std::array<std::uint64_t, 3> values{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t end = i + 1 < values.size() ? payload.find('\t', at) : payload.size();
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view field = payload.substr(at, end - at);
        const char* first = field.data();
        const char* last = first + field.size();
        if (field.empty() || field.front() < '0' || field.front() > '9') return std::nullopt;
        const auto [ptr, ec] = std::from_chars(first, last, values[i]);
        if (ec != std::errc() || ptr != last || values[i] == 0) return std::nullopt;
        at = end + 1;
    }
    if (values[1] > static_cast<std::uint64_t>(std::numeric_limits<ProcessId>::max())) return std::nullopt;
    return LinkReadyReport{values[0], static_cast<ProcessId>(values[1]), values[2]};
}

}  // namespace kivra
