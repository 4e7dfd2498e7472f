// Reading /proc/<pid>/stat for the tests.
#include "ProcTable.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace kivra::test {

ProcEntry procEntry(pid_t pid) {
    ProcEntry entry;
    entry.pid = pid;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return entry;
    // "pid (comm) state ppid ...": the command name may hold blanks and parentheses.
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > line.size()) return entry;
    entry.comm = line.substr(open + 1, close - open - 1);
    entry.state = line[close + 2];
    entry.parent = static_cast<pid_t>(std::atol(line.c_str() + close + 4));
    return entry;
}

std::vector<ProcEntry> childrenNamed(pid_t parent, const std::string& comm) {
    std::vector<ProcEntry> found;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir("/proc"), ::closedir);
    if (!dir) return found;
    while (const dirent* e = ::readdir(dir.get())) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const ProcEntry entry = procEntry(static_cast<pid_t>(pid));
        if (entry.parent == parent && entry.comm == comm) found.push_back(entry);
    }
    return found;
}

bool stillRunning(pid_t pid) {
    const char state = procEntry(pid).state;
    return state != '?' && state != 'Z' && state != 'X';
}

}  // namespace kivra::test
