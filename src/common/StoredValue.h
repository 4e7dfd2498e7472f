// Reading and writing the store's string values: the lenient numeric parse,
// integer ranges, the two boolean encodings and twips as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivra {

// The leading number of the text (blanks skipped, optional sign, digits, optional
// fraction); 0 when the text does not start with one. "47abc" gives 47, "abc" 0.
double leadingNumber(std::string_view text);

// True when the text is exactly the absent marker "-1".
bool isAbsent(std::string_view text);

// The leading number rounded to the nearest integer (halves to even) and
// saturated to the 16-bit or 32-bit range, so huge stored values never overflow.
std::int16_t toInt16(std::string_view text);
std::int32_t toInt32(std::string_view text);

// Decimal text without a leading blank: "0", "47", "-12".
std::string intText(long long value);
// A twips value as decimal text; a fraction is kept when there is one ("1440", "1417.5").
std::string twipsText(double value);

// "1" = true / "0" = false flags; "1" = first choice / "2" = second choice options.
inline std::string flagText(bool value) { return value ? "1" : "0"; }
inline std::string choiceText(bool first) { return first ? "1" : "2"; }
// Readers compare the numeric value with 1.
inline bool isOne(std::string_view text) { return leadingNumber(text) == 1.0; }

}  // namespace kivra
