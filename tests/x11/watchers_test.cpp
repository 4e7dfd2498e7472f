// The main program's watchers on a real X server, with real kivlink processes:
// a link starting by itself when its host appears, link windows raised with their
// host and stepping back for another application, a click on a link window,
// Terminate Pop-up closing pop-ups and sparing main windows, no automatic start
// while the Edit Host Link page is open, and a new link answering commands while
// its ready report to the main program is still unanswered.
#include "CreateLinksPage.h"
#include "EditLinksPage.h"
#include "LinkStarts.h"
#include "MainFormDesktop.h"
#include "Xdotool.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace kivra::test {
namespace {

[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);

constexpr std::chrono::milliseconds kStartDeadline = 2s;
// Long enough for twenty auto-execute ticks: a link that was going to start has started.
constexpr std::chrono::milliseconds kQuietSpell = 1s;

class WatchersTest : public MainFormDesktop {
protected:
    WindowId openHost(const std::string& title, const std::string& options = "--geometry 400x300+150+120") {
        return host->open(title, options);
    }

    // Waits for the link window of `title` to be recorded and shown on its host.
    WindowId waitForLinkOn(const std::string& title, WindowId hostWindow,
                           std::chrono::milliseconds deadline = kStartDeadline) {
        WindowId linkWindow = 0;
        const bool shown = pumpUntil([&] {
            const HostLink* l = link(title);
            if (!l || !l->active) return false;
            linkWindow = l->linkWindow;
            return shownOnHost(linkWindow, hostWindow);
        }, deadline);
        EXPECT_TRUE(shown) << "the link \"" << title << "\" was not shown on its host";
        return shown ? linkWindow : 0;
    }

    void selectLink(const std::string& title) {
        QListWidget* list = form->createPage()->linkList();
        const auto items = list->findItems(QString::fromStdString(title), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.front());
    }

    // Opens the Edit page for `title` from the Create page.
    void openEditPageFor(const std::string& title) {
        form->openCreatePage();
        selectLink(title);
        if (HasFatalFailure()) return;
        form->openEditPage();
        ASSERT_TRUE(form->editPage()->isVisible());
        ASSERT_TRUE(form->management().edit.isOpen());
    }
};

// --- Auto Execute --------------------------------------------------------------

TEST_F(WatchersTest, AnAutoExecuteLinkStartsByItselfWhenItsHostAppears) {
    const std::string title = "Ledger - Quarter 3";
    storeLinks({linkFor(title)});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    // The form is up and the watcher ticking: no host yet, nothing starts.
    EXPECT_FALSE(pumpUntil([&] { return linkProgramsStarted() > 0; }, 200ms));

    const WindowId hostWindow = openHost(title);
    const auto opened = std::chrono::steady_clock::now();
    WindowId linkWindow = 0;
    double started = -1, shown = -1;
    ASSERT_TRUE(pumpUntil([&] {
        if (started < 0 && linkProgramsStarted() > 0) started = msSince(opened);
        for (WindowId w : linkWindowsOnDesktop())
            if (shownOnHost(w, hostWindow)) linkWindow = w;
        return linkWindow != 0;
    }, kStartDeadline)) << "no link window was mapped over the host within " << kStartDeadline.count() << " ms";
    shown = msSince(opened);
    std::printf("[ figure ] host open -> kivlink started %.1f ms, -> link window mapped over the host %.1f ms\n",
                started, shown);

    // The window found is the one recorded for the link, over that host.
    ASSERT_TRUE(pumpUntil([&] { return link(title)->active; }));
    EXPECT_EQ(link(title)->linkWindow, linkWindow);
    EXPECT_EQ(link(title)->hostWindow, hostWindow);
    EXPECT_FALSE(link(title)->autoExecReady) << "starting clears auto-execute ready";
    // One program only, however many ticks ran while it was starting.
    EXPECT_FALSE(pumpUntil([&] { return linkProgramsStarted() > 1; }, 300ms));
    EXPECT_EQ(form->links().activeLinkCount(), 1);
}

TEST_F(WatchersTest, ALinkWithAutoExecuteOffIsNeverStartedByItself) {
    HostLink off = linkFor("Quiet host");
    off.autoExec = false;
    storeLinks({off});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    openHost("Quiet host");
    EXPECT_FALSE(pumpUntil([&] { return linkProgramsStarted() > 0; }, kQuietSpell));
    EXPECT_FALSE(link("Quiet host")->active);
}

// --- Foreground ----------------------------------------------------------------

TEST_F(WatchersTest, LinkWindowsFollowTheirHostToTheFrontAndStepBackForAnotherApplication) {
    const std::string title = "Drawing board";
    storeLinks({linkFor(title)});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = openHost(title, "--geometry 500x400+100+100");
    const WindowId linkWindow = waitForLinkOn(title, hostWindow);
    ASSERT_NE(linkWindow, 0u);

    // Another application, its window over the same area.
    TestHost other;
    const WindowId otherWindow = other.open("Another application", "--geometry 500x400+150+150");

    auto frontIs = [&](WindowId w) { return probe->activeWindow() == w; };

    // The other application in front: the link steps back, not topmost, under it.
    ASSERT_TRUE(xdotool::windowActivate(otherWindow));
    ASSERT_TRUE(pumpUntil([&] { return frontIs(otherWindow); }));
    EXPECT_TRUE(pumpUntil([&] { return !probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE"); }))
        << "the link window stayed topmost with another application in front";
    EXPECT_TRUE(pumpUntil([&] { return above(otherWindow, linkWindow); }))
        << "the link window stayed over the application in front";

    // The host in front: its link comes over it and is topmost again.
    ASSERT_TRUE(xdotool::windowActivate(hostWindow));
    ASSERT_TRUE(pumpUntil([&] { return frontIs(hostWindow); }));
    const auto hostActivated = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] {
        return above(linkWindow, hostWindow) && above(hostWindow, otherWindow) &&
               probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE");
    })) << "the link window was not raised over its host";
    std::printf("[ figure ] host activated -> link window over it and topmost: %.1f ms\n", msSince(hostActivated));
    // And it stays so: the watcher's later ticks do not push it back.
    EXPECT_FALSE(pumpUntil([&] { return !above(linkWindow, hostWindow); }, 300ms));

    // Another application in front again: no longer topmost.
    ASSERT_TRUE(xdotool::windowActivate(otherWindow));
    ASSERT_TRUE(pumpUntil([&] { return frontIs(otherWindow); }));
    EXPECT_TRUE(pumpUntil([&] {
        return !probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE") && above(otherWindow, linkWindow);
    })) << "the link window stayed topmost over another application";

    // A click on the link window brings it (and its host under it) to the front, and it stays there.
    const auto frame = probe->frameRect(linkWindow);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(xdotool::run({"mousemove", "--window", std::to_string(linkWindow), "10", "10"}));
    ASSERT_TRUE(xdotool::run({"click", "1"}));
    const auto clicked = std::chrono::steady_clock::now();
    ASSERT_TRUE(pumpUntil([&] {
        return frontIs(linkWindow) && stackPosition(linkWindow) == 0 &&
               probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE") && above(hostWindow, otherWindow);
    })) << "the clicked link window did not come to the front with its host";
    std::printf("[ figure ] click -> link window in front, host behind it: %.1f ms\n", msSince(clicked));
    EXPECT_FALSE(pumpUntil([&] {
        return stackPosition(linkWindow) != 0 || !probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE");
    }, 500ms)) << "the clicked link window was pushed back";
    EXPECT_TRUE(link(title)->active);
}

// --- Terminate Pop-up -------------------------------------------------------------

// How a matching window is opened, and whether Terminate Pop-up closes it. On X11 a
// window reads as a plain main window (style 0x16CF0000) when it is visible,
// decorated, resizable, of type NORMAL and not transient; the walk does not list
// windows that are typed as utilities, menus and the like (they read as WS_POPUP),
// so those are neither covered nor closed.
struct PopupCase {
    const char* name;
    const char* options;
    bool closed;
};

class TerminatePopup : public WatchersTest, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(TerminatePopup, ClosesMatchingPopupsAndStartsNothing) {
    const std::string title = "Special offer";
    // The link is made from a plain window of that title on the Create page, and
    // turned to Terminate Pop-up on the Edit page before any tick could start it.
    const WindowId plain = openHost(title);
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    form->openCreatePage();
    QListWidget* hosts = form->createPage()->hostList();
    ASSERT_TRUE(pumpUntil([&] { return !hosts->findItems(QString::fromStdString("T: " + title), Qt::MatchExactly).isEmpty(); }));
    hosts->setCurrentItem(hosts->findItems(QString::fromStdString("T: " + title), Qt::MatchExactly).front());
    form->addLink();
    ASSERT_NE(link(title), nullptr);
    form->openEditPage();  // the new link is selected in the link list
    ASSERT_TRUE(form->management().edit.isOpen());
    form->editPage()->option(EditOption::TerminatePopup)->click();
    EXPECT_TRUE(form->editPage()->option(EditOption::AutoExecOn)->isChecked());
    EXPECT_EQ(form->editPage()->closeButton()->text(), QStringLiteral("&Apply"));
    form->editPage()->closeButton()->click();
    ASSERT_FALSE(form->management().edit.isOpen());
    EXPECT_TRUE(link(title)->terminateHost);
    EXPECT_EQ(stored(instanceName(title), "LinkOptions", "TermHost"), "1");
    form->closeCreatePage();

    // The plain window of that title is spared, tick after tick.
    EXPECT_FALSE(pumpUntil([&] { return !probe->exists(plain) || linkProgramsStarted() > 0; }, kQuietSpell))
        << "the plain main window was closed or covered";

    const WindowId popup = openHost(title, std::string("--geometry 300x200+600+300 ") + GetParam().options);
    const auto opened = std::chrono::steady_clock::now();
    if (GetParam().closed) {
        ASSERT_TRUE(pumpUntil([&] { return !probe->exists(popup); }, kStartDeadline)) << "the pop-up was not closed";
        std::printf("[ figure ] %s pop-up open -> closed: %.1f ms\n", GetParam().name, msSince(opened));
        const auto closed = host->closedOnRequest();
        EXPECT_NE(std::find(closed.begin(), closed.end(), popup), closed.end())
            << "the pop-up went, but not by a close request";
    } else {
        EXPECT_FALSE(pumpUntil([&] { return !probe->exists(popup); }, kQuietSpell));
    }
    // Nothing was started, and the plain window is still there.
    EXPECT_FALSE(pumpUntil([&] { return linkProgramsStarted() > 0; }, 300ms));
    EXPECT_TRUE(probe->exists(plain));
    EXPECT_FALSE(link(title)->active);
    EXPECT_TRUE(link(title)->autoExecReady) << "a Terminate Pop-up link stays ready for the next pop-up";
    if (probe->exists(popup)) host->close(popup);
}

INSTANTIATE_TEST_SUITE_P(X11, TerminatePopup,
                         ::testing::Values(PopupCase{"FixedSize", "--fixed-size", true},
                                           PopupCase{"Undecorated", "--undecorated", true},
                                           PopupCase{"UtilityIsNotListed", "--type utility", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The Edit page holds the watcher -------------------------------------------

TEST_F(WatchersTest, NothingStartsByItselfWhileTheEditPageIsOpen) {
    const std::string title = "Held back";
    storeLinks({linkFor(title), linkFor("Other link")});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    openEditPageFor("Other link");
    ASSERT_FALSE(HasFatalFailure());

    const WindowId hostWindow = openHost(title);
    EXPECT_FALSE(pumpUntil([&] { return linkProgramsStarted() > 0; }, kQuietSpell))
        << "a link started while the Edit page was open";
    EXPECT_FALSE(link(title)->active);

    // Close (nothing changed): the watcher runs again and starts it.
    EXPECT_EQ(form->editPage()->closeButton()->text(), QStringLiteral("&Close"));
    const auto closed = std::chrono::steady_clock::now();
    form->editPage()->closeButton()->click();
    EXPECT_FALSE(form->management().edit.isOpen());
    EXPECT_NE(waitForLinkOn(title, hostWindow), 0u);
    std::printf("[ figure ] Edit page Close -> held-back link shown on its host: %.1f ms\n", msSince(closed));
}

// --- A new link and the main program talking at once ----------------------------

// The main program finds a new link window on the desktop and may send it a command
// at once (its foreground watcher does, as the new window takes the focus), while
// the link program is sending its ready report to the main program. Neither may
// wait for the other: the link answers the command while its report is unanswered.
using NewLinkTest = DesktopTest;

TEST_F(NewLinkTest, ALinkAnswersCommandsWhileItsReadyReportIsUnanswered) {
    TempSettings settings;
    const WindowId hostWindow = host->open("Report host", "--geometry 400x300+200+150");
    // Stands in for the main window; its receiver reads nothing until the end.
    const WindowId mainWindow = host->open("Kivra [Main]", "--geometry 200x100+1000+800");
    std::string error;
    auto mainReceiver = ChannelReceiver::listen(
        mainWindow, [](const ChannelMessage&) { return std::string(kLinkRecorded); }, &error);
    ASSERT_TRUE(mainReceiver) << error;
    auto link = startProgram("kivlink", {linkArgumentString(hostWindow, mainWindow, "Report host")}, settings);

    // The report has arrived (unread) once the receiver's socket is readable.
    pollfd p{mainReceiver->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1) << "the link never reported";
    WindowId linkWindow = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (WindowId w : probe->stackingTopFirst())
            if (ws->processOf(w) == static_cast<ProcessId>(link->pid())) linkWindow = w;
        return linkWindow != 0;
    })) << "the link window is not on the desktop";

    const auto sent = std::chrono::steady_clock::now();
    const SendResult result = sendChannelMessage(linkWindow, ChannelKind::Command, "0", 2s);
    const double answered = msSince(sent);
    std::printf("[ figure ] command to a link whose ready report is unanswered: answered after %.1f ms\n", answered);
    EXPECT_EQ(result, SendResult::Delivered);
    EXPECT_LT(answered, 250.0) << "the link waited for the main program while the main program waited for it";

    mainReceiver->dispatch();
    link->stop();
}

}  // namespace
}  // namespace kivra::test
