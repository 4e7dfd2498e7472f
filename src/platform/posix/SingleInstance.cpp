// Single instance on POSIX: an advisory flock on a per-user, per-display file,
// released by the kernel when the holder exits in any way (kill -9 included).
#include "SingleInstance.h"

#include "DisplayTag.h"
#include "RuntimeFolder.h"

#include <fcntl.h>
#include <sys/file.h>
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

}  // namespace

std::unique_ptr<SingleInstanceLock> acquireSingleInstance(const std::string& program) {
    // The lock lives beside the link channel, in the one checked folder; without a safe
    // folder, or a lock file there, nothing runs (a program without its lock could run twice).
    const std::string folder = runtimeFolder().path;
    if (folder.empty()) return nullptr;
    const std::string path = folder + "/" + program + "-" + displayTag() + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FlockLock>(fd);
}

}  // namespace kivra
