// The Edit Host Link page over the fake desktop and the in-memory store.
#include "AppNames.h"
#include "AutoExecWatcher.h"
#include "EditLink.h"
#include "KivraError.h"
#include "LinkTestDoubles.h"
#include "MemoryStore.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;

namespace {

// One stored value of the link titled `title`.
std::string stored(SettingsStore& s, const std::string& title, const char* key, const char* section = "LinkOptions") {
    return s.read(linkInstanceAppName(title), section, key, kAbsent);
}

class EditPage : public ::testing::Test {
protected:
    explicit EditPage(InstanceSettingsOnDelete removeOld = InstanceSettingsOnDelete::Keep)
        : page(w.desktop, w.table, w.messages, w.messenger, store, create, hostList, watchers, w.deactivation,
               removeOld) {}

    bool open(const std::string& title) { return page.open(*w.table.find(title)); }

    LinkWorld w;
    MemoryStore memory;
    FaultyStore store{memory};
    HostListRefresh hostList{w.desktop};
    CreateLinks create{w.desktop, w.table, hostList, w.messages, w.messenger, w.deactivation, w.starts, memory,
                       InstanceSettingsOnDelete::Keep};
    WatcherState watchers;
    EditLink page;
};

// Opening tells the link added last to save; no change writes nothing and the holds are released.
TEST_F(EditPage, NoChangeWritesNothingAndTheHoldsAreReleased) {
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    hostList.open();
    hostList.refresh();
    ASSERT_EQ(create.add(0, MainWindowState::Normal).outcome, AddOutcome::Added);
    const WindowId linkWindow = w.makeActive("Mail", host);
    EXPECT_FALSE(page.open(std::nullopt));
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(w.messenger.commands, (Commands{{linkWindow, "6"}}));
    EXPECT_TRUE(hostList.busy());
    EXPECT_TRUE(watchers.watcherBusy);
    page.titleTextChanged("Mail");  // the same texts are no change
    page.exclusionTextChanged(w.link("Mail").exclusionText);
    EXPECT_EQ(page.closeButtonMode(), CloseButtonMode::Close);
    // Typing and typing back switches to Apply but changes nothing.
    page.titleTextChanged("Mai");
    page.titleTextChanged("Mail  ");
    EXPECT_EQ(page.closeButtonMode(), CloseButtonMode::Apply);
    EXPECT_EQ(page.close().applied, ApplyOutcome::Unchanged);
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_FALSE(hostList.busy());
    EXPECT_EQ(hostList.lastListedCount(), -1);
    EXPECT_FALSE(watchers.watcherBusy);
    EXPECT_FALSE(page.isOpen());
    EXPECT_EQ(w.messenger.commands.size(), 1u) << "an unchanged link is not told to reload";
}

// The option groups behave as radio buttons; Cancel puts every box back.
TEST_F(EditPage, OptionGroupsBehaveAsRadioButtons) {
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
        for (O o : row.clicks) page.click(o);
        for (int i = 0; i <= static_cast<int>(O::AutoTermOff); ++i) {
            const auto o = static_cast<O>(i);
            EXPECT_EQ(page.checked(o), std::count(row.checked.begin(), row.checked.end(), o) == 1) << "box " << i;
        }
        page.cancel();
    }
    // The exclusion text is usable only under Fuzzy + Exclusion, which asks for it.
    ASSERT_TRUE(open("Mail"));
    EXPECT_FALSE(page.exclusionUsable());
    EXPECT_EQ(page.click(EditOption::FuzzyExclusion), FocusRequest::ExclusionText);
    EXPECT_TRUE(page.exclusionUsable());
    EXPECT_EQ(page.click(EditOption::Fuzzy), FocusRequest::None);
    EXPECT_FALSE(page.exclusionUsable());
    // Auto-execute on makes the link ready again, unless it runs: then only when it stops.
    page.click(EditOption::AutoExecOff);
    page.click(EditOption::AutoExecOn);
    EXPECT_TRUE(w.link("Mail").autoExecReady);
    page.click(EditOption::AutoExecOff);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
    page.cancel();
    w.makeActive("Mail", w.desktop.addWindow({.title = "Mail"}));
    ASSERT_TRUE(open("Mail"));
    page.click(EditOption::AutoExecOff);
    page.click(EditOption::AutoExecOn);
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
}

// A title equal to another's ignoring case and blanks is refused with kind 15; an emptied one is put back.
TEST_F(EditPage, ADuplicateOrEmptiedTitleKeepsTheOldOne) {
    w.addLink("Mail");
    w.addLink("News");
    ASSERT_TRUE(open("News"));
    page.titleGotFocus();
    page.titleTextChanged("  mAIL ");
    EXPECT_EQ(page.titleLostFocus(), TitleCheck::Refused);
    EXPECT_EQ(page.titleText(), "News");
    EXPECT_EQ(page.titleLostFocus(), TitleCheck::Passed);  // checked once per visit to the title box
    page.cancel();
    // Apply runs the check when the title box was not left, and saves the rest under the old title.
    ASSERT_TRUE(open("News"));
    page.titleTextChanged("MAIL");
    page.click(EditOption::Fuzzy);
    EXPECT_EQ(page.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{15, 15}));
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{"Mail", "News"}));
    EXPECT_EQ(stored(memory, "News", "MatchMethod"), "2");
    // An emptied title writes nothing; the option change stays in memory.
    ASSERT_TRUE(open("News"));
    page.click(EditOption::Exact);
    page.titleTextChanged("   ");
    EXPECT_EQ(page.close().applied, ApplyOutcome::EmptyTitle);
    EXPECT_EQ(page.titleText(), "News");
    EXPECT_EQ(w.link("News").matchMethod, MatchMethod::Exact);
    EXPECT_EQ(stored(memory, "News", "MatchMethod"), "2");
}

TEST_F(EditPage, AShorterTitleUnderExactAsksKind29AndYesSavesFuzzyNoKeepsExact) {
    w.addLink("Report - Editor");
    ASSERT_TRUE(open("Report - Editor"));
    page.titleTextChanged("Report");
    EXPECT_EQ(page.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{29}));
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{"Report"}));
    EXPECT_EQ(w.link("Report").matchMethod, MatchMethod::Fuzzy);
    EXPECT_EQ(stored(memory, "Report", "MatchMethod"), "2");
    w.addLink("Report - Editor");
    w.messages.answers = {kResultSecond};
    ASSERT_TRUE(open("Report - Editor"));
    page.titleTextChanged("Report 2");
    page.close();
    EXPECT_EQ(stored(memory, "Report 2", "MatchMethod"), "1");
}

// The title to 256 bytes (whole characters), the exclusion text to 256 characters, when changed.
TEST_F(EditPage, A300CharacterTitleAndExclusionAreCutWithoutSplittingACharacter) {
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
        page.titleTextChanged(text);
        page.click(EditOption::FuzzyExclusion);
        page.exclusionTextChanged(text);
        page.close();
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
    page.click(EditOption::Fuzzy);
    EXPECT_EQ(page.close().applied, ApplyOutcome::Saved);
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{title}));
    EXPECT_EQ(stored(memory, title, "MatchMethod"), "2");
}

TEST_F(EditPage, CancelRestoresEveryOptionAndTheTitleAndWritesNothing) {
    const WindowId host = w.desktop.addWindow({.title = "Mail", .className = "NewClass"});
    w.addLink(HostLink{.title = "Mail", .winClass = "OldClass", .matchMethod = MatchMethod::FuzzyExclusion,
               .exclusionText = "Inbox"});
    w.makeActive("Mail", host);
    const HostLink before = w.link("Mail");
    ASSERT_TRUE(open("Mail"));
    for (EditOption o :
         {EditOption::Exact, EditOption::TerminatePopup, EditOption::ClassMatchYes, EditOption::AutoTermOff})
        page.click(o);
    page.exclusionTextChanged("Drafts");
    page.titleTextChanged("Post");
    ASSERT_EQ(page.recordClassName(), RecordClassOutcome::Recorded);
    ASSERT_NE(w.link("Mail"), before);
    EXPECT_EQ(page.cancel().applied, ApplyOutcome::Cancelled);
    EXPECT_EQ(w.link("Mail"), before);
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.messenger.commands.empty());
    EXPECT_FALSE(watchers.watcherBusy);
}

// A rename moves the link to its sorted place; a running link gets the rename then the reload,
// or only the reload when only its options changed; an inactive one gets nothing. A store
// failure keeps the old title everywhere and still closes the page.
TEST_F(EditPage, ARenameIsSortedAndARunningLinkGetsTheRenameAndTheReload) {
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Alpha");
    w.addLink("Mail", MatchMethod::Fuzzy);
    w.addLink("Zulu");
    const WindowId lw = w.makeActive("Mail", host);
    ASSERT_TRUE(open("Alpha"));
    page.titleTextChanged("Post");
    EXPECT_EQ(page.close().editIndex, 1);
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{"Mail", "Post", "Zulu"}));
    EXPECT_TRUE(w.messenger.commands.empty());

    ASSERT_TRUE(open("Mail"));
    page.titleTextChanged("Mail box");
    page.close();
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "rename:Mail box"}, {lw, "reload"}}));
    EXPECT_EQ(stored(memory, "Mail box", "MatchMethod"), "2");
    ASSERT_TRUE(open("Mail box"));
    page.click(EditOption::AutoTermOff);
    page.close();
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "rename:Mail box"}, {lw, "reload"}, {lw, "reload"}}));

    ASSERT_TRUE(open("Mail box"));
    page.titleTextChanged("Note");
    store.failWriteOf = "*";
    EXPECT_THROW(page.close(), KivraError);
    EXPECT_FALSE(page.isOpen());
    EXPECT_FALSE(hostList.busy());
    EXPECT_FALSE(watchers.watcherBusy);
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{"Mail box", "Post", "Zulu"}));
    EXPECT_EQ(w.messenger.commands.size(), 3u);
    EXPECT_EQ(stored(memory, "Note", "MatchMethod"), kAbsent);
}

// Rec. and Home need a running link with a live host: Rec. records the host's class (19) or says
// why it cannot (18); Home (25) moves a running link at once, otherwise only Apply writes Top and Left as 0.
TEST_F(EditPage, RecAndHomeNeedARunningLinkWithALiveHost) {
    const WindowId host = w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});
    w.addLink("Mail");
    for (const char* key : {"Top", "Left", "Height"})
        memory.write(linkInstanceAppName("Mail"), "FormPosSize", key, "900");
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(page.recordClassName(), RecordClassOutcome::NotRunning);
    EXPECT_EQ(page.closeButtonMode(), CloseButtonMode::Close);
    page.cancel();

    const WindowId lw = w.makeActive("Mail", host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(page.recordClassName(), RecordClassOutcome::Recorded);
    EXPECT_EQ(w.link("Mail").winClass, "MailWnd");
    EXPECT_EQ(page.closeButtonMode(), CloseButtonMode::Apply);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(page.resetPosition(), ResetOutcome::Declined);
    EXPECT_FALSE(page.positionResetRequested());
    EXPECT_EQ(page.resetPosition(), ResetOutcome::MovedNow);
    EXPECT_EQ(w.messenger.commands, (Commands{{lw, "5"}}));
    page.close();
    EXPECT_EQ(stored(memory, "Mail", "WinClass"), "MailWnd");
    EXPECT_EQ(stored(memory, "Mail", "Top", "FormPosSize"), "0");
    EXPECT_EQ(stored(memory, "Mail", "Left", "FormPosSize"), "0");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), "900");

    w.desktop.destroy(host);
    ASSERT_TRUE(open("Mail"));
    EXPECT_EQ(page.recordClassName(), RecordClassOutcome::NotRunning);
    EXPECT_EQ(page.resetPosition(), ResetOutcome::Requested);
    EXPECT_TRUE(page.positionResetRequested());
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{18, 19, 25, 25, 18, 25}));
}

// ---- instance settings ----------------------------------------------------------------

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

TEST_F(EditPage, ARenameCopiesAll27KeysAndKeepsTheOldOnesOnThisOperatingSystemClass) {
    w.addLink("Mail\\Inbox");
    storeInstance(memory, "Mail\\Inbox");
    ASSERT_TRUE(open("Mail\\Inbox"));
    page.titleTextChanged("Post\\Inbox");
    page.close();
    expectInstance(memory, "Post\\Inbox");
    EXPECT_EQ(stored(memory, "Post/Inbox", "Height", "FormPosSize"), "Height-value");  // key-safe
    EXPECT_EQ(stored(memory, "Mail\\Inbox", "Height", "FormPosSize"), "Height-value");
}

// The operating-system classes that remove a link's instance settings when they move.
class EditPageRemovingSettings : public EditPage {
protected:
    EditPageRemovingSettings() : EditPage(InstanceSettingsOnDelete::RemoveWhenSaved) {}
};

TEST_F(EditPageRemovingSettings, ARenameMovesTheInstanceSettingsWhenTheOldOnesAreRemoved) {
    w.addLink("Mail");
    storeInstance(memory, "Mail");
    memory.write(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", "700");
    ASSERT_TRUE(open("Mail"));
    page.titleTextChanged("Post");
    page.close();
    expectInstance(memory, "Post");
    EXPECT_EQ(stored(memory, "Post", "MatchMethod"), "1");
    EXPECT_EQ(stored(memory, "Mail", "Height", "FormPosSize"), kAbsent);
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail", 2, 2), "FormPosSize", "Height", kAbsent), kAbsent);
    // A case-only rename keeps what it wrote.
    ASSERT_TRUE(open("Post"));
    page.titleTextChanged("POST");
    page.close();
    EXPECT_TRUE(w.messages.shown.empty()) << "a title of the same length asks nothing";
    EXPECT_EQ(w.table.titles(), (std::vector<std::string>{"POST"}));
    expectInstance(memory, "POST");
    EXPECT_EQ(stored(memory, "POST", "AutoExecOn"), "1");
}

}  // namespace
