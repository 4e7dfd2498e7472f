// Picture path texts.
#include "PicturePaths.h"

#include <algorithm>
#include <vector>

namespace kivra {

namespace {

constexpr std::size_t kLongPath = 160;
constexpr std::size_t kKeepHead = 3;
constexpr std::size_t kKeepTail = 152;
constexpr std::size_t kLineLength = 40;
constexpr std::size_t kMaxLines = 4;

// Byte offsets at which the characters of UTF-8 text start, plus the end. A byte
// that does not start a well-formed sequence counts as one character.
std::vector<std::size_t> characterStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    std::size_t i = 0;
    while (i < text.size()) {
        starts.push_back(i);
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        if (i + len > text.size()) len = 1;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                len = 1;
                break;
            }
        i += len;
    }
    starts.push_back(text.size());
    return starts;
}

}  // namespace

std::string joinDirectoryFile(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
    path += name;
    return path;
}

std::string fileNamePart(std::string_view path) {
    const auto cut = path.rfind(kPathSeparator);
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string directoryPart(std::string_view path) {
    const auto cut = path.rfind(kPathSeparator);
    if (cut == std::string_view::npos) return {};
    return std::string(path.substr(0, cut == 0 ? 1 : cut));
}

std::string formatPathForConfirmation(std::string_view path) {
    std::vector<std::size_t> at = characterStarts(path);
    std::string text(path);
    if (at.size() - 1 > kLongPath) {
        const std::size_t chars = at.size() - 1;
        text = std::string(path.substr(0, at[kKeepHead])) + "...  " + std::string(path.substr(at[chars - kKeepTail]));
        at = characterStarts(text);
    }
    const std::size_t chars = at.size() - 1;
    std::string out;
    for (std::size_t line = 0; line < kMaxLines && line * kLineLength < chars; ++line) {
        const std::size_t from = line * kLineLength;
        const std::size_t to = line + 1 == kMaxLines ? chars : std::min(chars, from + kLineLength);
        if (line > 0) out += "\r\n";
        out += text.substr(at[from], at[to] - at[from]);
    }
    return out;
}

}  // namespace kivra
