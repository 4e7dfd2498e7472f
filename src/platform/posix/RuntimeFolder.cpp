// The runtime folder on POSIX: $XDG_RUNTIME_DIR/kivra or $TMPDIR/kivra-<uid>, each checked by
// owner and mode (not by access: root may enter anything), never through a symlink.
#include "RuntimeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kivra {

namespace {

// How many numbered fallbacks are tried before giving up.
constexpr int kFallbacks = 100;

// Makes `dir` when missing and says what makes it unfit for us; empty when it is fit. A folder
// of ours that others may enter is closed (it is ours to close).
std::string makeOrCheck(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return std::string("cannot be made (") + std::strerror(errno) + ")";
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    if (S_ISLNK(st.st_mode)) return "is a symbolic link";
    if (!S_ISDIR(st.st_mode)) return "is not a folder";
    if (st.st_uid != ::getuid()) return "belongs to another user";
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return "is open to other users";
    return {};
}

// What is wrong with $XDG_RUNTIME_DIR as the base of our folder; empty when nothing is.
std::string xdgProblem(const char* rt) {
    if (rt[0] != '/') return "is not an absolute path";
    struct stat st{};
    if (::stat(rt, &st) != 0 || !S_ISDIR(st.st_mode)) return "is not a folder";
    if (st.st_uid != ::getuid()) return "belongs to another user";
    if ((st.st_mode & 077) != 0) return "is open to other users";
    return {};
}

}  // namespace

RuntimeFolder runtimeFolder() {
    RuntimeFolder result;
    std::string problem;
    if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt) {
        std::string where = "XDG_RUNTIME_DIR (" + std::string(rt) + ")";
        problem = xdgProblem(rt);
        if (problem.empty()) {
            where = std::string(rt) + "/kivra";
            problem = makeOrCheck(where);
            if (problem.empty()) {
                result.path = where;
                return result;
            }
        }
        problem = where + " " + problem;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/kivra-" + std::to_string(::getuid());
    for (int i = 0; i <= kFallbacks; ++i) {
        const std::string dir = i == 0 ? base : base + "." + std::to_string(i);
        const std::string wrong = makeOrCheck(dir);
        if (wrong.empty()) {
            result.path = dir;
            if (!problem.empty()) result.notice = "The runtime folder " + problem + "; Kivra uses " + dir + " instead.";
            return result;
        }
        if (problem.empty()) problem = dir + " " + wrong;
    }
    result.error = "No safe runtime folder: " + problem + ", and so are " + base + ".1 to ." +
                   std::to_string(kFallbacks) + ".";
    return result;
}

}  // namespace kivra
