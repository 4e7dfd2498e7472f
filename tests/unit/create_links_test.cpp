// The Create Host Links page's Add and Delete over the fake desktop and the
// in-memory store: refusals, duplicates, the new link, the pending save step,
// active links ended on Delete and the link's stored settings; the entry a picked window selects.
#include "AppNames.h"
#include "CreateLinks.h"
#include "KivraError.h"
#include "LinkTestDoubles.h"
#include "MemoryStore.h"
#include "PickedHost.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;

namespace {

class CreatePage : public ::testing::Test {
protected:
    explicit CreatePage(InstanceSettingsOnDelete onDelete = InstanceSettingsOnDelete::Keep)
        : page(w.desktop, w.table, hostList, w.messages, w.messenger, w.deactivation, w.starts, store, onDelete) {}

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
        return page.add(listed(entry), state);
    }

    LinkWorld w;
    MemoryStore memory;
    FaultyStore store{memory};
    HostListRefresh hostList{w.desktop};
    CreateLinks page;
};

TEST_F(CreatePage, ANewLinkTakesTheTitleWithoutPrefixTheHostClassAndTheDefaultOptions) {
    w.desktop.addWindow({.title = "Editor", .className = "EditWnd"});
    w.addLink("Alpha");
    w.addLink("Zulu");
    const AddResult r = add("T: Editor");
    EXPECT_EQ(r.outcome, AddOutcome::Added);
    ASSERT_EQ(r.selectedLink, std::optional<int>(1)) << "inserted in sorted position";
    EXPECT_EQ(w.table.at(1), (HostLink{.title = "Editor", .winClass = "EditWnd"}));  // a new link's defaults
    EXPECT_EQ(page.linkCountLabel(), "Total Links Defined: 3");
    EXPECT_EQ(page.addedLinkPending(), std::optional<int>(1));
    // Nothing written, nothing started, refresh free again.
    EXPECT_EQ(memory.writeCount(), 0);
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_FALSE(hostList.busy());
    // A child entry drops six characters.
    const WindowId frame = w.desktop.addWindow({.title = "Office"});
    const WindowId client = w.desktop.addChild(frame, {.className = "MDIClient", .controlId = 1});
    w.desktop.addChild(client, {.title = "Doc1", .className = "DocWnd", .controlId = 65280});
    EXPECT_EQ(add(" + C: Doc1").outcome, AddOutcome::Added);
    EXPECT_EQ(w.link("Doc1").winClass, "DocWnd");
}

// The existing link is selected; the refresh is held off while the box (16) is shown, and free after.
TEST_F(CreatePage, ATitleEqualAfterTrimmingAndCaseFoldingIsADuplicate) {
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
        ASSERT_EQ(w.messages.kinds(), std::vector<int>{16});
        EXPECT_EQ(underBox, RefreshOutcome::Busy);
        EXPECT_EQ(w.table.linkCount(), 2);
        EXPECT_FALSE(page.addedLinkPending());
    }
}

TEST_F(CreatePage, NoSelectionOrAMinimizedOrMaximizedMainWindowAddsNothing) {
    w.desktop.addWindow({.title = "Editor"});
    listed("T: Editor");
    EXPECT_EQ(page.add(std::nullopt, MainWindowState::Normal).outcome, AddOutcome::Nothing);
    EXPECT_EQ(page.add(5, MainWindowState::Normal).outcome, AddOutcome::Nothing);
    EXPECT_EQ(page.remove(5), DeleteOutcome::Nothing);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_FALSE(hostList.busy()) << "a refusal must not leave the refresh held off";
    for (MainWindowState s : {MainWindowState::Minimized, MainWindowState::Maximized})
        EXPECT_EQ(page.add(0, s).outcome, AddOutcome::MainNotNormal);
    ASSERT_EQ(w.messages.kinds(), (std::vector<int>{38, 38}));
    EXPECT_TRUE(w.table.empty());
}

TEST_F(CreatePage, At32767LinksAddShows14) {
    std::vector<HostLink> links(LinkTable::kMaxLinks);
    for (int i = 0; i < LinkTable::kMaxLinks; ++i) links[static_cast<std::size_t>(i)].title = "L" + std::to_string(i);
    w.table.assign(std::move(links));
    w.desktop.addWindow({.title = "Editor"});
    EXPECT_EQ(add("T: Editor").outcome, AddOutcome::TooManyLinks);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{14});
    EXPECT_EQ(w.table.linkCount(), 32767);
}

// ---- the pending save step --------------------------------------------------

TEST_F(CreatePage, AfterAnAddTheNextOperationTellsTheNewLinksWindowToSave) {
    const WindowId host = w.desktop.addWindow({.title = "Editor"});
    w.desktop.addWindow({.title = "Viewer"});
    add("T: Editor");
    const WindowId linkWindow = w.makeActive("Editor", host);  // started by the watcher meanwhile
    add("T: Viewer");
    EXPECT_EQ(w.messenger.commands, (Commands{{linkWindow, "6"}}));
    // Viewer's link never ran: the next step sends nothing, and the one after neither.
    page.remove(std::nullopt);
    page.remove(std::nullopt);
    EXPECT_EQ(w.messenger.commands.size(), 1u);
    // Opening the page forgets the pending save.
    const WindowId notes = w.desktop.addWindow({.title = "Notes"});
    add("T: Notes");
    w.makeActive("Notes", notes);
    page.open();
    page.pendingSaveStep();
    EXPECT_EQ(w.messenger.commands.size(), 1u);
}

// ---- Delete -----------------------------------------------------------------

// No to the confirmation (24) changes nothing; Yes deletes an active link, or one still starting.
TEST_F(CreatePage, NoToTheConfirmationChangesNothingYesDeletesAnActiveLink) {
    const WindowId linkWindow = w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    const auto before = memory.values();
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(page.remove(0), DeleteOutcome::Declined);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{24});
    EXPECT_EQ(w.table.linkCount(), 1);
    EXPECT_TRUE(w.link("Mail").active);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
    EXPECT_EQ(memory.values(), before);
    EXPECT_FALSE(hostList.busy());
    // Yes closes its window and counts it once, even when the window refuses to close;
    // the instance settings stay with this operating-system class.
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    EXPECT_EQ(page.remove(0), DeleteOutcome::Deleted);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, linkWindow), 3);
    EXPECT_TRUE(w.table.empty());
    EXPECT_EQ(w.table.activeLinkCount(), 0);
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail"), "FormPosSize", "Height", "-1"), "900");

    w.desktop.addWindow({.title = "Chat"});
    w.addLink("Chat");
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);
    EXPECT_EQ(page.remove(0), DeleteOutcome::Deleted);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

class CreatePageRemovingSettings : public CreatePage {
protected:
    CreatePageRemovingSettings() : CreatePage(InstanceSettingsOnDelete::RemoveWhenSaved) {}
};

TEST_F(CreatePageRemovingSettings, OnlyASavedHeightHasTheInstanceSettingsRemoved) {
    w.addLink("Mail\\Inbox");
    w.addLink("News");
    memory.write(linkInstanceAppName("Mail\\Inbox"), "FormPosSize", "Height", "900");
    memory.write(linkInstanceAppName("Mail\\Inbox", 2, 2), "PicOptions", "PicFile", "a.gif");
    memory.write(linkInstanceAppName("News"), "FormPosSize", "Width", "900");
    page.remove(*w.table.find("Mail\\Inbox"));
    page.remove(*w.table.find("News"));
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail\\Inbox"), "FormPosSize", "Height", "-1"), "-1");
    EXPECT_EQ(memory.read(linkInstanceAppName("Mail\\Inbox", 2, 2), "PicOptions", "PicFile", "-1"), "-1");
    EXPECT_EQ(memory.read(linkInstanceAppName("News"), "FormPosSize", "Width", "-1"), "900");
    EXPECT_TRUE(w.table.empty());
}

TEST_F(CreatePage, APickedWindowSelectsItsEntryOrSaysWhyTheListDoesNotShowIt) {
    w.desktop.addWindow({.title = "Mail"});
    const WindowId editor = w.desktop.addWindow({.title = "Editor"});
    const WindowId own = w.desktop.addWindow({.title = "Kivra [Main]", .className = "QbaseRT5-Kivra"});
    const WindowId dialog = w.desktop.addWindow({.title = "Save As", .kind = WindowKind::Dialog});
    const WindowId dialogClass = w.desktop.addWindow({.title = "Open", .className = "#32770"});
    const WindowId popup = w.desktop.addWindow({.title = "Menu", .style = style::Popup | style::Visible});
    const WindowId untitled = w.desktop.addWindow({});
    const WindowId hidden = w.desktop.addWindow({.title = "Hidden", .visible = false});
    const WindowId gone = w.desktop.addWindow({.title = "Gone"});
    w.desktop.destroy(gone);
    const int editorEntry = listed("T: Editor");
    const struct {
        WindowId picked;
        PickOutcome outcome;
        int entry;
    } rows[] = {
        {editor, PickOutcome::Selected, editorEntry}, {own, PickOutcome::OwnWindow, -1},
        {dialog, PickOutcome::Dialog, -1},            {dialogClass, PickOutcome::Dialog, -1},
        {popup, PickOutcome::Dialog, -1},             {untitled, PickOutcome::NotListed, -1},
        {hidden, PickOutcome::NotListed, -1},         {gone, PickOutcome::NotListed, -1},
        {0, PickOutcome::NotListed, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.picked);
        const PickSelection pick = selectPickedWindow(w.desktop, hostList.hostList(), row.picked);
        EXPECT_EQ(pick.outcome, row.outcome);
        EXPECT_EQ(pick.hostIndex, row.entry);
    }
}

TEST_F(CreatePageRemovingSettings, AStoreFailureIsThrownWithTheLinkKeptAndTheRefreshFreed) {
    w.activeLink("Mail");
    memory.write(linkInstanceAppName("Mail"), "FormPosSize", "Height", "900");
    store.failDeletes = true;
    EXPECT_THROW(page.remove(0), KivraError);
    EXPECT_FALSE(hostList.busy());
    ASSERT_EQ(w.table.linkCount(), 1);
    // Its window was closed; the record says so and the count agrees.
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(w.table.activeLinkCount(), 0);
}

}  // namespace
