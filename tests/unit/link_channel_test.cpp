// The link channel contract between real processes on POSIX; then what only the socket channel
// has: stale, stopped and dead receivers, hostile frames and folder safety.
#include "LinkChannel.h"
#include "UnitSupport.h"
#include "contract/LinkChannelContract.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <unistd.h>

using namespace kivra;
using kivra::test::hex;
using namespace std::chrono_literals;

namespace {

constexpr WindowId kLink = 0x3a00007;  // shaped like X window ids
constexpr WindowId kMain = 0x2800003;
constexpr auto kPatient = 3s;  // for sends that are expected to succeed on a busy machine

// Each test gets its own runtime folder and display, so its sockets are its own.
struct ChannelEnvironment {
    ChannelEnvironment() {
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
        setenv("DISPLAY", ":77", 1);
    }
    TempDir dir;
    std::string log = dir.path().string() + "/log";
};

// A receiver in a child process under kLink, answering as the contract says, logging
// "<kind> <sender pid> <payload hex>" for each message its handler takes; a command "die" ends
// it without an answer.
class Peer {
public:
    explicit Peer(std::string log) : log_(std::move(log)) {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            _exit(run(log_, ready[1]));
        }
        close(ready[1]);
        char c = 0;
        ready_ = read(ready[0], &c, 1) == 1 && c == 'y';
        close(ready[0]);
    }
    ~Peer() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    WindowId window() const { return ready_ ? kLink : 0; }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    bool handled(ChannelKind kind, std::string_view payload) const {
        const auto all = lines();
        return !all.empty() && all.back() == line(kind, getpid(), payload);
    }
    static std::string line(ChannelKind kind, ProcessId sender, std::string_view payload) {
        return std::to_string(static_cast<std::uint32_t>(kind)) + " " + std::to_string(sender) + " " + hex(payload);
    }
    // Waits for the child to end by itself; its exit code, -1 when killed.
    int join() {
        int status = 0;
        waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool waitForExit() { return join() == 0; }
    void signal(int sig) { kill(pid_, sig); }

private:
    static int run(const std::string& log, int readyFd) {
        std::unique_ptr<ChannelReceiver> receiver;
        receiver = ChannelReceiver::listen(kLink, [&](const ChannelMessage& m) -> std::string {
            if (m.kind == ChannelKind::Command && m.payload == "die") _exit(4);
            std::ofstream(log, std::ios::app) << line(m.kind, m.senderPid, m.payload) << '\n';
            switch (m.kind) {
            case ChannelKind::LinkReady: {
                const auto report = parseLinkReady(m.payload);
                return report && report->pid == m.senderPid ? "1" : "0";
            }
            case ChannelKind::CloseRequest:
                receiver.reset();  // a program that closes destroys its receiver from inside the handler
                return "bye";
            case ChannelKind::Command:
                if (m.payload.starts_with("sleep ")) std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(m.payload.substr(6))));
                break;
            default: break;
            }
            return std::to_string(m.payload.size());
        });
        const char c = receiver ? 'y' : 'n';
        (void)!write(readyFd, &c, 1);
        close(readyFd);
        if (!receiver) return 2;
        while (receiver) {
            pollfd p{receiver->fd(), POLLIN, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR) return 3;
            receiver->dispatch();
        }
        return 0;
    }
    std::string log_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

struct ContractPeer : ChannelEnvironment, Peer {
    ContractPeer() : Peer(log) {}
};

struct PosixChannel {
    static constexpr std::size_t kRoom = kMaxPayload;
    static ProcessId ownPid() { return getpid(); }
    using Peer = ContractPeer;
};

}  // namespace

namespace kivra::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Posix, LinkChannelContract, PosixChannel);
}  // namespace kivra::contract

namespace {

class ChannelTest : public ::testing::Test {
protected:
    std::string socketPath(WindowId w) { return channelAddress(w, FolderMode::Create); }
    ChannelEnvironment env_;
    std::string dir_ = env_.dir.path().string(), log_ = env_.log;
};

// Nobody listening is told apart from a timeout; a live receiver keeps its window, and one that
// stops keeps what timed out; a dead one is no receiver and its file no obstacle. A receiver only
// ever removes the socket file it made itself, and never a file that is not a socket.
TEST_F(ChannelTest, NoReceiverIsToldApartFromATimeoutAndOnlyItsOwnSocketFileIsRemoved) {
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1", kPatient), SendResult::NoReceiver) << "no folder yet";
    Peer link(log_);
    ASSERT_NE(link.window(), 0u);
    EXPECT_EQ(sendChannelMessage(kMain, ChannelKind::Command, "1", kPatient), SendResult::NoReceiver) << "no socket";
    EXPECT_FALSE(ChannelReceiver::listen(kLink, {}));
    // Messages that timed out stay queued, even past what the queue holds (the sender waits no
    // longer than its timeout), and are handled in order when the receiver wakes.
    link.signal(SIGSTOP);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Rename, "late " + std::to_string(10 + i), 30ms),
                  SendResult::TimedOut);
    link.signal(SIGCONT);
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "now", kPatient), SendResult::Delivered);
    const auto lines = link.lines();
    ASSERT_GE(lines.size(), 6u) << "fewer messages than the queue holds were kept";
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_EQ(lines[i], Peer::line(ChannelKind::Rename, getpid(), "late " + std::to_string(10 + i)));
    // Dying while handling: no receiver, not a timeout.
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "die", kPatient), SendResult::NoReceiver);
    EXPECT_EQ(link.join(), 4);
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1", kPatient), SendResult::NoReceiver) << "stale socket";
    EXPECT_TRUE(ChannelReceiver::listen(kLink, {})) << "a stale socket file blocked a new receiver";

    auto a = ChannelReceiver::listen(kMain, {});
    ASSERT_TRUE(a);
    const std::string path = socketPath(kMain);
    unlink(path.c_str());
    auto b = ChannelReceiver::listen(kMain, {});
    ASSERT_TRUE(b);
    a.reset();
    EXPECT_EQ(access(path.c_str(), F_OK), 0) << "the old receiver removed the new one's file";
    b.reset();
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "the receiver left its file behind";
    std::ofstream(path) << "not a socket";
    EXPECT_FALSE(ChannelReceiver::listen(kMain, {}));
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
}

std::string frame(std::string_view magic, std::uint32_t version, std::uint32_t word, std::uint32_t count,
                  std::string_view body) {
    std::string f(magic);
    for (std::uint32_t v : {version, word, count})
        for (int i = 0; i < 4; ++i) f += static_cast<char>(v >> (8 * i));
    return f += body;
}

// A datagram socket connected to a channel address, under an address the receiver can answer,
// sending whatever it is told.
class RawClient {
public:
    explicit RawClient(const std::string& path) : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        const sa_family_t family = AF_UNIX;
        bind(fd_, reinterpret_cast<const sockaddr*>(&family), sizeof family);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    }
    ~RawClient() { close(fd_); }
    // Sends `bytes`, passing the descriptors in `passFds` along.
    bool send(const std::string& bytes, const std::vector<int>& passFds = {}) {
        iovec iov{const_cast<char*>(bytes.data()), bytes.size()};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        std::vector<char> control(CMSG_SPACE(passFds.size() * sizeof(int)));
        if (!passFds.empty()) {
            msg.msg_control = control.data();
            msg.msg_controllen = control.size();
            cmsghdr* c = CMSG_FIRSTHDR(&msg);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(passFds.size() * sizeof(int));
            std::memcpy(CMSG_DATA(c), passFds.data(), passFds.size() * sizeof(int));
        }
        return sendmsg(fd_, &msg, MSG_DONTWAIT) == static_cast<ssize_t>(bytes.size());
    }
    // The answer's status word, or -1 when none waits.
    long answerStatus() {
        unsigned char buf[512];
        if (recv(fd_, buf, sizeof buf, MSG_DONTWAIT) < 16 || std::memcmp(buf, "KVCA", 4) != 0) return -1;
        return buf[8] | buf[9] << 8 | buf[10] << 16 | long(buf[11]) << 24;
    }

private:
    int fd_;
};

TEST_F(ChannelTest, GarbageFramesAreRejectedWithoutHarmToTheReceiver) {
    int handled = 0;
    auto receiver =
        ChannelReceiver::listen(kLink, [&](const ChannelMessage&) { ++handled; return std::string("ok"); });
    ASSERT_TRUE(receiver);
    RawClient client(socketPath(kLink));
    constexpr long kRejected = 2;
    const struct {
        const char* what;
        std::string bytes;
    } rows[] = {
        {"shorter than a header", "KVCH\1\0"},
        {"bad magic", frame("XXXX", 1, 3, 1, "1")},
        {"another version", frame("KVCH", 2, 3, 1, "1")},
        {"huge byte count", frame("KVCH", 1, 3, 0xFFFFFFFFu, "1")},
        {"count larger than what came", frame("KVCH", 1, 3, 256, "0123456789")},
        {"257 bytes, honestly counted", frame("KVCH", 1, 2, 257, std::string(257, 'x'))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(client.send(row.bytes));
        EXPECT_EQ(receiver->dispatch(), 1);
        EXPECT_EQ(client.answerStatus(), kRejected);
    }
    EXPECT_EQ(handled, 0);

    // Descriptors passed along with a frame are closed: the pipe's write end passed is its
    // last, so the read end sees the end once the receiver let go of it.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_TRUE(client.send(frame("KVCH", 1, 3, 1, "1"), {pipeFds[1], pipeFds[1]}));
    close(pipeFds[1]);
    EXPECT_EQ(receiver->dispatch(), 1);
    char c;
    EXPECT_EQ(read(pipeFds[0], &c, 1), 0) << "the receiver kept a passed descriptor";
    close(pipeFds[0]);
    EXPECT_EQ(client.answerStatus(), 0) << "a well-formed frame is handled after all that";
    EXPECT_EQ(handled, 1);
}

// A folder others could tamper with is refused (a symbolic link, another user's folder, no
// runtime folder: runtime_folder_test): open to everybody, a sender will not use it; a receiver
// takes it back.
TEST_F(ChannelTest, FoldersOthersCouldTamperWithAreRefused) {
    const std::string base = dir_ + "/kivra", folder = base + "/:77";
    ASSERT_EQ(mkdir(base.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    chmod(folder.c_str(), 0777);
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1", 100ms), SendResult::Failed);
    EXPECT_TRUE(ChannelReceiver::listen(kLink, {}));
    struct stat st{};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
