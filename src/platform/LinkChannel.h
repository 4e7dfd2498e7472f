// The link command channel: kivra's commands to a link window and the link's
// "ready" report back, synchronous, answered and bounded by a timeout.
#pragma once

#include "WindowSystem.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivra {

// ===========================================================================
// The contract, in one place (docs/link-channel.md says the same for people; it also
// gives the Windows message layout).
//
// Addressing. A receiver listens under a window id: a link program under its
// own link window, the main program under its main window. A sender names the
// window it talks to. On Windows the channel is the window itself
// (WM_COPYDATA / WM_SYSCOMMAND); on POSIX it is a Unix datagram socket at
//   <runtime folder>/<display>/win-<id>.sock
// where the runtime folder is that of RuntimeFolder.h ($XDG_RUNTIME_DIR/kivra, or
// /tmp/kivra-<uid>, or a numbered fallback beside it), shared with the single-instance lock.
// Every folder of ours on that path must be a real directory owned by the
// user with no group or other access; otherwise nothing is sent or received.
//
// Messages. Every message is answered; the sender waits for the answer.
//
//   kind  name                direction      payload                    answer
//   ----  ------------------  -------------  -------------------------  --------------------------
//     1   ReloadMatchOptions  kivra → link   ignored                    empty
//     2   Rename              kivra → link   the new link title         empty
//     3   Command             kivra → link   command code "0".."6"      empty
//   100   LinkReady           link → kivra   "<link>\t<pid>\t<host>"    "1" recorded, "0" unknown
//   101   CloseRequest        kivra → link   ignored                    empty (sent after the
//                                                                       handler has run)
//   102   ReportLink          kivra → link   empty, or a window id      "<link>\t<pid>\t<host>\t
//                                                                       <title bytes>\t<title>"
//   103   LinkReport          link → kivra   the same report            empty
//
// ReportLink lets a main program find the links an earlier one left running; the title
// is the link's key-safe title (backslashes as forward slashes, as in its settings
// path); one too long for the answer is cut, and its byte count tells that it was.
// When the payload names a window, the link also sends its report there as LinkReport
// before it answers (Windows answers are too short to carry it); requestLinkReport does
// the asking on either platform.
//
// A receiver hands kinds 1, 2, 3, 100, 101, 102 and 103 to its handler and answers
// with the handler's text. Any other kind is answered "ignored" without
// calling the handler (as a window ignores an unknown WM_COPYDATA kind).
//
// Limits. A payload is at most 256 bytes (kMaxPayload). The sender cuts a
// longer one to 256 bytes, backing off at most three bytes so that a UTF-8
// character is never split. The receiver never reads more than a whole
// frame, rejects a frame whose byte count disagrees with what arrived, and
// cuts the payload at its first NUL, as a zero-filled 256-byte buffer would.
// An answer text obeys the same limits.
//
// Frames, all integers unsigned 32-bit little-endian, one datagram each:
//   request: magic "KVCH" | version 1 | kind     | byte count | payload bytes
//   answer:  magic "KVCA" | version 1 | status   | byte count | answer bytes
// status: 0 handled, 1 ignored (unknown kind), 2 rejected (malformed frame).
// Header 16 bytes; a frame is at most 16 + 256 bytes.
//
// Timing. A send waits at most its timeout (kDefaultChannelTimeout, 500 ms,
// unless the caller says otherwise) for the answer; a hung or dead receiver
// yields TimedOut or NoReceiver, never a hang. On POSIX a message that timed
// out stays queued and is still handled, in order, when the receiver wakes up;
// its answer is then dropped. On Windows only a message the receiver had begun
// to handle is finished; one still waiting when its sender gave up may be
// removed by the system. A timeout of 0 sends without waiting for the answer.
//
// Senders and receivers check the peer: a POSIX receiver drops datagrams from
// another user and from senders it cannot answer; the kernel tells it each
// sender's process id, which it passes on with the message. On Windows the
// sender's process is that of the window it names in wParam.
//
// Windows layout (WM_COPYDATA: dwData = kind, lpData = text + NUL in a zeroed
// 256-byte buffer, cbData = length + 1; CloseRequest = WM_SYSCOMMAND SC_CLOSE;
// the answer in the window procedure's result): payloads of at most 255 bytes,
// answers of at most 5. docs/link-channel.md gives the details.
// ===========================================================================

enum class ChannelKind : std::uint32_t {
    ReloadMatchOptions = 1,
    Rename = 2,
    Command = 3,
    LinkReady = 100,
    CloseRequest = 101,
    ReportLink = 102,
    LinkReport = 103,
};

constexpr std::size_t kMaxPayload = 256;
constexpr std::chrono::milliseconds kDefaultChannelTimeout{500};

// Answers to LinkReady.
constexpr std::string_view kLinkRecorded = "1";
constexpr std::string_view kLinkUnknown = "0";

// What a receiver's handler is given.
struct ChannelMessage {
    ChannelKind kind = ChannelKind::Command;
    std::string payload;     // at most kMaxPayload bytes, cut at the first NUL
    ProcessId senderPid = 0; // as the kernel saw the sender; 0 when unknown
};

enum class SendResult {
    Delivered,   // the receiver's handler ran; the answer is in `reply`
    Ignored,     // the receiver answered but does not know this kind
    NoReceiver,  // nobody listens under that window (never started, or gone)
    TimedOut,    // the receiver did not answer within the timeout
    Failed,      // anything else: no usable folder, a malformed answer, a system error
};

const char* toString(SendResult result);

// Sends one message to the receiver listening under `to` and waits for its
// answer, at most `timeout`. `reply` (when given) receives the answer text,
// and is cleared when there is none.
SendResult sendChannelMessage(WindowId to, ChannelKind kind, std::string_view payload,
                              std::chrono::milliseconds timeout = kDefaultChannelTimeout,
                              std::string* reply = nullptr);

// Called once per message on the receiver's thread; returns the answer text.
// It must not throw. It may send channel messages and may run a nested event
// loop that dispatches this receiver again (as a window procedure may); the
// sender of the message being handled keeps waiting until its own timeout.
using ChannelHandler = std::function<std::string(const ChannelMessage&)>;

// The listening end, owned by the program whose window it serves. Each platform has its own
// (POSIX: a datagram socket, removed when the receiver is destroyed; Windows: the window's
// own procedure, subclassed for WM_COPYDATA and WM_SYSCOMMAND/SC_CLOSE and given back when
// the receiver is destroyed).
class ChannelReceiver {
public:
    // Listens under `self` (Windows: a window of this process); `handler` answers every
    // message. A socket file left behind by a receiver that died is replaced; a live receiver
    // under the same window makes this fail. Returns null on failure, with the reason in `error`.
    static std::unique_ptr<ChannelReceiver> listen(WindowId self, ChannelHandler handler,
                                                   std::string* error = nullptr);

    virtual ~ChannelReceiver() = default;
    ChannelReceiver(const ChannelReceiver&) = delete;
    ChannelReceiver& operator=(const ChannelReceiver&) = delete;

    // POSIX: readable whenever messages wait (for a QSocketNotifier or poll); call dispatch()
    // then. Windows: -1, as messages reach the handler through the thread's message loop by
    // themselves (a Qt event loop, a GetMessage loop, or dispatch()).
    virtual int fd() const = 0;
    WindowId window() const { return window_; }

    // Handles every message waiting now, oldest first, without blocking, and answers each.
    // Returns how many messages it took. The handler may destroy this receiver (a close
    // request): the message in hand is still answered, and nothing after it is read.
    // (Windows: lets the thread take the messages sent to it now.)
    virtual int dispatch() = 0;

protected:
    ChannelReceiver(WindowId window, ChannelHandler handler) : window_(window), handler_(std::move(handler)) {}
    WindowId window_;
    ChannelHandler handler_;
};

// Where messages for `window` go, for diagnostics and tests: POSIX, the socket path (empty,
// with the reason in `error`, when no safe folder exists; `Create` makes the folders);
// Windows, the window itself ("HWND 0x..."), empty when it does not exist.
enum class FolderMode { Lookup, Create };
std::string channelAddress(WindowId window, FolderMode mode, std::string* error = nullptr);

// The LinkReady payload: the link program's own window, its process and the
// host window it covers, as decimal numbers separated by TAB.
struct LinkReadyReport {
    WindowId linkWindow = 0;
    ProcessId pid = 0;
    WindowId hostWindow = 0;
    bool operator==(const LinkReadyReport&) const = default;
};
std::string formatLinkReady(const LinkReadyReport& report);
// Nullopt unless the text is exactly three positive decimal numbers separated by TAB.
std::optional<LinkReadyReport> parseLinkReady(std::string_view payload);

// The answer to ReportLink: the ready report, then the link title's length in bytes and
// the title, cut (on a character boundary) where the answer would pass kMaxPayload.
struct LinkReport {
    LinkReadyReport ready;
    std::string title;            // the key-safe title, possibly cut
    std::size_t titleBytes = 0;   // the whole title's length
    // Whether `keySafeTitle` is the title this report names (whole, or cut).
    bool names(std::string_view keySafeTitle) const {
        return keySafeTitle.size() == titleBytes && keySafeTitle.substr(0, title.size()) == title;
    }
};
std::string formatLinkReport(const LinkReadyReport& ready, std::string_view title);
// A window id written as a positive decimal number (ReportLink's payload); nullopt otherwise.
std::optional<WindowId> parseWindowId(std::string_view text);
std::optional<LinkReport> parseLinkReport(std::string_view answer);

// Every window with a receiver's endpoint under this display (POSIX: the socket files in
// the display's folder; Windows: the top-level windows of other processes that carry the
// mark of Kivra's own windows).
std::vector<WindowId> channelEndpoints();
// Asks the receiver under `window` for its link report (ReportLink), waiting at most the
// channel's default timeout; `report` receives it when the result is Delivered.
SendResult requestLinkReport(WindowId window, std::string* report);
// Removes the endpoint of `window` when nobody listens there any more (a receiver that died).
void removeStaleEndpoint(WindowId window);

}  // namespace kivra
