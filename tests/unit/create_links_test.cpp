// The Create Host Links page (Add, Delete, the pending save step, the entry a picked window
// selects) and the Edit Host Link page, over the fake desktop and the in-memory store.
#include "AppNames.h"
#include "CreateLinks.h"
#include "EditLink.h"
#include "KivraError.h"
#include "LinkTestDoubles.h"
#include "MemoryStore.h"
#include "PickedHost.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;

namespace {

using Titles = std::vector<std::string>;

// One stored value of the link titled `title`.
std::string stored(SettingsStore& s, const std::string& title, const char* key, const char* section = "LinkOptions") {
    return s.read(linkInstanceAppName(title), section, key, kAbsent);
}

// Both pages, keeping a link's instance settings when it is deleted or renamed (as on this
// operating-system class) unless the fixture says otherwise.
class Pages : public ::testing::Test {
protected:
    explicit Pages(InstanceSettingsOnDelete onDelete = InstanceSettingsOnDelete::Keep)
        : create(w.desktop, w.table, hostList, w.messages, w.messenger, w.deactivation, w.starts, store, onDelete),
          edit(w.desktop, w.table, w.messages, w.messenger, store, create, hostList, watchers, w.deactivation,
               onDelete) {}

    // Lists the desktop as the page's refresh would and returns the index of `text`.
    int listed(const std::string& text) {
        hostList.open();
        hostList.refresh();
        const auto texts = hostList.hostListTexts();
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (texts[i] == text) return static_cast<int>(i);
        ADD_FAILURE() << text << " is not listed";
        return -1;
    }
    AddResult add(const std::string& entry, MainWindowState state = MainWindowState::Normal) {
        return create.add(listed(entry), state);
    }
    bool open(const std::string& title) { return edit.open(*w.table.find(title)); }

    LinkWorld w;
    MemoryStore memory;
    FaultyStore store{memory};
    HostListRefresh hostList{w.desktop};
    WatcherState watchers;
    CreateLinks create;
    EditLink edit;
};

// The operating-system classes that remove a link's instance settings when it is deleted or renamed.
class PagesRemovingSettings : public Pages {
protected:
    PagesRemovingSettings() : Pages(InstanceSettingsOnDelete::RemoveWhenSaved) {}
};

// ---- Add ----------------------------------------------------------------------

// A new link takes the entry's title without its prefix, the host's class and the default options,
// in its sorted place, with nothing written or started. The next operation, or opening the Edit
// page, tells its window (if it has one by then) to save; opening the Create page forgets that.
TEST_F(Pages, ANewLinkIsInsertedAndTheNextOperationTellsItsWindowToSave) {
    const WindowId host = w.desktop.addWindow({.title = "Editor", .className = "EditWnd"});
    w.desktop.addWindow({.title = "Viewer"});
    w.addLink("Alpha");
    w.addLink("Zulu");
    const AddResult r = add("T: Editor");
    EXPECT_EQ(r.outcome, AddOutcome::Added);
    ASSERT_EQ(r.selectedLink, std::optional<int>(1));
    EXPECT_EQ(w.table.at(1), (HostLink{.title = "Editor", .winClass = "EditWnd"}));  // a new link's defaults
    EXPECT_EQ(create.linkCountLabel(), "Total Links Defined: 3");
    EXPECT_EQ(create.addedLinkPending(), std::optional<int>(1));
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_FALSE(hostList.busy());

    const WindowId linkWindow = w.makeActive("Editor", host);  // started by the watcher meanwhile
    add("T: Viewer");
    EXPECT_EQ(w.messenger.commands, (Commands{{linkWindow, "6"}}));
    // Viewer's link never ran: the next step sends nothing, and the one after neither.
    create.remove(std::nullopt);
    create.remove(std::nullopt);
    EXPECT_EQ(w.messenger.commands.size(), 1u);
    const WindowId notes = w.desktop.addWindow({.title = "Notes"});
    add("T: Notes");
    w.makeActive("Notes", notes);
    create.open();
    create.pendingSaveStep();
    EXPECT_EQ(w.messenger.commands.size(), 1u);
    const WindowId mail = w.desktop.addWindow({.title = "Mail"});
    add("T: Mail");
    const WindowId mailLink = w.makeActive("Mail", mail);
    EXPECT_FALSE(edit.open(std::nullopt));
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(w.messenger.commands.back(), std::make_pair(mailLink, std::string("6")));
}

// Equal after trimming and case folding is a duplicate (16): the existing link is selected and
// the refresh held off while the box is shown. No selection adds nothing; a minimized or
// maximized main window refuses (38); so does a full list (14).
TEST_F(Pages, DuplicatesAndRefusalsAddNothing) {
    w.desktop.addWindow({.title = "  report"});
    w.desktop.addWindow({.title = "REPORT"});
    w.addLink("Alpha");
    w.addLink("Report");
    RefreshOutcome underBox{};
    w.messages.whileShown = [&](MessageKind) { underBox = hostList.refresh(); };
    for (const char* entry : {"T:   report", "T: REPORT"}) {
        SCOPED_TRACE(entry);
        w.messages.shown.clear();
        const AddResult r = add(entry);
        EXPECT_EQ(r.outcome, AddOutcome::Duplicate);
        EXPECT_EQ(r.selectedLink, std::optional<int>(1));
        ASSERT_EQ(w.messages.shown, std::vector<int>{16});
        EXPECT_EQ(underBox, RefreshOutcome::Busy);
        EXPECT_FALSE(create.addedLinkPending());
    }
    w.messages.shown.clear();
    EXPECT_EQ(create.add(std::nullopt, MainWindowState::Normal).outcome, AddOutcome::Nothing);
    EXPECT_EQ(create.add(5, MainWindowState::Normal).outcome, AddOutcome::Nothing);
    EXPECT_EQ(create.remove(5), DeleteOutcome::Nothing);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_FALSE(hostList.busy()) << "a refusal must not leave the refresh held off";
    for (MainWindowState s : {MainWindowState::Minimized, MainWindowState::Maximized})
        EXPECT_EQ(create.add(0, s).outcome, AddOutcome::MainNotNormal);
    EXPECT_EQ(w.table.linkCount(), 2);
    std::vector<HostLink> links(LinkTable::kMaxLinks);
    for (int i = 0; i < LinkTable::kMaxLinks; ++i) links[static_cast<std::size_t>(i)].title = "L" + std::to_string(i);
    w.table.assign(std::move(links));
    w.desktop.addWindow({.title = "Editor"});
    EXPECT_EQ(add("T: Editor").outcome, AddOutcome::TooManyLinks);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{38, 38, 14}));
    EXPECT_EQ(w.table.linkCount(), 32767);
}

// ---- Delete -------------------------------------------------------------------

// No to the confirmation (24) changes nothing; Yes deletes an active link, or one still starting.
TEST_F(Pages, NoToTheConfirmationChangesNothingYesDeletesAnActiveLink) {
    const WindowId linkWindow = w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    const auto before = memory.values();
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(create.remove(0), DeleteOutcome::Declined);
    ASSERT_EQ(w.messages.shown, std::vector<int>{24});
    EXPECT_EQ(w.table.linkCount(), 1);
    EXPECT_TRUE(w.link("Mail").active);
    EXPECT_EQ(memory.values(), before);
    EXPECT_FALSE(hostList.busy());
    // Yes closes its window and counts it once, even when the window refuses to close;
    // the instance settings stay with this operating-system class.
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    EXPECT_EQ(create.remove(0), DeleteOutcome::Deleted);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, linkWindow), 3);
    EXPECT_TRUE(w.table.empty());
    EXPECT_EQ(w.table.activeLinkCount(), 0);
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail"), "FormPosSize", "Height", "-1"), "900");

    w.desktop.addWindow({.title = "Chat"});
    w.addLink("Chat");
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);
    EXPECT_EQ(create.remove(0), DeleteOutcome::Deleted);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// Only a saved height has the instance settings removed; a store failure is thrown with the
// link kept, its ended window recorded and the refresh freed.
TEST_F(PagesRemovingSettings, OnlyASavedHeightHasTheInstanceSettingsRemoved) {
    w.addLink("Mail\\Inbox");
    w.addLink("News");
    memory.write(linkInstanceAppName("Mail\\Inbox"), "FormPosSize", "Height", "900");
    memory.write(linkInstanceAppName("Mail\\Inbox", 2, 2), "PicOptions", "PicFile", "a.gif");
    memory.write(linkInstanceAppName("News"), "FormPosSize", "Width", "900");
    create.remove(*w.table.find("Mail\\Inbox"));
    create.remove(*w.table.find("News"));
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail\\Inbox"), "FormPosSize", "Height", "-1"), "-1");
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail\\Inbox", 2, 2), "PicOptions", "PicFile", "-1"), "-1");
    EXPECT_EQ(memory.read(linkInstanceAppName("News"), "FormPosSize", "Width", "-1"), "900");
    EXPECT_TRUE(w.table.empty());

    w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    store.failDeletes = true;
    EXPECT_THROW(create.remove(0), KivraError);
    EXPECT_FALSE(hostList.busy());
    ASSERT_EQ(w.table.linkCount(), 1);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(w.table.activeLinkCount(), 0);
}

// A picked window selects its entry, or the reason it has none is told: one of ours, a dialog or
// pop-up (by kind, class or style), or simply not listed.
TEST_F(Pages, APickedWindowSelectsItsEntryOrSaysWhyTheListDoesNotShowIt) {
    w.desktop.addWindow({.title = "Mail"});
    const WindowId editor = w.desktop.addWindow({.title = "Editor"});
    const WindowId gone = w.desktop.addWindow({.title = "Gone"});
    w.desktop.destroy(gone);
    const int editorEntry = listed("T: Editor");
    const PickSelection selected = selectPickedWindow(w.desktop, hostList.hostList(), editor);
    EXPECT_EQ(selected.outcome, PickOutcome::Selected);
    EXPECT_EQ(selected.hostIndex, editorEntry);
    EXPECT_EQ(selectPickedWindow(w.desktop, hostList.hostList(), gone).outcome, PickOutcome::NotListed);
    EXPECT_EQ(selectPickedWindow(w.desktop, hostList.hostList(), 0).outcome, PickOutcome::NotListed);
    const struct {
        FakeWindowSpec shape;
        PickOutcome outcome;
    } rows[] = {{{.title = "Kivra [Main]", .className = "QbaseRT5-Kivra"}, PickOutcome::OwnWindow},
                {{.title = "Save As", .kind = WindowKind::Dialog}, PickOutcome::Dialog},
                {{.title = "Open", .className = "#32770"}, PickOutcome::Dialog},
                {{.title = "Menu", .style = style::Popup | style::Visible}, PickOutcome::Dialog},
                {{}, PickOutcome::NotListed},
                {{.title = "Hidden", .visible = false}, PickOutcome::NotListed}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shape.title);
        const WindowId picked = w.desktop.addWindow(row.shape);
        const PickSelection pick = selectPickedWindow(w.desktop, hostList.hostList(), picked);
        EXPECT_EQ(pick.outcome, row.outcome);
        EXPECT_EQ(pick.hostIndex, -1);
    }
}

// ---- Edit ---------------------------------------------------------------------

// The option groups behave as radio buttons; Cancel puts every box back.
TEST_F(Pages, OptionGroupsBehaveAsRadioButtons) {
    using O = EditOption;
    const struct {
        std::vector<O> clicks;
        std::vector<O> checked;  // the boxes checked afterwards
    } rows[] = {
        {{O::Fuzzy}, {O::Fuzzy, O::AutoExecOn, O::ClassMatchNo, O::AutoTermOn}},
        {{O::Fuzzy, O::FuzzyExclusion}, {O::FuzzyExclusion, O::AutoExecOn, O::ClassMatchNo, O::AutoTermOn}},
        {{O::ClassMatchNo, O::ClassMatchYes}, {O::Exact, O::AutoExecOn, O::ClassMatchNo, O::AutoTermOn}},
        {{O::ClassMatchNo}, {O::Exact, O::AutoExecOn, O::ClassMatchYes, O::AutoTermOn}},
        {{O::AutoExecOn}, {O::Exact, O::AutoExecOff, O::ClassMatchNo, O::AutoTermOn}},
        {{O::AutoExecOff, O::TerminatePopup}, {O::Exact, O::AutoExecOn, O::TerminatePopup, O::ClassMatchNo, O::AutoTermOn}},
        {{O::TerminatePopup, O::AutoExecOff}, {O::Exact, O::AutoExecOff, O::ClassMatchNo, O::AutoTermOn}},
        {{O::TerminatePopup, O::TerminatePopup}, {O::Exact, O::AutoExecOn, O::ClassMatchNo, O::AutoTermOn}}};
    w.addLink("Mail");  // Exact, auto-execute on, class match off, auto-terminate on
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.clicks.back()));
        ASSERT_TRUE(open("Mail"));
        for (O o : row.clicks) edit.click(o);
        for (int i = 0; i <= static_cast<int>(O::AutoTermOff); ++i) {
            const auto o = static_cast<O>(i);
            EXPECT_EQ(edit.checked(o), std::count(row.checked.begin(), row.checked.end(), o) == 1) << "box " << i;
        }
        edit.cancel();
    }
    // The exclusion text is usable only under Fuzzy + Exclusion, which asks for it.
    ASSERT_TRUE(open("Mail"));
    EXPECT_FALSE(edit.exclusionUsable());
    EXPECT_EQ(edit.click(EditOption::FuzzyExclusion), FocusRequest::ExclusionText);
    EXPECT_TRUE(edit.exclusionUsable());
    EXPECT_EQ(edit.click(EditOption::Fuzzy), FocusRequest::None);
    EXPECT_FALSE(edit.exclusionUsable());
    // Auto-execute on makes the link ready again, unless it runs: then only when it stops.
    edit.click(EditOption::AutoExecOff);
    edit.click(EditOption::AutoExecOn);
    EXPECT_TRUE(w.link("Mail").autoExecReady);
    edit.click(EditOption::AutoExecOff);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
    edit.cancel();
    w.makeActive("Mail", w.desktop.addWindow({.title = "Mail"}));
    ASSERT_TRUE(open("Mail"));
    edit.click(EditOption::AutoExecOff);
    edit.click(EditOption::AutoExecOn);
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
}

// A title equal to another's ignoring case and blanks is refused (15), on leaving the box or on
// Apply, which saves the rest under the old title; an emptied one is put back and writes nothing.
// A shorter title under Exact asks (29): Yes saves it as Fuzzy, No keeps Exact.
TEST_F(Pages, TitleChecks) {
    w.addLink("Mail");
    w.addLink("News");
    ASSERT_TRUE(open("News"));
    edit.titleGotFocus();
    edit.titleTextChanged("  mAIL ");
    EXPECT_EQ(edit.titleLostFocus(), TitleCheck::Refused);
    EXPECT_EQ(edit.titleText(), "News");
    EXPECT_EQ(edit.titleLostFocus(), TitleCheck::Passed);  // checked once per visit to the title box
    edit.cancel();
    ASSERT_TRUE(open("News"));
    edit.titleTextChanged("MAIL");
    edit.click(EditOption::Fuzzy);
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.table.titles(), (Titles{"Mail", "News"}));
    EXPECT_EQ(stored(memory, "News", "MatchMethod"), "2");
    ASSERT_TRUE(open("News"));
    edit.click(EditOption::Exact);
    edit.titleTextChanged("   ");
    EXPECT_EQ(edit.close().applied, ApplyOutcome::EmptyTitle);
    EXPECT_EQ(edit.titleText(), "News");
    EXPECT_EQ(w.link("News").matchMethod, MatchMethod::Exact);
    EXPECT_EQ(stored(memory, "News", "MatchMethod"), "2");

    w.addLink("Report - Editor");
    ASSERT_TRUE(open("Report - Editor"));
    edit.titleTextChanged("Report");
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.link("Report").matchMethod, MatchMethod::Fuzzy);
    EXPECT_EQ(stored(memory, "Report", "MatchMethod"), "2");
    w.addLink("Report - Editor");
    w.messages.answers = {kResultSecond};
    ASSERT_TRUE(open("Report - Editor"));
    edit.titleTextChanged("Report 2");
    edit.close();
    EXPECT_EQ(stored(memory, "Report 2", "MatchMethod"), "1");
    EXPECT_EQ(w.messages.shown, (std::vector<int>{15, 15, 29, 29}));
}

// The title to 256 bytes (whole characters), the exclusion text to 256 characters, when changed.
TEST_F(Pages, A300CharacterTitleAndExclusionAreCutWithoutSplittingACharacter) {
    const struct {
        std::string piece;  // one character, repeated 300 times
        std::size_t titleBytes, exclusionBytes;
    } rows[] = {{"a", 256, 256}, {"\xE2\x82\xAC", 255, 768}, {"\xF0\x9F\x98\x80", 256, 1024}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.piece);
        w.addLink("Mail");
        ASSERT_TRUE(open("Mail"));
        std::string text;
        for (int i = 0; i < 300; ++i) text += row.piece;
        edit.titleTextChanged(text);
        edit.click(EditOption::FuzzyExclusion);
        edit.exclusionTextChanged(text);
        edit.close();
        ASSERT_EQ(w.table.linkCount(), 1);
        const HostLink& saved = w.table.at(0);
        EXPECT_EQ(saved.title, text.substr(0, row.titleBytes));
        EXPECT_EQ(saved.exclusionText, text.substr(0, row.exclusionBytes));
        EXPECT_EQ(stored(memory, saved.title, "ExclusionText"), saved.exclusionText);
        w.table.removeAt(0);
    }
    // An unchanged title longer than 256 bytes is not cut.
    std::string title;
    for (int i = 0; i < 200; ++i) title += "\xC3\xA9";  // as Add takes it from a window title
    w.addLink(title);
    ASSERT_TRUE(open(title));
    edit.click(EditOption::Fuzzy);
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.table.titles(), (Titles{title}));
    EXPECT_EQ(stored(memory, title, "MatchMethod"), "2");
}

// Every one of the 27 keys stored under `title`, except "Width".
void storeInstance(SettingsStore& s, const std::string& title) {
    for (const InstanceKey& k : kInstanceKeys)
        if (k.key != "Width") s.write(linkInstanceAppName(title), k.section, k.key, std::string(k.key) + "-value");
}

void expectInstance(SettingsStore& s, const std::string& title) {
    for (const InstanceKey& k : kInstanceKeys) {
        const std::string expected = k.key == "Width" ? "-1" : std::string(k.key) + "-value";
        EXPECT_EQ(s.read(linkInstanceAppName(title), k.section, k.key, "absent"), expected) << k.key;
    }
}

// A rename moves the link to its sorted place and copies its 27 instance keys (key-safe), keeping
// the old ones on this operating-system class; a running link gets the rename then the reload, or
// only the reload when only its options changed; an inactive one gets nothing. A store failure
// keeps the old title everywhere and still closes the page.
TEST_F(Pages, ARenameIsSortedAndARunningLinkGetsTheRenameAndTheReload) {
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Alpha\\Inbox");
    w.addLink("Mail", MatchMethod::Fuzzy);
    w.addLink("Zulu");
    storeInstance(memory, "Alpha\\Inbox");
    const WindowId lw = w.makeActive("Mail", host);
    ASSERT_TRUE(open("Alpha\\Inbox"));
    edit.titleTextChanged("Post\\Inbox");
    EXPECT_EQ(edit.close().editIndex, 1);
    EXPECT_EQ(w.table.titles(), (Titles{"Mail", "Post\\Inbox", "Zulu"}));
    EXPECT_TRUE(w.messenger.commands.empty());
    expectInstance(memory, "Post\\Inbox");
    EXPECT_EQ(stored(memory, "Post/Inbox", "Height", "FormPosSize"), "Height-value");  // key-safe
    EXPECT_EQ(stored(memory, "Alpha\\Inbox", "Height", "FormPosSize"), "Height-value");

    ASSERT_TRUE(open("Mail"));
    edit.titleTextChanged("Mail box");
    edit.close();
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "rename:Mail box"}, {lw, "reload"}}));
    EXPECT_EQ(stored(memory, "Mail box", "MatchMethod"), "2");
    ASSERT_TRUE(open("Mail box"));
    edit.click(EditOption::AutoTermOff);
    edit.close();
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "rename:Mail box"}, {lw, "reload"}, {lw, "reload"}}));

    ASSERT_TRUE(open("Mail box"));
    edit.titleTextChanged("Note");
    store.failWriteOf = "*";
    EXPECT_THROW(edit.close(), KivraError);
    EXPECT_FALSE(edit.isOpen());
    EXPECT_FALSE(hostList.busy());
    EXPECT_FALSE(watchers.watcherBusy);
    EXPECT_EQ(w.table.titles(), (Titles{"Mail box", "Post\\Inbox", "Zulu"}));
    EXPECT_EQ(w.messenger.commands.size(), 3u);
    EXPECT_EQ(stored(memory, "Note", "MatchMethod"), kAbsent);
}

TEST_F(PagesRemovingSettings, ARenameMovesTheInstanceSettingsWhenTheOldOnesAreRemoved) {
    w.addLink("Mail");
    storeInstance(memory, "Mail");
    memory.write(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", "700");
    ASSERT_TRUE(open("Mail"));
    edit.titleTextChanged("Post");
    edit.close();
    expectInstance(memory, "Post");
    EXPECT_EQ(stored(memory, "Post", "MatchMethod"), "1");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), kAbsent);
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", kAbsent), kAbsent);
    // A case-only rename keeps what it wrote.
    ASSERT_TRUE(open("Post"));
    edit.titleTextChanged("POST");
    edit.close();
    EXPECT_TRUE(w.messages.shown.empty()) << "a title of the same length asks nothing";
    EXPECT_EQ(w.table.titles(), (Titles{"POST"}));
    expectInstance(memory, "POST");
    EXPECT_EQ(stored(memory, "POST", "AutoExecOn"), "1");
}

// Rec. and Home need a running link with a live host: Rec. records the host's class (19) or says
// why it cannot (18); Home (25) moves a running link at once, otherwise only Apply writes Top and
// Left as 0. The open page holds the host list refresh and the watcher. No change writes nothing,
// even after typing and typing back; Cancel puts back every option, the title and a recorded
// class; neither tells the link to reload, and both release the holds.
TEST_F(Pages, NoChangeOrCancelWritesNothingAndRecAndHomeNeedARunningLink) {
    const WindowId host = w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});
    w.addLink(HostLink{.title = "Mail", .winClass = "OldClass"});
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(edit.recordClassName(), RecordClassOutcome::NotRunning);
    EXPECT_EQ(edit.closeButtonMode(), CloseButtonMode::Close);
    edit.cancel();

    const WindowId lw = w.makeActive("Mail", host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_TRUE(hostList.busy());
    EXPECT_TRUE(watchers.watcherBusy);
    edit.titleTextChanged("Mail");  // the same texts are no change
    edit.exclusionTextChanged("");
    EXPECT_EQ(edit.closeButtonMode(), CloseButtonMode::Close);
    edit.titleTextChanged("Mai");
    edit.titleTextChanged("Mail  ");
    EXPECT_EQ(edit.closeButtonMode(), CloseButtonMode::Apply);
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Unchanged);
    EXPECT_FALSE(hostList.busy());
    EXPECT_EQ(hostList.lastListedCount(), -1);
    EXPECT_FALSE(watchers.watcherBusy);
    EXPECT_FALSE(edit.isOpen());

    const HostLink before = w.link("Mail");
    ASSERT_TRUE(open("Mail"));
    for (EditOption o : {EditOption::FuzzyExclusion, EditOption::TerminatePopup, EditOption::ClassMatchYes,
                         EditOption::AutoTermOff})
        edit.click(o);
    edit.exclusionTextChanged("Drafts");
    edit.titleTextChanged("Post");
    ASSERT_EQ(edit.recordClassName(), RecordClassOutcome::Recorded);
    ASSERT_NE(w.link("Mail"), before);
    EXPECT_EQ(edit.cancel().applied, ApplyOutcome::Cancelled);
    EXPECT_EQ(w.link("Mail"), before);
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.messenger.commands.empty());
    EXPECT_FALSE(watchers.watcherBusy);

    for (const char* key : {"Top", "Left", "Height"})
        memory.write(linkInstanceAppName("Mail"), "FormPosSize", key, "900");
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(edit.recordClassName(), RecordClassOutcome::Recorded);
    EXPECT_EQ(w.link("Mail").winClass, "MailWnd");
    EXPECT_EQ(edit.closeButtonMode(), CloseButtonMode::Apply);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::Declined);
    EXPECT_FALSE(edit.positionResetRequested());
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::MovedNow);
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "5"}}));
    edit.close();
    EXPECT_EQ(stored(memory, "Mail", "WinClass"), "MailWnd");
    EXPECT_EQ(stored(memory, "Mail", "Top", "FormPosSize"), "0");
    EXPECT_EQ(stored(memory, "Mail", "Left", "FormPosSize"), "0");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), "900");

    w.desktop.destroy(host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(edit.recordClassName(), RecordClassOutcome::NotRunning);
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::Requested);
    EXPECT_TRUE(edit.positionResetRequested());
    EXPECT_EQ(w.messages.shown, (std::vector<int>{18, 19, 19, 25, 25, 18, 25}));
}

}  // namespace
