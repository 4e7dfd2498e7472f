// Splitting, checking and parsing the link program's command line.
#include "LinkCommandLine.h"

#include "TextRules.h"

#include <limits>

namespace kivra {

namespace {

constexpr std::uint64_t kMaxMagnitude = std::numeric_limits<std::uint64_t>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view untilNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The number as a window id: never negative.
std::optional<WindowId> asWindowId(const std::optional<WholeNumber>& n) {
    if (!n || n->negative) return std::nullopt;
    return static_cast<WindowId>(n->magnitude);
}

// The number when it lies in the range of the signed type Int.
template <typename Int>
std::optional<Int> asSigned(const std::optional<WholeNumber>& n) {
    if (!n) return std::nullopt;
    constexpr auto maxPositive = static_cast<std::uint64_t>(std::numeric_limits<Int>::max());
    if (!n->negative) {
        if (n->magnitude > maxPositive) return std::nullopt;
        return static_cast<Int>(n->magnitude);
    }
    if (n->magnitude > maxPositive + 1) return std::nullopt;
    return static_cast<Int>(-static_cast<std::int64_t>(n->magnitude));
}

}  // namespace

CommandLineFields splitCommandLine(std::string_view arguments) {
    CommandLineFields out;
    std::size_t start = 0;
    bool inField = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == '\t') {
            if (inField) out.field[out.count - 1] = arguments.substr(start, i - start);
            inField = false;
            continue;
        }
        if (inField) continue;
        if (out.count == kCommandLineFields) return out;  // a seventh field would start here
        start = i;
        inField = true;
        ++out.count;
    }
    if (inField) out.field[out.count - 1] = arguments.substr(start);
    return out;
}

std::optional<WholeNumber> parseNumberField(std::string_view text) {
    text = trimBlanks(text);
    std::size_t i = 0;
    WholeNumber n;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) n.negative = text[i++] == '-';
    bool digits = false, overflow = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        digits = true;
        const auto d = static_cast<std::uint64_t>(text[i] - '0');
        if (n.magnitude > (kMaxMagnitude - d) / 10) overflow = true;
        else n.magnitude = n.magnitude * 10 + d;
    }
    // The fraction matters only as below, at or above one half.
    int firstFractionDigit = 0;
    bool moreAfterFirst = false;
    if (i < text.size() && text[i] == '.') {
        for (bool first = true; ++i < text.size() && isDigit(text[i]); first = false) {
            digits = true;
            if (first) firstFractionDigit = text[i] - '0';
            else if (text[i] != '0') moreAfterFirst = true;
        }
    }
    if (!digits || i != text.size() || overflow) return std::nullopt;
    const bool roundUp = firstFractionDigit > 5 ||
                         (firstFractionDigit == 5 && (moreAfterFirst || (n.magnitude & 1) != 0));
    if (roundUp) {
        if (n.magnitude == kMaxMagnitude) return std::nullopt;
        ++n.magnitude;
    }
    if (n.magnitude == 0) n.negative = false;
    return n;
}

std::string_view lastCharacters(std::string_view text, std::size_t count) {
    text = untilNul(text);
    const std::size_t total = characterCount(text);
    if (total <= count) return text;
    return text.substr(cutToCharacters(text, total - count).size());
}

CommandLineResult parseLinkCommandLine(std::string_view arguments, WindowSystem& windows) {
    CommandLineResult result;
    arguments = untilNul(arguments);
    if (arguments.empty()) {
        result.outcome = CommandLineOutcome::RunKivraInstead;
        return result;
    }
    const CommandLineFields fields = splitCommandLine(arguments);
    LinkCommandLine& line = result.line;

    const auto host = asWindowId(parseNumberField(fields.field[0]));
    if (!host || !windows.isVisible(*host)) return result;
    const auto instance = asSigned<std::int16_t>(parseNumberField(fields.field[1]));
    if (!instance) return result;
    const auto count = asSigned<std::int16_t>(parseNumberField(fields.field[2]));
    if (!count) return result;
    const auto mainWindow = asWindowId(parseNumberField(fields.field[3]));
    if (!mainWindow || !windows.isVisible(*mainWindow)) return result;
    const auto length = asSigned<std::int32_t>(parseNumberField(fields.field[4]));
    if (!length || *length < 0) return result;

    line.hostWindow = *host;
    line.instance = *instance;
    line.count = *count;
    line.mainWindow = *mainWindow;
    line.titleLength = *length;
    line.names = makeLinkNames(lastCharacters(fields.field[5], static_cast<std::size_t>(*length)), *instance, *count);
    result.outcome = CommandLineOutcome::Ok;
    return result;
}

std::string joinArguments(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (!argv || !argv[i]) break;
        if (i > 1) joined += ' ';
        joined += argv[i];
    }
    return joined;
}

}  // namespace kivra
