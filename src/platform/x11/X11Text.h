// Turns the bytes of X11 text properties (UTF8_STRING, Latin-1 STRING, COMPOUND_TEXT)
// into valid UTF-8 of a bounded number of characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivra::x11 {

// Titles and class names are cut to this many characters (not bytes).
constexpr std::size_t MaxTextCharacters = 255;

// The bytes up to the first NUL.
std::string_view cutAtNul(std::string_view bytes);

// Valid UTF-8 from possibly broken UTF-8: each byte that does not start a
// well-formed sequence becomes U+FFFD.
std::string sanitizeUtf8(std::string_view bytes);

// ISO 8859-1, the encoding of the ICCCM STRING type.
std::string latin1ToUtf8(std::string_view bytes);

// ISO 2022 compound text, best effort: ASCII, Latin-1, UTF-8 segments and
// extended segments named "iso8859-1" or "utf-8" are decoded; characters of
// any other set come out as U+FFFD.
std::string compoundTextToUtf8(std::string_view bytes);

// The first `maxCharacters` characters of valid UTF-8, never splitting a sequence.
std::string limitCharacters(std::string utf8, std::size_t maxCharacters);

}  // namespace kivra::x11
