// Test doubles for the main program's link logic: a scripted message sink, a launcher that only
// pretends to start processes, a messenger over the fake desktop, and a world wiring them.
#pragma once

#include "FakeDesktop.h"
#include "LinkActivation.h"
#include "LinkDeactivation.h"
#include "LinkLauncher.h"
#include "LinkMessenger.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "MessageSink.h"
#include "ResourceCheck.h"
#include "StatusList.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kivra::test {

// Records the kind of every box; answers from `answers` (then 6). For kind 28 it clicks the
// check box `ticks` times, as a user would, inverting the warning flag.
class ScriptedMessages : public MessageSink {
public:
    std::vector<int> shown;  // the kinds, in order
    std::deque<int> answers;
    int ticks = 0;
    std::function<void(MessageKind)> whileShown;  // timers running under the modal box
    bool warningOff = false;

    int show(MessageKind kind, const std::string&) override {
        shown.push_back(static_cast<int>(kind));
        if (kind == MessageKind::ResourcesLow)
            for (int i = 0; i < ticks; ++i) warningOff = !warningOff;
        if (whileShown) whileShown(kind);
        if (answers.empty()) return kResultFirst;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool resourceWarningOff() const override { return warningOff; }
    void setResourceWarningOff(bool off) override { warningOff = off; }
};

class FakeLauncher : public LinkLauncher {
public:
    std::vector<std::string> arguments;  // one per start
    std::set<ProcessId> running;
    std::vector<ProcessId> terminated;
    std::vector<ProcessId> endedHung;
    int reaps = 0;
    bool failStarts = false;
    ProcessId nextPid = 7001;

    ProcessId start(const std::string& argument) override {
        arguments.push_back(argument);
        if (failStarts) return 0;
        running.insert(nextPid);
        return nextPid++;
    }
    bool alive(ProcessId pid) override { return running.count(pid) != 0; }
    void terminate(ProcessId pid) override {
        terminated.push_back(pid);
        running.erase(pid);
    }
    void reapExited() override { ++reaps; }
    void endHung(ProcessId pid) override {
        endedHung.push_back(pid);
        running.erase(pid);
    }
};

// Messages to link windows, in order: a command's code, "rename:<title>" or "reload".
using Commands = std::vector<std::pair<WindowId, std::string>>;

// Close requests go to the fake desktop and count as unanswered, as a window manager's request
// is, unless the window is in `answering` (a link answering over the channel); those to a window
// in `hung` wait in `held` until the test answers them. Other messages are recorded.
class DesktopMessenger : public LinkMessenger {
public:
    explicit DesktopMessenger(FakeDesktop& desktop) : desktop_(desktop) {}
    Commands commands;
    std::set<WindowId> answering;
    std::set<WindowId> hung;
    std::vector<std::pair<WindowId, CloseDone>> held;

    void sendCommand(WindowId linkWindow, std::string_view code) override {
        commands.emplace_back(linkWindow, std::string(code));
    }
    void sendRename(WindowId linkWindow, std::string_view title) override {
        commands.emplace_back(linkWindow, "rename:" + std::string(title));
    }
    void sendReload(WindowId linkWindow) override { commands.emplace_back(linkWindow, "reload"); }
    void requestClose(WindowId linkWindow, CloseDone done) override {
        if (hung.count(linkWindow)) {
            held.emplace_back(linkWindow, std::move(done));
            return;
        }
        desktop_.requestClose(linkWindow);
        done(answering.count(linkWindow) ? CloseAnswer::Handled : CloseAnswer::NotHandled);
    }
    // The held close requests come to an end with `answer`.
    void answerHeld(CloseAnswer answer) {
        for (auto& [window, done] : std::exchange(held, {})) done(answer);
    }

private:
    FakeDesktop& desktop_;
};

inline constexpr WindowId kMainWindow = 5678;
inline constexpr std::uint64_t kMiB = 1024 * 1024;

// Everything the link logic runs on, with plenty of memory unless a test says otherwise.
struct LinkWorld {
    using Clock = LinkStarts::Clock;

    FakeDesktop desktop;
    LinkTable table;
    ScriptedMessages messages;
    FakeLauncher launcher;
    DesktopMessenger messenger{desktop};
    MemoryStatus memory{.totalPhys = 8192 * kMiB, .availPhys = 4096 * kMiB};
    bool memoryReadable = true;
    int memoryReads = 0;
    ResourceCheck resources{messages, [this]() -> std::optional<MemoryStatus> {
                                ++memoryReads;
                                if (!memoryReadable) return std::nullopt;
                                return memory;
                            }};
    // Pauses, each with the number of desktop actions logged before it.
    std::vector<std::size_t> pauses;
    Pause pause = [this](std::chrono::milliseconds) { pauses.push_back(desktop.actions().size()); };
    LinkStarts starts{desktop, table, launcher, resources, kMainWindow};
    LinkActivation activation{desktop, table, starts, messages, pause};
    LinkDeactivation deactivation{desktop, table, messenger, starts, messages, pause};
    Clock::time_point t0 = Clock::now();

    int addLink(HostLink link) { return *table.insert(std::move(link)); }
    int addLink(const std::string& title, MatchMethod method = MatchMethod::Exact) {
        return addLink(HostLink{.title = title, .matchMethod = method});
    }
    HostLink& link(const std::string& title) { return table.at(*table.find(title)); }

    // A window the link program of `pid` shows.
    WindowId linkWindowOf(ProcessId pid) {
        return desktop.addWindow({.title = "Kivra [Link]", .className = "QbaseRT5-kivlink", .pid = pid});
    }
    // The link program's ready report, sent by `sender` as the kernel saw it.
    std::string ready(WindowId linkWindow, ProcessId pid, WindowId host, ProcessId sender) {
        const std::string payload = formatLinkReady({linkWindow, pid, host});
        return starts.handleLinkReady({ChannelKind::LinkReady, payload, sender});
    }
    // Activates the link titled `title` as if its line were selected on the page.
    ActivationOutcome activate(const std::string& title, ActivationMode mode = ActivationMode::Activate,
                               MainWindowState state = MainWindowState::Normal) {
        return activation.activate(statusLine(link(title)), state, mode, t0);
    }
    // Starts and identifies the link titled `title` over `host`; returns its link window.
    WindowId makeActive(const std::string& title, WindowId host) {
        const ProcessId pid = launcher.nextPid;
        starts.start(host, title, t0);
        const WindowId w = linkWindowOf(pid);
        ready(w, pid, host, pid);
        return w;
    }
    // A window titled `title` and a link of that title active over it; returns its link window.
    WindowId activeLink(const std::string& title) {
        const WindowId host = desktop.addWindow({.title = title});
        addLink(title);
        return makeActive(title, host);
    }
};

}  // namespace kivra::test
