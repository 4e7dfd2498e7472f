// The link command channel between real processes: every kind answered, the
// payload limits, timeouts against hung and dead receivers, stale sockets,
// hostile frames and peers, folder safety, order and round-trip time.
#include "LinkChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kivra;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr WindowId kLink = 0x3a00007;  // shaped like X window ids
constexpr WindowId kMain = 0x2800003;
constexpr auto kPatient = 3s;           // for sends that are expected to succeed on a busy machine
constexpr auto kSlack = 100ms;          // what a timed-out send may overrun its timeout by; "quickly"

std::string hex(std::string_view s) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : s) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out.empty() ? "-" : out;
}

std::uint32_t number(ChannelKind kind) { return static_cast<std::uint32_t>(kind); }

// What the receiving side saw: kind, payload and the sender's pid.
struct Logged {
    std::uint32_t kind;
    std::string payloadHex;
    ProcessId sender;
};

std::vector<Logged> readLog(const std::string& path) {
    std::vector<Logged> out;
    std::ifstream in(path);
    Logged l;
    while (in >> l.kind >> l.payloadHex >> l.sender) out.push_back(l);
    return out;
}

enum class PeerMode { Answer, Quiet, Hang };

// A receiver in a child process. Answer: handles messages until a close
// request, which destroys the receiver from inside its handler; logs each, and answers "<n>:<kind>:<payload>" with n counting the
// handled messages from 1; a command "die" ends it without an answer. Quiet:
// the same without the log. Hang: listens and never reads.
class Peer {
public:
    Peer(WindowId window, PeerMode mode, const std::string& log = {}) {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            _exit(run(window, mode, log, ready[1]));
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
    bool ready() const { return ready_; }
    pid_t pid() const { return pid_; }
    void signal(int sig) { kill(pid_, sig); }
    // Waits for the child to end by itself and returns its exit code (-1: killed).
    int join() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void killNow() {
        signal(SIGKILL);
        join();
    }

private:
    static int run(WindowId window, PeerMode mode, const std::string& log, int readyFd) {
        std::unique_ptr<ChannelReceiver> receiver;
        int count = 0;
        receiver = ChannelReceiver::listen(window, [&](const ChannelMessage& m) {
            if (m.kind == ChannelKind::Command && m.payload == "die") _exit(4);
            if (mode == PeerMode::Answer) {
                std::ofstream(log, std::ios::app)
                    << number(m.kind) << ' ' << hex(m.payload) << ' ' << m.senderPid << '\n';
            }
            // A program that closes destroys its receiver from inside the handler.
            if (m.kind == ChannelKind::CloseRequest) receiver.reset();
            return std::to_string(++count) + ":" + std::to_string(number(m.kind)) + ":" + m.payload;
        });
        const char c = receiver ? 'y' : 'n';
        (void)!write(readyFd, &c, 1);
        close(readyFd);
        if (!receiver) return 2;
        if (mode == PeerMode::Hang)
            for (;;) pause();
        while (receiver) {
            pollfd p{receiver->fd(), POLLIN, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR) return 3;
            receiver->dispatch();
        }
        return 0;
    }
    pid_t pid_ = -1;
    bool ready_ = false;
};

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kivra-ch-XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        setenv("DISPLAY", ":77", 1);
        log_ = dir_ + "/log";
    }
    void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

    std::string socketPath(WindowId w) { return channelAddress(w, FolderMode::Create); }

    std::string dir_, log_;
};

// ---- round trips ---------------------------------------------------------------

TEST_F(ChannelTest, EveryKindRoundTripsBetweenProcessesAndIsAnswered) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    const struct {
        ChannelKind kind;
        std::string payload;
    } rows[] = {
        {ChannelKind::ReloadMatchOptions, ""},
        {ChannelKind::Rename, "Inbox \\ Mail  "},
        {ChannelKind::Command, "0"}, {ChannelKind::Command, "1"}, {ChannelKind::Command, "2"},
        {ChannelKind::Command, "3"}, {ChannelKind::Command, "4"}, {ChannelKind::Command, "5"},
        {ChannelKind::Command, "6"},
        {ChannelKind::LinkReady, formatLinkReady({kLink, 4242, 0x1e00004})},
        {ChannelKind::CloseRequest, ""},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(number(row.kind));
        std::string reply = "stale";
        EXPECT_EQ(sendChannelMessage(kLink, row.kind, row.payload, kPatient, &reply), SendResult::Delivered);
        EXPECT_EQ(reply, std::to_string(++n) + ":" + std::to_string(number(row.kind)) + ":" + row.payload);
    }
    EXPECT_EQ(link.join(), 0) << "the close request did not end the receiver's loop";

    const auto log = readLog(log_);
    ASSERT_EQ(log.size(), std::size(rows));
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].kind, number(rows[i].kind));
        EXPECT_EQ(log[i].payloadHex, hex(rows[i].payload));
        EXPECT_EQ(log[i].sender, getpid());
    }
    // Gone after closing: its socket file with it, so a send finds nobody at once.
    EXPECT_NE(access(socketPath(kLink).c_str(), F_OK), 0);
    const auto t0 = Clock::now();
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1"), SendResult::NoReceiver);
    EXPECT_LT(Clock::now() - t0, kSlack);
}

TEST_F(ChannelTest, TheMainProgramLearnsWhichWindowAStartedLinkOwns) {
    std::optional<LinkReadyReport> report;
    ProcessId sender = 0;
    auto mainReceiver = ChannelReceiver::listen(kMain, [&](const ChannelMessage& m) {
        report = parseLinkReady(m.payload);
        sender = m.senderPid;
        // The kernel's word on the sender must agree with what it reports.
        return std::string(report && report->pid == m.senderPid ? kLinkRecorded : kLinkUnknown);
    });
    ASSERT_TRUE(mainReceiver);
    const pid_t link = fork();
    if (link == 0) {
        std::string reply;
        const auto r = sendChannelMessage(kMain, ChannelKind::LinkReady,
                                          formatLinkReady({kLink, getpid(), 0x1e00004}), kPatient, &reply);
        _exit(r == SendResult::Delivered && reply == kLinkRecorded ? 0 : 1);
    }
    const auto deadline = Clock::now() + kPatient;
    while (!report && Clock::now() < deadline) {
        pollfd p{mainReceiver->fd(), POLLIN, 0};
        poll(&p, 1, 50);
        mainReceiver->dispatch();
    }
    int status = 0;
    waitpid(link, &status, 0);
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (LinkReadyReport{kLink, link, 0x1e00004}));
    EXPECT_EQ(sender, link);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the link did not get its answer";
}

TEST_F(ChannelTest, PayloadsAreLimitedTo256BytesAndCutAtTheFirstNul) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    std::string pattern;
    for (int i = 0; i < 300; ++i) pattern += static_cast<char>('a' + i % 26);
    const std::string euro = "\xe2\x82\xac", eAcute = "\xc3\xa9";
    const struct {
        const char* what;
        std::string sent, arrives;
    } rows[] = {
        {"256 bytes arrive whole", pattern.substr(0, 256), pattern.substr(0, 256)},
        {"300 bytes arrive as 256", pattern, pattern.substr(0, 256)},
        {"an embedded NUL cuts", std::string("ab\0cd", 5), "ab"},
        {"a leading NUL leaves nothing", std::string("\0tail", 5), ""},
        {"a 2-byte character across the limit is left out", pattern.substr(0, 255) + eAcute, pattern.substr(0, 255)},
        {"a 3-byte character across the limit is left out", pattern.substr(0, 254) + euro + "zz", pattern.substr(0, 254)},
        {"a character ending at the limit stays", pattern.substr(0, 253) + euro + "zz", pattern.substr(0, 253) + euro},
        {"bytes that are not UTF-8 are cut exactly", std::string(300, '\x80'), std::string(256, '\x80')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string reply;
        EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Rename, row.sent, kPatient, &reply), SendResult::Delivered);
        const auto log = readLog(log_);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().payloadHex, hex(row.arrives));
        EXPECT_LE(reply.size(), kMaxPayload);  // the answer obeys the same limit
    }
}

TEST_F(ChannelTest, UnknownKindsAreAnsweredIgnoredWithoutReachingTheHandler) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    for (std::uint32_t kind : {0u, 4u, 99u, 102u, 0xFFFFFFFFu}) {
        std::string reply = "stale";
        EXPECT_EQ(sendChannelMessage(kLink, static_cast<ChannelKind>(kind), "x", kPatient, &reply),
                  SendResult::Ignored) << kind;
        EXPECT_EQ(reply, "");
    }
    std::string reply;
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "4", kPatient, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "1:3:4");
    EXPECT_EQ(readLog(log_).size(), 1u);
}

// ---- hung, dead and stale receivers ----------------------------------------

TEST_F(ChannelTest, AHungReceiverCostsTheSenderOnlyItsTimeout) {
    Peer link(kLink, PeerMode::Hang);
    ASSERT_TRUE(link.ready());
    const auto timed = [](auto send) {
        const auto t0 = Clock::now();
        const SendResult r = send();
        return std::pair{r, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0)};
    };
    const auto [r1, defaultTook] = timed([] { return sendChannelMessage(kLink, ChannelKind::Command, "1"); });
    EXPECT_EQ(r1, SendResult::TimedOut);
    EXPECT_GE(defaultTook, kDefaultChannelTimeout);
    EXPECT_LT(defaultTook, kDefaultChannelTimeout + kSlack);
    const auto [r2, shortTook] = timed([] { return sendChannelMessage(kLink, ChannelKind::Command, "1", 100ms); });
    EXPECT_EQ(r2, SendResult::TimedOut);
    EXPECT_GE(shortTook, 100ms);
    EXPECT_LT(shortTook, 100ms + kSlack);
    std::cout << "timed out after " << defaultTook.count() << " us (500 ms timeout), " << shortTook.count()
              << " us (100 ms timeout)\n";
    // More messages than the receiver's queue holds: the sender now waits for
    // room instead of an answer, and still no longer than its timeout.
    for (int i = 0; i < 14; ++i) {
        const auto [r, took] = timed([] { return sendChannelMessage(kLink, ChannelKind::Command, "3", 40ms); });
        EXPECT_EQ(r, SendResult::TimedOut) << i;
        EXPECT_LT(took, 40ms + kSlack) << i;
    }
}

TEST_F(ChannelTest, TimedOutMessagesAreStillHandledInOrderWhenTheReceiverWakes) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    link.signal(SIGSTOP);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Rename, "late " + std::to_string(i), 30ms), SendResult::TimedOut);
    link.signal(SIGCONT);
    std::string reply;
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "now", kPatient, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "6:3:now");
    const auto log = readLog(log_);
    ASSERT_EQ(log.size(), 6u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(log[i].payloadHex, hex("late " + std::to_string(i)));
}

TEST_F(ChannelTest, NoReceiverIsReportedQuickly) {
    const auto quick = [](WindowId w) {
        const auto t0 = Clock::now();
        const SendResult r = sendChannelMessage(w, ChannelKind::Command, "1");
        EXPECT_LT(Clock::now() - t0, kSlack);
        return r;
    };
    EXPECT_EQ(quick(kLink), SendResult::NoReceiver) << "no folder at all yet";
    { auto other = ChannelReceiver::listen(kMain, {}); ASSERT_TRUE(other); }
    EXPECT_EQ(quick(kLink), SendResult::NoReceiver) << "folder, but no socket";

    Peer killed(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(killed.ready());
    killed.killNow();
    struct stat st{};
    ASSERT_EQ(lstat(socketPath(kLink).c_str(), &st), 0) << "a killed receiver should leave its file";
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(quick(kLink), SendResult::NoReceiver) << "stale socket file";
}

TEST_F(ChannelTest, AReceiverThatDiesWhileHandlingIsNoReceiverNotTimedOut) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    const auto t0 = Clock::now();
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "die", 300ms), SendResult::NoReceiver);
    EXPECT_LT(Clock::now() - t0, 300ms + kSlack);
    EXPECT_EQ(link.join(), 4);
}

TEST_F(ChannelTest, AStaleSocketFileDoesNotBlockANewReceiver) {
    Peer first(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(first.ready());
    first.killNow();
    ASSERT_EQ(access(socketPath(kLink).c_str(), F_OK), 0);
    Peer second(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(second.ready());
    std::string reply;
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "2", kPatient, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "1:3:2");
}

TEST_F(ChannelTest, ALiveReceiverKeepsItsWindowAndItsFile) {
    Peer link(kLink, PeerMode::Answer, log_);
    ASSERT_TRUE(link.ready());
    std::string error;
    EXPECT_FALSE(ChannelReceiver::listen(kLink, {}, &error));
    EXPECT_NE(error.find("another receiver"), std::string::npos) << error;
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "0", kPatient), SendResult::Delivered);

    // A receiver only ever removes the socket file it made itself.
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
    // Nor does it remove a file that is not a socket.
    std::ofstream(path) << "not a socket";
    EXPECT_FALSE(ChannelReceiver::listen(kMain, {}, &error));
    EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
}

// ---- hostile peers ------------------------------------------------------------

std::string frame(std::string_view magic, std::uint32_t version, std::uint32_t word, std::uint32_t count,
                  std::string_view body) {
    std::string f(magic);
    for (std::uint32_t v : {version, word, count})
        for (int i = 0; i < 4; ++i) f += static_cast<char>(v >> (8 * i));
    return f += body;
}

// A datagram socket connected to a channel address, sending whatever it is told.
class RawClient {
public:
    RawClient(const std::string& path, bool bound = true) : fd_(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        if (bound) bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(sa_family_t));
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { close(fd_); }
    bool connected() const { return connected_; }
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
        char buf[512];
        const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 16 || std::memcmp(buf, "KVCA", 4) != 0) return -1;
        std::uint32_t status = 0;
        for (int i = 0; i < 4; ++i) status |= std::uint32_t(static_cast<unsigned char>(buf[8 + i])) << (8 * i);
        return status;
    }

private:
    int fd_;
    bool connected_ = false;
};

int openDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

TEST_F(ChannelTest, GarbageFramesAreRejectedWithoutHarmToTheReceiver) {
    int handled = 0;
    auto receiver =
        ChannelReceiver::listen(kLink, [&](const ChannelMessage&) { ++handled; return std::string("ok"); });
    ASSERT_TRUE(receiver);
    RawClient client(socketPath(kLink));
    ASSERT_TRUE(client.connected());
    constexpr long kRejected = 2;
    const struct {
        const char* what;
        std::string bytes;
    } rows[] = {
        {"empty datagram", ""},
        {"shorter than a header", "KVCH\1\0"},
        {"bad magic", frame("XXXX", 1, 3, 1, "1")},
        {"an answer frame", frame("KVCA", 1, 3, 1, "1")},
        {"another version", frame("KVCH", 2, 3, 1, "1")},
        {"huge byte count", frame("KVCH", 1, 3, 0xFFFFFFFFu, "1")},
        {"count larger than what came", frame("KVCH", 1, 3, 256, "0123456789")},
        {"count smaller than what came", frame("KVCH", 1, 3, 4, "0123456789")},
        {"257 bytes, honestly counted", frame("KVCH", 1, 2, 257, std::string(257, 'x'))},
        {"4000 bytes, honestly counted", frame("KVCH", 1, 2, 3984, std::string(3984, 'x'))},
        {"64 KiB of noise", std::string(65000, '\xff')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(client.send(row.bytes));
        EXPECT_EQ(receiver->dispatch(), 1);
        EXPECT_EQ(client.answerStatus(), kRejected);
    }
    EXPECT_EQ(handled, 0);

    // Descriptors passed along with a frame are not kept.
    const int before = openDescriptors();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ASSERT_TRUE(client.send(frame("KVCH", 1, 3, 1, "1"), {pipeFds[0], pipeFds[1], pipeFds[0]}));
    close(pipeFds[0]);
    close(pipeFds[1]);
    EXPECT_EQ(receiver->dispatch(), 1);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_EQ(client.answerStatus(), 0) << "a well-formed frame is handled after all that";
    EXPECT_EQ(handled, 1);

    // A sender that cannot be answered is not served.
    RawClient anonymous(socketPath(kLink), /*bound=*/false);
    ASSERT_TRUE(anonymous.send(frame("KVCH", 1, 3, 1, "1")));
    EXPECT_EQ(receiver->dispatch(), 1);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(receiver->dispatch(), 0) << "nothing else waits";
}

TEST_F(ChannelTest, MalformedAnswersMakeTheSenderFailNotOverread) {
    const std::string path = socketPath(kLink);
    const std::string answers[] = {
        frame("KVCA", 1, 0, 3984, std::string(3984, 'y')),  // far too long
        frame("KVCA", 1, 0, 300, std::string(300, 'y')),    // just too long
        frame("KVCA", 1, 0, 50, "short"),                   // count larger than what came
        frame("KVCH", 1, 0, 0, ""),                         // a request, not an answer
        frame("KVCA", 1, 2, 0, ""),                         // rejected
        frame("KVCA", 1, 9, 0, ""),                         // a status nobody defined
        "KVCA\1\0\0\0",                                     // half a header
        frame("KVCA", 1, 0, 7, std::string("ok\0junk", 7)), // fine: the answer is cut at NUL
    };
    const SendResult expected[] = {SendResult::Failed, SendResult::Failed, SendResult::Failed, SendResult::Failed,
                                   SendResult::Failed, SendResult::Failed, SendResult::Failed, SendResult::Delivered};
    // A fake receiver that answers each request with the next scripted datagram.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t fake = fork();
    if (fake == 0) {
        const int s = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        const char ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        for (const std::string& answer : answers) {
            char buf[512];
            sockaddr_un from{};
            socklen_t len = sizeof from;
            if (recvfrom(s, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len) < 0) _exit(1);
            sendto(s, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
        unlink(path.c_str());
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    for (std::size_t i = 0; i < std::size(answers); ++i) {
        std::string reply = "stale";
        EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1", kPatient, &reply), expected[i]) << i;
        if (expected[i] == SendResult::Delivered) EXPECT_EQ(reply, "ok");
        else EXPECT_EQ(reply, "") << i;
    }
    waitpid(fake, nullptr, 0);
}

// ---- folders ---------------------------------------------------------------------

TEST_F(ChannelTest, FoldersOthersCouldTamperWithAreRefused) {
    const std::string base = dir_ + "/kivra", folder = base + "/:77";
    // Open to everybody: a sender will not use it; a receiver takes it back.
    ASSERT_EQ(mkdir(base.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    chmod(folder.c_str(), 0777);
    EXPECT_EQ(sendChannelMessage(kLink, ChannelKind::Command, "1", 100ms), SendResult::Failed);
    {
        auto r = ChannelReceiver::listen(kLink, {});
        EXPECT_TRUE(r);
        struct stat st{};
        ASSERT_EQ(stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    // A symbolic link or another user's folder in place of ours: runtime_folder_test.
}

TEST_F(ChannelTest, TheDisplayAndTheRuntimeFolderChooseTheAddress) {
    const std::string here = channelAddress(kLink, FolderMode::Create);
    EXPECT_EQ(here, dir_ + "/kivra/:77/win-" + std::to_string(kLink) + ".sock");
    setenv("DISPLAY", "localhost:77.1", 1);
    EXPECT_EQ(channelAddress(kLink, FolderMode::Create), here);
    setenv("DISPLAY", ":78", 1);
    EXPECT_NE(channelAddress(kLink, FolderMode::Create), here);
    // No runtime folder: a private folder under /tmp, made for this user only.
    unsetenv("XDG_RUNTIME_DIR");
    setenv("DISPLAY", ":77", 1);
    const std::string tmp = channelAddress(kLink, FolderMode::Create);
    const std::string folder = "/tmp/kivra-" + std::to_string(getuid()) + "/:77";
    EXPECT_EQ(tmp, folder + "/win-" + std::to_string(kLink) + ".sock");
    struct stat st{};
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    rmdir(folder.c_str());
}

// ---- LinkReady payload ---------------------------------------------------------

TEST(LinkReadyPayload, RoundTripsAndRejectsAnythingElse) {
    const LinkReadyReport r{0x3a00007, 31337, 0x1e00004};
    EXPECT_EQ(formatLinkReady(r), "60817415\t31337\t31457284");
    EXPECT_EQ(parseLinkReady(formatLinkReady(r)), r);
    for (const char* bad : {"", "1\t2", "1\t2\t3\t4", "a\t2\t3", "0\t2\t3", "1\t0\t3", "1\t2\t0", " 1\t2\t3",
                            "1\t2\t3 ", "+1\t2\t3", "-1\t2\t3", "1\t\t3", "1 2 3", "99999999999999999999\t2\t3",
                            "1\t9223372036854775808\t3"})
        EXPECT_FALSE(parseLinkReady(bad)) << bad;
}

// ---- order and speed -------------------------------------------------------------

TEST_F(ChannelTest, AThousandMessagesKeepTheirOrderAndTheRoundTripIsMeasured) {
    Peer link(kLink, PeerMode::Quiet);
    ASSERT_TRUE(link.ready());
    std::vector<double> micros;
    for (int i = 0; i < 1000; ++i) {
        const std::string code = std::to_string(i % 7);
        std::string reply;
        const auto t0 = Clock::now();
        const SendResult r = sendChannelMessage(kLink, ChannelKind::Command, code, kPatient, &reply);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        ASSERT_EQ(r, SendResult::Delivered) << i;
        ASSERT_EQ(reply, std::to_string(i + 1) + ":3:" + code);
    }
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2], p99 = micros[micros.size() * 99 / 100];
    std::cout << "command round trip: median " << median << " us, 99th percentile " << p99 << " us\n";
    RecordProperty("round_trip_median_us", std::to_string(median));
    EXPECT_LT(median, 5000.0) << "a local round trip should take microseconds";
}

}  // namespace
