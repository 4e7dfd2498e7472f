// Another process with windows for the Windows tests: starts tools/windowhost.exe with
// chosen windows, finds them by title, waits for the process to end, and ends it with
// the object if it still runs. The channel tests' peer is one too (ChannelPeer).
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kivra::wintest {

struct HostWindowSpec {
    std::string className;
    std::string title;
    RECT frame{100, 100, 500, 400};
};

enum class MarkOwn { No, Yes };

// The visible top-level window of process `pid` titled `title`, once there is one (this thread's
// messages pumped while waiting); null after the timeout.
HWND findWindow(DWORD pid, std::string_view title, std::chrono::milliseconds timeout = std::chrono::seconds(10));

class WindowHost {
public:
    // hangMs: how long the windows' procedure sleeps on a posted WM_APP; `more`: further arguments.
    explicit WindowHost(const std::vector<HostWindowSpec>& windows, MarkOwn mark = MarkOwn::No, int hangMs = 0,
                        const std::vector<std::wstring>& more = {});
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    // The process's window with this title once it is shown (messages pumped while
    // waiting); null after the timeout.
    HWND window(std::string_view title, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        return findWindow(pid_, title, timeout);
    }
    // Pumps messages until the process has ended; false after the timeout.
    bool waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// One argument as CommandLineToArgvW reads it back.
std::wstring quoteArgument(const std::wstring& arg);

}  // namespace kivra::wintest
