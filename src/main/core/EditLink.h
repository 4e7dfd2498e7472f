// The Edit Host Link page's rules: the options of one link changed in its record at
// once, Close/Apply with the rename and the move of the link's instance settings,
// Cancel, Rec. and Home. The Qt page shows this state and forwards its events.
#pragma once

#include "CreateLinks.h"
#include "HostListRefresh.h"
#include "InstanceSettings.h"
#include "LinkDeactivation.h"
#include "LinkMessenger.h"
#include "LinkChannel.h"
#include "LinkTable.h"
#include "MessageSink.h"
#include "SettingsStore.h"
#include "WatcherState.h"
#include "WindowSystem.h"

#include <optional>
#include <string>

namespace kivra {

// An edited title is kept to 256 bytes of UTF-8 so that it travels whole in the
// rename message to a running link; a multibyte character is never split. A title
// left unchanged needs no rename message and is never cut.
inline constexpr std::size_t kMaxEditedTitleBytes = kMaxPayload;
// The exclusion text is kept to 256 characters (code points).
inline constexpr std::size_t kMaxExclusionCharacters = 256;

// The option boxes, by the control each is. Each group behaves as radio buttons:
// Exact / Fuzzy / Fuzzy + Exclusion; On / Off (+ Terminate Pop-up, which implies On);
// Yes / No; On / Off.
enum class EditOption {
    Exact,           // ELinksOpt1 "E&xact"
    Fuzzy,           // ELinksOpt2 "Fu&zzy"
    FuzzyExclusion,  // ELinksOpt2A "Fuzzy + &Exclusion"
    AutoExecOn,      // ELinksOpt3 "&On"
    AutoExecOff,     // ELinksOpt4 "O&ff"
    TerminatePopup,  // ELinksOpt4A "&Terminate Pop-up"
    ClassMatchYes,   // ELinksOpt5 "&Yes"
    ClassMatchNo,    // ELinksOpt6 "&No"
    AutoTermOn,      // ELinksOpt7 "On"
    AutoTermOff,     // ELinksOpt8 "Off"
};

// What `ELinksCmd1` reads: "&Close" until the first change, then "&Apply" (no longer
// the cancel button; `ELinksCmd2` "&Cancel" is enabled and becomes it).
enum class CloseButtonMode { Close, Apply };

// Where the page should put the focus after an event.
enum class FocusRequest { None, TitleText, ExclusionText };

enum class TitleCheck { Passed, Refused };  // Refused: kind 15, the saved title is back
enum class RecordClassOutcome { NotRunning, Recorded };
enum class ResetOutcome { Declined, Requested, MovedNow };
enum class ApplyOutcome {
    Cancelled,   // Cancel: nothing applied
    EmptyTitle,  // the title was emptied: it is put back and nothing is written
    Unchanged,   // no change: nothing is written
    Saved,       // written to the store; a running link was told
};

struct CloseResult {
    ApplyOutcome applied = ApplyOutcome::Cancelled;
    int editIndex = -1;  // the edited link's (possibly new) place in the link list
};

class EditLink {
public:
    // Everything given must outlive this object.
    EditLink(WindowSystem& windows, LinkTable& table, MessageSink& messages, LinkMessenger& messenger,
             SettingsStore& store, CreateLinks& create, HostListRefresh& hostList, WatcherState& watchers,
             LinkDeactivation& deactivation, InstanceSettingsOnDelete instanceSettings)
        : windows_(windows), table_(table), messages_(messages), messenger_(messenger), store_(store),
          create_(create), hostList_(hostList), watchers_(watchers), deactivation_(deactivation),
          instanceSettings_(instanceSettings) {}

    // `CLinksCmd3_Click` for link list entry `linkSelection`: runs the pending save
    // step, then, for a valid selection, holds refresh busy and watcher busy (the
    // caller stops `Timer3` and `Timer5` and starts `Timer9`) and loads the record.
    // False: nothing opened.
    bool open(std::optional<int> linkSelection);
    bool isOpen() const { return open_; }
    int editIndex() const { return editIndex_; }

    // --- What the page shows ---------------------------------------------------
    const std::string& titleText() const { return titleText_; }          // EditLinksText1
    const std::string& exclusionText() const { return exclusionText_; }  // EditLinksText2
    bool checked(EditOption option) const;
    // EditLinksText2 and its label are usable only under Fuzzy + Exclusion.
    bool exclusionUsable() const;
    CloseButtonMode closeButtonMode() const { return mode_; }
    bool cancelEnabled() const { return mode_ == CloseButtonMode::Apply; }
    bool modified() const { return modified_; }
    bool positionResetRequested() const { return positionReset_; }

    // --- The page's events -----------------------------------------------------
    // A click on an option box (which toggles it); the record changes at once.
    FocusRequest click(EditOption option);
    void titleTextChanged(const std::string& text);      // EditLinksText1_Change
    void exclusionTextChanged(const std::string& text);  // EditLinksText2_Change
    void titleGotFocus() { titleCheckDone_ = false; }    // EditLinksText1_GotFocus
    // EditLinksText1_LostFocus: the title duplicate check. Refused: the saved title is
    // back in titleText() and the title box should get the focus.
    TitleCheck titleLostFocus() { return checkTitle(); }
    RecordClassOutcome recordClassName();  // ELinksCmd3_Click "&Rec."
    ResetOutcome resetPosition();          // ELinksCmd4_Click "&Home"
    // ELinksCmd2_Click: restores the record's options and title (not auto-execute
    // ready), then closes without applying.
    CloseResult cancel();
    // ELinksCmd1_Click: applies unless cancelled, then releases refresh busy (with a
    // rebuild of the host list on its next refresh) and watcher busy. A store failure
    // is thrown as KivraError after the page is closed; the caller reports it.
    CloseResult close();

    // `Timer9_Timer` while the page is open: keeps the active states current while
    // the auto-execute watcher is stopped.
    void checkActiveLinksTick();

private:
    HostLink& record() { return table_.at(editIndex_); }
    const HostLink& record() const { return table_.at(editIndex_); }
    void changed();  // sets modified and switches Close to Apply
    void switchToApply() { mode_ = CloseButtonMode::Apply; }
    void checkAutoExecOn();
    void checkAutoExecOff();
    TitleCheck checkTitle();
    ApplyOutcome apply();
    void restoreSaved();

    WindowSystem& windows_;
    LinkTable& table_;
    MessageSink& messages_;
    LinkMessenger& messenger_;
    SettingsStore& store_;
    CreateLinks& create_;
    HostListRefresh& hostList_;
    WatcherState& watchers_;
    LinkDeactivation& deactivation_;
    InstanceSettingsOnDelete instanceSettings_;

    bool open_ = false;
    int editIndex_ = -1;
    HostLink saved_;  // the record as the page opened it
    std::string titleText_;
    std::string exclusionText_;
    CloseButtonMode mode_ = CloseButtonMode::Close;
    bool modified_ = false;
    bool cancelled_ = false;
    bool titleCheckDone_ = false;
    bool positionReset_ = false;
};

}  // namespace kivra
