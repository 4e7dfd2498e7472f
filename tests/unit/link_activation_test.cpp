// Activate and Host over the fake desktop: first match only, the refusals, the
// argument string, and a started link from its start to its record (ready report,
// owned window, timeout, early exit); the Activate page's status list; adoption.
#include "LinkTestDoubles.h"
#include "LinkAdoption.h"
#include "StatusList.h"
#include "AppNames.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;
using namespace std::chrono_literals;

namespace {

class Activation : public ::testing::Test {
protected:
    LinkWorld w;
};

// The host, a minimized one restored first, is raised (then a pause) before the start; the
// argument's fields are tab-separated with the title's length in characters.
TEST_F(Activation, StartsOverTheWindowHighestInZOrderWithTheHostRaisedFirst) {
    EXPECT_EQ(linkArgumentString(1234, 5678, "Caf\xC3\xA9 \\ 12"), "1234\t1\t1\t5678\t9\tCaf\xC3\xA9 \\ 12");
    const WindowId lower = w.desktop.addWindow({.title = "Mail"});
    const WindowId upper = w.desktop.addWindow({.title = "Mail", .state = FakeWindowState::Minimized});
    w.addLink("Mail");
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, std::vector<std::string>{linkArgumentString(upper, kMainWindow, "Mail")});
    std::vector<SeamCall> calls;
    for (const FakeAction& a : w.desktop.actionsOn(upper)) calls.push_back(a.call);
    EXPECT_EQ(calls, (std::vector<SeamCall>{SeamCall::Restore, SeamCall::Raise}));
    EXPECT_EQ(w.pauses.size(), 1u);
    EXPECT_TRUE(w.desktop.actionsOn(lower).empty());
    EXPECT_TRUE(w.messages.shown.empty());
    // Starting, not yet active: nothing recorded until the window is known.
    EXPECT_EQ(w.starts.pendingCount(), 1);
    EXPECT_FALSE(w.link("Mail").active);
}

// ---- refusals ---------------------------------------------------------------

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
        ASSERT_EQ(w.messages.kinds(), std::vector<int>{row.kind});
        EXPECT_TRUE(w.launcher.arguments.empty());
        EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise), 0);
    }
}

TEST_F(Activation, OnlyTheFirstTitleMatchCountsForTheClassTest) {
    w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});     // would pass
    w.desktop.addWindow({.title = "Mail", .className = "BrowserWnd"});  // first in Z order
    w.addLink(HostLink{.title = "Mail", .winClass = "MailWnd", .matchClass = true});
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::Mismatch);
    // So for the single-character rule: the first window containing a colon fails it.
    w.desktop.addWindow({.title = "12:30 News"});
    w.desktop.addWindow({.title = "Note: 12"});
    w.addLink(":", MatchMethod::Fuzzy);
    EXPECT_EQ(w.activate(":"), ActivationOutcome::Mismatch);
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{27, 27}));
    EXPECT_TRUE(w.launcher.arguments.empty());
}

// No selection, no links, or a program that cannot start: nothing changes and nothing is said.
TEST_F(Activation, NoSelectionNoLinksOrAProgramThatCannotStartDoesNothing) {
    w.desktop.addWindow({.title = "Mail"});
    EXPECT_EQ(w.activation.activate("Inactive: Mail", MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);  // no links memorized
    w.addLink("Mail");
    EXPECT_EQ(w.activation.activate(std::nullopt, MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Nothing);
    w.launcher.failStarts = true;
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::NotStarted);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(linkProgramPath("/opt/kivra/"), "/opt/kivra/kivlink");
    ProcessLauncher launcher(linkProgramPath("/nonexistent-kivra-dir/"));
    EXPECT_EQ(launcher.start(linkArgumentString(1, 2, "x")), 0);
}

// ---- from start to record ---------------------------------------------------

class Starting : public ::testing::Test {
protected:
    void SetUp() override {
        host = w.desktop.addWindow({.title = "Mail"});
        w.addLink("Mail");
        ASSERT_EQ(w.activate("Mail"), ActivationOutcome::Started);
        pid = *w.launcher.running.begin();
    }
    LinkWorld w;
    WindowId host = 0;
    ProcessId pid = 0;
};

// Reports that do not come from the started process are ignored; its own records the link, once.
TEST_F(Starting, TheReadyReportOfTheStartedProcessRecordsTheLink) {
    const WindowId linkWindow = w.linkWindowOf(pid);
    const WindowId stranger = w.desktop.addWindow({.title = "Other", .pid = 4242});
    const WindowId otherHost = w.desktop.addWindow({.title = "Other host"});
    struct Row {
        const char* name;
        WindowId window;
        ProcessId reported, sender;
        WindowId host;
    } rows[] = {
        {"sender is another process", linkWindow, pid, 4242, host},
        {"report names another process", linkWindow, 4242, 4242, host},
        {"kernel did not say who sent it", linkWindow, pid, 0, host},
        {"another host", linkWindow, pid, pid, otherHost},
        {"window of another process", stranger, pid, pid, host},
        {"window does not exist", 0x7777777, pid, pid, host},
    };
    for (const Row& r : rows) {
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

TEST_F(Starting, AWindowOwnedByTheStartedProcessIdentifiesItOnALaterPoll) {
    w.desktop.addWindow({.title = "tip", .kind = WindowKind::Popup, .pid = pid});
    w.desktop.addWindow({.title = "hidden", .visible = false, .pid = pid});
    w.starts.poll(w.t0 + 100ms);
    EXPECT_FALSE(w.link("Mail").active) << "a popup or hidden window is not the link window";

    const WindowId linkWindow = w.linkWindowOf(pid);
    w.starts.poll(w.t0 + 200ms);
    EXPECT_EQ(w.link("Mail").linkWindow, linkWindow);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

TEST_F(Starting, AStartNeverIdentifiedIsEndedAtItsDeadlineAndForgotten) {
    w.starts.poll(w.t0 + 9999ms);
    EXPECT_EQ(w.starts.pendingCount(), 1);
    EXPECT_TRUE(w.launcher.terminated.empty());
    w.starts.poll(w.t0 + 10s);
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.starts.pendingCount(), 0);
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");
    EXPECT_EQ(w.table.activeLinkCount(), 0);
}

// No second process while starting or active (17), while Host still raises the host; a process
// that exits before showing itself is forgotten and the link may be started again.
TEST_F(Starting, NoSecondProcessWhileStartingOrActive) {
    EXPECT_EQ(w.activate("Mail"), ActivationOutcome::AlreadyActive);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{17});
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
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{17, 17}));
}

TEST_F(Starting, AStartForALinkDeletedMeanwhileIsEndedWhenIdentified) {
    w.table.removeAt(*w.table.find("Mail"));
    EXPECT_EQ(w.ready(w.linkWindowOf(pid), pid, host, pid), "0");
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.table.activeLinkCount(), 0);
}

// ---- the Activate page's list -----------------------------------------------

TEST(StatusList, ActiveLinksComeFirstThenAlphabeticalWithoutRegardToCase) {
    LinkTable t;
    for (const char* title : {"b", "A", "c", "D"}) t.insert({.title = title});
    t.at(*t.find("c")).active = true;
    t.at(*t.find("b")).active = true;
    EXPECT_EQ(statusLines(t), (std::vector<std::string>{"Active  : b", "Active  : c", "Inactive: A", "Inactive: D"}));
    EXPECT_EQ(statusLineTitle("Active  : b"), "b");
    EXPECT_EQ(activeCountLabelText(2), "Total Links Active: 2");
}

TEST(StatusList, RebuildsOnlyWhenALineChangesAndChecksLinksAfterBuilding) {
    LinkTable t;
    t.insert({.title = "A"});
    t.insert({.title = "B"});
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

    // A check that changes a state shows on the next tick, not this one.
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

}  // namespace
