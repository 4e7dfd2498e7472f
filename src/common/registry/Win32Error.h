// Windows error codes (GetLastError, registry results) as the error report's numbers.
#pragma once

#include <string>

namespace kivra {

// Win32 error codes outside the report's table become kOtherWin32Base + code.
inline constexpr int kOtherWin32Base = 3000;

// Maps a Win32 error code onto the system's error numbers (access denied -> 70, ...).
int errorNumberFromWin32(unsigned long code);

}  // namespace kivra
