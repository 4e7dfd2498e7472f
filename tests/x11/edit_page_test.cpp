// The Edit Host Link page over a running link, on a real X server with a real
// kivlink: renaming the link renames its window at once and moves its settings
// to the new title's instance section; a rename the host no longer matches ends it.
#include "AppNames.h"
#include "CreateLinksPage.h"
#include "EditLinksPage.h"
#include "MainFormDesktop.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

namespace kivra::test {
namespace {

[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);

const std::string kHostTitle = "D:\\Reports\\Q3 summary.txt - Viewer";
const std::string kOldTitle = kHostTitle;
const std::string kNewTitle = "D:\\Reports\\Q3 summary.txt";
// The instance sections, key-safe: a backslash would add a level to the store path.
const std::string kOldInstance = "Kivra\\Kivra [Link] D:/Reports/Q3 summary.txt - Viewer\\Inst 1 of 1";
const std::string kNewInstance = "Kivra\\Kivra [Link] D:/Reports/Q3 summary.txt\\Inst 1 of 1";

class EditPageTest : public MainFormDesktop {
protected:
    // A running link made from the host's exact title, with settings of its own
    // stored under its instance name.
    void startRunningLink() {
        storeLinks({linkFor(kOldTitle)});
        store->write(kOldInstance, "MainOptions", "TBCapString", "Seeded caption text");
        store->write(kOldInstance, "PicturePrefs", "PicBorder", "1");
        startForm();
        ASSERT_FALSE(HasFatalFailure());
        hostWindow = host->open(kHostTitle, "--geometry 500x350+120+100");
        ASSERT_TRUE(pumpUntil([&] {
            const HostLink* l = link(kOldTitle);
            return l && l->active && shownOnHost(l->linkWindow, hostWindow);
        })) << "the link did not start over its host";
        linkWindow = link(kOldTitle)->linkWindow;
        linkPid = static_cast<pid_t>(ws->processOf(linkWindow));
        ASSERT_TRUE(pumpUntil([&] { return caption() == kOldTitle; })) << "caption: " << caption();
    }

    std::string caption() { return probe->bytes(linkWindow, "_NET_WM_NAME").value_or("(none)"); }

    // The user opens the Edit page for the link, replaces its title and presses Apply.
    void renameOnEditPage(const std::string& newTitle) {
        form->openCreatePage();
        QListWidget* list = form->createPage()->linkList();
        const auto items = list->findItems(QString::fromStdString(kOldTitle), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.front());
        form->openEditPage();
        ASSERT_TRUE(form->management().edit.isOpen());
        QLineEdit* text = form->editPage()->titleText();
        ASSERT_EQ(text->text().toStdString(), kOldTitle);
        text->setFocus();
        text->selectAll();
        text->insert(QString::fromStdString(newTitle));  // an edit, as typing is
        ASSERT_EQ(form->editPage()->closeButton()->text(), QStringLiteral("&Apply"));
        asked.clear();
        form->editPage()->closeButton()->click();
        ASSERT_FALSE(form->management().edit.isOpen());
    }

    WindowId hostWindow = 0;
    WindowId linkWindow = 0;
    pid_t linkPid = 0;
};

TEST_F(EditPageTest, RenamingARunningLinkRenamesItsWindowAndMovesItsSettings) {
    startRunningLink();
    ASSERT_FALSE(HasFatalFailure());
    // The link program has saved its window's place once (the Edit page asks a
    // link added on the Create page to; here its settings were stored before).
    answers[MsgSetFuzzyOn] = MsgResultFirst;

    const auto applied = std::chrono::steady_clock::now();
    renameOnEditPage(kNewTitle);
    ASSERT_FALSE(HasFatalFailure());
    const double applyTook = msSince(applied);
    EXPECT_EQ(asked, std::vector<int>{MsgSetFuzzyOn});

    // The caption follows at once: the rename was answered before Apply returned.
    ASSERT_TRUE(pumpUntil([&] { return caption() == kNewTitle; }, 1s)) << "caption: " << caption();
    std::printf("[ figure ] Apply took %.1f ms; Apply -> link window caption renamed %.1f ms\n", applyTook,
                msSince(applied));

    // The record: new title, Fuzzy, still the same running link.
    ASSERT_EQ(link(kOldTitle), nullptr);
    ASSERT_NE(link(kNewTitle), nullptr);
    EXPECT_EQ(link(kNewTitle)->matchMethod, MatchMethod::Fuzzy);
    EXPECT_TRUE(link(kNewTitle)->active);
    EXPECT_EQ(link(kNewTitle)->linkWindow, linkWindow);
    EXPECT_EQ(form->createPage()->linkList()->currentItem()->text().toStdString(), kNewTitle);

    // The instance section under the new key-safe name: options and the settings carried over.
    EXPECT_EQ(stored(kNewInstance, "LinkOptions", "MatchMethod"), "2");
    EXPECT_EQ(stored(kNewInstance, "LinkOptions", "WinClass"), "TestHost");
    EXPECT_EQ(stored(kNewInstance, "LinkOptions", "AutoExecOn"), "1");
    EXPECT_EQ(stored(kNewInstance, "MainOptions", "TBCapString"), "Seeded caption text");
    EXPECT_EQ(stored(kNewInstance, "PicturePrefs", "PicBorder"), "1");

    // The link keeps running over its host: it took the new options, and the host's
    // title still contains the new link title.
    EXPECT_FALSE(pumpUntil([&] { return !probe->exists(linkWindow) || !stillRunning(linkPid); }, 1s))
        << "the renamed link ended itself";
    EXPECT_TRUE(link(kNewTitle)->active);

    // At exit the link program saves under its new name; the main program saves the list.
    answers[MsgExitMain] = MsgResultFirst;
    EXPECT_TRUE(form->close());
    ASSERT_TRUE(pumpUntil([&] { return !stillRunning(linkPid); })) << "the link program did not end at exit";
    form.reset();
    EXPECT_EQ(stored(kMain, "HostLinks", "HLinkCnt"), "1");
    EXPECT_EQ(stored(kMain, "HostLinks", "Link1"), kNewTitle);
    EXPECT_EQ(stored(kNewInstance, "MainOptions", "TBCapString"), "Seeded caption text");
    EXPECT_EQ(stored(kNewInstance, "FormPosSize", "Left"), "0");
    EXPECT_EQ(stored(kNewInstance, "FormPosSize", "Top"), "0");
    EXPECT_NE(stored(kNewInstance, "FormPosSize", "Width"), "-1");
    EXPECT_EQ(stored(kNewInstance, "LinkOptions", "MatchMethod"), "2");
}

TEST_F(EditPageTest, ARenameTheHostNoLongerMatchesEndsTheLink) {
    startRunningLink();
    ASSERT_FALSE(HasFatalFailure());
    // No to kind 29: the link stays Exact, and the host's title is not the new title.
    answers[MsgSetFuzzyOn] = MsgResultSecond;
    renameOnEditPage(kNewTitle);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(asked, std::vector<int>{MsgSetFuzzyOn});
    ASSERT_NE(link(kNewTitle), nullptr);
    EXPECT_EQ(link(kNewTitle)->matchMethod, MatchMethod::Exact);
    EXPECT_EQ(stored(kNewInstance, "LinkOptions", "MatchMethod"), "1");

    // The link program sees its host stop matching and ends; the main program notices.
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(linkPid); })) << "the link outlived the match";
    EXPECT_TRUE(pumpUntil([&] { return !link(kNewTitle)->active; }));
    EXPECT_EQ(form->links().activeLinkCount(), 0);
    // And the watcher does not start it again over a host it does not match.
    EXPECT_FALSE(pumpUntil([&] { return !runningLinks().empty(); }, 500ms));
}

}  // namespace
}  // namespace kivra::test
