// What a user sees of links on a real X server, one scenario per flow: the main window in
// this process over the X11 backend (one QApplication on xcb, message boxes answered from a
// table), real kivlink processes sharing the test's settings file over testhost windows under
// openbox. A link that starts by itself, follows, minimizes and ends with its host; link
// windows coming to the front with their host; renaming a running link; links left by a main
// program that was killed, adopted by the next; Pick.
#include "CreateLinksPage.h"
#include "DesktopTest.h"
#include "EditLinksPage.h"
#include "HostLink.h"
#include "LinkChannel.h"
#include "LinkManagement.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MessageState.h"
#include "ProcTable.h"
#include "QtWait.h"
#include "RectPrinter.h"
#include "ShowMessage.h"
#include "X11WindowPicker.h"
#include "Xdotool.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <map>

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

std::string instanceName(const std::string& keySafeTitle) {
    return "Kivra\\Kivra [Link] " + keySafeTitle + "\\Inst 1 of 1";
}

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Resident memory of a process in kB, from /proc; 0 when it is gone.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    long kb = 0;
    while (status >> word)
        if (word == "VmRSS:" && status >> kb) return kb;
    return 0;
}

class QtXcbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The marker in our windows' class keeps them out of the host list, as in kivra.
        QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivra"));
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "x11_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment);

class LinkFlows : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (HasFatalFailure()) return;
        // kivlink inherits the environment: both programs use this test's file.
        ::setenv("KIVRA_SETTINGS", settings.path().c_str(), 1);
        messages() = MessageState{};
        setMessageResponder([this](MessageRequest& r) -> std::optional<int> {
            const auto it = answers.find(r.content.kind);
            return it == answers.end() ? MsgResultFirst : it->second;
        });
        store = openStore(settings.path()).store;
        store->write(kMain, "MainOptions", "StartupMsg", "0");  // no welcome box
    }

    void TearDown() override {
        if (form) {
            answers[MsgExitMain] = MsgResultFirst;
            form->close();
            form.reset();
        }
        pumpUntil([&] { return windowsOf(static_cast<ProcessId>(::getpid())).empty(); });
        setMessageResponder({});
        DesktopTest::TearDown();
        // Link programs end themselves with their hosts; collect them.
        EXPECT_TRUE(pumpUntil([&] {
            const auto links = childrenNamed(::getpid(), "kivlink");
            return std::all_of(links.begin(), links.end(), [](const ProcEntry& p) { return p.state == 'Z'; });
        })) << "a link program outlived its host";
        for (const ProcEntry& p : childrenNamed(::getpid(), "kivlink")) {
            ::kill(p.pid, SIGKILL);
            ::waitpid(p.pid, nullptr, 0);
        }
        store.reset();
        ::unsetenv("KIVRA_SETTINGS");
    }

    // Links as the main program finds them at its first activation.
    void storeLinks(const std::vector<std::string>& titles) {
        LinkTable table;
        for (const std::string& title : titles) {
            HostLink l;
            l.title = title;
            l.winClass = "TestHost";
            table.insert(l);
        }
        SaveHostLinks(table, *store);
    }

    // Loads, shows and activates the main window: the watchers run from here on.
    void startForm() {
        MainEnvironment env;
        env.windows = ws.get();
        env.store = store;
        env.appDirectory = QString::fromStdString(programPath(""));
        picker = x11::X11WindowPicker::connect(nullptr);
        env.picker = picker;
        form = std::make_unique<MainForm>(std::move(env));
        form->load();
        form->show();
        ASSERT_TRUE(pumpUntil([&] { return form->firstActivationDone(); }));
    }

    const HostLink* link(const std::string& title) {
        const auto index = form->links().find(title);
        return index ? &form->links().at(*index) : nullptr;
    }
    Rect frame(WindowId w) { return probe->frameRect(w).value_or(Rect{}); }

    // Mapped (WM_STATE Normal) with its frame's corner on the host frame's corner.
    bool shownOnHost(WindowId linkWindow, WindowId hostWindow) {
        const auto state = probe->values32(linkWindow, "WM_STATE");
        if (state.empty() || state[0] != 1) return false;
        const auto l = probe->frameRect(linkWindow), h = probe->frameRect(hostWindow);
        return l && h && l->left == h->left && l->top == h->top;
    }
    // Waits for the running link of `title` to be shown on its host; its window.
    WindowId linkShownOn(const std::string& title, WindowId hostWindow) {
        WindowId w = 0;
        EXPECT_TRUE(pumpUntil([&] {
            const HostLink* l = link(title);
            return l && l->active && shownOnHost(w = l->linkWindow, hostWindow);
        }, 10s)) << "the link \"" << title << "\" was not shown on its host";
        return w;
    }

    // Position in _NET_CLIENT_LIST_STACKING, 0 at the top; -1 when not listed.
    int stackPosition(WindowId w) {
        const auto stack = probe->stackingTopFirst();
        const auto it = std::find(stack.begin(), stack.end(), w);
        return it == stack.end() ? -1 : static_cast<int>(it - stack.begin());
    }
    bool above(WindowId upper, WindowId lower) {
        const int u = stackPosition(upper), l = stackPosition(lower);
        return u >= 0 && l >= 0 && u < l;
    }
    bool isIconic(WindowId w) {
        const auto state = probe->values32(w, "WM_STATE");
        return !state.empty() && state[0] == 3;
    }

    std::shared_ptr<SqliteStore> store;
    std::unique_ptr<MainForm> form;
    std::shared_ptr<WindowPicker> picker;  // the form's Pick
    std::map<int, int> answers;  // message kind -> result; the first button when absent
};

TEST_F(LinkFlows, AnAutoExecuteLinkStartsFollowsAndEndsWithItsHost) {
    const std::string title = "Ledger - Quarter 3";
    storeLinks({title});
    store->write(instanceName(title), "FormPosSize", "Left", "600");  // 40 px
    store->write(instanceName(title), "FormPosSize", "Top", "-1500");  // -100 px
    // A stored 4500 x 1500 twips is a 300 x 100 frame, however late the window manager frames it.
    store->write(instanceName(title), "FormPosSize", "Width", "4500");
    store->write(instanceName(title), "FormPosSize", "Height", "1500");
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = host->open(title, "--geometry 400x300+200+150");
    ASSERT_TRUE(waitUntil([&] {
        xdotool::windowActivate(hostWindow);
        return probe->activeWindow() == hostWindow;
    }));
    WindowId linkWindow = 0;
    ASSERT_TRUE(pumpUntil([&] {
        const HostLink* l = link(title);
        return l && l->active && (linkWindow = l->linkWindow) != 0;
    }, 10s)) << "the link did not start by itself";
    EXPECT_EQ(link(title)->hostWindow, hostWindow);
    EXPECT_EQ(childrenNamed(::getpid(), "kivlink").size(), 1u);
    const Rect h = frame(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == Rect{h.left + 40, h.top - 100, h.left + 340, h.top}; }))
        << "not at the stored offset and size";
    EXPECT_EQ(probe->activeWindow(), hostWindow) << "the link window took the focus as it started";
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
    const Rect hostPlaced = frame(hostWindow), before = frame(linkWindow);
    ASSERT_TRUE(xdotool::windowMove(linkWindow, hostPlaced.left + 90, hostPlaced.top + 70));
    ASSERT_TRUE(pumpUntil([&] { return frame(linkWindow) != before; }));
    const Rect moved = frame(linkWindow);
    const pid_t pid = static_cast<pid_t>(ws->processOf(linkWindow));
    host->close(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(pid); })) << "the link outlived its host";
    EXPECT_TRUE(pumpUntil([&] { return !link(title)->active; }));
    EXPECT_EQ(form->links().activeLinkCount(), 0);
    EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Left"), std::to_string((moved.left - hostPlaced.left) * kTwips));
    EXPECT_EQ(stored(instanceName(title), "FormPosSize", "Top"), std::to_string((moved.top - hostPlaced.top) * kTwips));
}

TEST_F(LinkFlows, LinkWindowsComeToTheFrontAndMinimizeWithTheirHostAndStepBackForAnother) {
    const std::string title = "Drawing board";
    storeLinks({title});
    startForm();
    ASSERT_FALSE(HasFatalFailure());
    const WindowId hostWindow = host->open(title, "--geometry 500x400+100+100");
    const WindowId linkWindow = linkShownOn(title, hostWindow);
    ASSERT_NE(linkWindow, 0u);

    // It minimizes with its host and comes back in its place, leaving the host the focus.
    const Rect hostPlaced = frame(hostWindow);
    const Rect before{hostPlaced.left, hostPlaced.top, hostPlaced.left + 234, hostPlaced.top + 60};  // its first size
    ASSERT_TRUE(pumpUntil([&] { return frame(linkWindow) == before; }));
    ASSERT_TRUE(xdotool::windowMinimize(hostWindow));
    ASSERT_TRUE(pumpUntil([&] { return isIconic(linkWindow); })) << "the link did not minimize with its host";
    ASSERT_TRUE(xdotool::windowActivate(hostWindow));  // as `wmctrl -ia` does: restore and activate
    ASSERT_TRUE(pumpUntil([&] { return !isIconic(linkWindow) && frame(hostWindow) == hostPlaced; }));
    EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == before; }))
        << "the link came back at " << ::testing::PrintToString(frame(linkWindow));
    // openbox clears the active window while it maps the restored windows, then sets it.
    ASSERT_TRUE(pumpUntil([&] {
        const WindowId active = probe->activeWindow();
        return active == hostWindow || active == linkWindow;
    }));
    EXPECT_EQ(probe->activeWindow(), hostWindow) << "the link window took the focus as it came back";

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

    // The foreground watcher sends "0" or "1" at every window switch: the link program's
    // memory stays flat however many it gets.
    const pid_t pid = static_cast<pid_t>(ws->processOf(linkWindow));
    auto sendCommands = [&](int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(sendChannelMessage(linkWindow, ChannelKind::Command, i % 2 ? "1" : "0", 5s), SendResult::Delivered)
                << i;
    };
    sendCommands(1000);
    const long after1000 = residentKb(pid);
    sendCommands(9000);
    ASSERT_GT(after1000, 0);
    EXPECT_LT(residentKb(pid) - after1000, 1024) << "kB grown over 9,000 commands";
}

TEST_F(LinkFlows, RenamingARunningLinkRenamesItsWindowAndMovesItsSettings) {
    const std::string oldTitle = "D:\\Reports\\Q3 summary.txt - Viewer", newTitle = "D:\\Reports\\Q3 summary.txt";
    // The instance sections are key-safe: a backslash would add a level to the store path.
    const std::string oldInstance = instanceName("D:/Reports/Q3 summary.txt - Viewer");
    const std::string newInstance = instanceName("D:/Reports/Q3 summary.txt");
    storeLinks({oldTitle});
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
    ASSERT_NE(link(newTitle), nullptr);
    // The rename reaches the running link.
    EXPECT_TRUE(pumpUntil([&] { return probe->bytes(linkWindow, "_NET_WM_NAME") == newTitle; }));
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
    storeLinks(titles);
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

// Pick on the Create page, then a click on a host window: Esc gives the pointer back with
// nothing selected, a left click selects the window's entry.
TEST_F(LinkFlows, PickAndAClickOnAWindowSelectItsEntry) {
    const WindowId mail = host->open("Picked Mail", "--geometry 300x200+900+700");
    host->open("Other Host", "--geometry 300x200+900+100");
    startForm();
    form->showControls();
    form->openCreatePage();
    form->move(0, 0);
    CreateLinksPage* page = form->createPage();
    ASSERT_TRUE(pumpUntil([&] { return page->hostList()->count() == 2; }));

    page->pickButton()->click();
    ASSERT_TRUE(picker->picking());
    ASSERT_TRUE(xdotool::run({"key", "Escape"}));
    ASSERT_TRUE(pumpUntil([&] { return !picker->picking(); }));
    EXPECT_TRUE(page->hostList()->selectedItems().isEmpty());

    const Rect r = frame(mail);
    const QPoint click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_FALSE(form->frameGeometry().contains(click)) << "the main window covers the host";
    page->pickButton()->click();
    ASSERT_TRUE(picker->picking());
    ASSERT_TRUE(xdotool::run({"mousemove", std::to_string(click.x()), std::to_string(click.y()), "click", "1"}));
    EXPECT_TRUE(pumpUntil([&] {
        const QListWidgetItem* item = page->hostList()->currentItem();
        return item && item->isSelected() && item->text() == "T: Picked Mail";
    }));
    EXPECT_FALSE(picker->picking());
}

}  // namespace
}  // namespace kivra::test
