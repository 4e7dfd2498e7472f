// Memory status on Windows: GlobalMemoryStatusEx, the form of GlobalMemoryStatus that
// counts past 4 GiB.
#include "MemoryStatus.h"

#include <windows.h>

namespace kivra {

std::optional<MemoryStatus> readMemoryStatus() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    if (!GlobalMemoryStatusEx(&ms) || ms.ullTotalPhys == 0) return std::nullopt;
    MemoryStatus s;
    s.memoryLoad = ms.dwMemoryLoad;
    s.totalPhys = ms.ullTotalPhys;
    s.availPhys = ms.ullAvailPhys;
    // The page file figures include physical memory; swap alone is their difference.
    s.totalPageFile = ms.ullTotalPageFile > ms.ullTotalPhys ? ms.ullTotalPageFile - ms.ullTotalPhys : 0;
    s.availPageFile = ms.ullAvailPageFile > ms.ullAvailPhys ? ms.ullAvailPageFile - ms.ullAvailPhys : 0;
    s.commitLimit = ms.ullTotalPageFile;
    s.availCommit = ms.ullAvailPageFile;
    return s;
}

}  // namespace kivra
