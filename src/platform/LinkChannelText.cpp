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

// ---- ReportLink answer -----------------------------------------------------

std::string formatLinkReport(const LinkReadyReport& ready, std::string_view title) {
    std::string text = formatLinkReady(ready) + '\t' + std::to_string(title.size()) + '\t';
    std::size_t room = kMaxPayload > text.size() ? kMaxPayload - text.size() : 0;
    if (room < title.size()) {
        // Back off to the start of a UTF-8 character.
        while (room > 0 && (static_cast<unsigned char>(title[room]) & 0xC0) == 0x80) --room;
        title = title.substr(0, room);
    }
    return text + std::string(title);
}

std::optional<WindowId> parseWindowId(std::string_view text) {
    WindowId id = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || id == 0) return std::nullopt;
    return id;
}

std::optional<LinkReport> parseLinkReport(std::string_view answer) {
    std::size_t at = 0;
    for (int tabs = 0; tabs < 3; ++tabs) {
        at = answer.find('\t', at);
        if (at == std::string_view::npos) return std::nullopt;
        ++at;
    }
    const auto ready = parseLinkReady(answer.substr(0, at - 1));
    const std::size_t end = answer.find('\t', at);
    if (!ready || end == std::string_view::npos || end == at) return std::nullopt;
    std::size_t bytes = 0;
    const auto [ptr, ec] = std::from_chars(answer.data() + at, answer.data() + end, bytes);
    if (ec != std::errc() || ptr != answer.data() + end) return std::nullopt;
    const std::string_view title = answer.substr(end + 1);
    if (title.size() > bytes) return std::nullopt;
    return LinkReport{*ready, std::string(title), bytes};
}

}  // namespace kivra
