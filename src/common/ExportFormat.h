// The text form of the settings tree that kivra-settings exports and imports, and the
// escaping that keeps any value on one readable line.
#pragma once

#include "SettingsStore.h"

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kivra::settings {

// The first line of every export; the number is the format version.
inline constexpr std::string_view kExportHeader = "kivra-settings export 1";

// Which part of a line a field is; keys escape a few more characters.
enum class Field { Path, Key, Value };

// Bytes below 0x20, 0x7F, '%' and bytes that are not part of UTF-8 become %XX (two
// upper-case hex digits); so do a blank as the first or last byte, and in keys '=' and a
// leading '[' or '#'. Everything else, non-ASCII UTF-8 included, stays as it is.
std::string escapeField(std::string_view text, Field field);

// Undoes escapeField. Fails on a '%' without two hex digits and on a raw control character.
struct UnescapeError {
    std::string message;
};
std::variant<std::string, UnescapeError> unescapeField(std::string_view text);

// Writes the header, then for each section path "[path]" and its "key=value" lines.
void writeExport(std::ostream& out, const std::vector<StoredEntry>& entries);

struct ParseError {
    int line;  // 1-based
    std::string message;
};
// Reads a whole export; any fault gives the first bad line and no entries.
std::variant<std::vector<StoredEntry>, ParseError> parseExport(std::istream& in);

}  // namespace kivra::settings
