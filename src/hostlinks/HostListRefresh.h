// The host list refresh of the Create Host Links page (`Timer3_Timer`): walk into the
// shadow host list, rebuild the visible host list only when the walk differs from it.
#pragma once

#include "WindowEnumeration.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

enum class RefreshOutcome {
    Busy,       // a refresh or an Add/Delete/Edit was running: nothing done
    Unchanged,  // the host list (and its selection) stays as it is
    Rebuilt,    // the host list was refilled: the view must rebuild it and loses its selection
};

class HostListRefresh {
public:
    explicit HostListRefresh(WindowSystem& ws) : ws_(ws) {}

    // One tick.
    RefreshOutcome refresh();

    // Opening the page: not busy, and the next refresh rebuilds.
    void open();
    void forceRebuild() { lastListedCount_ = -1; }

    // Add, Delete and Edit hold the refresh off while they (and their message boxes) run.
    bool busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }

    // Runs inside each refresh after the lists are up to date (check active links).
    void setCheckActiveLinks(std::function<void()> hook) { checkActiveLinks_ = std::move(hook); }

    const std::vector<HostEntry>& hostList() const { return hostList_; }
    const std::vector<HostEntry>& shadowList() const { return shadowList_; }
    std::vector<std::string> hostListTexts() const;
    // The window of host list entry `index`: the shadow entry's at the same index; 0 when none.
    WindowId hostWindowAt(int index) const;
    int lastListedCount() const { return lastListedCount_; }

private:
    bool needsRebuild() const;

    WindowSystem& ws_;
    bool busy_ = false;
    std::int16_t lastListedCount_ = -1;
    std::vector<HostEntry> hostList_;
    std::vector<HostEntry> shadowList_;
    std::function<void()> checkActiveLinks_;
};

// A list box's horizontal scroll range in pixels: 0 for an empty list, else the widest
// entry plus two blanks, truncated. `textWidth` measures a text in pixels in the list's font.
int horizontalExtent(std::span<const std::string> entries, const std::function<double(std::string_view)>& textWidth);

// "Total Links Defined: " + the link count.
std::string linkCountLabelText(int linkCount);

}  // namespace kivra
