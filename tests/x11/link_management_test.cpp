// Link management of the main program on a real X server, in this process: the
// Create page lists a live host and Add makes its link; Activate starts a real
// kivlink over it and Deactivate ends it; a closing host; exit with links
// running; and many activations in a row leaving nothing behind.
#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "DesktopTest.h"
#include "MainFormDesktop.h"
#include "LinkManagement.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "Process.h"
#include "ProcTable.h"
#include "Programs.h"
#include "QtWait.h"
#include "ShowMessage.h"
#include "StoreFile.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <sys/wait.h>

namespace kivra::test {
namespace {

const std::string kActive = "Active  : ";
const std::string kInactive = "Inactive: ";
constexpr std::chrono::milliseconds kStartDeadline = 10s;

[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);

int rowOf(const QListWidget* list, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == wanted) return i;
    return -1;
}

class LinkManagementTest : public MainFormDesktop {
protected:
    void SetUp() override {
        MainFormDesktop::SetUp();
        if (HasFatalFailure()) return;
        startForm();
    }

    void TearDown() override {
        MainFormDesktop::TearDown();
        reapExitedChildren();
    }

    WindowId openHost(const std::string& title, int x, int y) {
        return host->open(title, "--geometry 400x300+" + std::to_string(x) + "+" + std::to_string(y));
    }

    QListWidget* hostList() { return form->createPage()->hostList(); }
    QListWidget* statusList() { return form->activatePage()->statusList(); }
    bool statusShows(const std::string& line) { return rowOf(statusList(), line) >= 0; }

    // Opens the Create page, selects the host's entry once it is listed, adds it, closes the page.
    void addLinkFor(const std::string& title) {
        form->openCreatePage();
        ASSERT_TRUE(form->createPage()->isVisible());
        ASSERT_TRUE(pumpUntil([&] { return rowOf(hostList(), "T: " + title) >= 0; }))
            << "\"T: " << title << "\" never appeared in the host list";
        hostList()->setCurrentRow(rowOf(hostList(), "T: " + title));
        form->addLink();
        form->closeCreatePage();
        ASSERT_NE(link(title), nullptr);
    }

    void openActivatePage() {
        if (!form->activatePage()->isVisible()) form->openActivatePage();
        ASSERT_TRUE(form->activatePage()->isVisible());
    }

    void selectStatus(const std::string& line) {
        ASSERT_TRUE(pumpUntil([&] { return statusShows(line); })) << "no status line \"" << line << "\"";
        statusList()->setCurrentRow(rowOf(statusList(), line));
    }

    // Activates the link from the Activate page and waits until the page shows it active.
    void activate(const std::string& title) {
        openActivatePage();
        // A new link starts by itself when its host is open: the auto-execute watcher
        // may have started it already, which is as good as activating it here.
        if (!link(title)->active && !form->management().starts.isStarting(title)) {
            selectStatus(kInactive + title);
            if (HasFatalFailure()) return;
            form->activateLink();
        }
        ASSERT_TRUE(pumpUntil([&] { return statusShows(kActive + title); }, kStartDeadline))
            << "the link never became active";
        ASSERT_TRUE(link(title)->active);
        ASSERT_NE(link(title)->linkWindow, 0u);
    }

    // Deactivates the link and waits until the page shows it inactive; the time taken.
    double deactivate(const std::string& title) {
        openActivatePage();
        selectStatus(kActive + title);
        const auto start = std::chrono::steady_clock::now();
        form->deactivateLink();
        EXPECT_TRUE(pumpUntil([&] { return statusShows(kInactive + title); })) << "the link never became inactive";
        return msSince(start);
    }
};

// --- Create, activate, deactivate ------------------------------------------------

TEST_F(LinkManagementTest, AddActivateAndDeactivateOneLink) {
    const std::string title = "Mail - Inbox";
    const WindowId hostWindow = openHost(title, 120, 90);

    // Add from the Create page: the exact title, Exact, auto-execute on.
    addLinkFor(title);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(form->links().linkCount(), 1);
    const HostLink& added = form->links().at(0);
    EXPECT_EQ(added.title, title);
    EXPECT_EQ(added.winClass, ws->className(hostWindow));
    EXPECT_EQ(added.matchMethod, MatchMethod::Exact);
    EXPECT_TRUE(added.autoExec);
    EXPECT_FALSE(added.active);
    EXPECT_EQ(form->links().activeLinkCount(), 0);

    // Activate: a real kivlink, reported to this window, lying at the host's top-left.
    const auto started = std::chrono::steady_clock::now();
    activate(title);
    ASSERT_FALSE(HasFatalFailure());
    std::printf("[ figure ] Activate to \"Active\" line: %.1f ms\n", msSince(started));
    EXPECT_EQ(form->links().activeLinkCount(), 1);
    EXPECT_EQ(form->management().starts.pendingCount(), 0);
    const WindowId linkWindow = link(title)->linkWindow;
    EXPECT_EQ(link(title)->hostWindow, hostWindow);
    const auto linkPid = static_cast<pid_t>(ws->processOf(linkWindow));
    const ProcEntry linkProcess = procEntry(linkPid);
    EXPECT_EQ(linkProcess.comm, "kivlink");
    EXPECT_EQ(linkProcess.parent, ::getpid());
    EXPECT_TRUE(pumpUntil([&] {
        const auto l = probe->frameRect(linkWindow), h = probe->frameRect(hostWindow);
        return l && h && l->left == h->left && l->top == h->top;
    })) << "the link window is not at its host's top-left";
    EXPECT_EQ(form->activatePage()->statsLabel()->text().toStdString(), "Total Links Active: 1");

    // Deactivate: kind 26 (auto-execute is on), Yes; the window closes and the page says so.
    asked.clear();
    selectStatus(kActive + title);
    const auto ending = std::chrono::steady_clock::now();
    form->deactivateLink();
    const double answered = msSince(ending);
    double windowGone = -1, recordInactive = -1;
    ASSERT_TRUE(pumpUntil([&] {
        if (windowGone < 0 && !probe->exists(linkWindow)) windowGone = msSince(ending);
        if (recordInactive < 0 && !link(title)->active) recordInactive = msSince(ending);
        return statusShows(kInactive + title);
    })) << "the link never became inactive";
    std::printf("[ figure ] Deactivate to \"Inactive\" line: %.1f ms (close request answered after %.1f ms, "
                "link window gone after %.1f ms, record inactive after %.1f ms)\n",
                msSince(ending), answered, windowGone, recordInactive);
    EXPECT_EQ(asked, std::vector<int>{MsgDeactivateLink});
    EXPECT_FALSE(link(title)->autoExec) << "Yes to kind 26 turns auto-execute off";
    EXPECT_FALSE(probe->exists(linkWindow));
    EXPECT_EQ(form->links().activeLinkCount(), 0);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(linkPid); })) << "the link program did not end";
    // With nothing starting any more, the page's refresh still collects the ended program.
    EXPECT_TRUE(pumpUntil([&] { return procEntry(linkPid).state == '?'; })) << "the ended link program is a zombie";
}

TEST_F(LinkManagementTest, NoToTheDeactivateQuestionKeepsTheLinkRunning) {
    const std::string title = "Calendar";
    openHost(title, 100, 100);
    addLinkFor(title);
    activate(title);
    ASSERT_FALSE(HasFatalFailure());
    const WindowId linkWindow = link(title)->linkWindow;
    const auto linkPid = static_cast<pid_t>(ws->processOf(linkWindow));

    answers[MsgDeactivateLink] = MsgResultSecond;
    selectStatus(kActive + title);
    form->deactivateLink();
    // Several refreshes later it is still there and still active.
    EXPECT_FALSE(pumpUntil([&] { return !statusShows(kActive + title) || !probe->exists(linkWindow); }, 300ms));
    EXPECT_TRUE(link(title)->autoExec);
    EXPECT_TRUE(stillRunning(linkPid));
    EXPECT_EQ(form->links().activeLinkCount(), 1);
}

TEST_F(LinkManagementTest, ActivatingAgainWhileStartingStartsNoSecondProgram) {
    const std::string title = "Slow starter";
    openHost(title, 100, 100);
    addLinkFor(title);
    openActivatePage();
    selectStatus(kInactive + title);
    ASSERT_FALSE(HasFatalFailure());
    asked.clear();
    form->activateLink();
    form->activateLink();  // before the first program can have reported its window
    EXPECT_EQ(asked, std::vector<int>{MsgLinkAlreadyActive});
    EXPECT_EQ(form->management().starts.pendingCount(), 1);
    ASSERT_TRUE(pumpUntil([&] { return statusShows(kActive + title); }, kStartDeadline));
    EXPECT_EQ(childrenNamed(::getpid(), "kivlink").size(), 1u);
    EXPECT_EQ(form->links().activeLinkCount(), 1);
}

TEST_F(LinkManagementTest, DeletingAnActiveLinkEndsItsProgram) {
    const std::string title = "Short lived";
    openHost(title, 100, 100);
    addLinkFor(title);
    activate(title);
    ASSERT_FALSE(HasFatalFailure());
    const WindowId linkWindow = link(title)->linkWindow;
    const auto linkPid = static_cast<pid_t>(ws->processOf(linkWindow));
    form->closeActivatePage();

    form->openCreatePage();
    form->createPage()->linkList()->setCurrentRow(0);
    asked.clear();
    form->deleteLink();
    EXPECT_EQ(asked, std::vector<int>{MsgDeleteLink});
    EXPECT_EQ(form->links().linkCount(), 0);
    EXPECT_EQ(form->links().activeLinkCount(), 0);
    EXPECT_TRUE(pumpUntil([&] { return !probe->exists(linkWindow) && !stillRunning(linkPid); }))
        << "the deleted link's program kept running";
}

// --- A host that goes away -----------------------------------------------------

TEST_F(LinkManagementTest, ClosingAHostMarksItsLinkInactiveAndCountsDownOnce) {
    const WindowId hostA = openHost("Alpha", 60, 60);
    openHost("Beta", 600, 60);
    addLinkFor("Alpha");
    addLinkFor("Beta");
    activate("Alpha");
    activate("Beta");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(form->links().activeLinkCount(), 2);
    const auto pidA = static_cast<pid_t>(ws->processOf(link("Alpha")->linkWindow));

    // Close Alpha's host: 2 -> 1 exactly once; the count is sampled at every event pass
    // until the link program has ended and several more refreshes have run.
    host->close(hostA);
    int lowest = form->links().activeLinkCount(), changes = 0, last = lowest;
    auto sample = [&] {
        const int now = form->links().activeLinkCount();
        if (now != last) ++changes;
        last = now;
        lowest = std::min(lowest, now);
    };
    ASSERT_TRUE(pumpUntil([&] {
        sample();
        return statusShows(kInactive + "Alpha");
    })) << "Alpha never became inactive";
    EXPECT_TRUE(pumpUntil([&] {
        sample();
        return !stillRunning(pidA);
    })) << "Alpha's link program outlived its host";
    const auto settle = std::chrono::steady_clock::now() + 250ms;  // five more refreshes
    pumpUntil([&] {
        sample();
        return std::chrono::steady_clock::now() >= settle;
    }, 1s);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(lowest, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(link("Beta")->active);
    EXPECT_TRUE(link("Alpha")->autoExecReady) << "an auto-execute link that ended on its own is ready again";

    // And the last one: down to 0, never below.
    host.reset();
    lowest = last = form->links().activeLinkCount();
    ASSERT_TRUE(pumpUntil([&] {
        sample();
        return form->links().activeLinkCount() == 0 && statusShows(kInactive + "Beta");
    }));
    const auto settle2 = std::chrono::steady_clock::now() + 250ms;
    pumpUntil([&] {
        sample();
        return std::chrono::steady_clock::now() >= settle2;
    }, 1s);
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(form->activatePage()->statsLabel()->text().toStdString(), "Total Links Active: 0");
}

// --- Exit with links running ---------------------------------------------------

TEST_F(LinkManagementTest, ExitAsksOnceNoKeepsEverythingYesEndsBothAndSaves) {
    openHost("Zeta notes", 60, 60);
    openHost("alpha board", 600, 60);
    addLinkFor("Zeta notes");
    addLinkFor("alpha board");
    activate("Zeta notes");
    activate("alpha board");
    ASSERT_FALSE(HasFatalFailure());
    const WindowId linkZ = link("Zeta notes")->linkWindow, linkA = link("alpha board")->linkWindow;
    const auto pidZ = static_cast<pid_t>(ws->processOf(linkZ)), pidA = static_cast<pid_t>(ws->processOf(linkA));
    form->closeActivatePage();

    // No: the form stays, both links keep running.
    asked.clear();
    answers[MsgExitMain] = MsgResultSecond;
    EXPECT_FALSE(form->close());
    EXPECT_EQ(asked, std::vector<int>{MsgExitMain});
    EXPECT_TRUE(form->isVisible());
    // A close request would have been handled before close() returned; watch a while
    // for a window or a process going anyway.
    EXPECT_FALSE(pumpUntil([&] {
        return !stillRunning(pidZ) || !stillRunning(pidA) || !probe->exists(linkZ) || !probe->exists(linkA);
    }, 300ms));
    EXPECT_EQ(form->links().activeLinkCount(), 2);
    EXPECT_EQ(stored(kMain, "HostLinks", "HLinkCnt"), "-1") << "nothing is saved when the exit is cancelled";

    // Yes: asked once more (once for both links), both link windows close and save.
    asked.clear();
    answers[MsgExitMain] = MsgResultFirst;
    EXPECT_TRUE(form->close());
    EXPECT_EQ(asked, std::vector<int>{MsgExitMain});
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(pidZ) && !stillRunning(pidA); }))
        << "a link program kept running after the exit";
    EXPECT_FALSE(probe->exists(linkZ));
    EXPECT_FALSE(probe->exists(linkA));
    form.reset();

    for (const std::string title : {"Zeta notes", "alpha board"}) {
        SCOPED_TRACE(title);
        // The link sat at its host's corner: offset 0, 0.
        EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Left"), "0");
        EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Top"), "0");
        for (const char* key : {"Width", "Height"})
            EXPECT_NE(stored(instanceName(title), "FormPosSize", key), "-1") << key;
        EXPECT_EQ(stored(instanceName(title), "LinkOptions", "MatchMethod"), "1");
        EXPECT_EQ(stored(instanceName(title), "LinkOptions", "WinClass"), "TestHost");
        EXPECT_NE(stored(instanceName(title), "LinkOptions", "AutoExecOn"), "-1");
    }
    EXPECT_EQ(stored(kMain, "HostLinks", "HLinkCnt"), "2");
    EXPECT_EQ(stored(kMain, "HostLinks", "Link1"), "alpha board");
    EXPECT_EQ(stored(kMain, "HostLinks", "Link2"), "Zeta notes");
}

// --- Many in a row -----------------------------------------------------------------

TEST_F(LinkManagementTest, HundredActivationsAndDeactivationsLeaveNothingBehind) {
    constexpr int kRounds = 100;
    const std::string title = "Stress host";
    openHost(title, 200, 150);
    addLinkFor(title);
    ASSERT_FALSE(HasFatalFailure());

    asked.clear();
    std::vector<double> ends;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
        SCOPED_TRACE("round " + std::to_string(i + 1));
        activate(title);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(form->links().activeLinkCount(), 1);
        ends.push_back(deactivate(title));
        ASSERT_FALSE(HasFatalFailure());
    }
    const double total = msSince(started);
    std::sort(ends.begin(), ends.end());
    std::printf("[ figure ] %d rounds in %.1f s; Deactivate to \"Inactive\" p50 %.1f ms, p95 %.1f ms, max %.1f ms\n",
                kRounds, total / 1000, ends[ends.size() / 2], ends[ends.size() * 95 / 100], ends.back());
    // Only the first deactivation asks: Yes turned auto-execute off.
    EXPECT_EQ(asked, std::vector<int>{MsgDeactivateLink});

    EXPECT_EQ(form->links().activeLinkCount(), 0);
    EXPECT_EQ(form->management().starts.pendingCount(), 0);
    // No kivlink child of ours is left, running or as a zombie.
    pumpUntil([&] { return childrenNamed(::getpid(), "kivlink").empty(); });
    const auto left = childrenNamed(::getpid(), "kivlink");
    EXPECT_TRUE(left.empty()) << left.size() << " kivlink processes left, the first in state "
                              << (left.empty() ? '-' : left.front().state);
}

}  // namespace
}  // namespace kivra::test
