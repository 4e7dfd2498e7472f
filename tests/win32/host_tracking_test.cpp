// The link program's tracking tick over the user32 backend: a host window of another
// process is moved, resized, minimized, retitled and closed, and the link window (a
// window of this process) follows, minimizes with it, or the link ends.
#include "RectPrinter.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowHost.h"

#include "HostTracker.h"

#include <gtest/gtest.h>

using namespace kivra;
using namespace kivra::wintest;
using kivra::win32::toWindowId;
using kivra::win32::Win32WindowSystem;

namespace {

// The link window as the tracker sees it: a real window, its state read and changed
// through the backend; the calls that end the link are counted.
class LinkWindow : public OwnWindow {
public:
    LinkWindow(WindowSystem& ws, WindowId window) : ws_(ws), window_(window) {}

    int unloads = 0;

    OwnWindowState state() const override {
        if (ws_.isMinimized(window_)) return OwnWindowState::Minimized;
        return ws_.isMaximized(window_) ? OwnWindowState::Maximized : OwnWindowState::Normal;
    }
    void minimize() override { ws_.minimize(window_); }
    void restoreNormal() override { ws_.restore(window_); }
    AlwaysOnTop alwaysOnTop() const override { return onTop_; }
    void setAlwaysOnTop(AlwaysOnTop choice) override {
        onTop_ = choice;
        ws_.setTopmost(window_, choice == AlwaysOnTop::Yes);
    }
    bool kickTimerOn() const override { return false; }
    void setIcon(LinkIcon) override {}
    CaptionMode captionMode() const override { return kLinkTitleCaption; }
    void setCaption(const std::string&) override {}
    void setApplicationTitle(const std::string&) override {}
    bool messageBoxOpen() const override { return false; }
    void clearMessageBoxOpen() override {}
    void saveSettings() override {}
    void unload() override { ++unloads; }
    void reportError(const KivraError&) override {}

private:
    WindowSystem& ws_;
    WindowId window_;
    AlwaysOnTop onTop_ = AlwaysOnTop::Yes;
};

LinkState trackingState(WindowSystem& ws, HWND host, const TestWindow& link, const std::string& title) {
    LinkState state;
    state.hostWindow = toWindowId(host);
    state.ownWindow = link.id();
    state.names.linkTitle = title;
    state.recordedHostRect = ws.rect(state.hostWindow).value_or(Rect{});
    return state;
}

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

}  // namespace

TEST(Win32WindowTracking, TheLinkFollowsItsHostsMovesAndMinimizesWithIt) {
    Win32WindowSystem ws;
    WindowHost process({HostWindowSpec{"KivraWsTracked", "Ws Tracked Host", {200, 150, 600, 450}}});
    const HWND host = process.window("Ws Tracked Host");
    ASSERT_NE(host, nullptr);
    TestWindow link("Ws Link", "KivraWsLink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {700, 120, 900, 260});
    LinkWindow own(ws, link.id());
    LinkState state = trackingState(ws, host, link, "Ws Tracked Host");
    HostTracker tracker(ws, own, state);
    const Rect start = *ws.rect(link.id());

    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    // Dragged 40 right and 10 down, then 50 left and 60 up: the link keeps its offset.
    ASSERT_TRUE(MoveWindow(host, 240, 160, 400, 300, TRUE));
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ws.rect(link.id()), shifted(start, 40, 10));
    ASSERT_TRUE(MoveWindow(host, 190, 100, 400, 300, TRUE));
    EXPECT_EQ(tracker.tick(), TickOutcome::Moved);
    EXPECT_EQ(ws.rect(link.id()), shifted(start, -10, -50));
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);

    // Resized from its left edge: the link stays where it is.
    ASSERT_TRUE(MoveWindow(host, 150, 100, 440, 300, TRUE));
    EXPECT_EQ(tracker.tick(), TickOutcome::SizeChanged);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    EXPECT_EQ(ws.rect(link.id()), shifted(start, -10, -50));

    // Minimized with the host, and back with it.
    ShowWindow(host, SW_MINIMIZE);
    EXPECT_EQ(tracker.tick(), TickOutcome::NotFollowing);
    EXPECT_TRUE(ws.isMinimized(link.id()));
    EXPECT_EQ(state.hostState, HostState::Minimized);
    EXPECT_TRUE(state.minimizedWithHost);
    ShowWindow(host, SW_RESTORE);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    EXPECT_FALSE(ws.isMinimized(link.id()));
    EXPECT_EQ(state.hostState, HostState::Normal);
    EXPECT_EQ(ws.rect(link.id()), shifted(start, -10, -50));

    EXPECT_EQ(own.unloads, 0);
}

TEST(Win32WindowTracking, TheLinkEndsWhenItsHostClosesOrIsRetitled) {
    Win32WindowSystem ws;
    WindowHost process({HostWindowSpec{"KivraWsTracked", "Ws Closing Host", {100, 100, 400, 300}},
                        HostWindowSpec{"KivraWsTracked", "Ws Retitled Host", {150, 150, 450, 350}}});
    const HWND closing = process.window("Ws Closing Host");
    const HWND retitled = process.window("Ws Retitled Host");
    ASSERT_TRUE(closing && retitled);
    TestWindow link("Ws Link", "KivraWsLink");

    // One letter's case: an Exact link ends, a Fuzzy one stays.
    SendMessageW(retitled, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Ws retitled Host"));
    {
        LinkWindow own(ws, link.id());
        LinkState state = trackingState(ws, retitled, link, "Ws Retitled Host");
        state.matchOptions.method = MatchMethod::Fuzzy;
        HostTracker fuzzy(ws, own, state);
        EXPECT_EQ(fuzzy.tick(), TickOutcome::Unmoved);
        state.matchOptions.method = MatchMethod::Exact;
        EXPECT_EQ(fuzzy.tick(), TickOutcome::HostMismatch);
        EXPECT_EQ(own.unloads, 1);
    }

    // Closed (the other process handles the close request): the next tick ends the link.
    LinkWindow own(ws, link.id());
    LinkState state = trackingState(ws, closing, link, "Ws Closing Host");
    HostTracker tracker(ws, own, state);
    EXPECT_EQ(tracker.tick(), TickOutcome::Unmoved);
    ASSERT_TRUE(ws.requestClose(toWindowId(closing)));
    EXPECT_EQ(tracker.tick(), TickOutcome::HostGone);
    EXPECT_EQ(own.unloads, 1);
}
