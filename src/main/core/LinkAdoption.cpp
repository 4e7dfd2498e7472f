// Finding and adopting link programs left by an earlier main program.
#include "LinkAdoption.h"

#include "AppNames.h"

#include <algorithm>
#include <optional>

namespace kivra {

std::vector<LinkReport> findRunningLinks(WindowId self) {
    std::vector<LinkReport> found;
    for (const WindowId window : channelEndpoints()) {
        if (window == self) continue;
        std::string answer;
        switch (requestLinkReport(window, &answer)) {
        case SendResult::Delivered:
            if (auto report = parseLinkReport(answer); report && report->ready.linkWindow == window)
                found.push_back(std::move(*report));
            break;
        case SendResult::NoReceiver: removeStaleEndpoint(window); break;
        default: break;  // a hung program, or not a link: left alone
        }
    }
    return found;
}

namespace {

// The one memorized link the report names; none when no link or more than one fits.
std::optional<int> namedLink(const LinkReport& report, const LinkTable& table) {
    std::optional<int> named;
    for (int i = 0; i < table.linkCount(); ++i) {
        if (!report.names(MakeKeySafeTitle(table.at(i).title))) continue;
        if (named) return std::nullopt;
        named = i;
    }
    return named;
}

}  // namespace

AdoptionResult adoptLinks(const std::vector<LinkReport>& found, LinkTable& table, WindowSystem& windows,
                          const std::function<bool(ProcessId)>& startedHere) {
    AdoptionResult result;
    for (const LinkReport& report : found) {
        const LinkReadyReport& r = report.ready;
        if (!windows.exists(r.linkWindow) || (startedHere && startedHere(r.pid))) continue;
        const auto& records = table.records();
        if (std::any_of(records.begin(), records.end(),
                        [&](const HostLink& l) { return l.active && l.linkWindow == r.linkWindow; }))
            continue;
        const ProcessId owner = windows.processOf(r.linkWindow);
        if (owner != 0 && owner != r.pid) continue;
        const auto index = namedLink(report, table);
        if (!index || table.at(*index).active || !windows.exists(r.hostWindow)) {
            result.toClose.push_back(r.linkWindow);
            continue;
        }
        HostLink& record = table.at(*index);
        record.hostWindow = r.hostWindow;
        record.linkWindow = r.linkWindow;
        record.active = true;
        record.autoExecReady = false;
        table.incrementActiveLinkCount();
        ++result.adopted;
    }
    return result;
}

}  // namespace kivra
