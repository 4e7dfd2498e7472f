// Ending links over the fake desktop: close requests, Deactivate with its question,
// the check that notices ended links, and the ending of links on exit.
#include "LinkTestDoubles.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace kivra;
using namespace kivra::test;
using namespace std::chrono_literals;

namespace {

class Deactivation : public ::testing::Test {
protected:
    // Link "Mail" active over host "Mail", auto-execute as given.
    WindowId activeMail(bool autoExec) {
        host = w.desktop.addWindow({.title = "Mail"});
        HostLink l;
        l.title = "Mail";
        l.autoExec = autoExec;
        l.autoExecReady = autoExec;
        w.addLink(l);
        linkWindow = w.makeActive("Mail", host);
        w.desktop.clearActions();
        return linkWindow;
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
    for (const FakeAction& a : w.desktop.actionsOn(linkWindow)) calls.push_back(a.call);
    EXPECT_EQ(calls, (std::vector<SeamCall>{SeamCall::Raise, SeamCall::RequestClose, SeamCall::Raise,
                                            SeamCall::RequestClose, SeamCall::Raise, SeamCall::RequestClose}));
    // Each pause falls between a raise and its close request.
    const auto& log = w.desktop.actions();
    ASSERT_EQ(w.pauses.size(), 3u);
    for (std::size_t at : w.pauses) {
        ASSERT_GT(at, 0u);
        ASSERT_LT(at, log.size());
        EXPECT_EQ(log[at - 1].call, SeamCall::Raise);
        EXPECT_EQ(log[at].call, SeamCall::RequestClose);
    }
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

TEST_F(Deactivation, AHungLinkDoesNotHoldUpAnotherAndItsProcessIsEndedWhenItDoesNotAnswer) {
    activeMail(false);
    const WindowId hungLink = linkWindow;
    const ProcessId hungPid = w.desktop.processOf(hungLink);
    w.messenger.hung.insert(hungLink);
    const WindowId newsHost = w.desktop.addWindow({.title = "News"});
    w.addLink("News");
    const WindowId news = w.makeActive("News", newsHost);

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_EQ(w.deactivation.closesUnderWay(), 1);
    EXPECT_EQ(deactivate("News"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.desktop.has(news));
    // A second Deact. while the first request waits sends nothing more.
    deactivate("Mail");
    EXPECT_EQ(w.messenger.held.size(), 1u);

    w.messenger.answerHeld(CloseAnswer::NoAnswer);
    EXPECT_EQ(w.launcher.endedHung, std::vector<ProcessId>{hungPid});
    EXPECT_EQ(w.deactivation.closesUnderWay(), 0);
}

TEST_F(Deactivation, WithoutAutoExecuteItClosesAtOnceAndTheCheckMarksItInactive) {
    activeMail(false);
    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_FALSE(w.desktop.has(linkWindow));
    // The record waits for the check.
    EXPECT_TRUE(w.link("Mail").active);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
    w.deactivation.checkActiveLinks();
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_FALSE(w.link("Mail").autoExecReady);
    EXPECT_EQ(w.table.activeLinkCount(), 0);
}

TEST_F(Deactivation, WithAutoExecuteNoChangesNothingAndYesTurnsAutoExecuteOff) {
    activeMail(true);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Declined);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{26});
    EXPECT_TRUE(w.link("Mail").autoExec);
    EXPECT_TRUE(w.desktop.has(linkWindow));
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);

    EXPECT_EQ(deactivate("Mail"), DeactivateOutcome::Ended);
    EXPECT_FALSE(w.link("Mail").autoExec);
    EXPECT_FALSE(w.desktop.has(linkWindow));
    w.deactivation.checkActiveLinks();
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
    w.addLink("Chat");
    w.link("Chat").autoExec = false;
    const ProcessId pid = w.launcher.nextPid;
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);
    EXPECT_EQ(w.deactivation.deactivate("Inactive: Chat"), DeactivateOutcome::StartEnded);
    EXPECT_EQ(w.messages.shown.size(), 2u);
    EXPECT_EQ(w.launcher.terminated, std::vector<ProcessId>{pid});
    EXPECT_EQ(w.starts.pendingCount(), 0);
}

// ---- check active links -----------------------------------------------------

TEST_F(Deactivation, AClosedHostMakesTheLinkInactiveAndTheCountDropsOnce) {
    activeMail(true);
    w.addLink("News");
    const WindowId newsHost = w.desktop.addWindow({.title = "News"});
    w.makeActive("News", newsHost);
    ASSERT_EQ(w.table.activeLinkCount(), 2);

    w.desktop.destroy(host);
    for (int i = 0; i < 3; ++i) w.deactivation.checkActiveLinks();
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_TRUE(w.link("Mail").autoExecReady);
    EXPECT_EQ(w.link("Mail").hostWindow, host) << "handles stay after the link ends";
    EXPECT_TRUE(w.link("News").active);
    EXPECT_EQ(w.table.activeLinkCount(), 1);
}

TEST(CheckActiveLinks, ALinkWindowClosedByOtherMeansIsAutoExecuteReadyAgainOnlyWithAutoExecuteOn) {
    for (const bool autoExec : {true, false}) {
        LinkWorld v;
        const WindowId h = v.desktop.addWindow({.title = "Mail"});
        v.addLink("Mail");
        v.link("Mail").autoExec = autoExec;
        v.desktop.destroy(v.makeActive("Mail", h));
        v.deactivation.checkActiveLinks();
        EXPECT_FALSE(v.link("Mail").active);
        EXPECT_EQ(v.link("Mail").autoExecReady, autoExec);
        EXPECT_EQ(v.table.activeLinkCount(), 0);
    }
}

// ---- exit -------------------------------------------------------------------

class Exit : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* title : {"Mail", "News", "Chat"}) {
            w.addLink(title);
            hosts.push_back(w.desktop.addWindow({.title = title}));
        }
    }
    LinkWorld w;
    std::vector<WindowId> hosts;
    int timerStops = 0;
    std::function<void()> stopTimers = [this] { ++timerStops; };
};

// No cancels with nothing ended and the timers running; Yes closes both after stopping the timers.
TEST_F(Exit, TwoActiveLinksAreAskedAboutOnceAndBothClosed) {
    const WindowId mail = w.makeActive("Mail", hosts[0]);
    const WindowId news = w.makeActive("News", hosts[1]);
    w.messages.answers = {kResultSecond};
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Cancel);
    EXPECT_EQ(timerStops, 0);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    EXPECT_TRUE(w.link("Mail").active);
    w.messages.shown.clear();
    int stopsWhenClosing = -1;
    w.desktop.onCall(SeamCall::RequestClose, [&](WindowId) { stopsWhenClosing = timerStops; });

    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Continue);
    ASSERT_EQ(w.messages.kinds(), std::vector<int>{23});
    EXPECT_EQ(timerStops, 1);
    EXPECT_EQ(stopsWhenClosing, 1) << "timers stop before the first close request";
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, mail), 1);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose, news), 1);
    EXPECT_FALSE(w.link("Mail").active);
    EXPECT_FALSE(w.link("News").autoExecReady);
}

// Links whose hosts have gone are not asked about; starts still pending are ended.
TEST_F(Exit, NothingActiveAsksNothingAndEndsStartsStillPending) {
    w.makeActive("Mail", hosts[0]);
    w.makeActive("News", hosts[1]);
    w.desktop.destroy(hosts[0]);
    w.desktop.destroy(hosts[1]);
    ASSERT_EQ(w.activate("Chat"), ActivationOutcome::Started);
    EXPECT_EQ(w.deactivation.endAllLinksOnExit(stopTimers), ExitDecision::Continue);
    EXPECT_TRUE(w.messages.shown.empty());
    EXPECT_EQ(timerStops, 0);
    EXPECT_EQ(w.desktop.actionCount(SeamCall::RequestClose), 0);
    EXPECT_EQ(w.launcher.terminated.size(), 1u);
    EXPECT_EQ(w.starts.pendingCount(), 0);
}


// ---- the real messenger -----------------------------------------------------

class ChannelMessengerTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
        setenv("DISPLAY", ":79", 1);
    }

    // A receiver that records what it is sent.
    static std::unique_ptr<ChannelReceiver> recording(WindowId window, std::vector<ChannelMessage>& got) {
        return ChannelReceiver::listen(window, [&got](const ChannelMessage& m) {
            got.push_back(m);
            return std::string();
        });
    }

    // Answers the messages of one send on another thread, as the link program would.
    std::thread answerOne(ChannelReceiver& receiver) {
        return std::thread([&receiver] {
            pollfd p{receiver.fd(), POLLIN, 0};
            if (::poll(&p, 1, 2000) != 1) return;
            receiver.dispatch();
        });
    }

    TempDir dir_;
};

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

TEST_F(ChannelMessengerTest, MessagesGoOverTheChannelInOrderAndAWindowWithoutReceiverGetsTheWindowManagersClose) {
    FakeDesktop desktop;
    const WindowId linkWindow = desktop.addWindow({.title = "Kivra [Link] Mail", .onClose = CloseBehaviour::Ignore});
    std::vector<ChannelMessage> got;
    std::atomic<int> count = 0;
    auto receiver = ChannelReceiver::listen(linkWindow, [&](const ChannelMessage& m) {
        got.push_back(m);
        ++count;
        return std::string();
    });
    ASSERT_TRUE(receiver);
    UiQueue ui;
    std::vector<CloseAnswer> answers;
    const auto record = [&](CloseAnswer a) { answers.push_back(a); };
    {
        QueuedLinkMessenger messenger(desktop, ui.post(), 2s);
        std::atomic<bool> stop = false;
        std::thread link([&] {
            while (!stop) {
                pollfd p{receiver->fd(), POLLIN, 0};
                if (::poll(&p, 1, 10) == 1) receiver->dispatch();
            }
        });
        messenger.requestClose(linkWindow, record);
        messenger.sendCommand(linkWindow, "6");
        messenger.sendRename(linkWindow, "Caf\xC3\xA9 Mail");
        messenger.sendReload(linkWindow);
        EXPECT_TRUE(waitUntil([&] { return count == 4 && ui.size() == 1; }));
        stop = true;
        link.join();
    }
    ui.runAll();
    EXPECT_EQ(answers, std::vector<CloseAnswer>{CloseAnswer::Handled});
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].kind, ChannelKind::CloseRequest);
    EXPECT_EQ(got[0].senderPid, getpid());
    EXPECT_EQ(got[1].kind, ChannelKind::Command);
    EXPECT_EQ(got[1].payload, "6");
    EXPECT_EQ(got[2].kind, ChannelKind::Rename);
    EXPECT_EQ(got[2].payload, "Caf\xC3\xA9 Mail");
    EXPECT_EQ(got[3].kind, ChannelKind::ReloadMatchOptions);
    EXPECT_EQ(got[3].payload, "1");
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 0);

    receiver.reset();
    {
        QueuedLinkMessenger messenger(desktop, ui.post(), 2s);
        messenger.requestClose(linkWindow, record);
    }
    ui.runAll();
    EXPECT_EQ(answers.back(), CloseAnswer::NotHandled);
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose, linkWindow), 1);
}

TEST(QueuedMessenger, AHungLinkHoldsUpOnlyItsOwnMessages) {
    FakeDesktop desktop;
    constexpr WindowId hung = 11, other = 12;
    std::mutex mutex;
    std::condition_variable wake;
    bool released = false;
    std::vector<std::string> sent;  // to the other link, in the order sent
    const ChannelSend send = [&](WindowId to, ChannelKind kind, std::string_view payload) {
        std::unique_lock lock(mutex);
        if (to == hung) {
            wake.wait(lock, [&] { return released; });
            return SendResult::TimedOut;
        }
        sent.push_back(std::to_string(static_cast<int>(kind)) + ":" + std::string(payload));
        return SendResult::Delivered;
    };
    UiQueue ui;
    std::vector<std::pair<WindowId, CloseAnswer>> answers;
    {
        QueuedLinkMessenger messenger(desktop, ui.post(), send);
        messenger.sendCommand(hung, "1");
        messenger.requestClose(hung, [&](CloseAnswer a) { answers.emplace_back(hung, a); });
        messenger.sendCommand(other, "0");
        messenger.requestClose(other, [&](CloseAnswer a) { answers.emplace_back(other, a); });
        // The other link is served while the hung one still holds its first message.
        ASSERT_TRUE(waitUntil([&] { return ui.size() == 1; }));
        ui.runAll();
        EXPECT_EQ(answers, (std::vector<std::pair<WindowId, CloseAnswer>>{{other, CloseAnswer::Handled}}));
        {
            std::lock_guard lock(mutex);
            EXPECT_EQ(sent, (std::vector<std::string>{"3:0", "101:"}));
            released = true;
        }
        wake.notify_all();
        ASSERT_TRUE(waitUntil([&] { return ui.size() == 1; }));
        EXPECT_FALSE(messenger.responding(hung));
        EXPECT_TRUE(messenger.responding(other));
    }
    ui.runAll();
    // No answer in time, and no window manager request either: it would not help.
    EXPECT_EQ(answers.back(), std::make_pair(hung, CloseAnswer::NoAnswer));
    EXPECT_EQ(desktop.actionCount(SeamCall::RequestClose), 0);
}

}  // namespace
