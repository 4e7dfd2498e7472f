// The fake desktop keeps the window-system contract, and what only it has: child walk
// order, visibility through ancestors, owned windows, windows that ignore a close.
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

TEST(FakeDesktop, ChildWalkVisibilityOwnedWindowsCloseBehaviourAndStates) {
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

    // Owned windows go with their owner; close requests close or are ignored as told; a
    // restore brings back the maximized state.
    const WindowId owner = d.addWindow({.title = "Main", .state = FakeWindowState::Maximized});
    const WindowId dialog = d.addWindow({.title = "Options", .kind = WindowKind::Dialog, .owner = owner});
    const WindowId hung = d.addWindow({.title = "Hung", .onClose = CloseBehaviour::Ignore});
    d.minimize(owner);
    EXPECT_TRUE(d.isMinimized(owner));
    EXPECT_FALSE(d.isMaximized(owner));
    d.restore(owner);
    EXPECT_TRUE(d.isMaximized(owner));
    // A state set by a test counts the same: maximized, then minimized, it restores maximized.
    d.setState(hung, FakeWindowState::Maximized);
    d.setState(hung, FakeWindowState::Minimized);
    d.restore(hung);
    EXPECT_TRUE(d.isMaximized(hung));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(d.requestClose(hung));
    EXPECT_TRUE(d.exists(hung));
    d.setCloseBehaviour(hung, CloseBehaviour::Close);
    d.requestClose(hung);
    EXPECT_FALSE(d.exists(hung));
    d.setForeground(dialog);
    EXPECT_EQ(d.parent(dialog), owner);
    d.destroy(owner);
    d.destroy(top);
    EXPECT_EQ(d.windowCount(), 0u);
    EXPECT_EQ(d.foreground(), 0u);
}

}  // namespace
