// What a user sees on a real X server, one scenario per flow, over testhost windows under
// openbox: the main program as a process of its own, started, refused a second time, saved and
// started again; and the main window in this process over the X11 backend (one QApplication on
// xcb, message boxes answered from a table) with real kivlink processes sharing the test's
// settings file: a link that starts by itself, follows, minimizes, steps back, is renamed while
// it runs and ends with its host; links left by a main program that was killed, adopted by the
// next, and Pick on its Create page.
#include "AppNames.h"
#include "CreateLinksPage.h"
#include "DesktopTest.h"
#include "EditLinksPage.h"
#include "HostLink.h"
#include "LinkChannel.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MessageState.h"
#include "ProcTable.h"
#include "QtWait.h"
#include "Rects.h"
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
#include <map>

namespace kivra::test {
namespace {

constexpr int kTwips = 15;  // twips per pixel at the private display's 96 DPI

class Flows : public DesktopTest {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The marker in our windows' class keeps them out of the host list, as in kivra.
        QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivra"));
        static int argc = 1;
        static char name[] = "x11_test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() { delete app; }
    static inline QApplication* app = nullptr;

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

    // Both listed in _NET_CLIENT_LIST_STACKING, `upper` nearer the top.
    bool above(WindowId upper, WindowId lower) {
        const auto stack = probe->stackingTopFirst();
        const auto u = std::find(stack.begin(), stack.end(), upper);
        return u != stack.end() && std::find(u, stack.end(), lower) != stack.end();
    }

    std::shared_ptr<SqliteStore> store;
    std::unique_ptr<MainForm> form;
    std::shared_ptr<WindowPicker> picker;  // the form's Pick
    std::map<int, int> answers;  // message kind -> result; the first button when absent
};

TEST_F(Flows, AnAutoExecuteLinkFollowsMinimizesStepsBackIsRenamedAndEndsWithItsHost) {
    const std::string title = "D:\\Reports\\Q3 summary.txt - Viewer", newTitle = "D:\\Reports\\Q3 summary.txt";
    const std::string instance = linkInstanceAppName(title), newInstance = linkInstanceAppName(newTitle);
    storeLinks({title});
    store->write(instance, "FormPosSize", "Left", "600");  // 40 px
    store->write(instance, "FormPosSize", "Top", "-1500");  // -100 px
    // A stored 4500 x 1500 twips is a 300 x 100 frame, however late the window manager frames it.
    store->write(instance, "FormPosSize", "Width", "4500");
    store->write(instance, "FormPosSize", "Height", "1500");
    startForm();
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
    EXPECT_EQ(childrenNamed(::getpid(), "kivlink").size(), 1u);
    const Rect h = frame(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == Rect{h.left + 40, h.top - 100, h.left + 340, h.top}; }))
        << "not at the stored offset and size";
    EXPECT_EQ(probe->activeWindow(), hostWindow) << "the link window took the focus as it started";

    // It follows every move of its host, partly off the screen's left edge too.
    for (const auto& [dx, dy] : {std::pair{40, 10}, std::pair{-h.left - 190, 0}, std::pair{300, 200}}) {
        const Rect linkBefore = frame(linkWindow), hostBefore = frame(hostWindow);
        host->move(hostWindow, hostBefore.left + dx, hostBefore.top + dy);
        ASSERT_TRUE(pumpUntil([&] { return frame(hostWindow) == shifted(hostBefore, dx, dy); }));
        EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == shifted(linkBefore, dx, dy); }))
            << "after a host move of " << dx << "," << dy;
    }

    // It minimizes with its host and comes back in its place.
    const Rect hostPlaced = frame(hostWindow), before = frame(linkWindow);
    auto minimized = [&] { return ws->isMinimized(linkWindow); };
    ASSERT_TRUE(xdotool::run({"windowminimize", std::to_string(hostWindow)}));
    ASSERT_TRUE(pumpUntil(minimized)) << "the link did not minimize with its host";
    ASSERT_TRUE(xdotool::windowActivate(hostWindow));  // as `wmctrl -ia` does: restore and activate
    ASSERT_TRUE(pumpUntil([&] { return !minimized() && frame(hostWindow) == hostPlaced; }));
    EXPECT_TRUE(pumpUntil([&] { return frame(linkWindow) == before; }))
        << "the link came back at " << ::testing::PrintToString(frame(linkWindow));

    // It steps back for another application in front and comes up again with its host.
    TestHost other;
    const WindowId otherWindow = other.open("Another application", "--geometry 500x400+150+150");
    auto linkTopmost = [&] { return probe->hasState(linkWindow, "_NET_WM_STATE_ABOVE"); };
    ASSERT_TRUE(xdotool::windowActivate(otherWindow));
    EXPECT_TRUE(pumpUntil([&] { return !linkTopmost() && above(otherWindow, linkWindow); }))
        << "the link window stayed over another application in front";
    ASSERT_TRUE(xdotool::windowActivate(hostWindow));
    EXPECT_TRUE(pumpUntil([&] {
        return linkTopmost() && above(linkWindow, hostWindow) && above(hostWindow, otherWindow);
    })) << "the link window was not raised over its host";

    // The user opens the Edit page for the link, replaces its title, says yes to Fuzzy matching
    // and presses Apply: the rename reaches the running link, whose host still matches.
    form->openCreatePage();
    QListWidget* list = form->createPage()->linkList();
    list->setCurrentItem(list->findItems(QString::fromStdString(title), Qt::MatchExactly).value(0));
    form->openEditPage();
    QLineEdit* text = form->editPage()->titleText();
    text->setFocus();
    text->selectAll();
    text->insert(QString::fromStdString(newTitle));
    answers[MsgSetFuzzyOn] = MsgResultFirst;
    form->editPage()->closeButton()->click();
    EXPECT_TRUE(pumpUntil([&] { return ws->title(linkWindow) == newTitle; }));
    const pid_t pid = static_cast<pid_t>(ws->processOf(linkWindow));
    EXPECT_EQ(sendChannelMessage(linkWindow, ChannelKind::Command, "6", 10s), SendResult::Delivered);
    EXPECT_TRUE(stillRunning(pid));

    // The user puts the link elsewhere; closing the host ends the link, which saves its offset
    // under its new name. The main program saves the list at exit.
    const Rect placed = frame(linkWindow), last = frame(hostWindow);
    ASSERT_TRUE(xdotool::windowMove(linkWindow, last.left + 90, last.top + 70));
    ASSERT_TRUE(pumpUntil([&] { return frame(linkWindow) != placed; }));
    const Rect moved = frame(linkWindow);
    host->close(hostWindow);
    EXPECT_TRUE(pumpUntil([&] { return !stillRunning(pid); })) << "the link outlived its host";
    const int left = (moved.left - last.left) * kTwips, top = (moved.top - last.top) * kTwips;
    EXPECT_EQ(stored(newInstance, "FormPosSize", "Left"), std::to_string(left));
    EXPECT_EQ(stored(newInstance, "FormPosSize", "Top"), std::to_string(top));
    answers[MsgExitMain] = MsgResultFirst;
    EXPECT_TRUE(form->close());
    form.reset();
    EXPECT_EQ(stored(kMain, "HostLinks", "Link1"), newTitle);
}

// Links left by a killed main program are adopted by the next, which ends them at exit. On its
// Create page, Pick then a click on a host window: Esc gives the pointer back with nothing
// selected, a left click selects the window's entry.
TEST_F(Flows, LinksOfAKilledMainProgramAreAdoptedAndPickSelectsAClickedHost) {
    const std::vector<std::string> titles{"Adopted A", "Adopted B"};
    storeLinks(titles);
    std::vector<WindowId> hosts;
    for (int i = 0; i < 2; ++i)
        hosts.push_back(host->open(titles[i], "--geometry 300x200+" + std::to_string(600 + 320 * i) + "+600"));
    // The links left by the killed kivra become this process's children, for teardown to collect.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    // A first kivra starts the links by itself, then is killed.
    auto first = startProgram("kivra", {}, settings);
    std::vector<pid_t> links;
    ASSERT_TRUE(waitUntil([&] {
        links.clear();
        for (const ProcEntry& p : childrenNamed(first->pid(), "kivlink"))
            if (!windowsOf(p.pid).empty()) links.push_back(p.pid);
        return links.size() == 2;
    }, 20s)) << "the first kivra did not start the links";
    ::kill(first->pid(), SIGKILL);
    ASSERT_TRUE(first->waitExit(5s));

    startForm();
    ASSERT_TRUE(pumpUntil([&] { return form->links().activeLinkCount() == 2; }, 10s));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(link(titles[i])->hostWindow, hosts[i]);
        const auto pid = static_cast<pid_t>(ws->processOf(link(titles[i])->linkWindow));
        EXPECT_EQ(std::ranges::count(links, pid), 1) << "a second link program";
    }

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
    const Rect r = frame(hosts[1]);
    const QPoint click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_FALSE(form->frameGeometry().contains(click)) << "the main window covers the host";
    page->pickButton()->click();
    ASSERT_TRUE(picker->picking());
    ASSERT_TRUE(xdotool::run({"mousemove", std::to_string(click.x()), std::to_string(click.y()), "click", "1"}));
    EXPECT_TRUE(pumpUntil([&] {
        const QListWidgetItem* item = page->hostList()->currentItem();
        return item && item->isSelected() && item->text().toStdString() == "T: " + titles[1];
    }));
    EXPECT_FALSE(picker->picking());

    // The adopted links end at exit.
    answers[MsgExitMain] = MsgResultFirst;
    form->close();
    form.reset();
    for (pid_t pid : links)
        EXPECT_TRUE(waitUntil([&] { return !stillRunning(pid); })) << "a link outlived kivra";
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// The main program run as a process of its own: the first start, a second one refused, saving
// at close and the next start, with a stored kick timer running from the start, maximized and
// closed over the channel.
TEST_F(Flows, TheMainProgramStartsRefusesASecondStartSavesAndStartsAgain) {
    // Any argument ends it silently.
    auto refused = startProgram("kivra", {"anything"}, settings);
    EXPECT_EQ(refused->waitExit(5s), 0);
    EXPECT_TRUE(probe->stackingTopFirst().empty());

    auto kivra = startProgram("kivra", {}, settings);
    const WindowId main = waitForWindow(kivra->pid(), "Kivra [Main]");
    ASSERT_NE(main, 0u);
    const Rect root = probe->rootRect();
    ASSERT_TRUE(waitUntil([&] { return frame(main).width() == 300 && frame(main).height() == 100; }));
    const Rect first = frame(main);
    EXPECT_EQ(first.left, (root.width() - 300) / 2);
    EXPECT_TRUE(probe->hasState(main, "_NET_WM_STATE_ABOVE"));
    EXPECT_NE(ws->className(main).find("QbaseRT5"), std::string::npos);

    // A second start says so above the first's always-on-top window and ends on Enter; the
    // first runs on, silent.
    auto second = startProgram("kivra", {}, settings);
    const WindowId box = waitForWindow(second->pid(), "Kivra");
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(waitUntil([&] { return probe->hasState(box, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(waitUntil([&] {
        xdotool::windowActivate(box);
        return probe->activeWindow() == box;
    }));
    ASSERT_TRUE(xdotool::run({"key", "Return"}));
    EXPECT_EQ(second->waitExit(5s), 0);
    EXPECT_EQ(windowsOf(kivra->pid()), std::vector{main});

    // Wherever the window manager puts the frame for this move, that frame is what is saved.
    ASSERT_TRUE(xdotool::windowMove(main, 100, 80));
    ASSERT_TRUE(waitUntil([&] { return frame(main).left != first.left; }));
    const Rect moved = frame(main);
    ASSERT_TRUE(ws->requestClose(main));
    EXPECT_EQ(kivra->waitExit(5s), 0);
    EXPECT_EQ(stored(kMain, "FormPosSize", "Left"), std::to_string(moved.left * kTwips));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Top"), std::to_string(moved.top * kTwips));

    // The next start applies them; a stored kick timer runs from the start and brings the
    // window back over another always-on-top one.
    store->write(kMain, "MainOptions", "TimerState", "1");
    store->write(kMain, "MainOptions", "TimerOptN", "2");  // 100 ms
    auto again = startProgram("kivra", {}, settings);
    const WindowId main2 = waitForWindow(again->pid(), "Kivra [Main]");
    ASSERT_NE(main2, 0u);
    ASSERT_TRUE(waitUntil([&] {
        const Rect f = frame(main2);
        return f.left == moved.left && f.top == moved.top && f.width() == 300;
    }));
    const WindowId other = host->open("Always On Top", "--geometry 400x300+0+0");
    ASSERT_TRUE(xdotool::wmState(other, "add,above"));
    ASSERT_TRUE(waitUntil([&] { return probe->hasState(other, "_NET_WM_STATE_ABOVE"); }));
    ASSERT_TRUE(xdotool::run({"windowraise", std::to_string(other)}));
    EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().front() == main2; }))
        << "the kick timer did not run from the start";
    host->close(other);
    // Maximized, then closed by a request over the channel (on Windows: WM_SYSCOMMAND/SC_CLOSE,
    // which the title bar's close box sends too): it closes the ordinary way, saving its normal size.
    ASSERT_TRUE(xdotool::wmState(main2, "add,maximized_vert,maximized_horz"));
    ASSERT_TRUE(waitUntil([&] { return ws->isMaximized(main2) && frame(main2).width() > 300; }));
    EXPECT_EQ(sendChannelMessage(main2, ChannelKind::CloseRequest, "", 10s), SendResult::Delivered);
    EXPECT_TRUE(again->waitExit(5s));
    EXPECT_EQ(stored(kMain, "FormPosSize", "Width"), "4500");
}

}  // namespace
}  // namespace kivra::test
