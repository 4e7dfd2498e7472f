// Status lines of the Activate Host Links page and their refresh.
#include "StatusList.h"

#include <algorithm>

namespace kivra {

std::string statusLine(const HostLink& link, const StatusChecks& checks) {
    if (!link.active && checks.starting && checks.starting(link.title)) return std::string(kStartingPrefix) + link.title;
    if (link.active && checks.responding && !checks.responding(link.linkWindow))
        return std::string(kHungPrefix) + link.title;
    return std::string(link.active ? kActivePrefix : kInactivePrefix) + link.title;
}

std::vector<std::string> statusLines(const LinkTable& table, const StatusChecks& checks) {
    std::vector<std::string> lines;
    lines.reserve(table.records().size());
    for (const HostLink& link : table.records()) lines.push_back(statusLine(link, checks));
    std::stable_sort(lines.begin(), lines.end(),
                     [](const std::string& a, const std::string& b) { return linkTitleLess(a, b); });
    return lines;
}

std::string statusLineTitle(std::string_view line) {
    return line.size() <= kStatusPrefixLength ? std::string() : std::string(line.substr(kStatusPrefixLength));
}

std::string activeCountLabelText(int activeLinkCount) {
    return "Total Links Active: " + std::to_string(activeLinkCount);
}

void StatusListRefresh::open() {
    busy_ = false;
    lastCount_ = -1;
}

StatusRefreshOutcome StatusListRefresh::refresh(const LinkTable& table, const std::function<void()>& checkActiveLinks) {
    if (busy_) return StatusRefreshOutcome::Busy;
    busy_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{busy_};

    std::vector<std::string> fresh = statusLines(table, checks_);
    const bool changed = static_cast<int>(fresh.size()) != lastCount_ || fresh != visible_;
    if (changed) {
        visible_ = std::move(fresh);
        lastCount_ = static_cast<std::int16_t>(visible_.size());
    }
    if (checkActiveLinks) checkActiveLinks();
    return changed ? StatusRefreshOutcome::Rebuilt : StatusRefreshOutcome::Unchanged;
}

}  // namespace kivra
