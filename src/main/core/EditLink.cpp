// The Edit Host Link page: option groups, the title check, Rec., Home, Cancel and Apply.
#include "EditLink.h"

#include "EditLinkTexts.h"
#include "LinkStore.h"
#include "TextRules.h"
#include "WindowEnumeration.h"

namespace kivra {

namespace {

constexpr std::string_view kCommandResetPosition = "5";

// The text up to its first NUL, then at most `maxBytes` bytes, backing off to the
// start of a UTF-8 character.
std::string cutToBytes(std::string_view text, std::size_t maxBytes) {
    text = text.substr(0, text.find('\0'));
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t n = maxBytes;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return std::string(text.substr(0, n));
}

}  // namespace

bool EditLink::open(std::optional<int> linkSelection) {
    if (open_) return false;
    create_.pendingSaveStep();
    if (table_.empty() || !linkSelection || *linkSelection < 0 || *linkSelection >= table_.linkCount())
        return false;

    editIndex_ = *linkSelection;
    hostList_.setBusy(true);
    watchers_.watcherBusy = true;

    saved_ = record();
    titleText_ = saved_.title;
    exclusionText_ = saved_.exclusionText;
    mode_ = CloseButtonMode::Close;
    modified_ = false;
    titleCheckDone_ = false;
    cancelled_ = false;
    positionReset_ = false;
    open_ = true;
    return true;
}

bool EditLink::checked(EditOption option) const {
    if (!open_) return false;
    const HostLink& r = record();
    switch (option) {
    case EditOption::Exact: return r.matchMethod == MatchMethod::Exact;
    case EditOption::Fuzzy: return r.matchMethod == MatchMethod::Fuzzy;
    case EditOption::FuzzyExclusion: return r.matchMethod == MatchMethod::FuzzyExclusion;
    case EditOption::AutoExecOn: return r.autoExec;
    case EditOption::AutoExecOff: return !r.autoExec;
    case EditOption::TerminatePopup: return r.terminateHost;
    case EditOption::ClassMatchYes: return r.matchClass;
    case EditOption::ClassMatchNo: return !r.matchClass;
    case EditOption::AutoTermOn: return r.autoTerminate;
    case EditOption::AutoTermOff: return !r.autoTerminate;
    }
    return false;
}

bool EditLink::exclusionUsable() const { return open_ && record().matchMethod == MatchMethod::FuzzyExclusion; }

void EditLink::changed() {
    modified_ = true;
    switchToApply();
}

// On checked (Off unchecked): auto-execute on, and ready again unless the link runs.
void EditLink::checkAutoExecOn() {
    HostLink& r = record();
    if (r.autoExec) return;
    r.autoExec = true;
    if (!r.active) r.autoExecReady = true;
}

// Off checked (On unchecked, and with it Terminate Pop-up).
void EditLink::checkAutoExecOff() {
    HostLink& r = record();
    r.autoExec = false;
    r.autoExecReady = false;
    r.terminateHost = false;
}

FocusRequest EditLink::click(EditOption option) {
    if (!open_) return FocusRequest::None;
    HostLink& r = record();
    FocusRequest focus = FocusRequest::None;
    switch (option) {
    // A method box that is clicked while checked is checked again: one always stays checked.
    case EditOption::Exact: r.matchMethod = MatchMethod::Exact; break;
    case EditOption::Fuzzy: r.matchMethod = MatchMethod::Fuzzy; break;
    case EditOption::FuzzyExclusion:
        r.matchMethod = MatchMethod::FuzzyExclusion;
        focus = FocusRequest::ExclusionText;
        break;
    case EditOption::AutoExecOn:
        if (r.autoExec) checkAutoExecOff();
        else checkAutoExecOn();
        break;
    case EditOption::AutoExecOff:
        if (r.autoExec) checkAutoExecOff();
        else checkAutoExecOn();
        break;
    case EditOption::TerminatePopup:
        if (r.terminateHost) {
            r.terminateHost = false;
        } else {
            checkAutoExecOn();
            r.terminateHost = true;
        }
        break;
    // The two-box groups toggle: unchecking either box checks the other.
    case EditOption::ClassMatchYes:
    case EditOption::ClassMatchNo: r.matchClass = !r.matchClass; break;
    case EditOption::AutoTermOn:
    case EditOption::AutoTermOff: r.autoTerminate = !r.autoTerminate; break;
    }
    changed();
    return focus;
}

void EditLink::titleTextChanged(const std::string& text) {
    if (!open_ || text == titleText_) return;
    titleText_ = text;
    switchToApply();
}

void EditLink::exclusionTextChanged(const std::string& text) {
    if (!open_ || text == exclusionText_) return;
    exclusionText_ = text;
    changed();
}

TitleCheck EditLink::checkTitle() {
    if (titleCheckDone_) return TitleCheck::Passed;
    titleCheckDone_ = true;
    if (table_.linkCount() < 2) return TitleCheck::Passed;
    const std::string key(trimBlanks(titleText_));
    for (int i = 0; i < table_.linkCount(); ++i) {
        if (i == editIndex_ || !equalsNoCase(trimBlanks(table_.at(i).title), key)) continue;
        titleText_ = saved_.title;
        messages_.show(MessageKind::DuplicateEditTitle, duplicateEditTitleText());
        return TitleCheck::Refused;
    }
    return TitleCheck::Passed;
}

RecordClassOutcome EditLink::recordClassName() {
    if (!open_) return RecordClassOutcome::NotRunning;
    const WindowId host = record().hostWindow;
    if (!record().active || !windows_.exists(host)) {
        messages_.show(MessageKind::CantRecordClass, cantRecordClassText());
        return RecordClassOutcome::NotRunning;
    }
    const std::string className(cutToCharacters(windows_.className(host), kWindowTextLimit));
    record().winClass = className;
    changed();
    messages_.show(MessageKind::ClassRecorded, className);
    return RecordClassOutcome::Recorded;
}

ResetOutcome EditLink::resetPosition() {
    if (!open_) return ResetOutcome::Declined;
    if (messages_.show(MessageKind::ConfirmResetPosition, resetPositionText()) == kResultSecond)
        return ResetOutcome::Declined;
    ResetOutcome outcome = ResetOutcome::Requested;
    if (record().active && windows_.exists(record().hostWindow)) {
        messenger_.sendCommand(record().linkWindow, kCommandResetPosition);
        outcome = ResetOutcome::MovedNow;
    }
    positionReset_ = true;
    changed();
    return outcome;
}

void EditLink::restoreSaved() {
    HostLink& r = record();
    r.title = saved_.title;
    r.winClass = saved_.winClass;
    r.matchMethod = saved_.matchMethod;
    r.exclusionText = saved_.exclusionText;
    r.autoExec = saved_.autoExec;
    r.matchClass = saved_.matchClass;
    r.autoTerminate = saved_.autoTerminate;
    r.terminateHost = saved_.terminateHost;
}

CloseResult EditLink::cancel() {
    if (!open_) return {ApplyOutcome::Cancelled, editIndex_};
    restoreSaved();
    modified_ = false;
    cancelled_ = true;
    return close();
}

CloseResult EditLink::close() {
    if (!open_) return {ApplyOutcome::Cancelled, editIndex_};
    // The page closes whichever way Apply ends: the host list refresh and the
    // auto-execute watcher come back, and the host list is rebuilt.
    struct Release {
        EditLink& page;
        ~Release() {
            page.open_ = false;
            page.hostList_.setBusy(false);
            page.hostList_.forceRebuild();
            page.watchers_.watcherBusy = false;
        }
    } release{*this};

    CloseResult result;
    if (!cancelled_) result.applied = apply();
    result.editIndex = editIndex_;
    return result;
}

ApplyOutcome EditLink::apply() {
    titleText_ = std::string(rightTrimBlanks(titleText_));
    exclusionText_ = std::string(rightTrimBlanks(exclusionText_));
    if (titleText_.empty()) {
        titleText_ = record().title;
        return ApplyOutcome::EmptyTitle;
    }
    const std::string current = record().title;
    if (titleText_ != current) titleText_ = cutToBytes(titleText_, kMaxEditedTitleBytes);
    if (!titleCheckDone_) checkTitle();

    if (titleText_ != current && characterCount(titleText_) < characterCount(current) &&
        record().matchMethod == MatchMethod::Exact) {
        if (messages_.show(MessageKind::SetFuzzyOn, setFuzzyOnText()) == kResultFirst)
            record().matchMethod = MatchMethod::Fuzzy;
    }
    // Fuzzy + Exclusion with nothing to exclude would match no window at all.
    if (record().matchMethod == MatchMethod::FuzzyExclusion && exclusionText_.empty())
        record().matchMethod = MatchMethod::Fuzzy;
    else
        exclusionText_ = std::string(cutToCharacters(exclusionText_, kMaxExclusionCharacters));
    if (titleText_ == current && !modified_) return ApplyOutcome::Unchanged;

    // The store first, in one batch: when it fails the link keeps its old title
    // everywhere and the error goes to the caller.
    HostLink updated = record();
    updated.title = titleText_;
    updated.exclusionText = exclusionText_;
    moveInstanceSettings(store_, current, updated.title, readInstanceSettings(store_, current),
                         positionReset_ ? PositionReset::ToHostCorner : PositionReset::Keep, instanceSettings_,
                         [&] { WriteLinkOptions(updated, store_); });

    const bool retitled = updated.title != current;
    const bool running = updated.active;
    const WindowId linkWindow = updated.linkWindow;
    if (running && retitled) messenger_.sendRename(linkWindow, updated.title);
    record().exclusionText = updated.exclusionText;
    if (retitled) editIndex_ = table_.retitle(editIndex_, updated.title);
    if (running) messenger_.sendReload(linkWindow);
    return ApplyOutcome::Saved;
}

void EditLink::checkActiveLinksTick() {
    if (open_) deactivation_.checkActiveLinks();
}

}  // namespace kivra
