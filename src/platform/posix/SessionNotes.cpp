// Session notes on POSIX: a file per display in the runtime folder, its first line the session's
// stamp and then one cause per line, read and extended under an exclusive flock.
#include "SessionNotes.h"

#include "DisplayTag.h"
#include "ProcessNotes.h"
#include "RuntimeFolder.h"

#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace kivra {

namespace {

// The notes file, open and locked; -1 when there is no runtime folder.
class LockedNotes {
public:
    // `create`: only the session's start makes the file; without one, nothing is shared.
    explicit LockedNotes(bool create = false) {
        const std::string folder = runtimeFolder().path;
        if (folder.empty()) return;
        const std::string path = folder + "/session-" + displayTag();
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LockedNotes() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    LockedNotes(const LockedNotes&) = delete;
    LockedNotes& operator=(const LockedNotes&) = delete;

    bool ok() const { return fd_ >= 0; }
    std::string read() const {
        std::string text;
        char buffer[4096];
        ::lseek(fd_, 0, SEEK_SET);
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
        return text;
    }
    void append(const std::string& line) const {
        ::lseek(fd_, 0, SEEK_END);
        const std::string text = line + "\n";
        (void)!::write(fd_, text.data(), text.size());
    }
    void clear() const { (void)!::ftruncate(fd_, 0); }

private:
    int fd_ = -1;
};

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

void startSession() {
    // Without a file, the process that starts the session keeps its notes alone.
    startProcessNotes();
    LockedNotes notes(true);
    if (!notes.ok()) return;
    notes.clear();
    notes.append(timeStamp());
}

bool firstTimeThisSession(const std::string& cause) {
    const std::string line = oneLine(cause);
    LockedNotes notes;
    if (!notes.ok()) return firstTimeInProcess(line);
    const std::string text = notes.read();
    // Lines after the first (the stamp) are causes.
    for (size_t start = text.find('\n'); start != std::string::npos && start + 1 < text.size();) {
        const size_t end = text.find('\n', start + 1);
        if (std::string_view(text).substr(start + 1, end - start - 1) == line) return false;
        start = end;
    }
    notes.append(line);
    return true;
}

std::string sessionStamp() {
    LockedNotes notes;
    const std::string text = notes.ok() ? notes.read() : std::string();
    const size_t end = text.find('\n');
    if (end == std::string::npos || end == 0) return timeStamp();
    return text.substr(0, end);
}

}  // namespace kivra
