// Ending links over the fake desktop: close requests, Deactivate with its question, the check
// that notices ended links, the ending of links on exit, and the messenger's per-link queues.
#include "LinkTestDoubles.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

using namespace kivra;
using namespace kivra::test;

namespace {

class Deactivation : public ::testing::Test {
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

TEST_F(Deactivation, AWindowThatIgnoresCloseRequestsGetsExactlyThreeEachAfterARaiseAndAPause) {
    activeMail(false);
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Ignore);
    w.pauses.clear();
    w.deactivation.endLinkWindow(linkWindow);
    std::vector<SeamCall> calls;
    for (const FakeAction& a : w.desktop.actions()) calls.push_back(a.call);
    EXPECT_EQ(calls, (std::vector<SeamCall>{SeamCall::Raise, SeamCall::RequestClose, SeamCall::Raise,
                                            SeamCall::RequestClose, SeamCall::Raise, SeamCall::RequestClose}));
    EXPECT_EQ(w.pauses, (std::vector<std::size_t>{1, 3, 5}));  // each between a raise and its close request
    // A link that answers gets one request even if its window lingers.
    w.desktop.clearActions();
    w.messenger.answering.insert(linkWindow);
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, linkWindow), 1);
    // A window that closes gets one request, and a gone one none.
    w.desktop.setCloseBehaviour(linkWindow, CloseBehaviour::Close);
    w.messenger.answering.clear();
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
    EXPECT_FALSE(w.desktop.has(linkWindow));
    w.deactivation.endLinkWindow(linkWindow);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 2);
}

// News, an auto-execute link, is asked about first (26); Mail, without auto-execute, is not.
TEST_F(Deactivation, AHungLinkDoesNotHoldUpAnotherAndItsProcessIsEndedWhenItDoesNotAnswer) {
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
    EXPECT_EQ(w.messages.kinds(), std::vector<int>{26});

    w.messenger.answerHeld(CloseAnswer::NoAnswer);
    EXPECT_EQ(w.launcher.endedHung, std::vector<ProcessId>{hungPid});
    EXPECT_EQ(w.deactivation.closesUnderWay(), 0);
}

TEST_F(Deactivation, WithAutoExecuteNoChangesNothingAndYesTurnsAutoExecuteOff) {
    activeMail(true);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Declined);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{26});
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

TEST_F(Deactivation, ALinkThatIsNotActiveShows13AndOneStillStartingIsEnded) {
    w.desktop.addWindow({.title = "Other"});
    w.addLink("Other");
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Other"), DeactivateOutcome::NotActive);  // no link active at all
    activeMail(false);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Other"), DeactivateOutcome::NotActive);
    ASSERT_EQ(w.messages.kinds(), (std::vector<int>{13, 13}));
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    EXPECT_EQ(w.deactivation.deactivate(std::nullopt), DeactivateOutcome::Nothing);
    // A link still starting has its process ended, without a question.
    w.desktop.addWindow({.title = "Chat"});
    w.addLink(HostLink{.title = "Chat", .autoExec = false});
    const ProcessId pid = w.launcher.nextPid;
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Chat"), DeactivateOutcome::StartEnded);
    EXPECT_EQ(w.messages.shown.size(), 2u);
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.starts.pendingCount(), 0);
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
    EXPECT_EQ(w.messages.kinds(), (std::vector<int>{23, 23}));
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

// Functions handed to the user-interface thread, run when the test says.
class UiQueue {
public:
    PostToUi post() {
        return [this](std::function<void()> f) {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(f));
        };
    }
    std::size_t size() {
        std::lock_guard lock(mutex_);
        return posted_.size();
    }
    void runAll() {
        std::vector<std::function<void()>> now;
        {
            std::lock_guard lock(mutex_);
            now.swap(posted_);
        }
        for (auto& f : now) f();
    }

private:
    std::mutex mutex_;
    std::vector<std::function<void()>> posted_;
};

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
    UiQueue ui;
    std::map<WindowId, CloseAnswer> answers;
    const auto answerTo = [&](WindowId w) -> CloseDone { return [&answers, w](CloseAnswer a) { answers[w] = a; }; };
    {
        QueuedLinkMessenger messenger(desktop, ui.post(), send);
        messenger.sendCommand(hung, "1");
        messenger.requestClose(hung, answerTo(hung));
        messenger.requestClose(other, answerTo(other));
        messenger.sendCommand(other, "6");
        messenger.sendRename(other, "Caf\xC3\xA9 Mail");
        messenger.sendReload(other);
        messenger.requestClose(gone, answerTo(gone));
        // The others are served while the hung link still holds its first message.
        EXPECT_TRUE(waitUntil([&] {
            std::lock_guard lock(mutex);
            return sent.size() == 4 && ui.size() == 2;
        }));
        ui.runAll();
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
        EXPECT_TRUE(waitUntil([&] { return ui.size() == 1; }));
        EXPECT_FALSE(messenger.responding(hung));
        EXPECT_TRUE(messenger.responding(other));
    }
    ui.runAll();
    // No answer in time, and no window manager request either: it would not help.
    EXPECT_EQ(answers.at(hung), CloseAnswer::NoAnswer);
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 1);
}

// While a link does not answer, a newer foreground command replaces the one waiting
// behind it, never a rename.
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
    UiQueue ui;
    {
        QueuedLinkMessenger messenger(desktop, ui.post(), send);
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
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        wake.notify_all();
    }  // the messenger sends what waits, then ends
    EXPECT_EQ(sent, (std::vector<std::string>{"3:1", "3:0", "3:1", "2:Mail", "3:3"}));
}

}  // namespace
