// What a user sees of links on a real X server, one scenario per flow: the main
// window in this process over the X11 backend, real kivlink processes over testhost
// windows under openbox. A link that starts by itself, follows and ends with its
// host and saves where it was (minimize and restore: cover_placement_test); link windows coming to the front with their
// host; renaming a running link; links left by a main program that was killed, adopted by the
// next, one of them stopped. The kick timer: cover_placement_test.
#include "ControlsPanel.h"
#include "CreateLinksPage.h"
#include "EditLinksPage.h"
#include "LinkChannel.h"
#include "MainFormDesktop.h"
#include "Xdotool.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

namespace kivra::test {
namespace {

[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

class LinkFlows : public MainFormDesktop {
protected:
    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }
    // Waits for the running link of `title` to be shown on its host; its window.
    WindowId linkShownOn(const std::string& title, WindowId hostWindow) {
        WindowId w = 0;
        EXPECT_TRUE(pumpUntil([&] {
            const HostLink* l = link(title);
            return l && l->active && shownOnHost(w = l->linkWindow, hostWindow);
        }, 10s)) << "the link \"" << title << "\" was not shown on its host";
        return w;
    }
    // Moves a window through the window manager, as a drag does; its frame afterwards.
    Rect userMoves(WindowId w, int x, int y) {
        const Rect before = frame(w);
        EXPECT_TRUE(xdotool::windowMove(w, x, y));
        EXPECT_TRUE(pumpUntil([&] { return frame(w) != before; }));
        return frame(w);
    }
};

TEST_F(LinkFlows, AnAutoExecuteLinkStartsFollowsMinimizesAndEndsWithItsHost) {
    const std::string title = "Ledger - Quarter 3";
    storeLinks({linkFor(title)});
    store->write(instanceName(title), "FormPosSize", "Left", "600");  // 40 px
    store->write(instanceName(title), "FormPosSize", "Top", "-1500");  // -100 px
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = host->open(title, "--geometry 400x300+200+150");
    WindowId linkWindow = 0;
    ASSERT_TRUE(pumpUntil([&] {
        const HostLink* l = link(title);
        return l && l->active && (linkWindow = l->linkWindow) != 0;
    }, 10s)) << "the link did not start by itself";
    EXPECT_EQ(link(title)->hostWindow, hostWindow);
    EXPECT_EQ(linkProgramsStarted(), 1u);
    const Rect h = frame(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == Rect{h.left + 40, h.top - 100, h.left + 274, h.top - 40}; }))
        << "not at the stored offset";
    EXPECT_TRUE(probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE"));
    EXPECT_EQ(probe->bytes(linkWindow, "_NET_WM_NAME"), title);

    // It follows every move of its host, partly off the screen's left edge too.
    for (const auto& [dx, dy] : {std::pair{40, 10}, std::pair{-h.left - 190, 0}, std::pair{300, 200}}) {
        const Rect linkBefore = frame(linkWindow), hostBefore = frame(hostWindow);
        host->move(hostWindow, hostBefore.left + dx, hostBefore.top + dy);
        ASSERT_TRUE(pumpUntil([&] { return frame(hostWindow) == shifted(hostBefore, dx, dy); }));
        EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == shifted(linkBefore, dx, dy); }))
            << "after a host move of " << dx << "," << dy;
    }

    // The user puts the link elsewhere; closing the host ends the link, which saves its offset.
    const Rect hostPlaced = frame(hostWindow);
    const Rect moved = userMoves(linkWindow, hostPlaced.left + 90, hostPlaced.top + 70);
    const pid_t pid = static_cast<pid_t>(ws->processOf(linkWindow));
    host->close(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(pid); })) << "the link outlived its host";
    EXPECT_TRUE(pumpUntil([&] { return !link(title)->active; }));
    EXPECT_EQ(form->links().activeLinkCount(), 0);
    EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Left"), std::to_string((moved.left - hostPlaced.left) * kTwips));
    EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Top"), std::to_string((moved.top - hostPlaced.top) * kTwips));
}

TEST_F(LinkFlows, LinkWindowsComeToTheFrontWithTheirHostAndStepBackForAnother) {
    const std::string title = "Drawing board";
    storeLinks({linkFor(title)});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = host->open(title, "--geometry 500x400+100+100");
    const WindowId linkWindow = linkShownOn(title, hostWindow);
    ASSERT_NE(linkWindow, 0u);
    TestHost other;
    const WindowId otherWindow = other.open("Another application", "--geometry 500x400+150+150");
    auto linkTopmost = [&] { return probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE"); };

    ASSERT_TRUE(xdotool::windowActivate(otherWindow));
    EXPECT_TRUE(pumpUntil([&] { return !linkTopmost() && above(otherWindow, linkWindow); }))
        << "the link window stayed over another application in front";

    ASSERT_TRUE(xdotool::windowActivate(hostWindow));
    EXPECT_TRUE(pumpUntil([&] { return linkTopmost() && above(linkWindow, hostWindow) && above(hostWindow, otherWindow); }))
        << "the link window was not raised over its host";

    // A click on the link window brings it, and its host under it, to the front.
    ASSERT_TRUE(xdotool::windowActivate(otherWindow));
    ASSERT_TRUE(pumpUntil([&] { return !linkTopmost(); }));
    ASSERT_TRUE(xdotool::run({"mousemove", "--window", std::to_string(linkWindow), "10", "10"}));
    ASSERT_TRUE(xdotool::run({"click", "1"}));
    EXPECT_TRUE(pumpUntil([&] {
        return stackPosition(linkWindow) == 0 && linkTopmost() && above(hostWindow, otherWindow);
    })) << "the clicked link window did not come to the front with its host";
}

TEST_F(LinkFlows, RenamingARunningLinkRenamesItsWindowAndMovesItsSettings) {
    const std::string oldTitle = "D:\\Reports\\Q3 summary.txt - Viewer", newTitle = "D:\\Reports\\Q3 summary.txt";
    // The instance sections are key-safe: a backslash would add a level to the store path.
    const std::string oldInstance = instanceName("D:/Reports/Q3 summary.txt - Viewer");
    const std::string newInstance = instanceName("D:/Reports/Q3 summary.txt");
    storeLinks({linkFor(oldTitle)});
    store->write(oldInstance, "MainOptions", "TBCapString", "Seeded caption text");
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = host->open(oldTitle, "--geometry 500x350+120+100");
    const WindowId linkWindow = linkShownOn(oldTitle, hostWindow);
    ASSERT_NE(linkWindow, 0u);
    const pid_t pid = static_cast<pid_t>(ws->processOf(linkWindow));

    // The user opens the Edit page for the link, replaces its title, says yes to
    // Fuzzy matching and presses Apply.
    form->openCreatePage();
    QListWidget* list = form->createPage()->linkList();
    list->setCurrentItem(list->findItems(QString::fromStdString(oldTitle), Qt::MatchExactly).value(0));
    form->openEditPage();
    ASSERT_TRUE(form->management().edit.isOpen());
    QLineEdit* text = form->editPage()->titleText();
    text->setFocus();
    text->selectAll();
    text->insert(QString::fromStdString(newTitle));
    answers[MsgSetFuzzyOn] = MsgResultFirst;
    form->editPage()->closeButton()->click();
    EXPECT_EQ(asked, std::vector<int>{MsgSetFuzzyOn});
    ASSERT_NE(link(newTitle), nullptr);
    EXPECT_EQ(link(newTitle)->matchMethod, MatchMethod::Fuzzy);
    // The rename reaches the running link.
    EXPECT_TRUE(pumpUntil([&] { return probe->bytes(linkWindow, "_NET_WM_NAME") == newTitle; }));
    EXPECT_EQ(stored(newInstance, "LinkOptions", "MatchMethod"), "2");
    EXPECT_EQ(stored(newInstance, "MainOptions", "TBCapString"), "Seeded caption text");
    // The host still matches the new title: after a ping over its channel, the link still runs.
    EXPECT_EQ(sendChannelMessage(linkWindow, ChannelKind::Command, "6", 10s), SendResult::Delivered);
    EXPECT_TRUE(stillRunning(pid));
    EXPECT_TRUE(link(newTitle)->active);

    // At exit the link program saves under its new name; the main program saves the list.
    answers[MsgExitMain] = MsgResultFirst;
    EXPECT_TRUE(form->close());
    ASSERT_TRUE(pumpUntil([&] { return !stillRunning(pid); })) << "the link program did not end at exit";
    form.reset();
    EXPECT_EQ(stored(kMain, "HostLinks", "Link1"), newTitle);
    EXPECT_EQ(stored(newInstance, "FormPosSize", "Left"), "0");
    EXPECT_EQ(stored(oldInstance, "FormPosSize", "Left"), "-1");
}

TEST_F(LinkFlows, LinksOfAKilledMainProgramAreAdoptedAndAStoppedOneDoesNotHoldUpTheOthers) {
    const std::vector<std::string> titles{"Adopted A", "Adopted B", "Adopted C"};
    storeLinks({linkFor(titles[0]), linkFor(titles[1]), linkFor(titles[2])});
    std::vector<WindowId> hosts;
    for (int i = 0; i < 3; ++i)
        hosts.push_back(host->open(titles[i], "--geometry 300x200+" + std::to_string(50 + 320 * i) + "+100"));
    // The links left by the killed kivra become this process's children. Otherwise
    // their group could be left orphaned with B stopped in it, and where the
    // orphans' new parent is init in our session the kernel ends the whole group
    // (SIGHUP, SIGCONT) as soon as A exits.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    // A first kivra starts the three links by itself, then is killed.
    auto first = startProgram("kivra", {}, settings);
    std::map<WindowId, pid_t> linkOfHost;  // host -> its link program
    ASSERT_TRUE(waitUntil([&] {
        for (const ProcEntry& p : childrenNamed(first->pid(), "kivlink"))
            for (WindowId w : probe->stackingTopFirst())
                if (ws->processOf(w) == static_cast<ProcessId>(p.pid) && ws->title(w) != "")
                    for (int i = 0; i < 3; ++i)
                        if (shownOnHost(w, hosts[i])) linkOfHost[hosts[i]] = p.pid;
        return linkOfHost.size() == 3;
    }, 20s)) << "the first kivra did not start the three links";
    ::kill(first->pid(), SIGKILL);
    ASSERT_TRUE(first->waitExit(5s));

    startForm();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(pumpUntil([&] { return form->links().activeLinkCount() == 3; }, 10s)) << "the links were not adopted";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(link(titles[i])->hostWindow, hosts[i]);
        EXPECT_EQ(ws->processOf(link(titles[i])->linkWindow), static_cast<ProcessId>(linkOfHost[hosts[i]]));
    }
    const pid_t a = linkOfHost[hosts[0]], b = linkOfHost[hosts[1]], c = linkOfHost[hosts[2]];

    // B stops; the hosts come to the front in turn, and no second link program starts.
    ::kill(b, SIGSTOP);
    const WindowId linkA = link(titles[0])->linkWindow, linkC = link(titles[2])->linkWindow;
    for (WindowId h : {hosts[1], hosts[2], hosts[0]}) {  // each one handled by the watcher before the next
        ASSERT_TRUE(xdotool::windowActivate(h));
        ASSERT_TRUE(pumpUntil([&] { return form->management().watchers.lastForeground == h; }));
    }
    EXPECT_TRUE(pumpUntil([&] {
        return probe->hasState(linkA, "_NET_WM_STATE_ABOVE") && !probe->hasState(linkC, "_NET_WM_STATE_ABOVE");
    })) << "the adopted links did not follow the foreground";
    form->openActivatePage();
    EXPECT_TRUE(pumpUntil([&] {
        const auto& lines = form->management().status.lines();
        return std::find(lines.begin(), lines.end(), "Hung    : " + titles[1]) != lines.end();
    })) << "the stopped link was not shown as hung";
    for (const ProcEntry& p : childrenNamed(::getpid(), "kivlink"))  // the adopted three only
        EXPECT_TRUE(p.pid == a || p.pid == b || p.pid == c) << "a second link program started";

    // Deact. of A ends it while B is stopped; Deact. of B ends B.
    form->deactivateStatusLine("Active  : " + titles[0]);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(a); })) << "A did not end";
    EXPECT_TRUE(stillRunning(b));
    form->deactivateStatusLine("Hung    : " + titles[1]);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(b); }, 10s)) << "the stopped link was not ended";

    // C ends at exit.
    answers[MsgExitMain] = MsgResultFirst;
    form->close();
    form.reset();
    EXPECT_TRUE(waitUntil([&] { return !stillRunning(c); })) << "C outlived the main program";
    for (WindowId h : hosts) host->close(h);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
}  // namespace kivra::test
