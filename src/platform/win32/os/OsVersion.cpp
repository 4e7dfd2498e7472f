// The true Windows version from ntdll's RtlGetVersion, which, unlike GetVersionEx, is not
// capped at 6.2 for programs without a compatibility manifest.
#include "OsVersion.h"

#include <windows.h>

namespace kivra {

std::optional<OsVersion> readOsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion && rtlGetVersion(&info) == 0) return OsVersion{info.dwMajorVersion, info.dwMinorVersion};
    }
    return std::nullopt;
}

}  // namespace kivra
