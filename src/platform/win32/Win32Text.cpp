// The reading of window titles and class names, cut as a 256-character buffer holds them.
#include "Win32Text.h"

#include "SystemText.h"

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

std::string cutToUtf8(std::wstring_view wide, std::size_t maxChars) {
    wide = wide.substr(0, std::min(wide.find(L'\0'), wide.size()));
    return narrow(wide.substr(0, unitsOfCharacters(wide, maxChars)));
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
