// The link program's command line: six TAB-separated fields from the main program
// (host window, instance, count, main window, title length, title), split, checked and parsed.
#pragma once

#include "LinkNames.h"
#include "WindowSystem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivra {

inline constexpr std::size_t kCommandLineFields = 6;

// What the program does after reading its command line.
enum class CommandLineOutcome {
    RunKivraInstead,  // empty argument string: tell the user to start the main program
    SilentExit,       // malformed or naming a window that is not visible: end without a word
    Ok,
};

struct LinkCommandLine {
    WindowId hostWindow = 0;
    std::int16_t instance = 1;
    std::int16_t count = 1;
    WindowId mainWindow = 0;
    std::int32_t titleLength = 0;  // L: characters taken from the end of field 6
    LinkNames names;
};

struct CommandLineResult {
    CommandLineOutcome outcome = CommandLineOutcome::SilentExit;
    LinkCommandLine line;  // meaningful only when the outcome is Ok
};

// The fields as the walk finds them: a TAB ends a field, runs of TABs and leading
// TABs start none, and the walk stops where a seventh field would start. Fields the
// walk never started are empty. The views point into the argument string.
struct CommandLineFields {
    std::array<std::string_view, kCommandLineFields> field{};
    std::size_t count = 0;  // fields started
};
CommandLineFields splitCommandLine(std::string_view arguments);

// A number field: blanks trimmed on both sides, then an optional sign, decimal
// digits and an optional fraction ("12", "-3", "+7", "2.5", ".5", "4."), with at
// least one digit and nothing else. The fraction rounds to the nearest integer,
// halves to even (as stored numbers do). Nullopt when the text is not such a
// number or its rounded magnitude does not fit 64 bits.
struct WholeNumber {
    bool negative = false;     // never set for zero
    std::uint64_t magnitude = 0;
    bool operator==(const WholeNumber&) const = default;
};
std::optional<WholeNumber> parseNumberField(std::string_view text);

// The last `count` characters (UTF-8 code points; an invalid byte counts as one
// character) of `text`; the whole text when it is shorter. Never splits a character.
std::string_view lastCharacters(std::string_view text, std::size_t count);

// Splits, checks and parses the argument string (the text after the program path).
// The checks run in field order and stop at the first failure; fields 1 and 4 must
// name windows that are visible now. The string counts up to its first NUL, as a
// C argument would.
CommandLineResult parseLinkCommandLine(std::string_view arguments, WindowSystem& windows);

// The argument string of a process: its arguments after the program, joined by blanks.
std::string joinArguments(int argc, const char* const* argv);

}  // namespace kivra
