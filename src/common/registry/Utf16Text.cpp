// UTF-8 <-> UTF-16 for the registry store: the system's converters for well-formed runs,
// and a byte escape through lone low surrogates for everything else.
#include "Utf16Text.h"

#include <windows.h>

namespace kivra {

namespace {

constexpr wchar_t kEscapeBase = 0xDC00;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

unsigned char byteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

bool continuation(std::string_view s, size_t i) { return i < s.size() && (byteAt(s, i) & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at s[i], or 0 when it is not one (overlong
// forms, encoded surrogates and code points above U+10FFFF are not).
size_t sequenceAt(std::string_view s, size_t i) {
    const unsigned char lead = byteAt(s, i);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(s, i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(s, i + 1) || !continuation(s, i + 2)) return 0;
        const unsigned char second = byteAt(s, i + 1);
        if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
        if (lead == 0xED && second >= 0xA0) return 0;  // a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(s, i + 1) || !continuation(s, i + 2) || !continuation(s, i + 3)) return 0;
        const unsigned char second = byteAt(s, i + 1);
        if (lead == 0xF0 && second < 0x90) return 0;  // overlong
        if (lead == 0xF4 && second >= 0x90) return 0;  // above U+10FFFF
        return 4;
    }
    return 0;
}

void appendWide(std::wstring& out, std::string_view run) {
    if (run.empty()) return;
    const int n = MultiByteToWideChar(CP_UTF8, 0, run.data(), static_cast<int>(run.size()), nullptr, 0);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, run.data(), static_cast<int>(run.size()), out.data() + at, n);
}

void appendNarrow(std::string& out, std::wstring_view run) {
    if (run.empty()) return;
    const int n = WideCharToMultiByte(CP_UTF8, 0, run.data(), static_cast<int>(run.size()), nullptr, 0, nullptr,
                                      nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, run.data(), static_cast<int>(run.size()), out.data() + at, n, nullptr, nullptr);
}

bool isHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring toUtf16(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    size_t runStart = 0, i = 0;
    while (i < utf8.size()) {
        if (const size_t len = sequenceAt(utf8, i)) {
            i += len;
            continue;
        }
        appendWide(out, utf8.substr(runStart, i - runStart));
        out += static_cast<wchar_t>(kEscapeBase + byteAt(utf8, i));
        runStart = ++i;
    }
    appendWide(out, utf8.substr(runStart));
    return out;
}

std::string fromUtf16(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    size_t runStart = 0, i = 0;
    while (i < utf16.size()) {
        const wchar_t c = utf16[i];
        if (isHigh(c) && i + 1 < utf16.size() && isLow(utf16[i + 1])) {
            i += 2;
            continue;
        }
        if (!isHigh(c) && !isLow(c)) {
            ++i;
            continue;
        }
        appendNarrow(out, utf16.substr(runStart, i - runStart));
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF)
            out += static_cast<char>(c - kEscapeBase);
        else
            out += kReplacement;
        runStart = ++i;
    }
    appendNarrow(out, utf16.substr(runStart));
    return out;
}

}  // namespace kivra
