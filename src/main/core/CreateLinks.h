// The Create Host Links page's rules: Add a link from the selected host list
// entry, Delete the selected link, and the pending save step that runs first.
#pragma once

#include "HostListRefresh.h"
#include "LinkDeactivation.h"
#include "LinkMessenger.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "MainWindowState.h"
#include "MessageSink.h"
#include "SettingsStore.h"
#include "WindowSystem.h"

#include <optional>
#include <string>

namespace kivra {

// Whether Delete removes the link's instance settings (window position, picture and
// the rest the link program saved). Only the 4.0, 4.10 and 4.90 operating-system
// classes remove them, and only when the instance has a saved "Height"; every other
// class, Linux's included, leaves them in the store.
enum class InstanceSettingsOnDelete { Keep, RemoveWhenSaved };

enum class AddOutcome {
    Nothing,        // no host list selection
    MainNotNormal,  // kind 38
    TooManyLinks,   // kind 14
    Duplicate,      // kind 16; the existing link is selected
    Added,          // the new link is selected
};

struct AddResult {
    AddOutcome outcome = AddOutcome::Nothing;
    std::optional<int> selectedLink;  // the link list entry to select and bring into view
};

enum class DeleteOutcome { Nothing, Declined, Deleted };

// "Total Host Window Links Defined and Memorized out of 32767 Links possible."
std::string linkCountToolTip();

class CreateLinks {
public:
    // Everything given must outlive this object.
    CreateLinks(WindowSystem& windows, LinkTable& table, HostListRefresh& hostList, MessageSink& messages,
                LinkMessenger& messenger, LinkDeactivation& deactivation, LinkStarts& starts,
                SettingsStore& store, InstanceSettingsOnDelete instanceSettings)
        : windows_(windows), table_(table), hostList_(hostList), messages_(messages), messenger_(messenger),
          deactivation_(deactivation), starts_(starts), store_(store), instanceSettings_(instanceSettings) {}

    // Opening the page clears the pending save.
    void open() { addedLinkPending_.reset(); }

    // The first step of Add, Delete and Edit: after an Add, command "6" to the new
    // link's window (if it has one), so the link program saves its settings.
    void pendingSaveStep();

    // `CLinksCmd2_Click` for host list entry `hostSelection`. Refresh busy is held
    // while it runs and cleared on every way out.
    AddResult add(std::optional<int> hostSelection, MainWindowState mainState);

    // `CLinksCmd4_Click` for link list entry `linkSelection`. A store failure is thrown
    // as KivraError (the caller reports it) with refresh busy cleared and the link kept.
    DeleteOutcome remove(std::optional<int> linkSelection);

    // "Total Links Defined: " + the link count.
    std::string linkCountLabel() const { return linkCountLabelText(table_.linkCount()); }
    std::optional<int> addedLinkPending() const { return addedLinkPending_; }

private:
    HostLink newLink(std::string title, WindowId host);
    void removeInstanceSettings(const std::string& title);

    WindowSystem& windows_;
    LinkTable& table_;
    HostListRefresh& hostList_;
    MessageSink& messages_;
    LinkMessenger& messenger_;
    LinkDeactivation& deactivation_;
    LinkStarts& starts_;
    SettingsStore& store_;
    InstanceSettingsOnDelete instanceSettings_;
    std::optional<int> addedLinkPending_;
};

}  // namespace kivra
