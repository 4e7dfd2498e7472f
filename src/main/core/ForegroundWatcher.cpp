// The foreground watcher's change and settled passes, and raise top window links.
#include "ForegroundWatcher.h"

#include "Matching.h"
#include "WindowEnumeration.h"

#include <algorithm>
#include <cstdint>

namespace kivra {

namespace {

constexpr std::uint32_t kForegroundFields = FieldClass | FieldStyle | FieldVisible | FieldControlId | FieldParent;

// A standard dialog box or a help viewer frame, of any application.
bool isDialogOrHelpViewer(const WindowInfo& w) {
    return w.className == "#32770" || w.className == "HH Parent" || w.kind == WindowKind::Dialog ||
           w.kind == WindowKind::HelpViewer;
}

// WS_POPUP set (negative as a signed number), or no style at all.
bool popupOrNoStyle(const WindowInfo& w) { return static_cast<std::int32_t>(w.style) <= 0; }

}  // namespace

ForegroundPass ForegroundWatcher::tick(const ForegroundInputs& inputs) {
    if (state_.foregroundBusy) return ForegroundPass::Busy;
    BusyHold hold(state_.foregroundBusy);

    const WindowId f = windows_.foreground();
    if (state_.lastForeground == f && newLinkRecorded()) state_.forceForegroundPass();
    if (state_.lastForeground != f) {
        changePass(f, inputs.hostWalk);
        return ForegroundPass::Change;
    }
    if (state_.foregroundSettled) return ForegroundPass::Idle;
    settledPass(f, inputs);
    return ForegroundPass::Settled;
}

void ForegroundWatcher::changePass(WindowId f, HostWalk hostWalk) {
    state_.foregroundSettled = false;
    if (f == 0 || !windows_.exists(f)) return;
    const WindowInfo info = windows_.describe(f, kForegroundFields);

    // An owned window, a dialog box or a help viewer in front: the links of the top
    // listed window stay over it. The foreground window is not remembered, so this
    // repeats on every tick while it stays in front.
    if (info.controlId == 0) {
        if (info.parent != 0 || isDialogOrHelpViewer(info)) {
            raiseLinksAndForeground(hostWalk);
            return;
        }
    } else if (popupOrNoStyle(info)) {
        return;
    }
    if (!info.visible) return;

    // Links behind: every link whose host is neither the foreground window nor one
    // of its MDI children steps back.
    for (int i = 0; i < table_.linkCount(); ++i) {
        const HostLink& link = table_.at(i);
        if (!link.active || link.hostWindow == f || link.linkWindow == f) continue;
        if (!isMdiChildOf(link.hostWindow, f)) messenger_.sendCommand(link.linkWindow, kCommandHostBehind);
    }
    windows_.raise(f);
    pause_(kStepPause);

    for (int m = 0; m < table_.linkCount(); ++m) {
        const HostLink& link = table_.at(m);
        if (!link.active) continue;
        if (link.hostWindow == f) {
            for (int k : activeLinksOfHost(f)) sendAndRaise(table_.at(k).linkWindow, kCommandHostInFront);
            break;
        }
        if (link.linkWindow == f) {
            const WindowId host = link.hostWindow;
            if (!isMdiChildOf(host, f)) {
                for (int k : activeLinksOfHost(host, m)) sendAndRaise(table_.at(k).linkWindow, kCommandHostInFront);
                messenger_.sendCommand(f, kCommandHostBehind);
            }
            sendAndRaise(f, kCommandLinkInFront);
            break;
        }
    }
    state_.lastForeground = f;
    rememberLinkWindows();
}

void ForegroundWatcher::settledPass(WindowId f, const ForegroundInputs& inputs) {
    state_.foregroundSettled = true;
    if (f == 0 || !windows_.exists(f)) return;
    const WindowInfo info = windows_.describe(f, kForegroundFields);
    if (info.controlId == 0) {
        if (info.parent != 0) raiseLinksAndForeground(inputs.hostWalk);
    } else if (popupOrNoStyle(info)) {
        return;
    }
    if (!info.visible || f == mainWindow_ || inputs.messageBox == MessageBoxState::Open) return;

    // MDI children listed right after the first top-level window: their links go on
    // top, the first child's own link window bright when it is the one in front.
    const std::vector<HostEntry> shadow = state_.shadowHostList;
    if (inputs.hostWalk != HostWalk::Running || shadow.size() < 2) return;
    std::size_t c = 0;
    while (1 + c < shadow.size() && shadow[1 + c].text.starts_with(" + C")) ++c;
    if (c == 0) return;
    for (std::size_t e = c; e >= 1; --e) {
        const int m = firstMatchingRecord(entryTitle(shadow[e].text));
        if (m < 0) continue;
        auto code = [&](WindowId linkWindow) { return e == 1 && linkWindow == f ? kCommandMdiLink : kCommandMdiHost; };
        const HostLink& link = table_.at(m);
        const WindowId host = link.hostWindow;
        if (link.active) sendAndRaise(link.linkWindow, code(link.linkWindow));
        for (int k : activeLinksOfHost(host, m)) sendAndRaise(table_.at(k).linkWindow, code(table_.at(k).linkWindow));
    }

    if (state_.autoLaunched) {
        state_.autoLaunched = false;
        raiseLinksAndForeground(inputs.hostWalk);
    }
}

void ForegroundWatcher::raiseTopWindowLinks(HostWalk hostWalk) {
    if (state_.shadowHostList.empty() || hostWalk != HostWalk::Running) return;
    const int m = firstMatchingRecord(entryTitle(state_.shadowHostList.front().text));
    if (m < 0) return;
    const WindowId host = table_.at(m).hostWindow;
    if (host == 0) return;
    for (int k : activeLinksOfHost(host)) sendAndRaise(table_.at(k).linkWindow, kCommandHostInFront);
}

void ForegroundWatcher::raiseLinksAndForeground(HostWalk hostWalk) {
    raiseTopWindowLinks(hostWalk);
    windows_.raise(windows_.foreground());
    pause_(kStepPause);
}

void ForegroundWatcher::sendAndRaise(WindowId linkWindow, std::string_view code) {
    messenger_.sendCommand(linkWindow, code);
    windows_.raise(linkWindow);
    pause_(kStepPause);
}

std::vector<int> ForegroundWatcher::activeLinksOfHost(WindowId host, int except) const {
    std::vector<int> out;
    for (int k = 0; k < table_.linkCount(); ++k) {
        const HostLink& link = table_.at(k);
        if (k != except && link.active && link.hostWindow == host) out.push_back(k);
    }
    return out;
}

bool ForegroundWatcher::isMdiChildOf(WindowId host, WindowId f) {
    if (host == 0) return false;
    const WindowId client = windows_.parent(host);
    if (client == 0) return false;
    const WindowId frame = windows_.parent(client);
    return frame != 0 && frame == f;
}

int ForegroundWatcher::firstMatchingRecord(const std::string& windowTitle) const {
    for (int m = 0; m < table_.linkCount(); ++m) {
        const HostLink& link = table_.at(m);
        if (titleMatches(link.title, windowTitle, link.matchMethod, link.exclusionText)) return m;
    }
    return -1;
}

bool ForegroundWatcher::newLinkRecorded() const {
    for (const HostLink& link : table_.records())
        if (link.active && std::find(knownLinkWindows_.begin(), knownLinkWindows_.end(), link.linkWindow) ==
                               knownLinkWindows_.end())
            return true;
    return false;
}

void ForegroundWatcher::rememberLinkWindows() {
    knownLinkWindows_.clear();
    for (const HostLink& link : table_.records())
        if (link.active) knownLinkWindows_.push_back(link.linkWindow);
}

}  // namespace kivra
