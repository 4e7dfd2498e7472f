// The auto-execute watcher over the fake desktop: one launch per tick in Z order then
// link order, the links it must never start, the flags it yields to, the
// single-character and class tests, the pop-up gate and Terminate Pop-up.
#include "AutoExecWatcher.h"
#include "LinkTestDoubles.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::test;

namespace {

std::string arg(WindowId host, const std::string& tail) { return std::to_string(host) + "\t1\t1\t5678\t" + tail; }

constexpr std::uint32_t kPopupStyle = style::PlainMainWindow & ~0x00010000u;  // no maximize box

class AutoExec : public ::testing::Test {
protected:
    AutoExecOutcome tick() { return watcher.tick(w.t0); }
    HostLink link(const std::string& title, MatchMethod method = MatchMethod::Exact) {
        HostLink l;
        l.title = title;
        l.matchMethod = method;
        return l;
    }
    // The hosts the launcher was asked to start links over, in order.
    std::vector<std::string> started() const { return w.launcher.arguments; }

    LinkWorld w;
    HostListRefresh hostList{w.desktop};
    StatusListRefresh status;
    WatcherState state;
    AutoExecWatcher watcher{w.desktop, w.table, w.starts, w.deactivation, hostList, status, state, w.pause};
};

TEST_F(AutoExec, OneLaunchPerTickTopWindowFirstThenLinkListOrder) {
    const WindowId lower = w.desktop.addWindow({.title = "Alpha"});
    const WindowId upper = w.desktop.addWindow({.title = "Report - Mail"});
    w.addLink("Alpha");
    w.addLink(link("Report", MatchMethod::Fuzzy));
    w.addLink(link("Mail", MatchMethod::Fuzzy));  // sorts before Report

    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started(), (std::vector<std::string>{arg(upper, "4\tMail")}));
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started().back(), arg(upper, "6\tReport"));
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started().back(), arg(lower, "5\tAlpha"));
    // All three are starting now: nothing more.
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_EQ(started().size(), 3u);
    EXPECT_FALSE(state.watcherBusy);
}

TEST_F(AutoExec, TheLaunchRestoresAndRaisesTheHostNudgesTheForegroundLockAndForcesAChangePass) {
    const WindowId host = w.desktop.addWindow({.title = "Mail", .state = FakeWindowState::Minimized});
    w.addLink("Mail");
    state.lastForeground = host;
    state.autoLaunched = false;
    w.desktop.clearActions();

    ASSERT_EQ(tick(), AutoExecOutcome::Started);
    std::vector<SeamCall> actions;
    for (const FakeAction& a : w.desktop.actions()) actions.push_back(a.call);
    EXPECT_EQ(actions, (std::vector<SeamCall>{SeamCall::Restore, SeamCall::Raise, SeamCall::NudgeForegroundLock}));
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{2}));  // after the raise, before the nudge
    EXPECT_FALSE(state.lastForeground.has_value());
    EXPECT_TRUE(state.autoLaunched);
    EXPECT_EQ(w.starts.pendingCount(), 1);
    EXPECT_FALSE(w.link("Mail").active);  // recorded once its window is identified
}

TEST_F(AutoExec, AStartThatFailsLeavesTheLinkReadyAndIsTriedAgainNextTick) {
    w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    w.launcher.failStarts = true;
    EXPECT_EQ(tick(), AutoExecOutcome::NotStarted);
    EXPECT_TRUE(w.link("Mail").autoExecReady);
    EXPECT_FALSE(state.autoLaunched);
    EXPECT_EQ(tick(), AutoExecOutcome::NotStarted);
    EXPECT_EQ(w.launcher.arguments.size(), 2u);
}

// ---- links never started ------------------------------------------------------

enum class LinkState { Ready, Active, Starting, NotReady, AutoExecOffAndNotReady };

struct NeverRow {
    const char* name;
    LinkState linkState;
    bool startsOne;
};
void PrintTo(const NeverRow& row, std::ostream* os) { *os << row.name; }

class NeverStarted : public AutoExec, public ::testing::WithParamInterface<NeverRow> {};

TEST_P(NeverStarted, OnlyAnInactiveReadyLinkThatIsNotStartingIsStarted) {
    const NeverRow& row = GetParam();
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    switch (row.linkState) {
    case LinkState::Ready: break;
    case LinkState::Active:
        w.makeActive("Mail", host);
        w.link("Mail").autoExecReady = true;  // even with ready set, an active link is left alone
        break;
    case LinkState::Starting: w.starts.start(host, "Mail", w.t0); break;
    case LinkState::NotReady: w.link("Mail").autoExecReady = false; break;
    case LinkState::AutoExecOffAndNotReady:
        w.link("Mail").autoExec = false;
        w.link("Mail").autoExecReady = false;
        break;
    }
    const std::size_t before = w.launcher.arguments.size();
    const AutoExecOutcome outcome = tick();
    EXPECT_EQ(outcome, row.startsOne ? AutoExecOutcome::Started : AutoExecOutcome::Idle);
    EXPECT_EQ(w.launcher.arguments.size() - before, row.startsOne ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, NeverStarted,
                         ::testing::Values(NeverRow{"Ready", LinkState::Ready, true},
                                           NeverRow{"Active", LinkState::Active, false},
                                           NeverRow{"Starting", LinkState::Starting, false},
                                           NeverRow{"NotReady", LinkState::NotReady, false},
                                           NeverRow{"AutoExecOff", LinkState::AutoExecOffAndNotReady, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- what the watcher yields to -------------------------------------------------

TEST_F(AutoExec, YieldsToTheForegroundWatcherTheHostListRefreshItselfAndTheEditPage) {
    w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    state.foregroundBusy = true;
    EXPECT_EQ(tick(), AutoExecOutcome::Busy);
    state.foregroundBusy = false;
    hostList.setBusy(true);
    EXPECT_EQ(tick(), AutoExecOutcome::Busy);
    hostList.setBusy(false);
    state.watcherBusy = true;  // a tick already running, or the Edit page open
    EXPECT_EQ(tick(), AutoExecOutcome::Busy);
    EXPECT_TRUE(state.watcherBusy);  // a refused tick does not release another's hold
    state.watcherBusy = false;
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
}

TEST_F(AutoExec, YieldsToTheActivatePageRefreshWhileItRuns) {
    w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    AutoExecOutcome inside = AutoExecOutcome::Idle;
    status.open();
    status.refresh(w.table, [&] { inside = tick(); });
    EXPECT_EQ(inside, AutoExecOutcome::Busy);
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
}


// ---- check active links on every tick --------------------------------------------

TEST_F(AutoExec, ALinkWindowClosedWhileItsHostStaysIsMarkedInactiveAndStartedAgainInTheSameTick) {
    const WindowId host = w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    const WindowId linkWindow = w.makeActive("Mail", host);
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    w.desktop.destroy(linkWindow);
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.table.activeLinkCount(), 0);
    EXPECT_EQ(w.launcher.arguments.back(), arg(host, "4\tMail"));
}


// ---- single-character and class tests ----------------------------------------------

struct MatchRow {
    const char* name;
    std::string linkTitle;
    MatchMethod method;
    bool requireClass;
    std::string recordedClass;
    std::string windowTitle;
    std::string windowClass;
    bool starts;
};
void PrintTo(const MatchRow& row, std::ostream* os) { *os << row.name; }

class WindowTests : public AutoExec, public ::testing::WithParamInterface<MatchRow> {};

TEST_P(WindowTests, DecideWhetherTheWatcherStartsTheLink) {
    const MatchRow& row = GetParam();
    w.desktop.addWindow({.title = row.windowTitle, .className = row.windowClass});
    HostLink l = link(row.linkTitle, row.method);
    l.matchClass = row.requireClass;
    l.winClass = row.recordedClass;
    w.addLink(l);
    EXPECT_EQ(tick(), row.starts ? AutoExecOutcome::Started : AutoExecOutcome::Idle);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowTests,
    ::testing::Values(
        MatchRow{"SingleCharacterBetweenDigits", "x", MatchMethod::Fuzzy, false, "", "300x250", "C", true},
        MatchRow{"SingleCharacterAfterALetter", "x", MatchMethod::Fuzzy, false, "", "Box 300x250", "C", false},
        MatchRow{"SingleCharacterPastPosition12", "x", MatchMethod::Fuzzy, false, "", "123456789012x3", "C", false},
        MatchRow{"SingleDigitNever", "3", MatchMethod::Fuzzy, false, "", "13x3", "C", false},
        MatchRow{"ClassRequiredAndEqual", "Mail", MatchMethod::Exact, true, "MailWnd", "Mail", "MailWnd", true},
        MatchRow{"ClassRequiredDiffersInCase", "Mail", MatchMethod::Exact, true, "MailWnd", "Mail", "mailwnd", false},
        MatchRow{"EmptyExclusionMatchesNothing", "Mail", MatchMethod::FuzzyExclusion, false, "", "Mail - Inbox", "C", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AutoExec, AClassMismatchOnTheTopWindowLetsAMatchFurtherDownStart) {
    const WindowId lower = w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});
    w.desktop.addWindow({.title = "Mail", .className = "Other"});
    HostLink l = link("Mail");
    l.matchClass = true;
    l.winClass = "MailWnd";
    w.addLink(l);
    ASSERT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.launcher.arguments[0], arg(lower, "4\tMail"));
}

// ---- pop-up gate ---------------------------------------------------------------------

class PopupGate : public AutoExec {
protected:
    void SetUp() override {
        HostLink l = link("example", MatchMethod::Fuzzy);
        l.winClass = "Browser";
        w.addLink(l);
    }
};

TEST_F(PopupGate, OneWindowOfTheRecordedClassStartsNothing) {
    w.desktop.addWindow({.title = "http://example.com/ad", .className = "Browser"});
    w.desktop.addWindow({.title = "Notes", .className = "Other"});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_TRUE(w.link("example").autoExecReady);
}

TEST_F(PopupGate, ASecondWindowOfTheClassEvenHiddenOpensTheGate) {
    w.desktop.addWindow({.title = "Browser start page", .className = "Browser", .visible = false});
    const WindowId popup = w.desktop.addWindow({.title = "HTTP://example.com/ad", .className = "Browser"});
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, (std::vector<std::string>{arg(popup, "7\texample")}));
}

TEST_F(PopupGate, OwnedWindowsOfTheClassDoNotCount) {
    const WindowId main = w.desktop.addWindow({.title = "http://example.com/", .className = "Browser"});
    w.desktop.addWindow({.title = "Save as", .className = "Browser", .kind = WindowKind::Dialog, .owner = main});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_TRUE(w.launcher.arguments.empty());
}


TEST_F(PopupGate, AGatedWindowOnTopDoesNotKeepALinkFurtherDownFromStarting) {
    const WindowId mail = w.desktop.addWindow({.title = "Mail"});
    w.desktop.addWindow({.title = "http://example.com/", .className = "Browser"});
    w.addLink("Mail");
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, (std::vector<std::string>{arg(mail, "4\tMail")}));
}

// ---- Terminate Pop-up ------------------------------------------------------------------

class TerminatePopup : public AutoExec {
protected:
    void SetUp() override {
        HostLink l = link("Ad", MatchMethod::Fuzzy);
        l.terminateHost = true;
        w.addLink(l);
    }
};

TEST_F(TerminatePopup, APlainApplicationMainWindowIsLeftAlone) {
    const WindowId host = w.desktop.addWindow({.title = "Ad viewer", .style = style::PlainMainWindow});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, host), 0);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::Raise, host), 0);
    EXPECT_TRUE(w.launcher.arguments.empty());
}

// Windows reports a maximized main window as 0x17CF0000: maximized is a state, not a pop-up.
TEST_F(TerminatePopup, AMaximizedMainWindowIsLeftAloneButAMaximizedPopupIsNot) {
    const WindowId main = w.desktop.addWindow({.title = "Ad viewer", .style = style::PlainMainWindow | style::Maximize});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, main), 0);
    w.desktop.destroy(main);
    const WindowId popup = w.desktop.addWindow({.title = "Ad window", .style = kPopupStyle | style::Maximize});
    EXPECT_EQ(tick(), AutoExecOutcome::HostClosed);
    EXPECT_GE(w.desktop.actionCount(SeamCall::RequestClose, popup), 1);
}

TEST_F(TerminatePopup, APopupThatIgnoresThemGetsThreeCloseRequestsEachAfterAPause) {
    w.desktop.addWindow({.title = "Ad window", .style = kPopupStyle, .onClose = CloseBehaviour::Ignore});
    w.desktop.clearActions();
    EXPECT_EQ(tick(), AutoExecOutcome::HostClosed);
    std::vector<std::size_t> closes;  // positions of the close requests in the action log
    for (std::size_t i = 0; i < w.desktop.actions().size(); ++i)
        if (w.desktop.actions()[i].call == SeamCall::RequestClose) closes.push_back(i);
    EXPECT_EQ(closes, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{0, 1, 2}));  // one pause before each request
    EXPECT_TRUE(w.launcher.arguments.empty());
    EXPECT_TRUE(w.link("Ad").autoExecReady);
}

TEST_F(TerminatePopup, APopupThatObeysGetsOneRequest) {
    w.desktop.addWindow({.title = "Ad window", .style = kPopupStyle});
    EXPECT_EQ(tick(), AutoExecOutcome::HostClosed);
    EXPECT_EQ(w.desktop.windowCount(), 0u);
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
}

TEST_F(TerminatePopup, ASparedMainWindowOnTopDoesNotKeepAnotherLinkFromStarting) {
    const WindowId mail = w.desktop.addWindow({.title = "Mail"});
    w.desktop.addWindow({.title = "Ad viewer", .style = style::PlainMainWindow});
    w.addLink("Mail");
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, (std::vector<std::string>{arg(mail, "4\tMail")}));
}

}  // namespace
