// The fake desktop keeps the window-system contract the real backends keep, and has
// what only it has: child walk order, visibility through ancestors, owned windows,
// windows that ignore a close, the action log and hooks.
#include "FakeDesktop.h"
#include "WindowSystemContract.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

struct FakeDriver {
    FakeDesktop desktop;
    WindowSystem& ws() { return desktop; }
    WindowId open(const std::string& title) { return desktop.addWindow({.title = title}); }
    void destroy(WindowId w) { desktop.destroy(w); }
    bool waitFor(const std::function<bool()>& done) { return done(); }
};

}  // namespace

namespace kivra::test {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, WindowSystemContract, FakeDriver);
}

namespace {

TEST(FakeDesktop, ChildrenAreWalkedDepthFirstAndVisibilityFollowsAncestors) {
    FakeDesktop d;
    const WindowId top = d.addWindow({.title = "Top"});
    const WindowId mdi = d.addChild(top, {.className = "MDIClient"});
    const WindowId doc1 = d.addChild(mdi, {.title = "Doc1", .controlId = 1});
    const WindowId button = d.addChild(doc1, {.title = "OK", .controlId = 7});
    const WindowId doc2 = d.addChild(mdi, {.title = "Doc2", .controlId = 2});
    const WindowId status = d.addChild(top, {.title = "Ready", .controlId = 9});
    EXPECT_EQ(d.childWindows(top), (std::vector<WindowId>{mdi, doc1, button, doc2, status}));
    EXPECT_EQ(d.parent(button), doc1);

    d.hide(doc1);
    EXPECT_FALSE(d.isVisible(button));
    EXPECT_TRUE(d.isVisible(doc2));
    EXPECT_EQ(d.describe(doc1, FieldStyle).style & style::Visible, 0u);

    d.destroy(mdi);
    EXPECT_FALSE(d.exists(doc1));
    EXPECT_FALSE(d.exists(button));
    EXPECT_EQ(d.childWindows(top), (std::vector<WindowId>{status}));
}

TEST(FakeDesktop, DestroyingAnOwnerTakesItsOwnedWindowsAndTheForeground) {
    FakeDesktop d;
    const WindowId owner = d.addWindow({.title = "Main"});
    const WindowId dialog = d.addWindow({.title = "Options", .kind = WindowKind::Dialog, .owner = owner});
    d.setForeground(dialog);
    EXPECT_EQ(d.parent(dialog), owner);
    d.destroy(owner);
    EXPECT_EQ(d.windowCount(), 0u);
    EXPECT_EQ(d.foreground(), 0u);
}

TEST(FakeDesktop, CloseRequestsCloseOrAreIgnored) {
    FakeDesktop d;
    const WindowId obedient = d.addWindow({.title = "Pop-up"});
    const WindowId hung = d.addWindow({.title = "Hung", .onClose = CloseBehaviour::Ignore});
    EXPECT_TRUE(d.requestClose(obedient));
    EXPECT_FALSE(d.exists(obedient));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(d.requestClose(hung));
    EXPECT_TRUE(d.exists(hung));
    EXPECT_EQ(d.actionCount(SeamCall::RequestClose, hung), 3);
    d.setCloseBehaviour(hung, CloseBehaviour::Close);
    d.requestClose(hung);
    EXPECT_FALSE(d.exists(hung));
}

TEST(FakeDesktop, MinimizeAndRestoreKeepTheMaximizedState) {
    FakeDesktop d;
    const WindowId w = d.addWindow({.title = "Big", .state = FakeWindowState::Maximized});
    EXPECT_TRUE(d.isMaximized(w));
    d.minimize(w);
    EXPECT_TRUE(d.isMinimized(w));
    EXPECT_FALSE(d.isMaximized(w));
    d.restore(w);
    EXPECT_TRUE(d.isMaximized(w));
}

TEST(FakeDesktop, ActionsAreLoggedWithTheirArguments) {
    FakeDesktop d;
    const WindowId w = d.addWindow({.title = "Host", .rect = {10, 20, 110, 220}});
    d.moveTo(w, 50, 60);  // scripting is not logged
    EXPECT_EQ(*d.rect(w), (Rect{50, 60, 150, 260}));
    d.resizeTo(w, 30, 40);
    EXPECT_EQ(*d.rect(w), (Rect{50, 60, 80, 100}));
    EXPECT_TRUE(d.actions().empty());

    d.move(w, {1, 2, 3, 4});
    d.setTopmost(w, true);
    d.nudgeForegroundLock();
    ASSERT_EQ(d.actions().size(), 3u);
    EXPECT_EQ(d.actions()[0].call, SeamCall::Move);
    EXPECT_EQ(d.actions()[0].rect, (Rect{1, 2, 3, 4}));
    EXPECT_EQ(d.actions()[1].call, SeamCall::SetTopmost);
    EXPECT_TRUE(d.actions()[1].topmost);
    EXPECT_EQ(d.actions()[2].call, SeamCall::NudgeForegroundLock);
    EXPECT_EQ(*d.rect(w), (Rect{1, 2, 3, 4}));
}

TEST(FakeDesktop, TitlesStopAtANulAndCanBeLeftWhole) {
    FakeDesktop d;
    const std::string title = std::string(300, 'a');
    const WindowId w = d.addWindow({.title = title});
    const WindowId nul = d.addWindow({.title = std::string("before\0after", 12)});
    EXPECT_EQ(d.title(nul), "before");
    d.setTitleLimit(TitleLimit::Unlimited);
    EXPECT_EQ(d.title(w), title);
}

TEST(FakeDesktop, HooksRunBeforeTheCallIsAnsweredAndCallsAreCounted) {
    FakeDesktop d;
    const WindowId a = d.addWindow({.title = "A"});
    const WindowId b = d.addWindow({.title = "B"});
    WindowId seen = 0;
    d.onCall(SeamCall::Describe, [&](WindowId first) {
        seen = first;
        d.destroy(a);
    });
    const std::vector<WindowId> both{b, a};
    const auto info = d.describe(both, FieldTitle);
    EXPECT_EQ(seen, b);
    EXPECT_TRUE(info[0].exists);
    EXPECT_FALSE(info[1].exists);
    // A Once hook has gone.
    d.describe(b, FieldTitle);
    EXPECT_EQ(d.callCount(SeamCall::Describe), 2);
    ASSERT_EQ(d.describeCalls().size(), 2u);
    EXPECT_EQ(d.describeCalls()[0].windows, 2u);
    EXPECT_EQ(d.describeCalls()[0].fields, static_cast<std::uint32_t>(FieldTitle));

    int raises = 0;
    d.onCall(SeamCall::Raise, [&](WindowId) { ++raises; }, HookRepeat::Always);
    d.raise(b);
    d.raise(b);
    EXPECT_EQ(raises, 2);
    d.resetCallCounts();
    EXPECT_EQ(d.callCount(SeamCall::Raise), 0);
}

}  // namespace
