// Ending links and noticing that they ended: the Deactivate button, the close
// requests to a link window, the periodic check of active links, and the ending of
// every link when the main program exits.
#pragma once

#include "LinkMessenger.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "MessageSink.h"
#include "Pause.h"
#include "WindowSystem.h"

#include <functional>
#include <optional>
#include <set>
#include <string>

namespace kivra {

inline constexpr int kMaxCloseRequests = 3;

enum class DeactivateOutcome {
    Nothing,     // no selection
    Declined,    // No to kind 26: nothing changed
    Ended,       // close requests sent (the next check marks the link inactive)
    StartEnded,  // the link was still starting: its process was ended
    NotActive,   // kind 13
};

enum class ExitDecision { Continue, Cancel };

// Marks a record inactive: the active-link count drops if it was active, and it is
// auto-execute ready again exactly when its auto-execute option is on.
void markInactive(LinkTable& table, HostLink& link);

class LinkDeactivation {
public:
    // Everything given must outlive this object.
    LinkDeactivation(WindowSystem& windows, LinkTable& table, LinkMessenger& messenger, LinkStarts& starts,
                     MessageSink& messages, Pause pause = sleepPause())
        : windows_(windows), table_(table), messenger_(messenger), starts_(starts), messages_(messages),
          pause_(std::move(pause)) {}

    // End link window: at most three close requests while the window exists, each
    // after raising it and a short pause. A link that answers a request has run its
    // closing steps and gets no more (its window may linger a moment while its
    // process ends; another request would only wait for an answer that never comes).
    // A link that does not answer in time hangs: its process is ended, as a cover the
    // user cannot remove is worse than a lost save. Returns before the link answers;
    // changes no record and does not wait for the process to end.
    void endLinkWindow(WindowId linkWindow);
    // Link windows whose close requests are still under way.
    int closesUnderWay() const { return static_cast<int>(closing_.size()); }

    // `ALinksCmd3_Click` for the selected status line. A link whose program is still
    // starting counts as active: its process is ended instead of its window closed.
    DeactivateOutcome deactivate(const std::optional<std::string>& selectedStatusLine);

    // Brings the active flags and the active-link count up to date: a record whose
    // host window has gone, or whose link window has gone while it is not auto-execute
    // ready, becomes inactive. The count drops once per launch.
    void checkActiveLinks();

    // From the exit handling, before the settings are saved. Asks kind 23 once, for
    // the first active link whose host still exists; No cancels the exit with nothing
    // ended. After the first Yes `stopTimers` runs, then each such link window is asked
    // to close and its record cleared. When the exit goes on, links still starting are
    // ended too.
    ExitDecision endAllLinksOnExit(const std::function<void()>& stopTimers);

private:
    bool confirmDeactivate(HostLink& link);
    void closeStep(WindowId linkWindow, int sent);
    void endHungLink(WindowId linkWindow);

    WindowSystem& windows_;
    LinkTable& table_;
    LinkMessenger& messenger_;
    LinkStarts& starts_;
    MessageSink& messages_;
    Pause pause_;
    std::set<WindowId> closing_;
};

}  // namespace kivra
