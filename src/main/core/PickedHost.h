// The Create Host Links page's Pick: which host list entry a window picked with the
// pointer selects, or why the list does not show it.
#pragma once

#include "WindowEnumeration.h"
#include "WindowSystem.h"

#include <span>
#include <string>

namespace kivra {

enum class PickOutcome {
    Selected,   // the entry at hostIndex shows the picked window
    OwnWindow,  // one of Kivra's own windows
    Dialog,     // a dialog box or a pop-up window, never listed
    NotListed,  // anything else the list does not show (no title, hidden, the desktop)
};

struct PickSelection {
    PickOutcome outcome = PickOutcome::NotListed;
    int hostIndex = -1;
};

// `hostList` is the host list as the page shows it; `picked` the top-level window clicked
// on (0: none).
PickSelection selectPickedWindow(WindowSystem& ws, std::span<const HostEntry> hostList, WindowId picked);

// The body of the message a pick that selects nothing shows (kind 39).
std::string pickRefusalText(PickOutcome outcome);

}  // namespace kivra
