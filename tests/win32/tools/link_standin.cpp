// A link program without Qt for the Windows tests: it does at the protocol level what the
// link program does at start and end. It joins and parses its command line against the
// user32 window system, refuses to run without one, opens its link window, listens on the
// channel under it, reports itself ready to the main window named on its command line,
// handles the main program's commands with the real command handler, runs the real tracking
// tick every 5 ms, and ends on a close request or when its host is gone. Everything it parsed
// and was sent goes to the log file named by KIVRA_STANDIN_LOG (LinkProtocolSupport.h).
//   link_standin <argument string>
#include "ChannelPeer.h"
#include "HostTracker.h"
#include "LinkChannel.h"
#include "LinkCommandLine.h"
#include "LinkCommands.h"
#include "LinkProtocolSupport.h"
#include "LinkState.h"
#include "NativeWindowSystem.h"
#include "StoreLocation.h"
#include "Win32Handles.h"
#include "Win32Test.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

using namespace kivra;
using kivra::wintest::hexBytes;
using kivra::wintest::widen;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::chrono::milliseconds kTickInterval{5};
// Never outlive a test that forgot us.
constexpr std::chrono::seconds kGiveUpAfter{30};

std::FILE* logFile = nullptr;

void logLine(const std::string& line) {
    if (!logFile) return;
    std::fputs((line + "\n").c_str(), logFile);
    std::fflush(logFile);
}

void openLog() {
    const DWORD needed = GetEnvironmentVariableW(L"KIVRA_STANDIN_LOG", nullptr, 0);
    if (needed <= 1) return;
    std::wstring path(needed, L'\0');
    path.resize(GetEnvironmentVariableW(L"KIVRA_STANDIN_LOG", path.data(), needed));
    logFile = _wfopen(path.c_str(), L"ab");
}

int finish(int code) {
    logLine("exit " + std::to_string(code));
    if (logFile) std::fclose(logFile);
    return code;
}

LRESULT CALLBACK linkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The link window: a top-level window of this process, its state read and changed through
// the window system, the rest of what the link logic asks recorded in the log.
class StandinWindow final : public OwnWindow {
public:
    StandinWindow(WindowSystem& windows, const std::string& caption, const Rect& frame) : windows_(windows) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = linkWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"KivraLinkStandin";
        RegisterClassExW(&wc);
        // Always on top from the start, as a link window is.
        hwnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, widen(title(caption)).c_str(), WS_OVERLAPPEDWINDOW,
                                frame.left, frame.top, frame.width(), frame.height(), nullptr, nullptr,
                                wc.hInstance, nullptr);
    }

    HWND hwnd() const { return hwnd_; }
    WindowId id() const { return win32::toWindowId(hwnd_); }
    bool unloaded() const { return unloaded_; }

    OwnWindowState state() const override {
        if (windows_.isMinimized(id())) return OwnWindowState::Minimized;
        return windows_.isMaximized(id()) ? OwnWindowState::Maximized : OwnWindowState::Normal;
    }
    void minimize() override { windows_.minimize(id()); }
    void restoreNormal() override { windows_.restore(id()); }
    AlwaysOnTop alwaysOnTop() const override { return onTop_; }
    void setAlwaysOnTop(AlwaysOnTop choice) override {
        onTop_ = choice;
        windows_.setTopmost(id(), choice == AlwaysOnTop::Yes);
        logLine(choice == AlwaysOnTop::Yes ? "ontop 1" : "ontop 0");
    }
    bool kickTimerOn() const override { return false; }
    void setIcon(LinkIcon icon) override { logLine(icon == LinkIcon::Bright ? "icon bright" : "icon grey"); }
    CaptionMode captionMode() const override { return kLinkTitleCaption; }
    void setCaption(const std::string& caption) override {
        SetWindowTextW(hwnd_, widen(title(caption)).c_str());
        logLine("caption " + hexBytes(caption));
    }
    void setApplicationTitle(const std::string& applicationTitle) override {
        logLine("apptitle " + hexBytes(applicationTitle));
    }
    bool messageBoxOpen() const override { return false; }
    void clearMessageBoxOpen() override {}
    void saveSettings() override { logLine("save"); }
    // The closing steps end with the window; the message loop then ends the process.
    void unload() override {
        if (unloaded_) return;
        unloaded_ = true;
        logLine("unload");
        DestroyWindow(hwnd_);
    }
    void reportError(const KivraError& error) override { logLine("error " + hexBytes(error.what())); }

private:
    static std::string title(const std::string& caption) {
        return std::string(kLinkApplicationTitlePrefix) + caption;
    }

    WindowSystem& windows_;
    HWND hwnd_ = nullptr;
    AlwaysOnTop onTop_ = AlwaysOnTop::Yes;
    bool unloaded_ = false;
};

StandinWindow* linkWindow = nullptr;

LRESULT CALLBACK linkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:  // a request to end the process (ProcessLauncher::terminate)
        if (linkWindow) linkWindow->unload();
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

const char* tickName(TickOutcome outcome) {
    switch (outcome) {
    case TickOutcome::Moved: return "moved";
    case TickOutcome::HostGone: return "host-gone";
    case TickOutcome::HostMismatch: return "host-mismatch";
    case TickOutcome::Failed: return "failed";
    default: return nullptr;  // the quiet outcomes of most ticks
    }
}

// Handles messages and runs the tracking tick every 5 ms until the window is gone.
int runLoop(HostTracker& tracker, const StandinWindow& window) {
    const auto giveUp = Clock::now() + kGiveUpAfter;
    auto nextTick = Clock::now() + kTickInterval;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto now = Clock::now();
        if (now >= giveUp) {
            logLine("gave up");
            return 4;
        }
        if (now >= nextTick && !window.unloaded()) {
            if (const char* name = tickName(tracker.tick())) logLine(std::string("tick ") + name);
            nextTick = Clock::now() + kTickInterval;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::max<long long>(wait.count(), 0)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    openLog();
    const std::string arguments = joinArguments(argc, argv);
    logLine(wintest::argsLine(arguments));

    const std::unique_ptr<WindowSystem> windows = createNativeWindowSystem();
    const CommandLineResult parsed = parseLinkCommandLine(arguments, *windows);
    if (parsed.outcome == CommandLineOutcome::RunKivraInstead) {
        logLine("refused run-kivra-instead");
        return finish(0);
    }
    if (parsed.outcome != CommandLineOutcome::Ok) {
        logLine("refused silent");
        return finish(0);
    }
    const LinkCommandLine& line = parsed.line;
    logLine(wintest::commandLineLine(line));
    logLine(wintest::namesLine(line.names));

    const auto store = openDefaultStore();
    if (store.problem) logLine("error " + hexBytes(store.problem->what()));
    const Rect hostRect = windows->rect(line.hostWindow).value_or(Rect{});

    // Beside the host's top-left corner.
    StandinWindow window(*windows, line.names.linkTitle,
                         Rect{hostRect.left + 30, hostRect.top + 40, hostRect.left + 250, hostRect.top + 160});
    if (!window.hwnd()) return finish(3);
    linkWindow = &window;
    windows->markOwnWindow(window.id());

    LinkState state = makeLinkState(line, hostRect);
    state.ownWindow = window.id();
    LinkCommands commands(*windows, window, state, *store.store);
    HostTracker tracker(*windows, window, state);
    std::string error;
    auto receiver = ChannelReceiver::listen(
        window.id(),
        [&](const ChannelMessage& m) -> std::string {
            logLine(wintest::receivedLine(m.kind, m.payload));
            if (m.kind == ChannelKind::CloseRequest) {
                window.unload();
                return {};
            }
            commands.handle(m.kind, m.payload);
            if (m.kind == ChannelKind::Rename) logLine(wintest::namesLine(state.names));
            if (m.kind == ChannelKind::Rename || m.kind == ChannelKind::ReloadMatchOptions)
                logLine(wintest::optionsLine(state.matchOptions));
            return {};
        },
        &error);
    if (!receiver) {
        logLine("error " + hexBytes(error));
        return finish(3);
    }
    ShowWindow(window.hwnd(), SW_SHOWNORMAL);

    // The first activation: the options, the tick, and the report to the main window, sent
    // without waiting for its answer as the link program sends it.
    commands.reloadMatchOptions();
    logLine(wintest::optionsLine(state.matchOptions));
    logLine("window " + std::to_string(window.id()) + " " + std::to_string(GetCurrentProcessId()));
    const LinkReadyReport report{window.id(), static_cast<ProcessId>(GetCurrentProcessId()), line.hostWindow};
    sendChannelMessage(line.mainWindow, ChannelKind::LinkReady, formatLinkReady(report), std::chrono::milliseconds(0));

    const int code = runLoop(tracker, window);
    linkWindow = nullptr;
    return finish(code);
}
