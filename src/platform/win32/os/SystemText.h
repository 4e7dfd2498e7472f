// UTF-8 <-> UTF-16 and the system's text for an error code, for every Windows backend.
#pragma once

#include <string>
#include <string_view>

namespace kivra::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// FormatMessageW's description of a Win32 error code, on one line.
std::string systemMessage(unsigned long code);

}  // namespace kivra::win32
