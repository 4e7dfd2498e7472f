// Link programs an earlier main program left running (it crashed or was killed): each
// one that covers a memorized link's host is recorded as if this program had started
// it, so that it is never started twice, can be deactivated and ends at exit; any
// other is asked to close.
#pragma once

#include "LinkChannel.h"
#include "LinkTable.h"
#include "WindowSystem.h"

#include <functional>
#include <vector>

namespace kivra {

// Asks every channel endpoint of this display but `self` for its link report, removing
// endpoints nobody listens on. Synchronous: each ask waits up to the channel's timeout,
// so it runs off the user-interface thread.
std::vector<LinkReport> findRunningLinks(WindowId self);

struct AdoptionResult {
    int adopted = 0;
    std::vector<WindowId> toClose;  // link windows nobody here wants
};

// Records each reported link whose window exists (and is its reporting process's), whose
// title names a memorized link that is not active and whose host still exists; the other
// link windows that exist are returned to be closed. Links this program started itself
// meanwhile (recorded already, or still starting: `startedHere`) are left alone.
AdoptionResult adoptLinks(const std::vector<LinkReport>& found, LinkTable& table, WindowSystem& windows,
                          const std::function<bool(ProcessId)>& startedHere = {});

}  // namespace kivra
