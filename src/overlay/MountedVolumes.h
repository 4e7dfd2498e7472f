// The drives of the picture selection on Linux: the mounted volumes of the mount
// table, without the kernel's pseudo file systems, each named by its mount point.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivra {

struct MountedVolume {
    std::string device;
    std::string mountPoint;
    std::string fileSystem;
    bool operator==(const MountedVolume&) const = default;
};

// Parses mount table text (the format of /proc/self/mounts, with its octal
// escapes) and keeps the volumes that can hold files: no pseudo file systems, no
// mounts under /proc, /sys or /dev, no run-time tmpfs under /run; a mount point
// mounted over keeps its last entry. Sorted by mount point, "/" first.
std::vector<MountedVolume> volumesFromMountTable(std::string_view table);

// The volumes of this process's mount table; the root alone when it cannot be read.
std::vector<MountedVolume> readMountedVolumes();

// Index of the volume whose mount point holds `path` (the longest that does); -1 when none.
int volumeIndexFor(const std::vector<MountedVolume>& volumes, std::string_view path);

}  // namespace kivra
