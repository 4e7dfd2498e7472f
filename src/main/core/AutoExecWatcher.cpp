// The auto-execute watcher tick and the auto launch.
#include "AutoExecWatcher.h"

#include "LinkActivation.h"
#include "Matching.h"
#include "TextRules.h"
#include "WindowEnumeration.h"

namespace kivra {

namespace {
constexpr std::string_view kWebAddressPrefix = "http://";
}  // namespace

int countTopLevelOfClass(WindowSystem& windows, const std::string& className) {
    const std::vector<WindowId> tops = windows.topLevelWindows();
    int count = 0;
    for (const WindowInfo& w : windows.describe(tops, FieldClass | FieldParent))
        if (w.exists && w.parent == 0 && cutToCharacters(w.className, kWindowTextLimit) == className) ++count;
    return count;
}

bool AutoExecWatcher::heldOff() const {
    return state_.foregroundBusy || hostList_.busy() || status_.busy() || state_.watcherBusy;
}

bool AutoExecWatcher::readyToStart(const HostLink& link) const {
    // A link whose program is still starting is as good as active: never a second process.
    return !link.active && link.autoExecReady && !starts_.isStarting(link.title);
}

AutoExecOutcome AutoExecWatcher::tick(Clock::time_point now) {
    if (heldOff()) return AutoExecOutcome::Busy;
    BusyHold hold(state_.watcherBusy);
    if (table_.empty()) return AutoExecOutcome::Idle;

    state_.shadowHostList = walkWindows(windows_);
    deactivation_.checkActiveLinks();

    for (const HostEntry& entry : state_.shadowHostList) {
        const std::string hostTitle = entryTitle(entry.text);
        for (int j = 0; j < table_.linkCount(); ++j) {
            const HostLink& listed = table_.at(j);
            if (!titleMatches(listed.title, hostTitle, listed.matchMethod, listed.exclusionText)) continue;
            const int k = table_.find(listed.title).value_or(j);
            const HostLink& link = table_.at(k);
            if (!readyToStart(link)) continue;
            if (singleCharacterRuleApplies(listed.title, listed.matchMethod) &&
                !singleCharacterRulePasses(listed.title, hostTitle))
                continue;
            if (!classMatches(link.matchClass, link.winClass, entry.className)) continue;

            switch (autoLaunch(entry.window, hostTitle, k, now)) {
            case AutoLaunchOutcome::Started: return AutoExecOutcome::Started;
            case AutoLaunchOutcome::NotStarted: return AutoExecOutcome::NotStarted;
            case AutoLaunchOutcome::HostClosed: return AutoExecOutcome::HostClosed;
            case AutoLaunchOutcome::NoHost: return AutoExecOutcome::Idle;
            // Nothing happened for this pair: the pairs after it still get their
            // turn, so a gated or spared window high in the Z order cannot keep
            // every link below it from ever starting.
            case AutoLaunchOutcome::Gated:
            case AutoLaunchOutcome::HostSpared: break;
            }
        }
    }
    return AutoExecOutcome::Idle;
}

AutoLaunchOutcome AutoExecWatcher::autoLaunch(WindowId host, const std::string& hostTitle, int record,
                                              Clock::time_point now) {
    if (host == 0) {
        state_.autoLaunched = true;
        state_.forceForegroundPass();
        return AutoLaunchOutcome::NoHost;
    }
    const HostLink& link = table_.at(record);

    // A browser showing a web address as its title: only a second window of the
    // same class (a pop-up beside the main window) is covered.
    if (startsWithNoCase(hostTitle, kWebAddressPrefix) && countTopLevelOfClass(windows_, link.winClass) < 2)
        return AutoLaunchOutcome::Gated;

    // A Terminate Pop-up link never starts a link program and records nothing.
    if (link.terminateHost) return terminatePopup(host);

    bringHostToTop(windows_, host, pause_);
    const std::string sent = titleSent(link, hostTitle);
    windows_.nudgeForegroundLock();
    if (starts_.start(host, sent, now) != StartOutcome::Started) return AutoLaunchOutcome::NotStarted;
    state_.autoLaunched = true;
    state_.forceForegroundPass();
    return AutoLaunchOutcome::Started;
}

AutoLaunchOutcome AutoExecWatcher::terminatePopup(WindowId host) {
    // A plain application main window (0x16CF0000 and no other bit) is left alone.
    // On X11 the backend synthesizes that style for every visible, decorated,
    // resizable window of type NORMAL that is not transient, so there only windows
    // that are undecorated, of fixed size, transient or typed otherwise are closed:
    // a pop-up that a browser opens as an ordinary browser window is spared.
    // The state bits do not make a window a pop-up: a maximized main window is spared too.
    const std::uint32_t kind = windows_.describe(host, FieldStyle).style & ~(style::Minimize | style::Maximize);
    if (kind == style::PlainMainWindow) return AutoLaunchOutcome::HostSpared;
    for (int n = 0; n < kMaxCloseRequests && windows_.exists(host); ++n) {
        pause_(kStepPause);
        windows_.requestClose(host);
    }
    return AutoLaunchOutcome::HostClosed;
}

}  // namespace kivra
