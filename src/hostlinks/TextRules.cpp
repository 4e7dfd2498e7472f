// UTF-8 decoding, blank trimming and the small case-folding table.
#include "TextRules.h"

#include <algorithm>
#include <vector>

namespace kivra {

namespace {

// Invalid bytes decode to U+DC80..U+DCFF (as lone surrogates cannot occur in
// valid UTF-8, they never collide with a real character).
constexpr char32_t kInvalidBase = 0xDC00;

// Decodes one character starting at `i` and advances `i` past it.
char32_t decodeAt(std::string_view s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    int extra = 0;
    char32_t cp = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07;
    } else {
        ++i;
        return kInvalidBase + b0;
    }
    if (i + extra >= s.size()) {
        ++i;
        return kInvalidBase + b0;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kInvalidBase + b0;
        }
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += extra + 1;
    return cp;
}

char32_t foldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0x80) return c;
    // Latin-1: À..Þ except ×.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    // Latin Extended-A: capital/small pairs, even/odd from U+0100, odd/even in U+0139..U+0148 and U+0179..U+017E.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
    if (c == 0x178) return 0xFF;  // Ÿ
    // Greek capitals Α..Ω (no U+03A2).
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    // Cyrillic Ѐ..Џ and А..Я.
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    return c;
}

// The folded character at byte `i`, moving `i` past it; ASCII without a call.
inline char32_t nextFolded(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        ++i;
        return b >= 'A' && b <= 'Z' ? b + 32 : b;
    }
    return foldCase(decodeAt(s, i));
}

// The characters of `needle` from byte `j` on equal, folded, those of `haystack` from byte `i` on.
bool restMatchesNoCase(std::string_view haystack, std::size_t i, std::string_view needle, std::size_t j) {
    while (j < needle.size()) {
        if (i >= haystack.size() || nextFolded(haystack, i) != nextFolded(needle, j)) return false;
    }
    return true;
}

}  // namespace

std::string_view rightTrimBlanks(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view leftTrimBlanks(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(' ');
    return begin == std::string_view::npos ? std::string_view() : text.substr(begin);
}

std::string_view trimBlanks(std::string_view text) { return leftTrimBlanks(rightTrimBlanks(text)); }

std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) decodeAt(text, i), ++n;
    return n;
}

std::string_view cutToCharacters(std::string_view text, std::size_t maxChars) {
    text = text.substr(0, text.find('\0'));
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < maxChars; ++n) decodeAt(text, i);
    return text.substr(0, i);
}

// Character by character, without building folded copies: the auto-execute watcher
// runs it for every listed window against every link, twenty times a second.
std::size_t findNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return 1;
    std::size_t afterFirst = 0;
    const char32_t first = nextFolded(needle, afterFirst);
    std::size_t position = 1;
    for (std::size_t i = 0; i < haystack.size(); ++position) {
        const char32_t c = nextFolded(haystack, i);  // i moves past the character
        if (c == first && restMatchesNoCase(haystack, i, needle, afterFirst)) return position;
    }
    return 0;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    std::size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= text.size() || foldCase(decodeAt(text, i)) != foldCase(decodeAt(prefix, j))) return false;
    }
    return true;
}

// Character by character, without building folded copies: the link list sorts with it.
int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = foldCase(decodeAt(a, i));
        const char32_t y = foldCase(decodeAt(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

char32_t characterAt(std::string_view text, std::size_t pos) {
    if (pos == 0) return 0;
    std::size_t i = 0;
    for (std::size_t n = 1; i < text.size(); ++n) {
        const char32_t c = decodeAt(text, i);
        if (n == pos) return c;
    }
    return 0;
}

}  // namespace kivra
