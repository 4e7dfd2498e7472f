// The link channel contract on Windows, with windowhost.exe listening as the peer; then what
// only the window channel has: which windows can listen, the window procedure's lifetime, raw
// WM_COPYDATA checks.
#include "Win32Test.h"
#include "contract/LinkChannelContract.h"
#include "win32/os/ChannelAnswer.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::wintest;
using namespace std::chrono_literals;

namespace {

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
        bool handled(ChannelKind kind, std::string_view payload) const {
            return probe_.lastEvent("got ") == gotLine(kind, ownPid(), payload);
        }
        bool waitForExit() const { return !IsWindow(win32::toHwnd(window_)) && probe_.waitForExit(5s); }

    private:
        Probe probe_{"listen"};
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
    std::string error;
    EXPECT_FALSE(ChannelReceiver::listen(win32::toWindowId(GetDesktopWindow()), nothing, &error))
        << "another process's window";

    TestWindow w("Listens once");
    const LONG_PTR original = GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC);
    auto first = ChannelReceiver::listen(w.id(), nothing, &error);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(ChannelReceiver::listen(w.id(), nothing, &error)) << "a second receiver";
    first.reset();
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd(), GWLP_WNDPROC), original);
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::Command, "0", 1s), SendResult::Ignored);
    EXPECT_TRUE(ChannelReceiver::listen(w.id(), nothing, &error)) << error;  // and gone again
    EXPECT_EQ(sendChannelMessage(w.id(), ChannelKind::CloseRequest, {}, 1s), SendResult::Delivered);
    EXPECT_FALSE(IsWindow(w.hwnd()));
}

// Raw WM_COPYDATA is checked before the handler sees it.
TEST(Win32ChannelReceiver, RawCopyDataIsCheckedBeforeTheHandler) {
    using win32channel::AnswerStatus;
    TestWindow w("Raw copy data");
    std::vector<ChannelMessage> got;
    const auto r = ChannelReceiver::listen(w.id(), [&](const ChannelMessage& m) {
        got.push_back(m);
        return std::string("ok");
    });
    ASSERT_TRUE(r);
    const struct {
        const char* what;
        ULONG_PTR kind;
        DWORD count;
        std::optional<std::string> bytes;  // nullopt: no buffer
        std::optional<AnswerStatus> status;  // nullopt: left to the window's own procedure
    } rows[] = {
        {"a full payload without NUL", 2, 256, std::string(256, 'x'), AnswerStatus::Handled},
        {"one byte too many", 3, 257, std::string(257, 'y'), AnswerStatus::Rejected},
        {"a count without a buffer", 3, 5, std::nullopt, AnswerStatus::Rejected},
        {"the close request's number", 101, 1, std::string(""), std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        got.clear();
        std::string bytes = row.bytes.value_or("");
        COPYDATASTRUCT data{row.kind, row.count, row.bytes ? bytes.data() : nullptr};
        const LRESULT sent = SendMessageW(w.hwnd(), WM_COPYDATA, reinterpret_cast<WPARAM>(w.hwnd()),
                                          reinterpret_cast<LPARAM>(&data));
        const auto answer = win32channel::decodeAnswer(sent);
        EXPECT_EQ(answer ? std::optional(answer->status) : std::nullopt, row.status);
        ASSERT_EQ(got.size(), row.status == AnswerStatus::Handled ? 1u : 0u);
        if (got.empty()) continue;
        EXPECT_EQ(answer->text, "ok");
        EXPECT_EQ(got[0].payload, bytes);
        EXPECT_EQ(got[0].senderPid, ownPid());
    }
    const auto noData = win32channel::decodeAnswer(SendMessageW(w.hwnd(), WM_COPYDATA, 0, 0));
    EXPECT_EQ(noData ? std::optional(noData->status) : std::nullopt, AnswerStatus::Rejected);
}
