// UTF-16 <-> UTF-8 conversion and the reading of window titles and class names.
#include "Win32Text.h"

#include <algorithm>

namespace kivra::win32 {

namespace {

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Where `wide` ends after `maxChars` code points.
std::size_t unitsOfCharacters(std::wstring_view wide, std::size_t maxChars) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < maxChars && i < wide.size(); ++n) {
        const bool pair = isHighSurrogate(wide[i]) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1]);
        i += pair ? 2 : 1;
    }
    return i;
}

}  // namespace

std::string toUtf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring toWide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

std::string cutToUtf8(std::wstring_view wide, std::size_t maxChars) {
    wide = wide.substr(0, std::min(wide.find(L'\0'), wide.size()));
    return toUtf8(wide.substr(0, unitsOfCharacters(wide, maxChars)));
}

std::string windowTitle(HWND hwnd) {
    // Room for 255 characters even when every one is a surrogate pair.
    wchar_t buffer[2 * kWindowTextLimit + 2] = {};
    const int n = GetWindowTextW(hwnd, buffer, static_cast<int>(std::size(buffer)));
    if (n <= 0) return {};
    return cutToUtf8(std::wstring_view(buffer, static_cast<std::size_t>(n)));
}

std::wstring windowClassWide(HWND hwnd) {
    wchar_t buffer[kWindowTextLimit + 1] = {};
    const int n = GetClassNameW(hwnd, buffer, static_cast<int>(std::size(buffer)));
    return n > 0 ? std::wstring(buffer, static_cast<std::size_t>(n)) : std::wstring();
}

}  // namespace kivra::win32
