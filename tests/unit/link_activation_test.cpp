// Starting and ending links over the fake desktop: Activate and Host, a start from launch to
// record, the Activate page's status list, adoption, Deactivate, the check that notices ended
// links, the ending of links on exit, and the messenger's per-link queues.
#include "LinkAdoption.h"
#include "LinkTestDoubles.h"
#include "StatusList.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <mutex>

using namespace kivra;
using namespace kivra::test;
using namespace std::chrono_literals;

namespace {

class Links : public ::testing::Test {
protected:
    // Link "Mail" active over host "Mail", auto-execute as given.
    void activeMail(bool autoExec) {
        host = w.desktop.addWindow({.title = "Mail"});
        w.addLink(HostLink{.title = "Mail", .autoExec = autoExec});
        linkWindow = w.makeActive("Mail", host);
        w.desktop.clearActions();
    }
    DeactivateOutcome deactivate(const std::string& title) {
        return w.deactivation.deactivate("Active  : " + title);
    }

    LinkWorld w;
    WindowId host = 0, linkWindow = 0;
};

// The host, a minimized one restored first, is raised (then a pause) before the start; the
// argument's fields are tab-separated with the title's length in characters. Only a ready report
// from the started process about its own window over that host records the link, once.
TEST_F(Links, ActivateStartsOverTheTopWindowAndTheStartedProcessesReportRecordsIt) {
    EXPECT_EQ(linkArgumentString(1234, 5678, "Caf\xC3\xA9 \\ 12"), "1234\t1\t1\t5678\t9\tCaf\xC3\xA9 \\ 12");
    const WindowId lower = w.desktop.addWindow({.title = "Mail"});
    host = w.desktop.addWindow({.title = "Mail", .state = FakeWindowState::Minimized});
    w.addLink("Mail");
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, std::vector<std::string>{linkArgumentString(host, kMainWindow, "Mail")});
    std::vector<SeamCall> calls;
    for (const FakeAction& a : w.desktop.actionsOn(host)) calls.push_back(a.call);
    EXPECT_EQ(calls, (std::vector<SeamCall>{SeamCall::Restore, SeamCall::Raise}));
    EXPECT_EQ(w.pauses.size(), 1u);
    EXPECT_FALSE(w.link("Mail").active);

    const ProcessId pid = *w.launcher.running.begin();
    linkWindow = w.linkWindowOf(pid);
    const WindowId stranger = w.desktop.addWindow({.title = "Other", .pid = 4242});
    const struct {
        const char* name;
        WindowId window;
        ProcessId reported, sender;
        WindowId host;
    } rows[] = {
        {"sender is another process", linkWindow, pid, 4242, host},
        {"report names another process", linkWindow, 4242, 4242, host},
        {"kernel did not say who sent it", linkWindow, pid, 0, host},
        {"another host", linkWindow, pid, pid, lower},
        {"window of another process", stranger, pid, pid, host},
        {"window does not exist", 0x7777777, pid, pid, host},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(w.ready(r.window, r.reported, r.host, r.sender), "0");
        EXPECT_EQ(w.starts.pendingCount(), 1);
    }
    EXPECT_EQ(w.starts.handleLinkReady({ChannelKind::LinkReady, "12\t34", pid}), "0");

    EXPECT_EQ(w.ready(linkWindow, pid, host, pid), "1");
    const HostLink& l = w.link("Mail");
    EXPECT_TRUE(l.active);
    EXPECT_EQ(l.hostWindow, host);
    EXPECT_EQ(l.linkWindow, linkWindow);
    EXPECT_FALSE(l.autoExecReady);
    EXPECT_EQ(w.ready(linkWindow, pid, host, pid), "0");
    EXPECT_EQ(w.table.activeLinkCount(), 1);
}

// No window of the title (11), the main window not Normal (38), the first title match failing the
// class or single-character test (27): nothing starts. No selection, no links, or a program that
// cannot start: nothing changes and nothing is said.
TEST_F(Links, RefusalsShowTheirKindAndAFailedStartSaysNothing) {
    EXPECT_EQ(w.activation.activate("Inactive: Mail", MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);  // no links memorized
    w.desktop.addWindow({.title = "mail"});
    w.addLink(HostLink{.title = "Mail", .winClass = "MailWnd", .matchClass = true});
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::NoWindow);
    w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});  // would pass
    EXPECT_EQ(w.activate("Mail", ActivationMode::HostOnly, MainWindowState::Minimized),
              ActivationOutcome::MainNotNormal);
    w.desktop.addWindow({.title = "Mail", .className = "BrowserWnd"});  // first in Z order
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Mismatch);
    w.desktop.addWindow({.title = "12:30 News"});
    w.desktop.addWindow({.title = "Note: 12"});
    w.addLink(":", MatchMethod::Fuzzy);
    EXPECT_EQ(w.activate(":"), ActivationOutcome::Mismatch);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{11, 38, 27, 27}));
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise), 0);

    EXPECT_EQ(w.activation.activate(std::nullopt, MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);
    w.link("Mail").matchClass = false;
    w.launcher.failStarts = true;
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::NotStarted);
    EXPECT_EQ(w.messages.shown.size(), 4u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
    ProcessLauncher launcher(linkProgramPath("/nonexistent-kivra-dir/"));
    EXPECT_EQ(launcher.start(linkArgumentString(1, 2, "x")), 0);
}

class Starting : public Links {
protected:
    void SetUp() override {
        host = w.desktop.addWindow({.title = "Mail"});
        w.addLink("Mail");
        ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
        pid = *w.launcher.running.begin();
    }
    ProcessId pid = 0;
};

// No second process while starting or active (17), while Host still raises the host. A start
// never identified is ended at its deadline and its late report refused; one that exits before
// showing itself is forgotten; started again, a visible top-level window of its process
// identifies it on a later poll.
TEST_F(Starting, OneProcessPerLinkUntilItIsIdentifiedEndedAtItsDeadlineOrGone) {
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::AlreadyActive);
    EXPECT_EQ(w.starts.start(host, "Mail", w.t0), StartOutcome::AlreadyStarting);
    EXPECT_EQ(w.activate("Mail", ActivationMode::HostOnly), ActivationOutcome::HostRaised);
    w.starts.poll(w.t0 + 9999ms);
    EXPECT_TRUE(w.launcher.terminated.empty());
    w.starts.poll(w.t0 + 10s);
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");

    ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    w.launcher.running.clear();  // it ended by itself
    w.starts.poll(w.t0 + 50ms);
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_GT(w.launcher.reaps, 0);

    ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    const ProcessId third = *w.launcher.running.begin();
    w.desktop.addWindow({.title = "tip", .kind = WindowKind::Popup, .pid = third});
    w.desktop.addWindow({.title = "hidden", .visible = false, .pid = third});
    w.starts.poll(w.t0 + 100ms);
    EXPECT_FALSE(w.link("Mail").active) << "a popup or hidden window is not the link window";
    linkWindow = w.linkWindowOf(third);
    w.starts.poll(w.t0 + 200ms);
    EXPECT_EQ(w.link("Mail").linkWindow, linkWindow);
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::AlreadyActive);
    EXPECT_EQ(w.activate("Mail", ActivationMode::HostOnly), ActivationOutcome::HostRaised);
    EXPECT_EQ(w.launcher.arguments.size(), 3u);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{17, 17}));
}

// A start for a link deleted meanwhile is ended when identified. Deactivate ends a start still
// under way without a question.
TEST_F(Starting, AStartForALinkDeletedMeanwhileOrDeactivatedIsEnded) {
    w.table.removeAt(*w.table.find("Mail"));
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    w.addLink(HostLink{.title = "Mail", .autoExec = false});
    const ProcessId second = w.launcher.nextPid;
    ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Mail"), DeactivateOutcome::StartEnded);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_EQ(w.launcher.terminated, (std::vector<ProcessId>{pid, second}));
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// Active links first, then alphabetical without regard to case; a link still starting shows as
// such, one that does not answer as hung, and its line still names it for Deactivate. The list is
// rebuilt only when a line changes, and checks the links after building; a state the check
// changes shows next tick.
TEST(StatusList, ActiveLinksFirstAndRebuiltOnlyWhenALineChanges) {
    LinkTable t;
    for (const char* title : {"b", "A", "c", "D"}) t.insert({.title = title});
    t.at(*t.find("c")).active = true;
    t.at(*t.find("b")).active = true;
    EXPECT_EQ(statusLines(t), (std::vector<std::string>{"Active  : b", "Active  : c", "Inactive: A", "Inactive: D"}));
    t.at(*t.find("c")).linkWindow = 42;
    const StatusChecks startingOrHung{[](const std::string& title) { return title == "D"; },
                                      [](WindowId linkWindow) { return linkWindow != 42; }};
    EXPECT_EQ(statusLines(t, startingOrHung),
              (std::vector<std::string>{"Active  : b", "Hung    : c", "Inactive: A", "Starting: D"}));
    EXPECT_EQ(statusLineTitle("Hung    : c"), "c");

    StatusListRefresh refresh;
    refresh.open();
    int checks = 0;
    const auto check = [&] { ++checks; };
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Rebuilt);
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Unchanged);
    const auto deactivateB = [&] { t.at(*t.find("b")).active = false; };
    EXPECT_EQ(refresh.refresh(t, deactivateB), StatusRefreshOutcome::Unchanged);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Rebuilt);
    // Re-entered from inside its own check (a message box under it): busy.
    StatusRefreshOutcome inner{};
    refresh.refresh(t, [&] { inner = refresh.refresh(t, {}); });
    EXPECT_EQ(inner, StatusRefreshOutcome::Busy);
    EXPECT_FALSE(refresh.busy());
}

TEST(Adoption, LinksOfMemorizedLinksOverLiveHostsAreRecordedAndTheOthersClosed) {
    LinkWorld w;
    for (const char* title : {"Mail", "News"}) w.addLink(title);
    const WindowId mailHost = w.desktop.addWindow({.title = "Mail"});
    const WindowId newsHost = w.desktop.addWindow({.title = "News"});
    std::vector<LinkReport> found;
    std::vector<WindowId> links;
    // Each as the link program answers: its window, process and host, and its key-safe title.
    const auto report = [&](ProcessId pid, WindowId host, const std::string& keySafeTitle) {
        links.push_back(w.linkWindowOf(pid));
        const auto parsed = parseLinkReport(formatLinkReport({links.back(), pid, host}, keySafeTitle));
        ASSERT_TRUE(parsed);
        found.push_back(*parsed);
    };
    report(801, mailHost, "Mail");
    report(803, w.desktop.addWindow({.title = "Gone"}), "News");  // its host closes below
    report(805, newsHost, "Other");  // no such link
    report(806, newsHost, "News");
    w.desktop.setProcess(links.back(), 999);  // a window that is not the reporting process's
    report(807, newsHost, "News");            // started by this program meanwhile
    w.desktop.destroy(found[1].ready.hostWindow);

    const AdoptionResult result = adoptLinks(found, w.table, w.desktop, [](ProcessId pid) { return pid == 807; });
    EXPECT_EQ(result.adopted, 1);
    EXPECT_EQ(result.toClose, (std::vector<WindowId>{links[1], links[2]}));
    EXPECT_EQ(w.link("Mail").linkWindow, links[0]);
    EXPECT_EQ(w.link("Mail").hostWindow, mailHost);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
    EXPECT_FALSE(w.link("News").active);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
}

// A window that ignores close requests gets exactly three, each after a raise and a pause; a link
// that answers gets one even if its window lingers; a window that closes gets one.
TEST_F(Links, CloseRequestsUntilTheWindowGoesOrTheLinkAnswersAtMostThree) {
    activeMail(false);
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    w.pauses.clear();
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 3);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise), 3);
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{1, 3, 5}));  // each between a raise and its close request
    w.desktop.clearActions();
    w.messenger.answering.insert(linkWindow);
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, linkWindow), 1);
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Close);
    w.messenger.answering.clear();
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
    EXPECT_FALSE(w.desktop.has(linkWindow));
}

// News, an auto-execute link, is asked about first (26); Mail, without auto-execute, is not. A hung
// link does not hold up another, and its process is ended when it does not answer.
TEST_F(Links, AHungLinkDoesNotHoldUpAnotherAndItsProcessIsEndedWhenItDoesNotAnswer) {
    activeMail(false);
    const ProcessId hungPid = w.desktop.processOf(linkWindow);
    w.messenger.hung.insert(linkWindow);
    const WindowId news = w.activeLink("News");

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_EQ(deactivate("News"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.desktop.has(news));
    EXPECT_EQ(w.messages.shown, std::vector<int>{26});

    w.messenger.answerHeld(CloseAnswer::NoAnswer);
    EXPECT_EQ(w.launcher.endedHung, std::vector<ProcessId>{hungPid});
    EXPECT_EQ(w.deactivation.closesUnderWay(), 0);
}

// With auto-execute, No (26) changes nothing and Yes turns it off; the record waits for the check,
// which marks a link inactive once its host or link window has gone, counts it once, and makes it
// ready for the watcher again only with auto-execute on. An inactive link shows 13.
TEST_F(Links, DeactivateAsksAboutAnAutoExecuteLinkAndRefusesAnInactiveOne) {
    w.desktop.addWindow({.title = "Other"});
    w.addLink("Other");
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Other"), DeactivateOutcome::NotActive);
    activeMail(true);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Declined);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{13, 26}));
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.desktop.has(linkWindow));
    EXPECT_TRUE(w.link("Mail").active) << "the record waits for the check";
    w.activeLink("Chat");
    w.activeLink("News");
    w.desktop.destroy(w.link("News").hostWindow);
    for (int i = 0; i < 3; ++i) w.deactivation.checkActiveLinks();
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_FALSE(w.link("Mail").autoExecReady) << "the watcher must not start it again";
    EXPECT_FALSE(w.link("News").active);
    EXPECT_TRUE(w.link("News").autoExecReady);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
}

// Active links are asked about once (kind 23): No cancels with nothing ended and the timers
// running; Yes stops the timers, closes each, then ends the starts still pending.
TEST(Exit, ActiveLinksAreAskedAboutOnceAndClosedAfterTheTimersStop) {
    LinkWorld w;
    int timerStops = 0;
    const std::function<void()> stopTimers = [&] { ++timerStops; };
    for (const char* title : {"Mail", "News"}) w.activeLink(title);
    w.desktop.addWindow({.title = "Chat"});
    w.addLink("Chat");
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);

    w.messages.answers = {kResultSecond};
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Cancel);
    EXPECT_EQ(timerStops, 0);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    EXPECT_EQ(w.starts.pendingCount(), 1);

    int stopsWhenClosing = -1;
    w.desktop.onCall(SeamCall::RequestClose, [&](WindowId) { stopsWhenClosing = timerStops; });
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Continue);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{23, 23}));
    EXPECT_EQ(stopsWhenClosing, 1) << "timers stop before the first close request";
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// Over a send scripted per link window (`slow` times out at once, then holds its next message until
// released; `gone` has no receiver): while `slow` is silent a newer foreground command replaces a
// waiting one and a close request drops them, never a rename or a save; it holds up only its own.
TEST(QueuedMessenger, AHungLinkHoldsUpOnlyItsOwnQueueWhichKeepsItsOrderButNoStaleCommands) {
    FakeDesktop desktop;
    const WindowId slow = desktop.addWindow({}), gone = desktop.addWindow({}), other = desktop.addWindow({});
    std::mutex mutex;
    std::promise<void> holding, release;
    const std::shared_future<void> released = release.get_future().share();
    std::map<WindowId, std::vector<std::string>> sent;  // "kind:payload", in the order sent
    const ChannelSend send = [&](WindowId to, ChannelKind kind, std::string_view payload) {
        std::unique_lock lock(mutex);
        if (to == gone) return SendResult::NoReceiver;
        sent[to].push_back(std::to_string(static_cast<int>(kind)) + ":" + std::string(payload));
        if (to != slow) return SendResult::Delivered;
        if (sent[to].size() == 2) {  // "0": held until released
            lock.unlock();
            holding.set_value();
            released.wait();
        }
        return SendResult::TimedOut;
    };
    std::map<WindowId, CloseAnswer> answers;
    // Answers are handed to the user-interface thread; here they are taken at once, under the lock.
    const PostToUi post = [&](std::function<void()> f) {
        std::lock_guard lock(mutex);
        f();
    };
    const auto answerTo = [&](WindowId w) -> CloseDone { return [&answers, w](CloseAnswer a) { answers[w] = a; }; };
    {
        QueuedLinkMessenger messenger(desktop, post, send);
        messenger.sendCommand(slow, "1");
        ASSERT_TRUE(waitUntil([&] { return !messenger.responding(slow); }));
        messenger.sendCommand(slow, "0");
        holding.get_future().wait();  // "0" is being sent; the rest waits
        messenger.sendCommand(slow, "1");
        messenger.sendRename(slow, "Mail");
        messenger.sendCommand(slow, "3");
        messenger.requestClose(slow, answerTo(slow));
        messenger.sendCommand(slow, "6");  // a save is no foreground command: never replaced
        messenger.sendCommand(slow, "4");
        messenger.sendCommand(slow, "2");
        messenger.requestClose(other, answerTo(other));
        messenger.sendCommand(other, "6");
        messenger.sendReload(other);
        messenger.requestClose(gone, answerTo(gone));
        EXPECT_TRUE(waitUntil([&] {
            std::lock_guard lock(mutex);
            return sent[other].size() == 3 && answers.size() == 2;
        }));
        EXPECT_EQ(answers, (std::map<WindowId, CloseAnswer>{{other, CloseAnswer::Handled},
                                                             {gone, CloseAnswer::NotHandled}}));
        // Without a receiver the window manager is asked to close the window.
        EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose, gone), 1);
        release.set_value();
    }  // the messenger sends what waits, then ends
    EXPECT_EQ(sent[other], (std::vector<std::string>{"101:", "3:6", "1:1"}));
    EXPECT_EQ(sent[slow], (std::vector<std::string>{"3:1", "3:0", "2:Mail", "101:", "3:6", "3:2"}));
    // No answer in time, and no window manager request either: it would not help.
    EXPECT_EQ(answers.at(slow), CloseAnswer::NoAnswer);
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 1);
}

}  // namespace
