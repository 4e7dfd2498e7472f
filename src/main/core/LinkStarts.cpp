// Starting link programs and identifying their windows.
#include "LinkStarts.h"

#include "TextRules.h"

#include <algorithm>

namespace kivra {

std::string linkArgumentString(WindowId host, WindowId mainWindow, std::string_view title) {
    return std::to_string(host) + "\t1\t1\t" + std::to_string(mainWindow) + "\t" +
           std::to_string(characterCount(title)) + "\t" + std::string(title);
}

StartOutcome LinkStarts::start(WindowId host, const std::string& titleSent, Clock::time_point now) {
    if (isStarting(titleSent)) return StartOutcome::AlreadyStarting;
    const ProcessId pid = launcher_.start(linkArgumentString(host, mainWindow_, titleSent));
    if (pid == 0) return StartOutcome::NotStarted;
    pending_.push_back({pid, titleSent, host, now + timeout_});
    return StartOutcome::Started;
}

bool LinkStarts::isStarting(std::string_view title) const {
    return std::any_of(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.title == title; });
}

bool LinkStarts::isStartingProcess(ProcessId pid) const {
    return std::any_of(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.pid == pid; });
}

LinkStarts::Pending* LinkStarts::findPending(ProcessId pid) {
    const auto it = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.pid == pid; });
    return it == pending_.end() ? nullptr : &*it;
}

void LinkStarts::erasePending(ProcessId pid) {
    std::erase_if(pending_, [&](const Pending& p) { return p.pid == pid; });
}

std::string LinkStarts::handleLinkReady(const ChannelMessage& message) {
    const std::string unknown(kLinkUnknown);
    if (message.kind != ChannelKind::LinkReady) return unknown;
    const auto report = parseLinkReady(message.payload);
    if (!report || message.senderPid != report->pid) return unknown;
    const Pending* pending = findPending(report->pid);
    if (!pending || pending->host != report->hostWindow) return unknown;
    if (!windows_.exists(report->linkWindow)) return unknown;
    const ProcessId owner = windows_.processOf(report->linkWindow);
    if (owner != 0 && owner != report->pid) return unknown;
    return identify(report->pid, report->linkWindow) ? std::string(kLinkRecorded) : unknown;
}

bool LinkStarts::identify(ProcessId pid, WindowId linkWindow) {
    const Pending* pending = findPending(pid);
    if (!pending) return false;
    const Pending started = *pending;
    erasePending(pid);

    // The link was deleted, renamed or activated otherwise meanwhile: nobody wants
    // this process, and untracked it would cover its host for good.
    const auto index = table_.find(started.title);
    if (!index || table_.at(*index).active) {
        launcher_.terminate(pid);
        return false;
    }
    HostLink& record = table_.at(*index);
    record.title = started.title;
    record.hostWindow = started.host;
    record.linkWindow = linkWindow;
    record.active = true;
    record.autoExecReady = false;
    table_.incrementActiveLinkCount();
    // Last: the warning box may let timers run, and everything is recorded by now.
    resources_.run(table_.activeLinkCount());
    return true;
}

WindowId LinkStarts::windowOwnedBy(ProcessId pid, const std::vector<WindowInfo>& windows) const {
    for (const WindowInfo& w : windows)
        if (w.exists && w.pid == pid && w.visible && w.kind == WindowKind::Normal) return w.id;
    return 0;
}

void LinkStarts::poll(Clock::time_point now) {
    launcher_.reapExited();
    if (pending_.empty() || polling_) return;
    polling_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{polling_};

    std::vector<WindowInfo> topLevel;
    const std::vector<Pending> snapshot = pending_;
    for (const Pending& p : snapshot) {
        // Each step looks the start up again: a ready report handled while a
        // warning box was open may have recorded it already.
        if (!findPending(p.pid)) continue;
        if (!launcher_.alive(p.pid)) {
            erasePending(p.pid);
            continue;
        }
        if (topLevel.empty()) {
            const std::vector<WindowId> ids = windows_.topLevelWindows();
            topLevel = windows_.describe(ids, FieldProcess | FieldStyle | FieldVisible);
        }
        if (const WindowId w = windowOwnedBy(p.pid, topLevel)) {
            identify(p.pid, w);
            continue;
        }
        if (now >= p.deadline) {
            erasePending(p.pid);
            launcher_.terminate(p.pid);
        }
    }
}

void LinkStarts::cancel(std::string_view title) {
    std::vector<ProcessId> ended;
    for (const Pending& p : pending_)
        if (p.title == title) ended.push_back(p.pid);
    for (ProcessId pid : ended) {
        erasePending(pid);
        launcher_.terminate(pid);
    }
}

void LinkStarts::cancelAll() {
    const std::vector<Pending> all = std::move(pending_);
    pending_.clear();
    for (const Pending& p : all) launcher_.terminate(p.pid);
}

}  // namespace kivra
