// Export text: a header line, "[section path]" lines and "key=value" lines, every field
// escaped so that blanks, tabs, line breaks and backslashes survive exactly.
#include "ExportFormat.h"

#include "SettingsNames.h"

#include <optional>

namespace kivra::settings {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Length of the well-formed UTF-8 sequence of two or more bytes starting at text[i], or 0.
size_t utf8Length(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t len = 0;
    unsigned char min2 = 0x80, max2 = 0xBF;  // bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) len = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) min2 = 0xA0;  // no overlong forms
        if (lead == 0xED) max2 = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) min2 = 0x90;
        if (lead == 0xF4) max2 = 0x8F;
    }
    if (len == 0 || i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        const unsigned char lo = k == 1 ? min2 : 0x80, hi = k == 1 ? max2 : 0xBF;
        if (c < lo || c > hi) return 0;
    }
    return len;
}

void appendEscaped(std::string& out, unsigned char c) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0xf];
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string escapeField(std::string_view text, Field field) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const size_t len = utf8Length(text, i)) {
                out.append(text.substr(i, len));
                i += len;
            } else {
                appendEscaped(out, c);
                ++i;
            }
            continue;
        }
        const bool atEdge = i == 0 || i + 1 == text.size();
        const bool escape = c < 0x20 || c == 0x7F || c == '%' || (c == ' ' && atEdge) ||
                            (field == Field::Key && (c == '=' || (i == 0 && (c == '[' || c == '#'))));
        if (escape) appendEscaped(out, c);
        else out += static_cast<char>(c);
        ++i;
    }
    return out;
}

std::variant<std::string, UnescapeError> unescapeField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            return UnescapeError{"raw control character (byte " + std::to_string(c) + "); write it as %XX"};
        }
        if (c != '%') {
            out += static_cast<char>(c);
            continue;
        }
        const int hi = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) return UnescapeError{"'%' must be followed by two hex digits (write '%' as %25)"};
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

void writeExport(std::ostream& out, const std::vector<StoredEntry>& entries) {
    out << kExportHeader << "\n";
    out << "# Kivra settings. \"[path]\" starts a section (application name \\ section),\n"
           "# \"key=value\" lines follow. %XX stands for the byte with that hex value.\n";
    const std::string* currentPath = nullptr;
    for (const StoredEntry& e : entries) {
        if (!currentPath || *currentPath != e.path) {
            out << '[' << escapeField(e.path, Field::Path) << "]\n";
            currentPath = &e.path;
        }
        out << escapeField(e.key, Field::Key) << '=' << escapeField(e.value, Field::Value) << '\n';
    }
}

std::variant<std::vector<StoredEntry>, ParseError> parseExport(std::istream& in) {
    std::vector<StoredEntry> entries;
    std::string line;
    std::optional<std::string> path;
    bool sawHeader = false;
    for (int number = 1; std::getline(in, line); ++number) {
        // A raw CR never belongs to the data (it is written %0D): allow CR LF line ends.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            if (line != kExportHeader)
                return ParseError{1, "not a settings export: the first line must be \"" + std::string(kExportHeader) +
                                         "\""};
            sawHeader = true;
            continue;
        }
        // A header again starts another program's part of a recovery file.
        if (line.empty() || line[0] == '#' || line == kExportHeader) continue;
        if (line[0] == '[') {
            if (line.size() < 2 || line.back() != ']')
                return ParseError{number, "a section line must end with ']'"};
            auto parsed = unescapeField(std::string_view(line).substr(1, line.size() - 2));
            if (auto* err = std::get_if<UnescapeError>(&parsed)) return ParseError{number, err->message};
            std::string& p = std::get<std::string>(parsed);
            if (p.find('\\') == std::string::npos)
                return ParseError{number, "a section path needs an application name: APP\\SECTION"};
            if (const std::string problem = sectionPathProblem(p); !problem.empty())
                return ParseError{number, "the section path " + problem};
            path = std::move(p);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return ParseError{number, "expected key=value, [section path] or # comment"};
        if (!path) return ParseError{number, "a value before the first [section path]"};
        auto key = unescapeField(std::string_view(line).substr(0, eq));
        if (auto* err = std::get_if<UnescapeError>(&key)) return ParseError{number, "key: " + err->message};
        if (const std::string problem = keyNameProblem(std::get<std::string>(key)); !problem.empty())
            return ParseError{number, "the key " + problem};
        auto value = unescapeField(std::string_view(line).substr(eq + 1));
        if (auto* err = std::get_if<UnescapeError>(&value)) return ParseError{number, "value: " + err->message};
        entries.push_back({*path, std::move(std::get<std::string>(key)), std::move(std::get<std::string>(value))});
    }
    if (in.bad()) return ParseError{0, "the file could not be read"};
    if (!sawHeader) return ParseError{1, "empty input: the first line must be \"" + std::string(kExportHeader) + "\""};
    return entries;
}

}  // namespace kivra::settings
