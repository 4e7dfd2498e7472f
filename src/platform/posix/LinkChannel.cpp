// The link command channel on POSIX: one Unix datagram socket per listening
// window in a private per-user, per-display folder; each send uses a fresh
// auto-bound socket connected to it, so an answer can only come from that receiver.
#include "LinkChannel.h"

#include "DisplayTag.h"
#include "RuntimeFolder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <vector>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kivra {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kRequestMagic = 0x4843564Bu;  // "KVCH" as little-endian bytes
constexpr std::uint32_t kAnswerMagic = 0x4143564Bu;   // "KVCA"
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeader = 16;
constexpr std::size_t kMaxFrame = kHeader + kMaxPayload;
constexpr int kMaxFramesPerDispatch = 64;  // keeps one dispatch short; the fd stays readable for the rest

enum class AnswerStatus : std::uint32_t { Handled = 0, Ignored = 1, Rejected = 2 };

// ---- small helpers ---------------------------------------------------------

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { const int fd = fd_; fd_ = -1; return fd; }

private:
    int fd_;
};

std::string systemError(const std::string& what, int err) { return what + ": " + std::strerror(err); }

void putU32(unsigned char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t getU32(const unsigned char* at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(at[i]) << (8 * i);
    return v;
}

struct Frame {
    std::array<unsigned char, kMaxFrame> bytes{};
    std::size_t size = 0;
};

Frame makeFrame(std::uint32_t magic, std::uint32_t word, std::string_view body) {
    body = body.substr(0, kMaxPayload);  // callers cut already; this only guards the buffer
    Frame f;
    putU32(&f.bytes[0], magic);
    putU32(&f.bytes[4], kVersion);
    putU32(&f.bytes[8], word);
    putU32(&f.bytes[12], static_cast<std::uint32_t>(body.size()));
    if (!body.empty()) std::memcpy(&f.bytes[kHeader], body.data(), body.size());
    f.size = kHeader + body.size();
    return f;
}

// What a received frame says, once its header has been checked against the
// number of bytes that actually arrived (`received` may exceed the buffer:
// recv with MSG_TRUNC reports the datagram's true length).
struct ParsedFrame {
    std::uint32_t word = 0;
    std::string_view body;
};

std::optional<ParsedFrame> parseFrame(const Frame& f, std::size_t received, std::uint32_t magic) {
    if (received < kHeader || received > kMaxFrame) return std::nullopt;
    if (getU32(&f.bytes[0]) != magic || getU32(&f.bytes[4]) != kVersion) return std::nullopt;
    const std::uint32_t count = getU32(&f.bytes[12]);
    if (count > kMaxPayload || count != received - kHeader) return std::nullopt;
    return ParsedFrame{getU32(&f.bytes[8]),
                       std::string_view(reinterpret_cast<const char*>(&f.bytes[kHeader]), count)};
}

// At most kMaxPayload bytes; a UTF-8 character straddling the limit is left
// out whole. Plain bytes that are not UTF-8 are cut at the limit exactly.
std::string_view cutForSending(std::string_view text) {
    if (text.size() <= kMaxPayload) return text;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) { return (byte(i) & 0xC0) == 0x80; };
    std::size_t n = kMaxPayload;
    if (continuation(n)) {
        // Find the lead byte of the character that byte n belongs to.
        std::size_t lead = n - 1;
        for (int steps = 0; steps < 3 && lead > 0 && continuation(lead); ++steps) --lead;
        const unsigned char b = byte(lead);
        const std::size_t need = b >= 0xF8 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (need > 0 && lead + need > n) n = lead;
    }
    return text.substr(0, n);
}

std::string_view cutAtNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// ---- the folder -----------------------------------------------------------

enum class FolderState { Ready, Missing, Unsafe };

// A folder of ours must be a real directory owned by this user that nobody
// else can write into. Create mode makes it, and tightens its mode if needed.
FolderState checkFolder(const std::string& dir, FolderMode mode, std::string* error) {
    if (mode == FolderMode::Create && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        const int err = errno;
        if (error) *error = systemError("cannot create " + dir, err);
        return FolderState::Unsafe;
    }
    struct stat st{};
    if (::lstat(dir.c_str(), &st) != 0) {
        const int err = errno;
        if (error) *error = systemError("cannot use " + dir, err);
        return err == ENOENT ? FolderState::Missing : FolderState::Unsafe;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        if (error) *error = dir + " is not a folder owned by this user";
        return FolderState::Unsafe;
    }
    if ((st.st_mode & 077) != 0) {
        if (mode == FolderMode::Create && ::chmod(dir.c_str(), 0700) == 0) return FolderState::Ready;
        if (error) *error = dir + " is open to other users";
        return FolderState::Unsafe;
    }
    return FolderState::Ready;
}

struct Address {
    std::string path;
    FolderState state = FolderState::Unsafe;
};

Address resolveAddress(WindowId window, FolderMode mode, std::string* error) {
    // The runtime folder is checked (and made) by its own rule; the display's folder below it here.
    const RuntimeFolder base = runtimeFolder();
    if (base.path.empty()) {
        if (error) *error = base.error;
        return {{}, FolderState::Unsafe};
    }
    std::vector<std::string> chain{base.path};
    chain.push_back(chain.back() + "/" + displayTag());
    for (const std::string& dir : chain) {
        const FolderState state = checkFolder(dir, mode, error);
        if (state != FolderState::Ready) return {{}, state};
    }
    Address a{chain.back() + "/win-" + std::to_string(window) + ".sock", FolderState::Ready};
    if (a.path.size() >= sizeof(sockaddr_un{}.sun_path)) {
        if (error) *error = "socket path too long: " + a.path;
        return {{}, FolderState::Unsafe};
    }
    return a;
}

sockaddr_un socketAddress(const std::string& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
    return a;
}

int connectTo(int fd, const std::string& path) {
    const sockaddr_un a = socketAddress(path);
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
}

// True when a receiver is bound at `path` and alive (its socket accepts a connect).
bool receiverAlive(const std::string& path) {
    Fd probe(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    return probe.get() >= 0 && connectTo(probe.get(), path) == 0;
}

// Waits until `fd` shows `events` or the deadline passes.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return true;  // let the following call report the error
    }
}

// ---- sending ---------------------------------------------------------------

SendResult sendFrame(int fd, const Frame& f, Clock::time_point deadline) {
    for (;;) {
        if (::send(fd, f.bytes.data(), f.size, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return SendResult::Delivered;
        if (errno == EINTR) continue;
        if (errno == ECONNREFUSED || errno == ENOTCONN) return SendResult::NoReceiver;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return SendResult::Failed;
        // The receiver's queue is full: it has stopped reading.
        if (!waitFor(fd, POLLOUT, deadline) || Clock::now() >= deadline) return SendResult::TimedOut;
    }
}

SendResult awaitAnswer(int fd, Clock::time_point deadline, std::string* reply) {
    Frame f;
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline)) return SendResult::TimedOut;
        const ssize_t n = ::recv(fd, f.bytes.data(), f.bytes.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
                return errno == ECONNREFUSED ? SendResult::NoReceiver : SendResult::Failed;
            if (Clock::now() >= deadline) return SendResult::TimedOut;
            continue;
        }
        const auto answer = parseFrame(f, static_cast<std::size_t>(n), kAnswerMagic);
        if (!answer) return SendResult::Failed;
        switch (static_cast<AnswerStatus>(answer->word)) {
        case AnswerStatus::Handled:
            if (reply) *reply = cutAtNul(answer->body);
            return SendResult::Delivered;
        case AnswerStatus::Ignored: return SendResult::Ignored;
        default: return SendResult::Failed;
        }
    }
}

// ---- receiving -------------------------------------------------------------

bool knownKind(std::uint32_t kind) {
    switch (static_cast<ChannelKind>(kind)) {
    case ChannelKind::ReloadMatchOptions:
    case ChannelKind::Rename:
    case ChannelKind::Command:
    case ChannelKind::LinkReady:
    case ChannelKind::CloseRequest:
    case ChannelKind::ReportLink:
    case ChannelKind::LinkReport: return true;
    }
    return false;
}

// Room for the sender's credentials plus a few passed descriptors, which a
// misbehaving peer might attach and which are closed at once.
constexpr std::size_t kControlRoom = CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int));

// Reads the credentials and closes any descriptors a peer passed along.
std::optional<ucred> takeControl(msghdr& msg) {
    std::optional<ucred> cred;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET) continue;
        if (c->cmsg_type == SCM_CREDENTIALS && c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
            ucred u;
            std::memcpy(&u, CMSG_DATA(c), sizeof u);
            cred = u;
        } else if (c->cmsg_type == SCM_RIGHTS) {
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int passed;
                std::memcpy(&passed, CMSG_DATA(c) + i * sizeof(int), sizeof passed);
                ::close(passed);
            }
        }
    }
    return cred;
}

}  // namespace

// ---- public ------------------------------------------------------------------

std::string channelAddress(WindowId window, FolderMode mode, std::string* error) {
    return resolveAddress(window, mode, error).path;
}

SendResult sendChannelMessage(WindowId to, ChannelKind kind, std::string_view payload,
                              std::chrono::milliseconds timeout, std::string* reply) {
    if (reply) reply->clear();
    const auto deadline = Clock::now() + std::max(timeout, std::chrono::milliseconds(0));
    const Address address = resolveAddress(to, FolderMode::Lookup, nullptr);
    if (address.state == FolderState::Missing) return SendResult::NoReceiver;
    if (address.state != FolderState::Ready) return SendResult::Failed;

    Fd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return SendResult::Failed;
    // Auto-bind to a unique abstract name so that the receiver can answer.
    sockaddr_un self{};
    self.sun_family = AF_UNIX;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&self), sizeof(sa_family_t)) != 0) return SendResult::Failed;
    if (connectTo(fd.get(), address.path) != 0)
        return errno == ENOENT || errno == ECONNREFUSED ? SendResult::NoReceiver : SendResult::Failed;

    const Frame frame = makeFrame(kRequestMagic, static_cast<std::uint32_t>(kind), cutForSending(payload));
    SendResult result = sendFrame(fd.get(), frame, deadline);
    if (result == SendResult::Delivered) result = awaitAnswer(fd.get(), deadline, reply);
    // Tell a receiver that died while we waited from one that hangs.
    if (result == SendResult::TimedOut && !receiverAlive(address.path)) result = SendResult::NoReceiver;
    return result;
}

std::vector<WindowId> channelEndpoints() {
    std::vector<WindowId> found;
    const Address any = resolveAddress(1, FolderMode::Lookup, nullptr);
    if (any.state != FolderState::Ready) return found;
    const std::string dir = any.path.substr(0, any.path.rfind('/'));
    DIR* d = ::opendir(dir.c_str());
    if (!d) return found;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        constexpr std::string_view prefix = "win-", suffix = ".sock";
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
            continue;
        const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        WindowId id = 0;
        const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
        if (ec == std::errc() && ptr == digits.data() + digits.size() && id != 0) found.push_back(id);
    }
    ::closedir(d);
    return found;
}

SendResult requestLinkReport(WindowId window, std::string* report) {
    return sendChannelMessage(window, ChannelKind::ReportLink, {}, kDefaultChannelTimeout, report);
}

void removeStaleEndpoint(WindowId window) {
    const Address address = resolveAddress(window, FolderMode::Lookup, nullptr);
    if (address.state != FolderState::Ready) return;
    struct stat st{};
    if (::lstat(address.path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return;
    if (!receiverAlive(address.path)) ::unlink(address.path.c_str());
}

namespace {

// Binds `fd` at `path`, replacing a socket file that a dead receiver left behind.
bool bindReplacingStale(int fd, const std::string& path, WindowId self, std::string* error) {
    const sockaddr_un a = socketAddress(path);
    const auto bindIt = [&] { return ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0; };
    if (bindIt()) return true;
    const int err = errno;
    struct stat st{};
    if (err != EADDRINUSE) {
        if (error) *error = systemError("cannot bind " + path, err);
        return false;
    }
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        if (error) *error = path + " is in the way and is not a socket";
        return false;
    }
    if (receiverAlive(path)) {
        if (error) *error = "another receiver listens under window " + std::to_string(self);
        return false;
    }
    ::unlink(path.c_str());
    if (bindIt()) return true;
    if (error) *error = systemError("cannot bind " + path, errno);
    return false;
}

}  // namespace

// The POSIX receiver: a bound datagram socket.
class SocketReceiver final : public ChannelReceiver {
public:
    SocketReceiver(int fd, WindowId window, ChannelHandler handler, std::string path, std::uint64_t device,
                   std::uint64_t inode)
        : ChannelReceiver(window, std::move(handler)), fd_(fd), path_(std::move(path)), device_(device),
          inode_(inode), alive_(std::make_shared<bool>(true)) {}
    ~SocketReceiver() override;
    int fd() const override { return fd_; }
    int dispatch() override;

private:
    int fd_;
    std::string path_;
    std::uint64_t device_, inode_;  // of the socket file we made, so we never remove another's
    std::shared_ptr<bool> alive_;   // false once destroyed; a running dispatch checks it
};

std::unique_ptr<ChannelReceiver> ChannelReceiver::listen(WindowId self, ChannelHandler handler, std::string* error) {
    const Address address = resolveAddress(self, FolderMode::Create, error);
    if (address.state != FolderState::Ready) return nullptr;
    Fd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int on = 1;
    // Credentials are asked for before binding, so that no datagram can arrive without them.
    if (fd.get() < 0 || ::setsockopt(fd.get(), SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        if (error) *error = systemError("cannot make a socket", errno);
        return nullptr;
    }
    if (!bindReplacingStale(fd.get(), address.path, self, error)) return nullptr;
    struct stat st{};
    if (::lstat(address.path.c_str(), &st) != 0) {
        if (error) *error = systemError("cannot find " + address.path, errno);
        return nullptr;
    }
    return std::make_unique<SocketReceiver>(fd.release(), self, std::move(handler), address.path, st.st_dev,
                                            st.st_ino);
}

SocketReceiver::~SocketReceiver() {
    *alive_ = false;
    struct stat st{};
    if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) ::unlink(path_.c_str());
    ::close(fd_);
}

int SocketReceiver::dispatch() {
    // The handler may destroy this receiver; the socket then lives on in this
    // duplicate until the answer in hand has gone out, and no member is touched.
    const std::shared_ptr<bool> alive = alive_;
    const ChannelHandler handler = handler_;
    const Fd held(::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
    if (held.get() < 0) return 0;
    const int fd = held.get();
    int taken = 0;
    while (taken < kMaxFramesPerDispatch && *alive) {
        Frame f;
        sockaddr_un from{};
        alignas(cmsghdr) unsigned char control[kControlRoom];
        iovec iov{f.bytes.data(), f.bytes.size()};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT | MSG_TRUNC | MSG_CMSG_CLOEXEC);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;  // EAGAIN: nothing more waits
        }
        ++taken;
        const std::optional<ucred> cred = takeControl(msg);
        // Only this user's processes may talk to us, and only senders we can answer.
        if (!cred || cred->uid != ::getuid() || msg.msg_namelen <= sizeof(sa_family_t)) continue;

        Frame answer;
        if (const auto request = parseFrame(f, static_cast<std::size_t>(n), kRequestMagic); !request) {
            answer = makeFrame(kAnswerMagic, static_cast<std::uint32_t>(AnswerStatus::Rejected), {});
        } else if (!knownKind(request->word)) {
            answer = makeFrame(kAnswerMagic, static_cast<std::uint32_t>(AnswerStatus::Ignored), {});
        } else {
            const ChannelMessage message{static_cast<ChannelKind>(request->word), std::string(cutAtNul(request->body)),
                                         cred->pid};
            const std::string text = handler(message);
            answer = makeFrame(kAnswerMagic, static_cast<std::uint32_t>(AnswerStatus::Handled), cutForSending(text));
        }
        // A sender that gave up or whose queue is full simply misses its answer.
        ::sendto(fd, answer.bytes.data(), answer.size, MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&from), msg.msg_namelen);
    }
    return taken;
}

}  // namespace kivra
