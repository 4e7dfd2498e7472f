// The auto-execute watcher over the fake desktop: launch order, the links it never starts,
// what it yields to, the window tests, the pop-up gate and Terminate Pop-up.
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
    // The hosts the launcher was asked to start links over, in order.
    std::vector<std::string> started() const { return w.launcher.arguments; }

    LinkWorld w;
    HostListRefresh hostList{w.desktop};
    StatusListRefresh status;
    WatcherState state;
    AutoExecWatcher watcher{w.desktop, w.table, w.starts, w.deactivation, hostList, status, state, w.pause};
};

// One launch per tick, the top window first, then in link list order. The launch restores and
// raises the host, pauses, nudges the foreground lock and forces a foreground change pass. An
// active link is left alone even when ready; the check runs on every tick, so a link window
// closed while its host stays is marked inactive and its link started again in the same tick.
TEST_F(AutoExec, OneLaunchPerTickTopWindowFirstThenLinkListOrder) {
    const WindowId lower = w.desktop.addWindow({.title = "Alpha"});
    const WindowId upper = w.desktop.addWindow({.title = "Report - Mail", .state = FakeWindowState::Minimized});
    w.addLink("Alpha");
    w.addLink("Report", MatchMethod::Fuzzy);
    w.addLink("Mail", MatchMethod::Fuzzy);  // sorts before Report
    state.lastForeground = upper;
    w.desktop.clearActions();

    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started(), (std::vector<std::string>{arg(upper, "4\tMail")}));
    std::vector<SeamCall> actions;
    for (const FakeAction& a : w.desktop.actions()) actions.push_back(a.call);
    EXPECT_EQ(actions, (std::vector<SeamCall>{SeamCall::Restore, SeamCall::Raise, SeamCall::NudgeForegroundLock}));
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{2}));  // after the raise, before the nudge
    EXPECT_FALSE(state.lastForeground.has_value());
    EXPECT_TRUE(state.autoLaunched);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started().back(), arg(upper, "6\tReport"));
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started().back(), arg(lower, "5\tAlpha"));
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);

    const WindowId mailLink = w.linkWindowOf(*w.launcher.running.begin());
    w.starts.poll(w.t0);
    ASSERT_TRUE(w.link("Mail").active);
    w.link("Mail").autoExecReady = true;
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    w.link("Mail").autoExecReady = false;
    w.desktop.destroy(mailLink);
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started().back(), arg(upper, "4\tMail"));
}

// It yields to the foreground watcher, itself or the Edit page, the host list refresh and the
// Activate page's refresh, and a refused tick keeps the other's hold. A failed start is retried.
TEST_F(AutoExec, YieldsToOtherWorkAndTriesAFailedStartAgain) {
    w.desktop.addWindow({.title = "Mail"});
    w.addLink("Mail");
    for (bool* busy : {&state.foregroundBusy, &state.watcherBusy}) {
        *busy = true;
        EXPECT_EQ(tick(), AutoExecOutcome::Busy);
        EXPECT_TRUE(*busy);
        *busy = false;
    }
    hostList.setBusy(true);
    EXPECT_EQ(tick(), AutoExecOutcome::Busy);
    hostList.setBusy(false);
    AutoExecOutcome inside = AutoExecOutcome::Idle;
    status.open();
    status.refresh(w.table, [&] { inside = tick(); });
    EXPECT_EQ(inside, AutoExecOutcome::Busy);
    EXPECT_TRUE(w.launcher.arguments.empty());
    w.launcher.failStarts = true;
    EXPECT_EQ(tick(), AutoExecOutcome::NotStarted);
    w.launcher.failStarts = false;
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
}

// The title rules themselves are matching_test's; here, that the watcher applies the class and
// single-character tests window by window, and that a window failing them does not keep a match
// below from starting.
TEST_F(AutoExec, AWindowFailingATestLetsAMatchFurtherDownStart) {
    const WindowId mail = w.desktop.addWindow({.title = "Mail", .className = "MailWnd"});
    w.desktop.addWindow({.title = "Mail", .className = "mailwnd"});
    w.addLink(HostLink{.title = "Mail", .winClass = "MailWnd", .matchClass = true});
    ASSERT_EQ(tick(), AutoExecOutcome::Started);
    const WindowId digits = w.desktop.addWindow({.title = "300x250"});
    w.desktop.addWindow({.title = "Box 300x250"});
    w.addLink("x", MatchMethod::Fuzzy);
    ASSERT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(started(), (std::vector<std::string>{arg(mail, "4\tMail"), arg(digits, "1\tx")}));
}

// A web address title of a class with one top-level window, even with windows it owns, starts
// nothing; a second one of the class, even hidden, opens the gate.
TEST_F(AutoExec, ASecondWindowOfTheClassEvenHiddenOpensThePopupGateOwnedOnesDoNot) {
    w.addLink(HostLink{.title = "example", .winClass = "Browser", .matchMethod = MatchMethod::Fuzzy});
    const WindowId main = w.desktop.addWindow({.title = "http://example.com/", .className = "Browser"});
    w.desktop.addWindow({.title = "Save as", .className = "Browser", .kind = WindowKind::Dialog, .owner = main});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    w.desktop.hide(main);
    const WindowId popup = w.desktop.addWindow({.title = "HTTP://example.com/ad", .className = "Browser"});
    EXPECT_EQ(tick(), AutoExecOutcome::Started);
    EXPECT_EQ(w.launcher.arguments, (std::vector<std::string>{arg(popup, "7\texample")}));
}

// Terminate Pop-up starts no link. A maximized main window is left alone (Windows reports one as
// 0x17CF0000); a pop-up that ignores close requests gets three, each after a pause, and no more.
TEST_F(AutoExec, TerminatePopupClosesAPopupAndLeavesMainWindowsAlone) {
    w.addLink(HostLink{.title = "Ad", .matchMethod = MatchMethod::Fuzzy, .terminateHost = true});
    const WindowId main =
        w.desktop.addWindow({.title = "Ad viewer", .style = style::PlainMainWindow | style::Maximize});
    EXPECT_EQ(tick(), AutoExecOutcome::Idle);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    w.desktop.destroy(main);
    w.desktop.addWindow(
        {.title = "Ad", .style = kPopupStyle | style::Maximize, .onClose = CloseBehaviour::Ignore});
    w.desktop.clearActions();
    w.pauses.clear();
    EXPECT_EQ(tick(), AutoExecOutcome::HostClosed);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 3);
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{0, 1, 2}));  // one pause before each request, and nothing else
    EXPECT_TRUE(w.launcher.arguments.empty());
}

}  // namespace
