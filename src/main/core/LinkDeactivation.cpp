// Deactivate, end link window, check active links and the ending of links on exit.
#include "LinkDeactivation.h"

#include "LinkMessages.h"
#include "StatusList.h"

#include <vector>

namespace kivra {

void markInactive(LinkTable& table, HostLink& link) {
    if (link.active) table.decrementActiveLinkCount();
    link.active = false;
    link.autoExecReady = link.autoExec;
}

void LinkDeactivation::endLinkWindow(WindowId linkWindow) {
    if (closing_.count(linkWindow)) return;  // its requests are under way already
    closeStep(linkWindow, 0);
}

// One close request, the next one when it was not answered; the link's answer
// comes back later, on this thread.
void LinkDeactivation::closeStep(WindowId linkWindow, int sent) {
    if (sent >= kMaxCloseRequests || !windows_.exists(linkWindow)) {
        closing_.erase(linkWindow);
        return;
    }
    closing_.insert(linkWindow);
    windows_.raise(linkWindow);
    pause_(kStepPause);
    messenger_.requestClose(linkWindow, [this, linkWindow, sent](CloseAnswer answer) {
        switch (answer) {
        case CloseAnswer::Handled: closing_.erase(linkWindow); break;
        case CloseAnswer::NoAnswer:
            closing_.erase(linkWindow);
            endHungLink(linkWindow);
            break;
        case CloseAnswer::NotHandled: closeStep(linkWindow, sent + 1); break;
        }
    });
}

void LinkDeactivation::endHungLink(WindowId linkWindow) {
    if (!windows_.exists(linkWindow)) return;
    if (const ProcessId pid = windows_.processOf(linkWindow)) starts_.endHungLink(pid);
}

// Kind 26 for an auto-execute link; Yes turns its auto-execute option off.
bool LinkDeactivation::confirmDeactivate(HostLink& link) {
    if (!link.autoExec) return true;
    if (messages_.show(MessageKind::ConfirmDeactivate, confirmDeactivateText()) == kResultSecond) return false;
    link.autoExec = false;
    return true;
}

DeactivateOutcome LinkDeactivation::deactivate(const std::optional<std::string>& selectedStatusLine) {
    if (!selectedStatusLine) return DeactivateOutcome::Nothing;
    const std::string title = statusLineTitle(*selectedStatusLine);

    if (!table_.empty() && table_.activeLinkCount() != 0) {
        for (int i = 0; i < table_.linkCount(); ++i) {
            HostLink& link = table_.at(i);
            if (link.title != title || !link.active) continue;
            if (!confirmDeactivate(link)) return DeactivateOutcome::Declined;
            // `link` may have moved if the box let other work change the table.
            const WindowId window = table_.at(i).linkWindow;
            endLinkWindow(window);
            return DeactivateOutcome::Ended;
        }
    }
    if (const auto index = table_.find(title); index && starts_.isStarting(title)) {
        if (!confirmDeactivate(table_.at(*index))) return DeactivateOutcome::Declined;
        starts_.cancel(title);
        return DeactivateOutcome::StartEnded;
    }
    messages_.show(MessageKind::CantDeactivate, cantDeactivateText());
    return DeactivateOutcome::NotActive;
}

void LinkDeactivation::checkActiveLinks() {
    // A link program ends itself after its window has gone; this check runs on every
    // refresh tick, so an ended one is collected within a tick of its exit.
    starts_.reapExited();
    // One batched question for every host and link window: the auto-execute watcher
    // runs this twenty times a second, and a round trip per window adds up.
    std::vector<WindowId> asked;
    for (const HostLink& link : table_.records()) {
        if (link.hostWindow == 0) continue;
        asked.push_back(link.hostWindow);
        asked.push_back(link.linkWindow);
    }
    if (asked.empty()) return;
    const std::vector<WindowInfo> found = windows_.describe(asked, 0);
    std::size_t next = 0;
    for (int i = 0; i < table_.linkCount(); ++i) {
        HostLink& link = table_.at(i);
        if (link.hostWindow == 0) continue;
        const bool hostExists = found[next].exists, linkExists = found[next + 1].exists;
        next += 2;
        if (hostExists) {
            if (link.autoExecReady) continue;
            if (!linkExists) markInactive(table_, link);
        } else {
            markInactive(table_, link);
        }
    }
}

ExitDecision LinkDeactivation::endAllLinksOnExit(const std::function<void()>& stopTimers) {
    if (!table_.empty() && table_.activeLinkCount() != 0) {
        bool asked = false;
        for (int i = 0; i < table_.linkCount(); ++i) {
            if (!table_.at(i).active || !windows_.exists(table_.at(i).hostWindow)) continue;
            if (!asked) {
                if (messages_.show(MessageKind::ConfirmExit, confirmExitText()) == kResultSecond)
                    return ExitDecision::Cancel;
                if (stopTimers) stopTimers();
                asked = true;
            }
            HostLink& link = table_.at(i);
            endLinkWindow(link.linkWindow);
            link.active = false;
            link.autoExecReady = false;
        }
    }
    starts_.cancelAll();
    return ExitDecision::Continue;
}

}  // namespace kivra
