// Add and Delete on the Create Host Links page.
#include "CreateLinks.h"

#include "AppNames.h"
#include "LinkMessages.h"
#include "LinkStore.h"
#include "TextRules.h"
#include "WindowEnumeration.h"

namespace kivra {

namespace {
// Holds refresh busy for a scope: the host list refresh and the auto-execute watcher
// stay off while Add or Delete (and their message boxes) run, and come back on
// whichever way the operation ends.
class RefreshHold {
public:
    explicit RefreshHold(HostListRefresh& refresh) : refresh_(refresh) { refresh_.setBusy(true); }
    ~RefreshHold() { refresh_.setBusy(false); }
    RefreshHold(const RefreshHold&) = delete;
    RefreshHold& operator=(const RefreshHold&) = delete;

private:
    HostListRefresh& refresh_;
};
}  // namespace

std::string linkCountToolTip() {
    return "Total Host Window Links Defined and Memorized out of " + std::to_string(LinkTable::kMaxLinks) +
           " Links possible.";
}

void CreateLinks::pendingSaveStep() {
    if (!addedLinkPending_) return;
    const int index = *addedLinkPending_;
    addedLinkPending_.reset();
    if (index < 0 || index >= table_.linkCount()) return;
    const WindowId window = table_.at(index).linkWindow;
    if (window != 0) messenger_.sendCommand(window, "6");
}

HostLink CreateLinks::newLink(std::string title, WindowId host) {
    HostLink link;  // Exact, auto-execute on and ready, auto-terminate on, the rest off
    link.title = std::move(title);
    link.winClass = std::string(cutToCharacters(windows_.className(host), kWindowTextLimit));
    return link;
}

AddResult CreateLinks::add(std::optional<int> hostSelection, MainWindowState mainState) {
    pendingSaveStep();
    RefreshHold hold(hostList_);

    const auto& entries = hostList_.hostList();
    if (!hostSelection || *hostSelection < 0 || *hostSelection >= static_cast<int>(entries.size())) return {};
    if (mainState != MainWindowState::Normal) {
        messages_.show(MessageKind::CantExecute, cantExecuteText());
        return {AddOutcome::MainNotNormal, std::nullopt};
    }
    if (table_.full()) {
        messages_.show(MessageKind::TooManyLinks, tooManyLinksText());
        return {AddOutcome::TooManyLinks, std::nullopt};
    }

    const int i = *hostSelection;
    std::string title = entryTitle(entries[static_cast<std::size_t>(i)].text);
    const WindowId host = hostList_.hostWindowAt(i);

    if (const auto existing = table_.findSimilar(title)) {
        messages_.show(MessageKind::DuplicateTitle, duplicateTitleText());
        return {AddOutcome::Duplicate, existing};
    }
    const auto p = table_.insert(newLink(std::move(title), host));
    if (!p) return {};
    addedLinkPending_ = *p;
    return {AddOutcome::Added, p};
}

void CreateLinks::removeInstanceSettings(const std::string& title) {
    if (instanceSettings_ != InstanceSettingsOnDelete::RemoveWhenSaved) return;
    if (store_.read(linkInstanceAppName(title), "FormPosSize", "Height", kAbsent) == kAbsent) return;
    DeleteLinkSettings(title, store_);
}

DeleteOutcome CreateLinks::remove(std::optional<int> linkSelection) {
    pendingSaveStep();
    RefreshHold hold(hostList_);

    if (!linkSelection || *linkSelection < 0 || *linkSelection >= table_.linkCount()) return DeleteOutcome::Nothing;
    if (messages_.show(MessageKind::ConfirmDelete, confirmDeleteText()) == kResultSecond)
        return DeleteOutcome::Declined;

    const int i = *linkSelection;
    // Copies: the table is not touched again until the record is removed.
    const std::string title = table_.at(i).title;
    if (table_.at(i).active) {
        deactivation_.endLinkWindow(table_.at(i).linkWindow);
        // Counted as no longer active even if its window refused to close.
        markInactive(table_, table_.at(i));
    }
    starts_.cancel(title);
    removeInstanceSettings(title);  // may throw: the link stays, inactive
    table_.removeAt(i);
    return DeleteOutcome::Deleted;
}

}  // namespace kivra
