// Mount table reading for the drive list.
#include "MountedVolumes.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivra {

namespace {

// File systems that expose kernel state rather than files a user keeps pictures in.
constexpr std::array<std::string_view, 24> kPseudo{
    "proc",     "sysfs",   "devtmpfs",  "devpts",   "cgroup",     "cgroup2",   "securityfs", "pstore",
    "debugfs",  "tracefs", "configfs",  "fusectl",  "mqueue",     "hugetlbfs", "bpf",        "binfmt_misc",
    "autofs",   "rpc_pipefs", "nsfs",   "efivarfs", "selinuxfs",  "ramfs",     "fuse.portal", "fuse.gvfsd-fuse"};

bool underTree(std::string_view path, std::string_view tree) {
    return path == tree || (path.size() > tree.size() && path.substr(0, tree.size()) == tree && path[tree.size()] == '/');
}

// "\040" and friends stand for the blanks, tabs, newlines and backslashes of names.
std::string unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

bool wanted(const MountedVolume& v) {
    if (std::find(kPseudo.begin(), kPseudo.end(), v.fileSystem) != kPseudo.end()) return false;
    for (std::string_view tree : {"/proc", "/sys", "/dev"})
        if (underTree(v.mountPoint, tree)) return false;
    if (v.fileSystem == "tmpfs" && underTree(v.mountPoint, "/run")) return false;
    return !v.mountPoint.empty() && v.mountPoint.front() == '/';
}

}  // namespace

std::vector<MountedVolume> volumesFromMountTable(std::string_view table) {
    std::vector<MountedVolume> out;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, fileSystem;
        if (!(fields >> device >> mountPoint >> fileSystem)) continue;
        MountedVolume v{unescape(device), unescape(mountPoint), fileSystem};
        if (!wanted(v)) continue;
        // A later mount over the same point hides the earlier one.
        out.erase(std::remove_if(out.begin(), out.end(), [&](const MountedVolume& o) { return o.mountPoint == v.mountPoint; }),
                  out.end());
        out.push_back(std::move(v));
    }
    std::sort(out.begin(), out.end(), [](const MountedVolume& a, const MountedVolume& b) { return a.mountPoint < b.mountPoint; });
    return out;
}

std::vector<MountedVolume> readMountedVolumes() {
    std::ifstream in("/proc/self/mounts");
    std::stringstream text;
    if (in) text << in.rdbuf();
    std::vector<MountedVolume> volumes = volumesFromMountTable(text.str());
    // Files mounted over files (a container's /etc/hosts) are no place to browse.
    volumes.erase(std::remove_if(volumes.begin(), volumes.end(),
                                 [](const MountedVolume& v) {
                                     std::error_code ec;
                                     return !std::filesystem::is_directory(v.mountPoint, ec);
                                 }),
                  volumes.end());
    if (std::none_of(volumes.begin(), volumes.end(), [](const MountedVolume& v) { return v.mountPoint == "/"; }))
        volumes.insert(volumes.begin(), MountedVolume{"", "/", ""});
    return volumes;
}

int volumeIndexFor(const std::vector<MountedVolume>& volumes, std::string_view path) {
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const std::string& m = volumes[i].mountPoint;
        const bool holds = m == "/" ? (!path.empty() && path.front() == '/') : underTree(path, m);
        if (holds && (best < 0 || m.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = m.size();
        }
    }
    return best;
}

}  // namespace kivra
