// Text across the seam on Windows: UTF-16 from user32 to UTF-8 and back, and the
// window texts (title, class name) as a 256-character buffer holds them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace kivra::win32 {

// Titles and class names are cut to this many characters (code points).
inline constexpr std::size_t kWindowTextLimit = 255;

// The text up to its first NUL, then at most `maxChars` code points (a surrogate
// pair is one), as UTF-8. Lone surrogates become U+FFFD.
std::string cutToUtf8(std::wstring_view wide, std::size_t maxChars = kWindowTextLimit);

// GetWindowTextW, cut as above; "" when the window has none or is gone.
std::string windowTitle(HWND hwnd);
// GetClassNameW as UTF-16 (at most 255 units); empty when the window is gone.
std::wstring windowClassWide(HWND hwnd);

}  // namespace kivra::win32
