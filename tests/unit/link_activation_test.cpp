// Starting and ending links over the fake desktop. Activate and Host: first match only, the
// refusals, the argument string, a started link from its start to its record (ready report,
// owned window, timeout, early exit); the Activate page's status list; adoption. Deactivate with
// its question, close requests, the check that notices ended links, the ending of links on exit,
// and the messenger's per-link queues.
#include "AppNames.h"
#include "LinkAdoption.h"
#include "LinkTestDoubles.h"
#include "StatusList.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <condition_variable>
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

// ---- Activate and Host ------------------------------------------------------

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
    EXPECT_TRUE(w.desktop.actionsOn(lower).empty());
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_EQ(w.starts.pendingCount(), 1);
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
    ChannelMessage malformed{ChannelKind::LinkReady, "12\t34", pid};
    EXPECT_EQ(w.starts.handleLinkReady(malformed), "0");
    EXPECT_EQ(w.table.activeLinkCount(), 0);

    EXPECT_EQ(w.ready(linkWindow, pid, host, pid), "1");
    const HostLink& l = w.link("Mail");
    EXPECT_TRUE(l.active);
    EXPECT_EQ(l.hostWindow, host);
    EXPECT_EQ(l.linkWindow, linkWindow);
    EXPECT_FALSE(l.autoExecReady);
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_TRUE(w.launcher.terminated.empty());
    EXPECT_EQ(w.ready(linkWindow, pid, host, pid), "0");
    EXPECT_EQ(w.table.activeLinkCount(), 1);
}

TEST(Refusals, ShowTheirKindAndStartNothing) {
    using S = MainWindowState;
    using M = ActivationMode;
    using A = ActivationOutcome;
    const struct {
        std::vector<std::string> windows;  // titles, bottom first
        S state;
        M mode;
        A outcome;
        int kind;
    } rows[] = {{{}, S::Normal, M::Activate, A::NoWindow, 11},
                {{}, S::Minimized, M::Activate, A::NoWindow, 11},  // the empty list is reported first
                {{"Mailbox", "mail"}, S::Normal, M::Activate, A::NoWindow, 11},
                {{"Mailbox"}, S::Normal, M::HostOnly, A::NoWindow, 37},
                {{"Mail"}, S::Minimized, M::Activate, A::MainNotNormal, 38},
                {{"Mail"}, S::Maximized, M::HostOnly, A::MainNotNormal, 38}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        LinkWorld w;
        for (const auto& t : row.windows) w.desktop.addWindow({.title = t});
        w.addLink("Mail");
        EXPECT_EQ(w.activate("Mail", row.mode, row.state), row.outcome);
        ASSERT_EQ(w.messages.shown, std::vector<int>{row.kind});
        EXPECT_TRUE(w.launcher.arguments.empty());
        EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise), 0);
    }
}

// Only the first title match counts for the class and single-character tests (27). No selection,
// no links, or a program that cannot start: nothing changes and nothing is said.
TEST_F(Links, OnlyTheFirstTitleMatchCountsAndAFailedStartSaysNothing) {
    EXPECT_EQ(w.activation.activate("Inactive: Mail", MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);  // no links memorized
    w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});     // would pass
    w.desktop.addWindow({.title = "Mail", .className = "BrowserWnd"});  // first in Z order
    w.addLink(HostLink{.title = "Mail", .winClass = "MailWnd", .matchClass = true});
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Mismatch);
    w.desktop.addWindow({.title = "12:30 News"});
    w.desktop.addWindow({.title = "Note: 12"});
    w.addLink(":", MatchMethod::Fuzzy);
    EXPECT_EQ(w.activate(":"), ActivationOutcome::Mismatch);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{27, 27}));
    EXPECT_TRUE(w.launcher.arguments.empty());

    EXPECT_EQ(w.activation.activate(std::nullopt, MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);
    w.link("Mail").matchClass = false;
    w.launcher.failStarts = true;
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::NotStarted);
    EXPECT_EQ(w.messages.shown.size(), 2u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(linkProgramPath("/opt/kivra/"), "/opt/kivra/kivlink");
    ProcessLauncher launcher(linkProgramPath("/nonexistent-kivra-dir/"));
    EXPECT_EQ(launcher.start(linkArgumentString(1, 2, "x")), 0);
}

// ---- from start to record ---------------------------------------------------

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

// A start never identified is ended at its deadline and its late report refused; started again,
// a visible top-level window of its process identifies it on a later poll.
TEST_F(Starting, AnOwnedWindowIdentifiesAStartOnALaterPollOrItEndsAtItsDeadline) {
    w.starts.poll(w.t0 + 9999ms);
    EXPECT_EQ(w.starts.pendingCount(), 1);
    EXPECT_TRUE(w.launcher.terminated.empty());
    w.starts.poll(w.t0 + 10s);
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");
    EXPECT_EQ(w.table.activeLinkCount(), 0);

    ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    const ProcessId second = *w.launcher.running.begin();
    w.desktop.addWindow({.title = "tip", .kind = WindowKind::Popup, .pid = second});
    w.desktop.addWindow({.title = "hidden", .visible = false, .pid = second});
    w.starts.poll(w.t0 + 100ms);
    EXPECT_FALSE(w.link("Mail").active) << "a popup or hidden window is not the link window";
    linkWindow = w.linkWindowOf(second);
    w.starts.poll(w.t0 + 200ms);
    EXPECT_EQ(w.link("Mail").linkWindow, linkWindow);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// No second process while starting or active (17), while Host still raises the host; a process
// that exits before showing itself is forgotten and the link may be started again.
TEST_F(Starting, NoSecondProcessWhileStartingOrActive) {
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::AlreadyActive);
    ASSERT_EQ(w.messages.shown, std::vector<int>{17});
    EXPECT_EQ(w.starts.start(host, "Mail", w.t0), StartOutcome::AlreadyStarting);
    EXPECT_EQ(w.activate("Mail", ActivationMode::HostOnly), ActivationOutcome::HostRaised);
    EXPECT_EQ(w.launcher.arguments.size(), 1u);
    w.launcher.running.clear();  // it ended by itself
    w.starts.poll(w.t0 + 50ms);
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_TRUE(w.launcher.terminated.empty());
    EXPECT_GT(w.launcher.reaps, 0);
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Started);

    const ProcessId second = *w.launcher.running.begin();
    w.ready(w.linkWindowOf(second), second, host, second);
    ASSERT_TRUE(w.link("Mail").active);
    w.desktop.clearActions();
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::AlreadyActive);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise), 0);
    EXPECT_EQ(w.activate("Mail", ActivationMode::HostOnly), ActivationOutcome::HostRaised);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise, host), 1);
    EXPECT_EQ(w.launcher.arguments.size(), 2u);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{17, 17}));
}

// A start for a link deleted meanwhile is ended when identified. Deactivate ends a start still
// under way without a question.
TEST_F(Starting, AStartForALinkDeletedMeanwhileOrDeactivatedIsEnded) {
    w.table.removeAt(*w.table.find("Mail"));
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.table.activeLinkCount(), 0);
    w.addLink(HostLink{.title = "Mail", .autoExec = false});
    const ProcessId second = w.launcher.nextPid;
    ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Mail"), DeactivateOutcome::StartEnded);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_EQ(w.launcher.terminated, (std::vector<ProcessId>{pid, second}));
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// ---- the Activate page's list -----------------------------------------------

// Active links first, then alphabetical without regard to case. The list is rebuilt only when a
// line changes, and checks the links after building; a state the check changes shows next tick.
TEST(StatusList, ActiveLinksFirstAndRebuiltOnlyWhenALineChanges) {
    LinkTable t;
    for (const char* title : {"b", "A", "c", "D"}) t.insert({.title = title});
    t.at(*t.find("c")).active = true;
    t.at(*t.find("b")).active = true;
    EXPECT_EQ(statusLines(t), (std::vector<std::string>{"Active  : b", "Active  : c", "Inactive: A", "Inactive: D"}));
    EXPECT_EQ(statusLineTitle("Active  : b"), "b");
    EXPECT_EQ(activeCountLabelText(2), "Total Links Active: 2");

    t.assign({{.title = "A"}, {.title = "B"}});
    StatusListRefresh refresh;
    refresh.open();
    int checks = 0;
    const auto check = [&] { ++checks; };
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Rebuilt);
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Unchanged);
    t.at(1).active = true;
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Rebuilt);
    EXPECT_EQ(refresh.lines(), (std::vector<std::string>{"Active  : B", "Inactive: A"}));
    EXPECT_EQ(checks, 3);
    const auto deactivateB = [&] { t.at(1).active = false; };
    EXPECT_EQ(refresh.refresh(t, deactivateB), StatusRefreshOutcome::Unchanged);
    EXPECT_EQ(refresh.refresh(t, check), StatusRefreshOutcome::Rebuilt);
    EXPECT_EQ(refresh.lines().front(), "Inactive: A");
    // Re-entered from inside its own check (a message box under it): busy.
    StatusRefreshOutcome inner{};
    refresh.refresh(t, [&] { inner = refresh.refresh(t, {}); });
    EXPECT_EQ(inner, StatusRefreshOutcome::Busy);
    EXPECT_FALSE(refresh.busy());
}

// ---- links an earlier main program left running -------------------------------

TEST(Adoption, LinksOfMemorizedLinksOverLiveHostsAreRecordedAndTheOthersClosed) {
    LinkWorld w;
    const std::string longTitle = "Report " + std::string(260, 'x') + "\\final";  // cut in the answer
    for (const std::string& title : {std::string("Mail"), longTitle, std::string("News")}) w.addLink(title);
    w.addLink(HostLink{.title = "Chat", .active = true});
    w.table.incrementActiveLinkCount();
    const WindowId mailHost = w.desktop.addWindow({.title = "Mail"});
    const WindowId longHost = w.desktop.addWindow({.title = longTitle});
    const WindowId newsHost = w.desktop.addWindow({.title = "News"});
    const WindowId chatHost = w.desktop.addWindow({.title = "Chat"});
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
    report(802, longHost, MakeKeySafeTitle(longTitle));
    report(803, w.desktop.addWindow({.title = "Gone"}), "News");  // its host closes below
    report(804, chatHost, "Chat");   // already active here
    report(805, newsHost, "Other");  // no such link
    report(806, newsHost, "News");
    w.desktop.setProcess(links.back(), 999);  // a window that is not the reporting process's
    report(807, newsHost, "News");            // started by this program meanwhile
    w.desktop.destroy(found[2].ready.hostWindow);
    EXPECT_LT(found[1].title.size(), found[1].titleBytes);

    const AdoptionResult result = adoptLinks(found, w.table, w.desktop, [](ProcessId pid) { return pid == 807; });
    EXPECT_EQ(result.adopted, 2);
    EXPECT_EQ(result.toClose, (std::vector<WindowId>{links[2], links[3], links[4]}));
    EXPECT_TRUE(w.link("Mail").active);
    EXPECT_EQ(w.link("Mail").linkWindow, links[0]);
    EXPECT_EQ(w.link("Mail").hostWindow, mailHost);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
    EXPECT_EQ(w.link(longTitle).linkWindow, links[1]);
    EXPECT_FALSE(w.link("News").active);
    EXPECT_EQ(w.table.activeLinkCount(), 3);
}

// ---- Deactivate ----------------------------------------------------------------

// A window that ignores close requests gets exactly three, each after a raise and a pause; a link
// that answers gets one even if its window lingers; a window that closes gets one, a gone one none.
TEST_F(Links, CloseRequestsUntilTheWindowGoesOrTheLinkAnswersAtMostThree) {
    activeMail(false);
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    w.pauses.clear();
    w.deactivation.endLinkWindow(linkWindow);
    std::vector<SeamCall> calls;
    for (const FakeAction& a : w.desktop.actions()) calls.push_back(a.call);
    EXPECT_EQ(calls, (std::vector<SeamCall>{SeamCall::Raise, SeamCall::RequestClose, SeamCall::Raise,
                                            SeamCall::RequestClose, SeamCall::Raise, SeamCall::RequestClose}));
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
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
}

// News, an auto-execute link, is asked about first (26); Mail, without auto-execute, is not. A hung
// link does not hold up another, and its process is ended when it does not answer.
TEST_F(Links, AHungLinkDoesNotHoldUpAnotherAndItsProcessIsEndedWhenItDoesNotAnswer) {
    activeMail(false);
    const ProcessId hungPid = w.desktop.processOf(linkWindow);
    w.messenger.hung.insert(linkWindow);
    const WindowId news = w.activeLink("News");

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_EQ(w.deactivation.closesUnderWay(), 1);
    EXPECT_EQ(deactivate("News"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.desktop.has(news));
    // A second Deact. while the first request waits sends nothing more.
    deactivate("Mail");
    EXPECT_EQ(w.messenger.held.size(), 1u);
    EXPECT_EQ(w.messages.shown, std::vector<int>{26});

    w.messenger.answerHeld(CloseAnswer::NoAnswer);
    EXPECT_EQ(w.launcher.endedHung, std::vector<ProcessId>{hungPid});
    EXPECT_EQ(w.deactivation.closesUnderWay(), 0);
}

// With auto-execute, No (26) changes nothing and Yes turns auto-execute off; the record waits for
// the check. A link that is not active shows 13, even with no link active at all.
TEST_F(Links, DeactivateAsksAboutAnAutoExecuteLinkAndRefusesAnInactiveOne) {
    w.desktop.addWindow({.title = "Other"});
    w.addLink("Other");
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Other"), DeactivateOutcome::NotActive);
    EXPECT_EQ(w.deactivation.deactivate(std::nullopt), DeactivateOutcome::Nothing);
    activeMail(true);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Other"), DeactivateOutcome::NotActive);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Declined);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{13, 13, 26}));
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.desktop.has(linkWindow));
    EXPECT_TRUE(w.link("Mail").active) << "the record waits for the check";
    w.deactivation.checkActiveLinks();
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_FALSE(w.link("Mail").autoExecReady) << "the watcher must not start it again";
}

// The check marks a link inactive once its host or its link window has gone, and counts it
// once; the link is ready for the watcher again only with auto-execute on.
TEST(CheckActiveLinks, AnEndedLinkIsMarkedInactiveOnceAndReadyAgainOnlyWithAutoExecuteOn) {
    const struct {
        bool autoExec, hostGoes;
    } rows[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.autoExec << row.hostGoes);
        LinkWorld w;
        w.activeLink("News");
        const WindowId host = w.desktop.addWindow({.title = "Mail"});
        w.addLink(HostLink{.title = "Mail", .autoExec = row.autoExec});
        const WindowId linkWindow = w.makeActive("Mail", host);
        ASSERT_EQ(w.table.activeLinkCount(), 2);
        w.desktop.destroy(row.hostGoes ? host : linkWindow);
        for (int i = 0; i < 3; ++i) w.deactivation.checkActiveLinks();
        EXPECT_FALSE(w.link("Mail").active);
        EXPECT_EQ(w.link("Mail").autoExecReady, row.autoExec);
        EXPECT_EQ(w.link("Mail").hostWindow, host) << "handles stay after the link ends";
        EXPECT_TRUE(w.link("News").active);
        EXPECT_EQ(w.table.activeLinkCount(), 1);
    }
}

// Links over live hosts are asked about once (kind 23): No cancels with nothing ended and the
// timers running; Yes stops the timers, closes each, then ends the starts still pending. A link
// whose host has gone is neither asked about nor closed.
TEST(Exit, ActiveLinksAreAskedAboutOnceAndClosedAfterTheTimersStop) {
    LinkWorld w;
    int timerStops = 0;
    const std::function<void()> stopTimers = [&] { ++timerStops; };
    const WindowId mail = w.activeLink("Mail");
    const WindowId news = w.activeLink("News");
    w.activeLink("Gone");
    w.desktop.destroy(w.link("Gone").hostWindow);
    w.desktop.addWindow({.title = "Chat"});
    w.addLink("Chat");
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);

    w.messages.answers = {kResultSecond};
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Cancel);
    EXPECT_EQ(timerStops, 0);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    EXPECT_TRUE(w.link("Mail").active);
    EXPECT_EQ(w.starts.pendingCount(), 1);

    int stopsWhenClosing = -1;
    w.desktop.onCall(SeamCall::RequestClose, [&](WindowId) { stopsWhenClosing = timerStops; });
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Continue);
    EXPECT_EQ(w.messages.shown, (std::vector<int>{23, 23}));
    EXPECT_EQ(timerStops, 1);
    EXPECT_EQ(stopsWhenClosing, 1) << "timers stop before the first close request";
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, mail), 1);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, news), 1);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_FALSE(w.link("News").autoExecReady);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// ---- the messenger's queues -------------------------------------------------

// Over a send scripted per link window: the hung link's sends wait until released and then time
// out, `gone` has no receiver, `other` takes every message.
TEST(QueuedMessenger, MessagesKeepTheirOrderAndAHungLinkHoldsUpOnlyItsOwn) {
    FakeDesktop desktop;
    const WindowId hung = desktop.addWindow({}), gone = desktop.addWindow({}), other = desktop.addWindow({});
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;
    std::vector<std::string> sent;  // to `other`, in the order sent: "kind:payload"
    const ChannelSend send = [&](WindowId to, ChannelKind kind, std::string_view payload) {
        std::unique_lock lock(mutex);
        if (to == gone) return SendResult::NoReceiver;
        if (to == hung) {
            wake.wait(lock, [&] { return released; });
            return SendResult::TimedOut;
        }
        sent.push_back(std::to_string(static_cast<int>(kind)) + ":" + std::string(payload));
        return SendResult::Delivered;
    };
    std::vector<std::function<void()>> posted;  // to the user-interface thread, run when the test says
    const PostToUi post = [&](std::function<void()> f) {
        std::lock_guard lock(mutex);
        posted.push_back(std::move(f));
    };
    const auto served = [&](std::size_t sends, std::size_t posts) {
        std::lock_guard lock(mutex);
        return sent.size() == sends && posted.size() == posts;
    };
    const auto runPosted = [&] {
        std::vector<std::function<void()>> now;
        std::unique_lock lock(mutex);
        now.swap(posted);
        lock.unlock();
        for (auto& f : now) f();
    };
    std::map<WindowId, CloseAnswer> answers;
    const auto answerTo = [&](WindowId w) -> CloseDone { return [&answers, w](CloseAnswer a) { answers[w] = a; }; };
    {
        QueuedLinkMessenger messenger(desktop, post, send);
        messenger.sendCommand(hung, "1");
        messenger.requestClose(hung, answerTo(hung));
        messenger.requestClose(other, answerTo(other));
        messenger.sendCommand(other, "6");
        messenger.sendRename(other, "Caf\xC3\xA9 Mail");
        messenger.sendReload(other);
        messenger.requestClose(gone, answerTo(gone));
        // The others are served while the hung link still holds its first message.
        EXPECT_TRUE(waitUntil([&] { return served(4, 2); }));
        runPosted();
        EXPECT_EQ(answers, (std::map<WindowId, CloseAnswer>{{other, CloseAnswer::Handled},
                                                             {gone, CloseAnswer::NotHandled}}));
        // Without a receiver the window manager is asked to close the window.
        EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 1);
        EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose, gone), 1);
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(sent, (std::vector<std::string>{"101:", "3:6", "2:Caf\xC3\xA9 Mail", "1:1"}));
            released = true;
        }
        wake.notify_all();
        EXPECT_TRUE(waitUntil([&] { return served(4, 1); }));
        EXPECT_FALSE(messenger.responding(hung));
        EXPECT_TRUE(messenger.responding(other));
    }
    runPosted();
    // No answer in time, and no window manager request either: it would not help.
    EXPECT_EQ(answers.at(hung), CloseAnswer::NoAnswer);
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 1);
}

// While a link does not answer, a newer foreground command replaces the one waiting
// behind it, never a rename or another command.
TEST(QueuedMessenger, ASilentLinksWaitingForegroundCommandIsReplacedButNotItsRename) {
    FakeDesktop desktop;
    const WindowId slow = desktop.addWindow({});
    std::mutex mutex;
    std::condition_variable wake;
    bool blocking = false, released = false;
    std::vector<std::string> sent;
    const ChannelSend send = [&](WindowId, ChannelKind kind, std::string_view payload) {
        std::unique_lock lock(mutex);
        sent.push_back(std::to_string(static_cast<int>(kind)) + ":" + std::string(payload));
        if (sent.size() == 1) return SendResult::TimedOut;
        blocking = true;
        wake.notify_all();
        wake.wait(lock, [&] { return released; });
        return SendResult::Delivered;
    };
    {
        QueuedLinkMessenger messenger(desktop, [](std::function<void()>) {}, send);
        messenger.sendCommand(slow, "1");
        ASSERT_TRUE(waitUntil([&] { return !messenger.responding(slow); }));
        messenger.sendCommand(slow, "0");
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return blocking; });  // "0" is being sent; the rest waits
        }
        messenger.sendCommand(slow, "1");
        messenger.sendRename(slow, "Mail");
        messenger.sendCommand(slow, "2");
        messenger.sendCommand(slow, "3");
        messenger.sendCommand(slow, "6");  // a save is no foreground command: never replaced
        messenger.sendCommand(slow, "4");
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        wake.notify_all();
    }  // the messenger sends what waits, then ends
    EXPECT_EQ(sent, (std::vector<std::string>{"3:1", "3:0", "3:1", "2:Mail", "3:3", "3:6", "3:4"}));
}

}  // namespace
