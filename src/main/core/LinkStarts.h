// Link programs from their start until their window is known: the start itself, the
// identification of the new link window (the link's own ready report, or a window
// owned by the started process), the record of an identified link, and the end of
// a start that never shows a window. Nothing here waits: poll() handles deadlines.
#pragma once

#include "LinkChannel.h"
#include "LinkLauncher.h"
#include "LinkTable.h"
#include "ResourceCheck.h"
#include "WindowSystem.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// The link program's argument string, fields separated by TAB: host window, instance
// "1", count "1", main window, the title's length in characters, the title.
std::string linkArgumentString(WindowId host, WindowId mainWindow, std::string_view title);

enum class StartOutcome {
    Started,          // the process runs; its link is starting until identified
    AlreadyStarting,  // a process for that link is starting: none more is started
    NotStarted,       // the program could not be started
};

class LinkStarts {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kDefaultIdentifyTimeout{10000};

    // Everything given must outlive this object.
    LinkStarts(WindowSystem& windows, LinkTable& table, LinkLauncher& launcher, ResourceCheck& resources,
               WindowId mainWindow = 0)
        : windows_(windows), table_(table), launcher_(launcher), resources_(resources), mainWindow_(mainWindow) {}

    void setMainWindow(WindowId window) { mainWindow_ = window; }
    WindowId mainWindow() const { return mainWindow_; }
    // How long a started link may take to show its window before it is ended.
    void setIdentifyTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // Starts the link program for the link titled `titleSent` over `host`. The link
    // is recorded as active only once its window is identified.
    StartOutcome start(WindowId host, const std::string& titleSent, Clock::time_point now);

    // The link with this exact title has a process starting.
    bool isStarting(std::string_view title) const;
    // This process is a link program started here that has not shown its window yet.
    bool isStartingProcess(ProcessId pid) const;
    int pendingCount() const { return static_cast<int>(pending_.size()); }

    // A LinkReady message from the channel; returns the answer ("1" recorded, "0" not).
    // The report counts only when the kernel's sender process is the process we
    // started, the report names that process and the host it was given, and the
    // window exists and is not another process's. Recording may show the resource
    // warning (a modal box) after the record is complete.
    std::string handleLinkReady(const ChannelMessage& message);

    // From a timer: forgets starts whose process has ended, identifies a start by a
    // visible normal top-level window its process owns, ends (terminates) starts
    // past their deadline, and reaps every exited child.
    void poll(Clock::time_point now);

    // Collects every link program of ours that has ended, identified or not, so that
    // a link that ended after it was recorded does not linger as a zombie.
    void reapExited() { launcher_.reapExited(); }

    // Ends the link program of a link that no longer answers (see LinkLauncher::endHung).
    void endHungLink(ProcessId pid) { launcher_.endHung(pid); }

    // Ends the starting process of the link titled `title` (deleted or deactivated
    // while starting). Nothing is recorded.
    void cancel(std::string_view title);
    // Ends every starting process (exit).
    void cancelAll();

private:
    struct Pending {
        ProcessId pid = 0;
        std::string title;  // the title sent: names the link record
        WindowId host = 0;
        Clock::time_point deadline;
    };

    // Records the start of process `pid` as identified with `linkWindow`.
    bool identify(ProcessId pid, WindowId linkWindow);
    Pending* findPending(ProcessId pid);
    void erasePending(ProcessId pid);
    WindowId windowOwnedBy(ProcessId pid, const std::vector<WindowInfo>& windows) const;

    WindowSystem& windows_;
    LinkTable& table_;
    LinkLauncher& launcher_;
    ResourceCheck& resources_;
    WindowId mainWindow_ = 0;
    std::chrono::milliseconds timeout_ = kDefaultIdentifyTimeout;
    std::vector<Pending> pending_;
    bool polling_ = false;
};

}  // namespace kivra
