// Memory status from /proc/meminfo: a pure parser over its text and a live reader.
#include "MemoryStatus.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>

namespace kivra {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// "<digits> kB" in bytes; nullopt for anything else or a value that overflows.
std::optional<std::uint64_t> kibibytes(std::string_view value) {
    value = trim(value);
    std::uint64_t n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end == value.data()) return std::nullopt;
    if (trim(value.substr(static_cast<std::size_t>(end - value.data()))) != "kB") return std::nullopt;
    if (n > std::numeric_limits<std::uint64_t>::max() / 1024) return std::nullopt;
    return n * 1024;
}

// Every well-formed "Name: <n> kB" line; the first of duplicate names wins.
std::map<std::string, std::uint64_t, std::less<>> fields(std::string_view text) {
    std::map<std::string, std::uint64_t, std::less<>> out;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trim(line.substr(0, colon));
        if (const auto v = kibibytes(line.substr(colon + 1)); v && !name.empty()) out.emplace(name, *v);
    }
    return out;
}

}  // namespace

std::optional<MemoryStatus> parseMemInfo(std::string_view text) {
    const auto f = fields(text);
    const auto get = [&](std::string_view name) -> std::optional<std::uint64_t> {
        const auto it = f.find(name);
        if (it == f.end()) return std::nullopt;
        return it->second;
    };
    const auto total = get("MemTotal");
    if (!total || *total == 0) return std::nullopt;

    MemoryStatus s;
    s.totalPhys = *total;
    if (const auto avail = get("MemAvailable")) {
        s.availPhys = *avail;
    } else {
        // Saturating: three values near the top of the range must not wrap.
        std::uint64_t sum = 0;
        for (const char* name : {"MemFree", "Buffers", "Cached"}) {
            const std::uint64_t v = get(name).value_or(0);
            sum = v > std::numeric_limits<std::uint64_t>::max() - sum ? std::numeric_limits<std::uint64_t>::max() : sum + v;
        }
        s.availPhys = sum;
    }
    s.availPhys = std::min(s.availPhys, s.totalPhys);
    const std::uint64_t used = s.totalPhys - s.availPhys;
    // used * 100 could overflow near 2^64; long double keeps the ratio.
    s.memoryLoad = static_cast<std::uint32_t>(static_cast<long double>(used) * 100 / s.totalPhys + 0.5L);

    s.totalPageFile = get("SwapTotal").value_or(0);
    s.availPageFile = std::min(get("SwapFree").value_or(0), s.totalPageFile);
    s.commitLimit = get("CommitLimit").value_or(0);
    const std::uint64_t committed = get("Committed_AS").value_or(0);
    s.availCommit = committed < s.commitLimit ? s.commitLimit - committed : 0;
    return s;
}

std::optional<MemoryStatus> readMemoryStatus() {
    std::ifstream in("/proc/meminfo");
    if (!in) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return parseMemInfo(text);
}

}  // namespace kivra
