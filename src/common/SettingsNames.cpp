// The settings names every store backend accepts.
#include "SettingsNames.h"

namespace kivra {

namespace {

constexpr size_t kMaxPartUtf16 = 255;
constexpr size_t kMaxKeyUtf16 = 16383;

// Length in UTF-16 code units of UTF-8 text (a malformed byte counts as one unit).
size_t utf16Length(std::string_view text) {
    size_t units = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xC0) != 0x80) ++units;  // a lead byte or an ASCII byte starts a character
        if (b >= 0xF0) ++units;           // four-byte sequences need a surrogate pair
    }
    return units;
}

}  // namespace

std::string sectionPathProblem(std::string_view path) {
    if (path.find('\0') != std::string_view::npos) return "contains a NUL character";
    for (size_t start = 0;;) {
        const size_t slash = path.find('\\', start);
        const std::string_view part = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty()) return "has an empty part";
        if (utf16Length(part) > kMaxPartUtf16) return "has a part longer than 255 characters";
        if (slash == std::string_view::npos) return {};
        start = slash + 1;
    }
}

std::string keyNameProblem(std::string_view key) {
    if (key.empty()) return "is empty";
    if (key.find('\0') != std::string_view::npos) return "contains a NUL character";
    if (utf16Length(key) > kMaxKeyUtf16) return "is longer than 16383 characters";
    return {};
}

}  // namespace kivra
