// How much memory the machine has and how much is free (GlobalMemoryStatus).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivra {

// All sizes in bytes.
struct MemoryStatus {
    std::uint32_t memoryLoad = 0;        // percent of physical memory in use, 0..100
    std::uint64_t totalPhys = 0;         // installed physical memory the system can use
    std::uint64_t availPhys = 0;         // memory available to new programs without swapping
    std::uint64_t totalPageFile = 0;     // swap space
    std::uint64_t availPageFile = 0;     // free swap space
    std::uint64_t commitLimit = 0;       // what the system may promise in all (0 when unknown)
    std::uint64_t availCommit = 0;       // commit limit less what is promised already, 0 at worst
    bool operator==(const MemoryStatus&) const = default;
};

// Reads the text of /proc/meminfo. Fields are "Name: <number> kB" lines;
// unknown lines and malformed values are skipped. Nullopt without a usable
// MemTotal. Without MemAvailable (kernels before 3.14) the available memory is
// estimated as MemFree + Buffers + Cached. Missing swap or commit lines count as 0.
std::optional<MemoryStatus> parseMemInfo(std::string_view text);

// The status now (from /proc/meminfo); nullopt when it cannot be read.
std::optional<MemoryStatus> readMemoryStatus();

}  // namespace kivra
