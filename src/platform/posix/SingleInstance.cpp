// Single instance on POSIX: an advisory flock on a per-user, per-display file,
// released by the kernel when the holder exits in any way (kill -9 included).
#include "SingleInstance.h"

#include "DisplayTag.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivra {

namespace {

class FlockLock : public SingleInstanceLock {
public:
    explicit FlockLock(int fd) : fd_(fd) {}
    ~FlockLock() override { ::close(fd_); }

private:
    int fd_;
};

std::string lockFolder() {
    if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt && *rt && ::access(rt, W_OK) == 0) return rt;
    std::string dir = "/tmp/kivra-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    struct stat st{};
    // Refuse a folder another user planted for us.
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return {};
    return dir;
}

}  // namespace

std::unique_ptr<SingleInstanceLock> acquireSingleInstance(const std::string& program) {
    const std::string folder = lockFolder();
    if (folder.empty()) return std::make_unique<SingleInstanceLock>();
    const std::string path = folder + "/" + program + "-" + displayTag() + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return std::make_unique<SingleInstanceLock>();
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return nullptr;
        return std::make_unique<SingleInstanceLock>();
    }
    return std::make_unique<FlockLock>(fd);
}

}  // namespace kivra
