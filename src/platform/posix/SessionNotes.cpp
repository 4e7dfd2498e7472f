// Session notes on POSIX: a file per display in the runtime folder, its first line the session's
// stamp and then one cause per line, read and extended under an exclusive flock.
#include "SessionNotes.h"

#include "DisplayTag.h"
#include "RuntimeFolder.h"

#include <ctime>
#include <fcntl.h>
#include <set>
#include <string_view>
#include <sys/file.h>
#include <unistd.h>

namespace kivra {

namespace {

std::string now() {
    const std::time_t t = std::time(nullptr);
    char stamp[32] = "00000000-000000";
    if (const std::tm* local = std::localtime(&t)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    return stamp;
}

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

// The notes kept by this process alone when there is no file: only a process that started
// the session keeps any (elsewhere, with no session, every report is made).
struct OwnNotes {
    bool started = false;
    std::set<std::string> causes;
};
OwnNotes& ownNotes() {
    static OwnNotes notes;
    return notes;
}

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

void startSession() {
    ownNotes() = {true, {}};
    LockedNotes notes(true);
    if (!notes.ok()) return;
    notes.clear();
    notes.append(now());
}

bool firstTimeThisSession(const std::string& cause) {
    const std::string line = oneLine(cause);
    LockedNotes notes;
    if (!notes.ok()) return !ownNotes().started || ownNotes().causes.insert(line).second;
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
    if (end == std::string::npos || end == 0) return now();
    return text.substr(0, end);
}

}  // namespace kivra
