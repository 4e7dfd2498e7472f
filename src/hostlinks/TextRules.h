// Text helpers shared by the host-link rules: blanks, UTF-8 characters, and the
// one case-insensitive comparison used for matching, sorting and duplicate checks.
//
// Case folding: text is decoded from UTF-8 and each code point is folded to lower
// case by a small table covering ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic (one code point to one code point, so character positions survive
// folding). Everything else compares by code point. Invalid UTF-8 bytes count as
// one character each and compare as themselves.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivra {

// Blanks are space characters only; tabs and other white space stay.
std::string_view rightTrimBlanks(std::string_view text);
std::string_view leftTrimBlanks(std::string_view text);
std::string_view trimBlanks(std::string_view text);

// Number of characters (code points) of UTF-8 text.
std::size_t characterCount(std::string_view text);

// The text up to its first NUL, then at most `maxChars` characters, never
// splitting a multibyte character: what a 256-character text buffer returns.
std::string_view cutToCharacters(std::string_view text, std::size_t maxChars);

// The 1-based character position of the first occurrence of `needle` in
// `haystack`, compared without regard to case; 0 when absent. An empty needle
// is found at position 1.
std::size_t findNoCase(std::string_view haystack, std::string_view needle);
// "a occurs in b".
inline bool occursIn(std::string_view needle, std::string_view haystack) {
    return findNoCase(haystack, needle) != 0;
}
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// Order without regard to case: < 0, 0 or > 0. Texts that differ only in case
// compare equal here.
int compareNoCase(std::string_view a, std::string_view b);
inline bool equalsNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

// The character at 1-based position `pos` as a code point; 0 when out of range.
char32_t characterAt(std::string_view text, std::size_t pos);

}  // namespace kivra
