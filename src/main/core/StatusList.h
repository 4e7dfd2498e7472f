// The Activate Host Links page's list: one status line per memorized link, active
// links first, and the refresh that rebuilds the visible list only when it changed.
#pragma once

#include "LinkTable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

inline constexpr std::string_view kActivePrefix = "Active  : ";
inline constexpr std::string_view kInactivePrefix = "Inactive: ";
// A link whose program has been started but has not reported its window yet.
inline constexpr std::string_view kStartingPrefix = "Starting: ";
// An active link whose program does not answer the main program's messages.
inline constexpr std::string_view kHungPrefix = "Hung    : ";
// Whether the link of this title is starting; none when nothing tells.
using StartingCheck = std::function<bool(const std::string& title)>;
// Whether the link window answers; none when nothing tells.
using RespondingCheck = std::function<bool(WindowId linkWindow)>;
struct StatusChecks {
    StartingCheck starting;
    RespondingCheck responding;
};
inline constexpr std::size_t kStatusPrefixLength = 10;

// "Active  : " or "Inactive: " followed by the link title; "Starting: " for a link
// whose program has not shown its window yet, "Hung    : " for an active one that
// does not answer.
std::string statusLine(const HostLink& link, const StatusChecks& checks = {});
// Every link's status line in the list's order (without regard to case), so that
// active links come first, each group in alphabetical order of title.
std::vector<std::string> statusLines(const LinkTable& table, const StatusChecks& checks = {});
// The link title of a status line: the line without its first 10 characters.
std::string statusLineTitle(std::string_view line);
// "Total Links Active: " + the active-link count.
std::string activeCountLabelText(int activeLinkCount);

enum class StatusRefreshOutcome {
    Busy,       // a refresh was running: nothing done
    Unchanged,  // the visible list (and its selection) stays
    Rebuilt,    // the visible list was refilled and loses its selection
};

// `Timer6_Timer`.
class StatusListRefresh {
public:
    // Opening the page: not busy, and the next refresh rebuilds.
    void open();

    // One tick: builds the lines, rebuilds the visible list when its count or any
    // line differs, then runs `checkActiveLinks` (whose changes show on the next tick).
    StatusRefreshOutcome refresh(const LinkTable& table, const std::function<void()>& checkActiveLinks);
    // Tells the links that are starting (shown as such rather than as inactive) and
    // those that do not answer (shown as hung rather than active).
    void setChecks(StatusChecks checks) { checks_ = std::move(checks); }
    const StatusChecks& checks() const { return checks_; }

    const std::vector<std::string>& lines() const { return visible_; }
    // The auto-execute watcher yields while this is set.
    bool busy() const { return busy_; }
    int lastLineCount() const { return lastCount_; }

private:
    bool busy_ = false;
    std::int16_t lastCount_ = -1;
    std::vector<std::string> visible_;
    StatusChecks checks_;
};

}  // namespace kivra
