// The link channel contract on Windows, with windowhost.exe --listen as the peer; then what only the
// window channel has: sends back while waiting, which windows can listen, raw WM_COPYDATA
// checks and the window procedure's lifetime.
#include "ChannelPeer.h"
#include "LinkChannel.h"
#include "Win32Test.h"
#include "contract/LinkChannelContract.h"
#include "win32/os/ChannelAnswer.h"

#include <gtest/gtest.h>

#include <thread>

using namespace kivra;
using namespace kivra::wintest;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

std::uint32_t number(ChannelKind kind) { return static_cast<std::uint32_t>(kind); }
ProcessId ownPid() { return static_cast<ProcessId>(GetCurrentProcessId()); }
HWND hwndOf(WindowId id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }

struct Win32Channel {
    static constexpr std::size_t kRoom = kMaxPayload - 1;  // the terminating NUL takes one byte
    static ProcessId ownPid() { return ::ownPid(); }
    class Peer {
    public:
        WindowId window() const { return peer_.window(); }
        // A close request comes as WM_SYSCOMMAND, which names no sender.
        bool handled(ChannelKind kind, std::string_view payload) const {
            return peer_.lastGot() == gotLine(number(kind), kind == ChannelKind::CloseRequest ? 0 : ownPid(), payload);
        }
        bool waitForExit() const { return !IsWindow(hwndOf(window())) && peer_.waitForExit(5s); }

    private:
        ChannelPeer peer_;
    };
};

}  // namespace

namespace kivra::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, LinkChannelContract, Win32Channel);
}  // namespace kivra::contract

// The peer reports to us from inside its handler while we wait for its answer: the waiting
// thread takes the nested message, so neither side stalls.
TEST(Win32Channel, PeerReportsBackWhileTheSenderWaits) {
    TestWindow self("Kivra channel test", "KivraChannelTest");
    std::vector<ChannelMessage> received;
    const auto receiver = ChannelReceiver::listen(self.id(), [&](const ChannelMessage& m) {
        received.push_back(m);
        const auto report = parseLinkReady(m.payload);
        return report && report->pid == m.senderPid ? std::string(kLinkRecorded) : std::string(kLinkUnknown);
    });
    ASSERT_TRUE(receiver);
    ChannelPeer peer(self.id());
    ASSERT_NE(peer.window(), 0u);
    std::string reply;
    EXPECT_EQ(sendChannelMessage(peer.window(), ChannelKind::Command, "report", 5s, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, kLinkRecorded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].kind, ChannelKind::LinkReady);
    EXPECT_EQ(received[0].senderPid, static_cast<ProcessId>(peer.pid()));
    const auto report = parseLinkReady(received[0].payload);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->linkWindow, peer.window());
}

// ---- one process: who may listen, what reaches the handler, what is answered --------------

namespace {

std::string nothing(const ChannelMessage&) { return {}; }

}  // namespace

TEST(Win32ChannelReceiver, ListensOnlyUnderAWindowOfThisThreadOnceAndGivesTheProcedureBack) {
    HWND destroyed = nullptr;
    {
        TestWindow gone("Gone");
        destroyed = gone.hwnd();
    }
    const std::pair<const char*, HWND> refused[] = {
        {"no window", nullptr},
        {"a destroyed window", destroyed},
        {"another process's window", GetDesktopWindow()},
    };
    for (const auto& [what, window] : refused) {
        std::string error;
        EXPECT_FALSE(ChannelReceiver::listen(reinterpret_cast<std::uintptr_t>(window), nothing, &error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }

    TestWindow w("Listens once");
    const LONG_PTR original = GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC);
    std::string error;
    EXPECT_FALSE(ChannelReceiver::listen(w.id(), ChannelHandler{}, &error)) << "a receiver needs a handler";
    auto first = ChannelReceiver::listen(w.id(), nothing, &error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(first->fd(), -1);
    EXPECT_EQ(first->window(), w.id());
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::Command, "0"), SendResult::Delivered);
    error.clear();
    EXPECT_FALSE(ChannelReceiver::listen(w.id(), nothing, &error));
    EXPECT_NE(error.find("another receiver"), std::string::npos) << error;
    // A receiver that goes gives the window its own procedure back.
    first.reset();
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC), original);
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::Command, "0"), SendResult::Ignored);
    EXPECT_TRUE(ChannelReceiver::listen(w.id(), nothing, &error)) << error;
}

TEST(Win32ChannelReceiver, WindowThatDoesNotListenIgnoresCommandsButHonoursAClose) {
    TestWindow plain("Plain window");
    const std::string address = channelAddress(plain.id(), FolderMode::Lookup);
    ASSERT_EQ(address.rfind("HWND 0x", 0), 0u) << address;
    EXPECT_EQ(std::stoull(address.substr(7), nullptr, 16), plain.id());
    std::string reply = "stale";
    EXPECT_EQ(sendChannelMessage(plain.id(), ChannelKind::Command, "0", 1s, &reply), SendResult::Ignored);
    EXPECT_EQ(sendChannelMessage(plain.id(), ChannelKind::CloseRequest, {}, 1s, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "");
    EXPECT_FALSE(IsWindow(plain.hwnd()));
    EXPECT_EQ(sendChannelMessage(plain.id(), ChannelKind::Command, "0", 1s), SendResult::NoReceiver);
    EXPECT_EQ(sendChannelMessage(0, ChannelKind::Command, "0", 1s), SendResult::NoReceiver);
    std::string error;
    EXPECT_EQ(channelAddress(plain.id(), FolderMode::Lookup, &error), "");
    EXPECT_FALSE(error.empty());
}

TEST(Win32ChannelReceiver, RawCopyDataIsCheckedBeforeTheHandler) {
    using win32channel::AnswerStatus;
    TestWindow w("Raw copy data");
    std::vector<ChannelMessage> got;
    const auto r = ChannelReceiver::listen(w.id(), [&](const ChannelMessage& m) {
        got.push_back(m);
        return std::string("ok");
    });
    ASSERT_TRUE(r);
    struct Row {
        const char* what;
        ULONG_PTR kind;
        DWORD count;
        std::optional<std::string> bytes;  // nullopt: no buffer
        HWND from;
        std::optional<AnswerStatus> status;  // nullopt: left to the window's own procedure
        std::string payload;
    };
    const std::string full(kMaxPayload, 'x');
    const Row rows[] = {
        {"a full payload without NUL", 2, 256, full, w.hwnd(), AnswerStatus::Handled, full},
        {"cut at the first NUL", 2, 6, std::string("ab\0cd\0", 6), w.hwnd(), AnswerStatus::Handled, "ab"},
        {"nothing at all", 3, 0, std::nullopt, nullptr, AnswerStatus::Handled, ""},
        {"one byte too many", 3, 257, std::string(257, 'y'), w.hwnd(), AnswerStatus::Rejected, ""},
        {"a count without a buffer", 3, 5, std::nullopt, w.hwnd(), AnswerStatus::Rejected, ""},
        {"a kind with high bits", (ULONG_PTR(1) << 32) | 3, 2, std::string("6"), w.hwnd(), std::nullopt, ""},
        {"the close request's number", 101, 1, std::string(""), w.hwnd(), std::nullopt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        got.clear();
        std::string bytes = row.bytes.value_or("");
        COPYDATASTRUCT data{row.kind, row.count, row.bytes ? bytes.data() : nullptr};
        const auto answer = win32channel::decodeAnswer(
            SendMessageW(w.hwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(row.from), reinterpret_cast<LPARAM>(&data)));
        EXPECT_EQ(answer.has_value(), row.status.has_value());
        if (answer && row.status) {
            EXPECT_EQ(answer->status, *row.status);
        }
        if (row.status != AnswerStatus::Handled) {
            EXPECT_TRUE(got.empty());
            continue;
        }
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(answer->text, "ok");
        EXPECT_EQ(got[0].kind, static_cast<ChannelKind>(row.kind));
        EXPECT_EQ(got[0].payload, row.payload);
        EXPECT_EQ(got[0].senderPid, row.from ? ownPid() : 0);
    }
    const auto noData = win32channel::decodeAnswer(SendMessageW(w.hwnd(), WM_COPYDATA, 0, 0));
    ASSERT_TRUE(noData);
    EXPECT_EQ(noData->status, AnswerStatus::Rejected);
}

TEST(Win32ChannelReceiver, DispatchTakesWhatAnotherThreadSentMeanwhile) {
    TestWindow w("Dispatch");
    std::vector<ChannelMessage> got;
    const auto r = ChannelReceiver::listen(w.id(), [&](const ChannelMessage& m) {
        got.push_back(m);
        return std::string("took");
    });
    ASSERT_TRUE(r);
    std::string reply;
    SendResult result = SendResult::Failed;
    std::thread sender([&] { result = sendChannelMessage(w.id(), ChannelKind::Command, "from a thread", 5s, &reply); });
    int taken = 0;
    for (const auto deadline = Clock::now() + 5s; taken == 0 && Clock::now() < deadline;) {
        taken += r->dispatch();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    }
    sender.join();
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(result, SendResult::Delivered);
    EXPECT_EQ(reply, "took");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].payload, "from a thread");
    EXPECT_EQ(got[0].senderPid, ownPid());
    EXPECT_EQ(r->dispatch(), 0);
}
