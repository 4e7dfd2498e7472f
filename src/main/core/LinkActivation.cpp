// Activate and Host: the search for the link's host and the launch of its link program.
#include "LinkActivation.h"

#include "LinkMessages.h"
#include "StatusList.h"
#include "WindowEnumeration.h"

namespace kivra {

void bringHostToTop(WindowSystem& windows, WindowId host, const Pause& pause) {
    // A failed call does not stop the steps that follow.
    if (windows.isMinimized(host)) windows.restore(host);
    // The host gets the keyboard focus, which the link window started next never takes.
    windows.raiseWithFocus(host);
    pause(kStepPause);
}

std::string titleSent(const HostLink& link, const std::string& hostTitle) {
    return link.matchMethod == MatchMethod::Exact ? hostTitle : link.title;
}

ActivationOutcome LinkActivation::refuse(ActivationOutcome outcome, ActivationMode mode) {
    switch (outcome) {
    case ActivationOutcome::NoWindow:
        if (mode == ActivationMode::HostOnly)
            messages_.show(MessageKind::HostNotActive, hostNotActiveText());
        else
            messages_.show(MessageKind::HostNotRunning, hostNotRunningText());
        break;
    case ActivationOutcome::MainNotNormal: messages_.show(MessageKind::CantExecute, cantExecuteText()); break;
    case ActivationOutcome::AlreadyActive: messages_.show(MessageKind::AlreadyActive, alreadyActiveText()); break;
    case ActivationOutcome::Mismatch: messages_.show(MessageKind::ClassMismatch, classMismatchText()); break;
    default: break;
    }
    return outcome;
}

ActivationOutcome LinkActivation::activate(const std::optional<std::string>& selectedStatusLine,
                                           MainWindowState mainState, ActivationMode mode,
                                           LinkStarts::Clock::time_point now) {
    if (!selectedStatusLine || table_.empty()) return ActivationOutcome::Nothing;

    const std::vector<HostEntry> shadow = walkWindows(windows_);
    if (shadow.empty()) return refuse(ActivationOutcome::NoWindow, mode);
    if (mainState != MainWindowState::Normal) return refuse(ActivationOutcome::MainNotNormal, mode);

    const std::string linkTitle = statusLineTitle(*selectedStatusLine);
    const auto record = table_.find(linkTitle);
    if (!record) return ActivationOutcome::Nothing;
    const HostLink& link = table_.at(*record);
    // A link whose program is still starting is as good as active: never a second process.
    const bool active = link.active || starts_.isStarting(link.title);

    // Only the first window whose title matches is considered.
    for (const HostEntry& entry : shadow) {
        const std::string hostTitle = entryTitle(entry.text);
        const LinkMatch match = matchLinkToWindow(link.matchRule(), hostTitle, entry.className);
        if (match == LinkMatch::TitleMismatch) continue;
        if (active && mode == ActivationMode::Activate) return refuse(ActivationOutcome::AlreadyActive, mode);
        if (match != LinkMatch::Match) return refuse(ActivationOutcome::Mismatch, mode);
        return launchLink(entry.window, hostTitle, *record, mode, now);
    }
    return refuse(ActivationOutcome::NoWindow, mode);
}

ActivationOutcome LinkActivation::launchLink(WindowId host, const std::string& hostTitle, int record,
                                             ActivationMode mode, LinkStarts::Clock::time_point now) {
    if (host == 0) return ActivationOutcome::Nothing;
    bringHostToTop(windows_, host, pause_);
    if (mode == ActivationMode::HostOnly) return ActivationOutcome::HostRaised;
    switch (starts_.start(host, titleSent(table_.at(record), hostTitle), now)) {
    case StartOutcome::Started: return ActivationOutcome::Started;
    case StartOutcome::AlreadyStarting: return ActivationOutcome::AlreadyActive;
    case StartOutcome::NotStarted: break;
    }
    return ActivationOutcome::NotStarted;
}

}  // namespace kivra
