// Change notification of the X11 backend: a watched window's move, title and
// state changes wake the notification descriptor; other windows do not.
#include "DesktopTest.h"
#include "Xdotool.h"

#include <poll.h>

#include <gtest/gtest.h>

namespace kivra::test {
namespace {

using namespace std::chrono_literals;

// True when the descriptor becomes readable within `timeout`.
bool readable(int fd, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 && (p.revents & POLLIN);
}

class WindowNotification : public DesktopTest {
protected:
    // Waits on the descriptor as an event loop would, then takes the notifications.
    bool notified() {
        return waitUntil([&] { return readable(ws->notificationFd(), 50ms) && ws->takeNotifications(); });
    }
};

TEST_F(WindowNotification, MoveByAnotherClientIsReported) {
    const WindowId w = host->open("Watched", "--geometry 300x200+100+100");
    ws->watch(w);
    EXPECT_FALSE(ws->takeNotifications());
    ASSERT_TRUE(xdotool::windowMove(w, 300, 250));
    EXPECT_TRUE(notified());
    EXPECT_TRUE(waitUntil([&] { return ws->rect(w)->left == 300; }));
}

TEST_F(WindowNotification, TitleAndStateChangesAreReported) {
    const WindowId w = host->open("Watched");
    ws->watch(w);
    ws->takeNotifications();
    ASSERT_TRUE(xdotool::setWindowName(w, "Renamed"));
    EXPECT_TRUE(notified());
    ASSERT_TRUE(xdotool::windowMinimize(w));
    EXPECT_TRUE(notified());
}

TEST_F(WindowNotification, UnwatchedWindowsStayQuiet) {
    const WindowId watched = host->open("Watched", "--geometry 200x100+10+10");
    const WindowId other = host->open("Other", "--geometry 200x100+400+10");
    ws->watch(watched);
    ws->takeNotifications();
    ASSERT_TRUE(xdotool::windowMove(other, 500, 300));
    // Once the move shows in our own replies, any event it caused has reached us too.
    ASSERT_TRUE(waitUntil([&] { return ws->rect(other)->left == 500; }));
    EXPECT_FALSE(ws->takeNotifications());
}

TEST_F(WindowNotification, EventsReadWhileWaitingForRepliesStillWakeTheDescriptor) {
    const WindowId w = host->open("Watched", "--geometry 300x200+100+100");
    ws->watch(w);
    ws->takeNotifications();
    ASSERT_TRUE(xdotool::windowMove(w, 150, 180));
    // rect() reads the connection: the ConfigureNotify is taken into memory on the way.
    ASSERT_TRUE(waitUntil([&] { return ws->rect(w)->left == 150; }));
    EXPECT_TRUE(readable(ws->notificationFd(), 0ms));
    EXPECT_TRUE(ws->takeNotifications());
    EXPECT_FALSE(readable(ws->notificationFd(), 0ms));
}

TEST_F(WindowNotification, DestroyedWatchedWindowIsReportedOnce) {
    const WindowId w = host->open("Watched");
    ws->watch(w);
    ws->takeNotifications();
    host->destroy(w);
    EXPECT_TRUE(notified());
    ASSERT_TRUE(waitUntil([&] { return probe->stackingTopFirst().empty(); }));
    ws->takeNotifications();
    // Watching it again is harmless.
    ws->watch(w);
    EXPECT_FALSE(ws->takeNotifications());
}

}  // namespace
}  // namespace kivra::test
