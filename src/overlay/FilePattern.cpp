// Matching file names against the file-type pattern.
#include "FilePattern.h"

namespace kivra {

namespace {

// Code points of UTF-8 text with ASCII letters folded to lower case; a byte that
// does not start a well-formed sequence stands for itself.
std::u32string folded(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        if (i + len > text.size()) len = 1;
        char32_t cp = len == 1 ? lead : lead & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) {
                len = 1;
                cp = lead;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp >= 'A' && cp <= 'Z') cp += 'a' - 'A';
        out.push_back(cp);
        i += len;
    }
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// Glob match with one backtracking point for the last "*" seen.
bool globMatch(const std::u32string& glob, const std::u32string& name) {
    std::size_t g = 0, n = 0, starG = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (g < glob.size() && (glob[g] == U'?' || glob[g] == name[n])) {
            ++g;
            ++n;
        } else if (g < glob.size() && glob[g] == U'*') {
            starG = g++;
            starN = n;
        } else if (starG != std::u32string::npos) {
            g = starG + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == U'*') ++g;
    return g == glob.size();
}

}  // namespace

FilePattern::FilePattern(std::string_view text) : text_(text) {
    std::string_view rest = text;
    while (true) {
        const auto cut = rest.find(';');
        const std::string_view piece = trimmed(rest.substr(0, cut));
        if (piece == "*" || piece == "*.*") all_ = true;
        if (!piece.empty()) globs_.push_back(folded(piece));
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    if (globs_.empty()) all_ = true;
}

bool FilePattern::matches(std::string_view name) const {
    if (all_) return true;
    const std::u32string n = folded(name);
    for (const auto& g : globs_)
        if (globMatch(g, n)) return true;
    return false;
}

}  // namespace kivra
