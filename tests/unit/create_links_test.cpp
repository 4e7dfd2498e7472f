// The Create Host Links page (Add, Delete, the pending save step) and the Edit Host Link page,
// over the fake desktop and the in-memory store.
#include "AppNames.h"
#include "CreateLinks.h"
#include "EditLink.h"
#include "KivraError.h"
#include "LinkTestDoubles.h"
#include "MemoryStore.h"
#include "PickedHost.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kivra;
using namespace kivra::test;

namespace {

using Titles = std::vector<std::string>;

// One stored value of the link titled `title`.
std::string stored(SettingsStore& s, const std::string& title, const char* key,
                   const char* section = "LinkOptions") {
    return s.read(linkInstanceAppName(title), section, key, kAbsent);
}

// Both pages, keeping a link's instance settings when it is deleted or renamed (as on this
// operating-system class) unless the fixture says otherwise.
class Pages : public ::testing::Test {
protected:
    explicit Pages(InstanceSettingsOnDelete onDelete = InstanceSettingsOnDelete::Keep)
        : create(w.desktop, w.table, hostList, w.messages, w.messenger, w.deactivation, w.starts,
                 store, onDelete),
          edit(w.desktop, w.table, w.messages, w.messenger, store, create, hostList, watchers, w.deactivation,
               onDelete) {}

    // Lists the desktop as the page's refresh would and adds the entry `text`.
    AddResult add(const std::string& text) {
        hostList.open();
        hostList.refresh();
        const auto texts = hostList.hostListTexts();
        const auto at = std::find(texts.begin(), texts.end(), text);
        EXPECT_NE(at, texts.end()) << text << " is not listed";
        return create.add(static_cast<int>(at - texts.begin()), MainWindowState::Normal);
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
// page, tells its window (if it has one by then) to save.
TEST_F(Pages, ANewLinkIsInsertedAndTheNextOperationTellsItsWindowToSave) {
    const WindowId host = w.desktop.addWindow({.title = "Editor", .className = "EditWnd"});
    w.desktop.addWindow({.title = "Viewer"});
    w.addLink("Alpha");
    w.addLink("Zulu");
    ASSERT_EQ(add("T: Editor").selectedLink, std::optional<int>(1));
    EXPECT_EQ(w.table.at(1), (HostLink{.title = "Editor", .winClass = "EditWnd"}));  // a new link's defaults
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.launcher.arguments.empty());

    const WindowId linkWindow = w.makeActive("Editor", host);  // started by the watcher meanwhile
    add("T: Viewer");
    EXPECT_EQ(w.messenger.commands, (Commands{{linkWindow, "6"}}));
    const WindowId mail = w.desktop.addWindow({.title = "Mail"});
    add("T: Mail");
    const WindowId mailLink = w.makeActive("Mail", mail);
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(w.messenger.commands.back(), std::make_pair(mailLink, std::string("6")));
}

// Equal after trimming and case folding is a duplicate (16): the existing link is selected and
// the refresh held off while the box is shown. A minimized main window refuses (38); so does a
// full list (14).
TEST_F(Pages, DuplicatesAndRefusalsAddNothing) {
    w.desktop.addWindow({.title = "  report"});
    w.addLink("Alpha");
    w.addLink("Report");
    RefreshOutcome underBox{};
    w.messages.whileShown = [&](MessageKind) { underBox = hostList.refresh(); };
    const AddResult r = add("T:   report");
    EXPECT_EQ(r.outcome, AddOutcome::Duplicate);
    EXPECT_EQ(r.selectedLink, std::optional<int>(1));
    EXPECT_EQ(underBox, RefreshOutcome::Busy);
    EXPECT_FALSE(hostList.busy()) << "a refusal must not leave the refresh held off";
    EXPECT_EQ(create.add(0, MainWindowState::Minimized).outcome, AddOutcome::MainNotNormal);
    std::vector<HostLink> links(LinkTable::kMaxLinks);
    for (int i = 0; i < LinkTable::kMaxLinks; ++i) links[static_cast<std::size_t>(i)].title = "L" + std::to_string(i);
    w.table.assign(std::move(links));
    EXPECT_EQ(add("T:   report").outcome, AddOutcome::TooManyLinks);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{16, 38, 14}));
}

// A picked window selects its own entry of the host list; the main window, a dialog box or a
// window that is gone selects none and says why.
TEST_F(Pages, APickedWindowSelectsItsEntryOrSaysWhyNot) {
    w.desktop.addWindow({.title = "Viewer"});
    const WindowId editor = w.desktop.addWindow({.title = "Editor"});
    const WindowId own = w.desktop.addWindow({.title = "Kivra [Main]", .className = "QbaseRT5-Kivra"});
    const WindowId dialog = w.desktop.addWindow({.title = "Save As", .kind = WindowKind::Dialog});
    hostList.open();
    hostList.refresh();
    const auto texts = hostList.hostListTexts();
    const auto pick = [&](WindowId window) { return selectPickedWindow(w.desktop, hostList.hostList(), window); };
    EXPECT_EQ(pick(editor).hostIndex, std::find(texts.begin(), texts.end(), "T: Editor") - texts.begin());
    EXPECT_EQ(pick(editor).outcome, PickOutcome::Selected);
    EXPECT_EQ(pick(own).outcome, PickOutcome::OwnWindow);
    EXPECT_EQ(pick(dialog).outcome, PickOutcome::Dialog);
    EXPECT_EQ(pick(0).outcome, PickOutcome::NotListed);
}

// ---- Delete -------------------------------------------------------------------

// No to the confirmation (24) changes nothing; Yes deletes an active link, or one still starting.
TEST_F(Pages, NoToTheConfirmationChangesNothingYesDeletesAnActiveLink) {
    const WindowId linkWindow = w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(create.remove(0), DeleteOutcome::Declined);
    ASSERT_EQ(w.messages.shown, std::vector<int>{24});
    EXPECT_TRUE(w.link("Mail").active);
    // Yes closes its window and counts it once, even when the window refuses to close;
    // the instance settings stay with this operating-system class.
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    EXPECT_EQ(create.remove(0), DeleteOutcome::Deleted);
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
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail\\Inbox", 2, 2), "PicOptions", "PicFile", "-1"), "-1");
    EXPECT_EQ(memory.read(linkInstanceAppName("News"), "FormPosSize", "Width", "-1"), "900");

    w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    store.failDeletes = true;
    EXPECT_THROW(create.remove(0), KivraError);
    EXPECT_FALSE(hostList.busy());
    ASSERT_EQ(w.table.linkCount(), 1);
    EXPECT_FALSE(w.link("Mail").active);
}

// ---- Edit ---------------------------------------------------------------------

// The option groups behave as radio buttons: Terminate Pop-up needs auto-execute on, and
// auto-execute off clears it; the two-box groups toggle. The exclusion text is usable only under
// Fuzzy + Exclusion, which asks for it. Auto-execute on makes the link ready again, unless it
// runs: then only when it stops.
TEST_F(Pages, OptionGroupsBehaveAsRadioButtons) {
    using O = EditOption;
    w.addLink("Mail");  // Exact, auto-execute on, class match off, auto-terminate on
    ASSERT_TRUE(open("Mail"));
    edit.click(O::AutoExecOff);
    edit.click(O::TerminatePopup);
    EXPECT_TRUE(edit.checked(O::AutoExecOn));
    EXPECT_TRUE(edit.checked(O::TerminatePopup));
    EXPECT_TRUE(w.link("Mail").autoExecReady);
    edit.click(O::TerminatePopup);  // a second click clears it
    EXPECT_FALSE(edit.checked(O::TerminatePopup));
    edit.click(O::TerminatePopup);
    edit.click(O::AutoExecOff);
    EXPECT_FALSE(edit.checked(O::TerminatePopup));
    edit.click(O::ClassMatchNo);
    EXPECT_TRUE(edit.checked(O::ClassMatchYes));
    EXPECT_FALSE(edit.checked(O::ClassMatchNo));
    EXPECT_FALSE(edit.exclusionUsable());
    EXPECT_EQ(edit.click(O::FuzzyExclusion), FocusRequest::ExclusionText);
    EXPECT_TRUE(edit.exclusionUsable());
    edit.cancel();
    w.makeActive("Mail", w.desktop.addWindow({.title = "Mail"}));
    ASSERT_TRUE(open("Mail"));
    edit.click(O::AutoExecOff);
    edit.click(O::AutoExecOn);
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
}

// A title equal to another's ignoring case and blanks is refused (15), on leaving the box or on
// Apply, which saves the rest under the old title; an emptied one is put back and writes nothing.
// A shorter title under Exact asks (29): Yes saves it as Fuzzy.
TEST_F(Pages, TitleChecks) {
    w.addLink("Mail");
    w.addLink("News");
    ASSERT_TRUE(open("News"));
    edit.titleGotFocus();
    edit.titleTextChanged("  mAIL ");
    EXPECT_EQ(edit.titleLostFocus(), TitleCheck::Refused);
    EXPECT_EQ(edit.titleText(), "News");
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
    EXPECT_EQ(stored(memory, "News", "MatchMethod"), "2");

    w.addLink("Report - Editor");
    ASSERT_TRUE(open("Report - Editor"));
    edit.titleTextChanged("Report");
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(stored(memory, "Report", "MatchMethod"), "2");
    EXPECT_EQ(w.messages.shown, (std::vector<int>{15, 15, 29}));
}

// The title to 256 bytes (whole characters), the exclusion text to 256 characters, when changed.
TEST_F(Pages, A300CharacterTitleAndExclusionAreCutWithoutSplittingACharacter) {
    w.addLink("Mail");
    ASSERT_TRUE(open("Mail"));
    std::string text;
    for (int i = 0; i < 300; ++i) text += "\xE2\x82\xAC";
    edit.titleTextChanged(text);
    edit.click(EditOption::FuzzyExclusion);
    edit.exclusionTextChanged(text);
    edit.close();
    const HostLink& saved = w.table.at(0);
    EXPECT_EQ(saved.title, text.substr(0, 255));
    EXPECT_EQ(saved.exclusionText, text.substr(0, 768));
    EXPECT_EQ(stored(memory, saved.title, "ExclusionText"), saved.exclusionText);
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
    EXPECT_EQ(stored(memory, "Alpha\\Inbox", "Height", "FormPosSize"), "Height-value");

    ASSERT_TRUE(open("Mail"));
    edit.titleTextChanged("Mail box");
    edit.close();
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "rename:Mail box"}, {lw, "reload"}}));
    ASSERT_TRUE(open("Mail box"));
    edit.click(EditOption::AutoTermOff);
    edit.close();
    EXPECT_EQ(w.messenger.commands.back(), std::make_pair(lw, std::string("reload")));

    ASSERT_TRUE(open("Mail box"));
    edit.titleTextChanged("Note");
    store.failWriteOf = "*";
    EXPECT_THROW(edit.close(), KivraError);
    EXPECT_FALSE(hostList.busy());
    EXPECT_FALSE(watchers.watcherBusy);
    EXPECT_EQ(w.table.titles(), (Titles{"Mail box", "Post\\Inbox", "Zulu"}));
    EXPECT_EQ(w.messenger.commands.size(), 3u);
}

// Where the old ones are removed, a rename moves the instance settings of every instance; a
// case-only rename keeps what it wrote.
TEST_F(PagesRemovingSettings, ARenameMovesTheInstanceSettingsWhenTheOldOnesAreRemoved) {
    w.addLink("Mail");
    storeInstance(memory, "Mail");
    memory.write(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", "700");
    ASSERT_TRUE(open("Mail"));
    edit.titleTextChanged("Post");
    edit.close();
    expectInstance(memory, "Post");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), kAbsent);
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", kAbsent), kAbsent);
    ASSERT_TRUE(open("Post"));
    edit.titleTextChanged("POST");
    edit.close();
    EXPECT_TRUE(w.messages.shown.empty()) << "a title of the same length asks nothing";
    EXPECT_EQ(w.table.titles(), (Titles{"POST"}));
    expectInstance(memory, "POST");
}

// Rec. and Home need a running link with a live host: Rec. records the host's class (19) or says
// why it cannot (18); Home (25) moves a running link at once, otherwise only Apply writes Top and
// Left as 0. The open page holds the host list refresh and the watcher. No change writes nothing,
// even after typing and typing back; Cancel puts back every option, the title and a recorded
// class; neither tells the link to reload, and both release the holds.
TEST_F(Pages, NoChangeOrCancelWritesNothingAndRecAndHomeNeedARunningLink) {
    const WindowId host = w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});
    w.addLink(HostLink{.title = "Mail", .winClass = "OldClass"});
    const WindowId lw = w.makeActive("Mail", host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_TRUE(hostList.busy());
    EXPECT_TRUE(watchers.watcherBusy);
    edit.titleTextChanged("Mail");  // the same texts are no change
    edit.exclusionTextChanged("");
    EXPECT_EQ(edit.closeButtonMode(), CloseButtonMode::Close);
    edit.titleTextChanged("Mai");
    edit.titleTextChanged("Mail  ");
    EXPECT_EQ(edit.close().applied, ApplyOutcome::Unchanged);
    EXPECT_FALSE(hostList.busy());
    EXPECT_FALSE(watchers.watcherBusy);

    const HostLink before = w.link("Mail");
    ASSERT_TRUE(open("Mail"));
    for (EditOption o : {EditOption::FuzzyExclusion, EditOption::TerminatePopup, EditOption::ClassMatchYes,
                         EditOption::AutoTermOff})
        edit.click(o);
    edit.exclusionTextChanged("Drafts");
    edit.titleTextChanged("Post");
    ASSERT_EQ(edit.recordClassName(), RecordClassOutcome::Recorded);
    EXPECT_EQ(edit.cancel().applied, ApplyOutcome::Cancelled);
    EXPECT_EQ(w.link("Mail"), before);
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.messenger.commands.empty());

    for (const char* key : {"Top", "Left", "Height"})
        memory.write(linkInstanceAppName("Mail"), "FormPosSize", key, "900");
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(edit.recordClassName(), RecordClassOutcome::Recorded);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::Declined);
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::MovedNow);
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "5"}}));
    edit.close();
    EXPECT_EQ(stored(memory, "Mail", "WinClass"), "MailWnd");
    EXPECT_EQ(stored(memory, "Mail", "Top", "FormPosSize"), "0");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), "900");

    w.desktop.destroy(host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(edit.recordClassName(), RecordClassOutcome::NotRunning);
    EXPECT_EQ(edit.resetPosition(), ResetOutcome::Requested);
}

}  // namespace
