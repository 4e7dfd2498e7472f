// Reading /proc/<pid>/stat for the tests.
#include "ProcTable.h"

#include <filesystem>
#include <fstream>

namespace kivra::test {

ProcEntry procEntry(pid_t pid) {
    ProcEntry entry;
    entry.pid = pid;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    // "pid (comm) state ppid ...": the command name may hold blanks and parentheses.
    const auto open = std::getline(stat, line) ? line.find('(') : std::string::npos;
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) return entry;
    entry.comm = line.substr(open + 1, close - open - 1);
    entry.state = line[close + 2];
    entry.parent = static_cast<pid_t>(std::stol(line.substr(close + 4)));
    return entry;
}

std::vector<ProcEntry> childrenNamed(pid_t parent, const std::string& comm) {
    std::vector<ProcEntry> found;
    std::error_code ignored;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const ProcEntry entry = procEntry(static_cast<pid_t>(std::stol(name)));
        if (entry.parent == parent && entry.comm == comm) found.push_back(entry);
    }
    return found;
}

}  // namespace kivra::test
