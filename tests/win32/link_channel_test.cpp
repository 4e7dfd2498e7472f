// The link channel contract on Windows, with windowhost.exe listening as the peer; then what
// only the window channel has: which windows can listen, the window procedure's lifetime, raw
// WM_COPYDATA checks, dispatch, and messages sent back while the sender waits.
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

ProcessId ownPid() { return static_cast<ProcessId>(GetCurrentProcessId()); }
std::string nothing(const ChannelMessage&) { return {}; }

// The peer's window once it listens; 0 when it never did.
WindowId peerWindow(const Probe& peer) {
    const std::string ready = peer.lastEvent("ready ", 10s);
    return ready.empty() ? 0 : std::stoull(ready.substr(6));
}

struct Win32Channel {
    static constexpr std::size_t kRoom = kMaxPayload - 1;  // the terminating NUL takes one byte
    static ProcessId ownPid() { return ::ownPid(); }
    class Peer {
    public:
        WindowId window() const { return window_; }
        // A close request comes as WM_SYSCOMMAND, which names no sender.
        bool handled(ChannelKind kind, std::string_view payload) const {
            const ProcessId from = kind == ChannelKind::CloseRequest ? 0 : ownPid();
            return probe_.lastEvent("got ") == gotLine(kind, from, payload);
        }
        bool waitForExit() const { return !IsWindow(win32::toHwnd(window_)) && probe_.waitForExit(5s); }

    private:
        Probe probe_{"listen", "0"};
        WindowId window_ = peerWindow(probe_);
    };
};

}  // namespace

namespace kivra::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, LinkChannelContract, Win32Channel);
}  // namespace kivra::contract

// A receiver that goes gives the window its own procedure back: commands are ignored then,
// but a close request still closes the window.
TEST(Win32ChannelReceiver, ListensOnlyUnderAWindowOfThisThreadOnceAndGivesTheProcedureBack) {
    HWND destroyed = nullptr;
    {
        TestWindow gone("Gone");
        destroyed = gone.hwnd();
    }
    for (const HWND window : {destroyed, GetDesktopWindow()}) {  // gone; another process's
        std::string error;
        EXPECT_FALSE(ChannelReceiver::listen(reinterpret_cast<std::uintptr_t>(window), nothing, &error));
        EXPECT_FALSE(error.empty());
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
    EXPECT_FALSE(ChannelReceiver::listen(w.id(), nothing, &error));
    EXPECT_NE(error.find("another receiver"), std::string::npos) << error;
    first.reset();
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC), original);
    std::string reply = "stale";
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::Command, "0", 1s, &reply), SendResult::Ignored);
    EXPECT_TRUE(ChannelReceiver::listen(w.id(), nothing, &error)) << error;  // and gone again
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::CloseRequest, {}, 1s, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "");
    EXPECT_FALSE(IsWindow(w.hwnd()));
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::Command, "0", 1s), SendResult::NoReceiver);
    EXPECT_EQ(sendChannelMessage(0, ChannelKind::Command, "0", 1s), SendResult::NoReceiver);
}

// One receiver: raw WM_COPYDATA is checked before its handler; what another thread sends is
// taken by dispatch(); and a peer that reports to it from inside its own handler, while we wait
// for the peer's answer, is heard: the waiting thread takes the nested message.
TEST(Win32ChannelReceiver, RawCopyDataDispatchAndANestedReportFromThePeer) {
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
    };
    const std::string full(kMaxPayload, 'x');
    const Row rows[] = {
        {"a full payload without NUL", 2, 256, full, w.hwnd(), AnswerStatus::Handled},
        {"nothing at all", 3, 0, std::nullopt, nullptr, AnswerStatus::Handled},
        {"one byte too many", 3, 257, std::string(257, 'y'), w.hwnd(), AnswerStatus::Rejected},
        {"a count without a buffer", 3, 5, std::nullopt, w.hwnd(), AnswerStatus::Rejected},
        {"a kind with high bits", (ULONG_PTR(1) << 32) | 3, 2, std::string("6"), w.hwnd(), std::nullopt},
        {"the close request's number", 101, 1, std::string(""), w.hwnd(), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        got.clear();
        std::string bytes = row.bytes.value_or("");
        COPYDATASTRUCT data{row.kind, row.count, row.bytes ? bytes.data() : nullptr};
        const auto answer = win32channel::decodeAnswer(
            SendMessageW(w.hwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(row.from), reinterpret_cast<LPARAM>(&data)));
        EXPECT_EQ(answer ? std::optional(answer->status) : std::nullopt, row.status);
        const bool handled = row.status == AnswerStatus::Handled;
        ASSERT_EQ(got.size(), handled ? 1u : 0u);
        if (!handled) continue;
        EXPECT_EQ(answer->text, "ok");
        EXPECT_EQ(got[0].kind, static_cast<ChannelKind>(row.kind));
        EXPECT_EQ(got[0].payload, bytes);
        EXPECT_EQ(got[0].senderPid, row.from ? ownPid() : 0);
    }
    const auto noData = win32channel::decodeAnswer(SendMessageW(w.hwnd(), WM_COPYDATA, 0, 0));
    ASSERT_TRUE(noData);
    EXPECT_EQ(noData->status, AnswerStatus::Rejected);

    // What another thread sends meanwhile is taken by dispatch().
    got.clear();
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
    EXPECT_EQ(reply, "ok");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].payload, "from a thread");
    EXPECT_EQ(got[0].senderPid, ownPid());
    EXPECT_EQ(r->dispatch(), 0);

    got.clear();
    const Probe peer("listen", std::to_string(w.id()));
    const WindowId peerAt = peerWindow(peer);
    ASSERT_NE(peerAt, 0u);
    EXPECT_EQ(sendChannelMessage(peerAt, ChannelKind::Command, "report", 5s, &reply), SendResult::Delivered);
    EXPECT_EQ(reply, "ok");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, ChannelKind::LinkReady);
    EXPECT_EQ(got[0].senderPid, peer.pid());
    EXPECT_EQ(parseLinkReady(got[0].payload).value_or(LinkReadyReport{}).linkWindow, peerAt);
}
