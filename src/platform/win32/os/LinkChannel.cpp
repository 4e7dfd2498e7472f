// The link command channel on Windows: the window itself. A send is SendMessageTimeoutW with
// WM_COPYDATA (every kind but the close request) or WM_SYSCOMMAND/SC_CLOSE (the close request);
// a receiver subclasses its window's procedure and answers in the LRESULT (ChannelAnswer.h).
#include "LinkChannel.h"

#include "ChannelAnswer.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace kivra {

namespace {

using namespace win32channel;
using Clock = std::chrono::steady_clock;

HWND toHwnd(WindowId id) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id)); }

std::string describe(WindowId id) {
    char text[32];
    std::snprintf(text, sizeof text, "HWND 0x%" PRIx64, static_cast<std::uint64_t>(id));
    return text;
}

bool windowExists(WindowId id) { return id != 0 && IsWindow(toHwnd(id)); }

ProcessId processOf(HWND window) {
    DWORD pid = 0;
    if (window && GetWindowThreadProcessId(window, &pid) != 0) return static_cast<ProcessId>(pid);
    return 0;
}

// The kinds that travel as WM_COPYDATA and reach a handler; the close request is WM_SYSCOMMAND.
bool copyDataKind(ULONG_PTR kind) {
    switch (kind) {
    case static_cast<ULONG_PTR>(ChannelKind::ReloadMatchOptions):
    case static_cast<ULONG_PTR>(ChannelKind::Rename):
    case static_cast<ULONG_PTR>(ChannelKind::Command):
    case static_cast<ULONG_PTR>(ChannelKind::LinkReady):
    case static_cast<ULONG_PTR>(ChannelKind::ReportLink):
    case static_cast<ULONG_PTR>(ChannelKind::LinkReport): return true;
    default: return false;
    }
}

bool closeCommand(UINT message, WPARAM wParam) { return message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE; }

// ---- sending -----------------------------------------------------------------

// A message-only window of the sending thread, named in wParam so that the receiver learns
// which process sent the message. Message-only windows are never listed among the desktop's
// windows; the class still carries the marker of Kivra's own windows.
HWND senderWindow() {
    static const wchar_t kClass[] = L"QbaseRT5ChannelSender";
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
    });
    thread_local HWND window = nullptr;
    if (!window || !IsWindow(window))
        window = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    return window;
}

UINT timeoutMs(std::chrono::milliseconds timeout) {
    return static_cast<UINT>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, 0x7FFFFFFF));
}

// One message as it travels: the kind, and for WM_COPYDATA the text and its terminating NUL
// in a zeroed buffer of kMaxPayload bytes (so the text is cut to kMaxPayload - 1 bytes).
struct Request {
    ChannelKind kind = ChannelKind::Command;
    std::array<char, kMaxPayload> buffer{};
    DWORD count = 0;
};

Request makeRequest(ChannelKind kind, std::string_view payload) {
    Request r;
    r.kind = kind;
    const std::string_view text = cutUtf8(payload, kMaxPayload - 1);
    if (!text.empty()) std::memcpy(r.buffer.data(), text.data(), text.size());
    r.count = static_cast<DWORD>(text.size() + 1);
    return r;
}

struct Outcome {
    bool sent = false;
    DWORD error = 0;     // when not sent
    DWORD_PTR word = 0;  // the receiver's answer word, when sent
};

Outcome deliver(HWND target, HWND from, Request& request, UINT waitMs) {
    Outcome o;
    LRESULT sent = 0;
    SetLastError(0);
    if (request.kind == ChannelKind::CloseRequest) {
        sent = SendMessageTimeoutW(target, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, waitMs, &o.word);
    } else {
        COPYDATASTRUCT data{static_cast<ULONG_PTR>(request.kind), request.count, request.buffer.data()};
        sent = SendMessageTimeoutW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                                   reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, waitMs, &o.word);
    }
    o.sent = sent != 0;
    if (!o.sent) o.error = GetLastError();
    return o;
}

// How long a message sent without waiting is held out to its receiver before it is dropped.
constexpr UINT kUnwaitedHoldMs = 5000;

// A send that does not wait for its answer. SendMessageTimeoutW cannot do that itself: with a
// zero timeout Windows gives up at once and drops the message, and Wine waits without limit.
// A thread of its own delivers it instead and drops the answer, so the caller returns at once.
SendResult sendUnwaited(HWND target, HWND from, const Request& request) {
    try {
        std::thread([target, from, copy = request]() mutable { deliver(target, from, copy, kUnwaitedHoldMs); }).detach();
    } catch (const std::system_error&) {
        return SendResult::Failed;
    }
    return SendResult::TimedOut;
}

// Why SendMessageTimeoutW gave up. A window that went away meanwhile (its program ended while
// handling) counts as no receiver, as on POSIX.
SendResult failedSend(HWND to, DWORD error, Clock::duration waited, std::chrono::milliseconds timeout) {
    if (!IsWindow(to) || error == ERROR_INVALID_WINDOW_HANDLE) return SendResult::NoReceiver;
    // Some Windows versions leave the error 0 when the timeout ran out.
    if (error == ERROR_TIMEOUT || (error == 0 && waited >= timeout)) return SendResult::TimedOut;
    return SendResult::Failed;
}

SendResult readAnswer(ChannelKind kind, DWORD_PTR word, std::string* reply) {
    const std::optional<Answer> answer = decodeAnswer(static_cast<std::intptr_t>(word));
    if (kind == ChannelKind::CloseRequest) {
        // Every window honours a close request; ours also answers with the handler's text.
        if (answer && answer->status == AnswerStatus::Handled && reply) *reply = answer->text;
        return SendResult::Delivered;
    }
    if (!answer) return SendResult::Ignored;  // a window that does not speak the channel
    switch (answer->status) {
    case AnswerStatus::Handled:
        if (reply) *reply = answer->text;
        return SendResult::Delivered;
    case AnswerStatus::Ignored: return SendResult::Ignored;
    case AnswerStatus::Rejected: return SendResult::Failed;
    }
    return SendResult::Failed;
}

// ---- receiving ---------------------------------------------------------------

// One subclassed window. `handler` is null while no receiver listens: the procedure then only
// forwards, which is what remains when another procedure was installed over ours.
struct Subclass {
    HWND window = nullptr;
    WNDPROC previous = nullptr;
    std::shared_ptr<const ChannelHandler> handler;
    int taken = 0;      // messages handed to a handler, for dispatch()
    bool gone = false;  // the window has been destroyed
};

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<HWND, std::shared_ptr<Subclass>>& registry() {
    static std::map<HWND, std::shared_ptr<Subclass>> windows;
    return windows;
}

std::shared_ptr<Subclass> findSubclass(HWND window) {
    const std::lock_guard lock(registryMutex());
    const auto it = registry().find(window);
    return it == registry().end() ? nullptr : it->second;
}

void forgetSubclass(const std::shared_ptr<Subclass>& s) {
    const std::lock_guard lock(registryMutex());
    const auto it = registry().find(s->window);
    if (it != registry().end() && it->second == s) registry().erase(it);
}

// The handler for one message, counted as taken; null when no receiver listens.
std::shared_ptr<const ChannelHandler> takeHandler(Subclass& s) {
    const std::lock_guard lock(registryMutex());
    if (s.handler) ++s.taken;
    return s.handler;
}

bool listening(Subclass& s) {
    const std::lock_guard lock(registryMutex());
    return s.handler != nullptr;
}

// Runs the handler. The handler may destroy the receiver and the window: it is kept alive by
// this copy until it returns, and nothing else of theirs is touched afterwards.
LRESULT answerWith(Subclass& s, const ChannelMessage& message) {
    const std::shared_ptr<const ChannelHandler> handler = takeHandler(s);
    if (!handler) return encodeAnswer(AnswerStatus::Ignored, {});
    return encodeAnswer(AnswerStatus::Handled, (*handler)(message));
}

// A WM_COPYDATA of one of our kinds; nullopt leaves the message to the previous procedure.
std::optional<LRESULT> takeCopyData(Subclass& s, WPARAM wParam, LPARAM lParam) {
    if (!listening(s)) return std::nullopt;
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data) return encodeAnswer(AnswerStatus::Rejected, {});
    if (!copyDataKind(data->dwData)) return std::nullopt;
    if (data->cbData > kMaxPayload || (data->cbData > 0 && !data->lpData))
        return encodeAnswer(AnswerStatus::Rejected, {});
    // A zero-filled buffer one byte longer than a payload: the text always ends in a NUL.
    std::array<char, kMaxPayload + 1> buffer{};
    if (data->cbData > 0) std::memcpy(buffer.data(), data->lpData, data->cbData);
    const ChannelMessage message{static_cast<ChannelKind>(data->dwData), std::string(buffer.data()),
                                 processOf(reinterpret_cast<HWND>(wParam))};
    return answerWith(s, message);
}

std::optional<LRESULT> takeClose(Subclass& s) {
    if (!listening(s)) return std::nullopt;
    return answerWith(s, ChannelMessage{ChannelKind::CloseRequest, {}, 0});
}

LRESULT CALLBACK channelProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<Subclass> s = findSubclass(window);
    if (!s) return DefWindowProcW(window, message, wParam, lParam);
    std::optional<LRESULT> taken;
    if (message == WM_COPYDATA) taken = takeCopyData(*s, wParam, lParam);
    else if (closeCommand(message, wParam)) taken = takeClose(*s);
    if (taken) return *taken;
    const LRESULT result = CallWindowProcW(s->previous, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        {
            const std::lock_guard lock(registryMutex());
            s->gone = true;
        }
        forgetSubclass(s);
    }
    return result;
}

bool ourProcedureIsCurrent(HWND window) {
    return GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&channelProcedure);
}

// The Windows receiver: the window's own procedure, subclassed.
class WindowReceiver final : public ChannelReceiver {
public:
    WindowReceiver(WindowId window, ChannelHandler handler, std::shared_ptr<Subclass> subclass)
        : ChannelReceiver(window, std::move(handler)), subclass_(std::move(subclass)) {}
    ~WindowReceiver() override;
    int fd() const override { return -1; }
    int dispatch() override;

private:
    std::shared_ptr<Subclass> subclass_;
};

WindowReceiver::~WindowReceiver() {
    {
        const std::lock_guard lock(registryMutex());
        subclass_->handler.reset();
        if (subclass_->gone) return;
    }
    // Give the window its procedure back, unless another one was installed over ours since:
    // that one calls ours, which then only forwards until the window is destroyed.
    if (!ourProcedureIsCurrent(subclass_->window)) return;
    SetWindowLongPtrW(subclass_->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass_->previous));
    forgetSubclass(subclass_);
}

int WindowReceiver::dispatch() {
    // The handler may destroy this receiver: only the local copy is read afterwards.
    const std::shared_ptr<Subclass> s = subclass_;
    const auto taken = [&] {
        const std::lock_guard lock(registryMutex());
        return s->taken;
    };
    const int before = taken();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return taken() - before;
}

bool fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

// Only a window of the calling thread can be served: its messages reach the handler on this
// thread, and dispatch() takes them here.
bool servable(WindowId self, std::string* error) {
    if (!windowExists(self)) return fail(error, describe(self) + " does not exist");
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(toHwnd(self), &pid);
    if (pid != GetCurrentProcessId()) return fail(error, describe(self) + " belongs to another process");
    if (thread != GetCurrentThreadId()) return fail(error, describe(self) + " belongs to another thread");
    return true;
}

// Installs our procedure on `window`, or takes up the forwarding one left there before.
std::shared_ptr<Subclass> subclassWindow(HWND window, const ChannelHandler& handler, std::string* error) {
    auto shared = std::make_shared<const ChannelHandler>(handler);
    if (const std::shared_ptr<Subclass> old = findSubclass(window)) {
        const std::lock_guard lock(registryMutex());
        if (old->handler) {
            fail(error, "another receiver listens under " + describe(reinterpret_cast<std::uintptr_t>(window)));
            return nullptr;
        }
        old->handler = std::move(shared);
        return old;
    }
    auto s = std::make_shared<Subclass>();
    s->window = window;
    s->handler = std::move(shared);
    // Nothing reaches the window between these calls: it belongs to this thread.
    s->previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    {
        const std::lock_guard lock(registryMutex());
        registry()[window] = s;
    }
    SetLastError(0);
    const LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&channelProcedure));
    if (previous == 0 && GetLastError() != 0) {
        forgetSubclass(s);
        fail(error, "cannot subclass " + describe(reinterpret_cast<std::uintptr_t>(window)) + ": error " +
                        std::to_string(GetLastError()));
        return nullptr;
    }
    s->previous = reinterpret_cast<WNDPROC>(previous);
    return s;
}

}  // namespace

// ---- public ------------------------------------------------------------------

std::string channelAddress(WindowId window, FolderMode, std::string* error) {
    if (!windowExists(window)) {
        if (error) *error = describe(window) + " does not exist";
        return {};
    }
    return describe(window);
}

SendResult sendChannelMessage(WindowId to, ChannelKind kind, std::string_view payload,
                              std::chrono::milliseconds timeout, std::string* reply) {
    if (reply) reply->clear();
    if (!windowExists(to)) return SendResult::NoReceiver;
    const HWND target = toHwnd(to);
    Request request = makeRequest(kind, payload);
    const HWND from = senderWindow();
    if (timeout <= std::chrono::milliseconds(0)) return sendUnwaited(target, from, request);
    const auto started = Clock::now();
    const Outcome o = deliver(target, from, request, timeoutMs(timeout));
    if (!o.sent) return failedSend(target, o.error, Clock::now() - started, timeout);
    return readAnswer(kind, o.word, reply);
}

std::unique_ptr<ChannelReceiver> ChannelReceiver::listen(WindowId self, ChannelHandler handler, std::string* error) {
    if (!handler) {
        fail(error, "no handler");
        return nullptr;
    }
    if (!servable(self, error)) return nullptr;
    std::shared_ptr<Subclass> s = subclassWindow(toHwnd(self), handler, error);
    if (!s) return nullptr;
    return std::make_unique<WindowReceiver>(self, std::move(handler), std::move(s));
}

// A window is its own endpoint and goes with it: the candidates are the windows that carry
// the mark of Kivra's own windows (the property the window system backend sets on them).
std::vector<WindowId> channelEndpoints() {
    struct Found {
        DWORD self = GetCurrentProcessId();
        std::vector<WindowId> windows;
    } found;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Found*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner != f->self && GetPropW(w, L"QbaseRT5"))
                f->windows.push_back(static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(w)));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

void removeStaleEndpoint(WindowId) {}

// An answer holds only a few bytes here: the link sends its report to a message-only
// window of this thread, which takes it while the request waits (a sent message is
// handled during SendMessageTimeout).
SendResult requestLinkReport(WindowId window, std::string* report) {
    if (report) report->clear();
    const HWND own = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                     nullptr);
    if (!own) return SendResult::Failed;
    const auto ownId = static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(own));
    std::string received;
    bool got = false;
    SendResult result = SendResult::Failed;
    {
        auto receiver = ChannelReceiver::listen(ownId, [&](const ChannelMessage& m) {
            if (m.kind == ChannelKind::LinkReport) {
                received = m.payload;
                got = true;
            }
            return std::string();
        });
        if (receiver) result = sendChannelMessage(window, ChannelKind::ReportLink, std::to_string(ownId));
    }
    DestroyWindow(own);
    if (result == SendResult::Delivered && !got) result = SendResult::Ignored;
    if (result == SendResult::Delivered && report) *report = received;
    return result;
}

}  // namespace kivra
