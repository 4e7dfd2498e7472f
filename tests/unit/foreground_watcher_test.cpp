// The foreground watcher over the fake desktop: the commands each link window gets as the
// foreground moves; the settled pass over MDI children; the state it keeps between ticks.
#include "ForegroundWatcher.h"
#include "LinkTestDoubles.h"
#include "WindowEnumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using namespace kivra;
using namespace kivra::test;

namespace {

// Hosts Mail (two links) and News (one link); a dialog box known by its kind, one known by its
// class, a help viewer, a pop-up owned by News, a pop-up menu with an identifier, a hidden window.
struct Scene {
    Scene() {
        constexpr std::uint32_t popup = style::Popup | style::Visible;
        news = w.desktop.addWindow({.title = "News"});
        mail = w.desktop.addWindow({.title = "Mail"});
        dialog = w.desktop.addWindow({.title = "Open", .kind = WindowKind::Dialog});
        classed = w.desktop.addWindow({.title = "Save", .className = "#32770"});
        viewer = w.desktop.addWindow({.title = "Help", .kind = WindowKind::HelpViewer});
        owned = w.desktop.addWindow(
            {.title = "Find", .style = popup, .kind = WindowKind::Popup, .owner = news});
        menu = w.desktop.addWindow({.title = "Menu", .style = popup, .controlId = 7});
        hidden = w.desktop.addWindow({.title = "Hidden", .visible = false});
        w.addLink("Mail");
        w.addLink("Mail extra");
        w.addLink("News");
        linkA = w.makeActive("Mail", mail);
        linkB = w.makeActive("Mail extra", mail);
        linkC = w.makeActive("News", news);
        names = {{"mail", mail},     {"news", news},   {"dialog", dialog}, {"classed", classed},
                 {"viewer", viewer}, {"owned", owned}, {"menu", menu},     {"hidden", hidden},
                 {"linkA", linkA},   {"linkB", linkB}, {"linkC", linkC}};
    }

    ForegroundPass tick(MessageBoxState box = MessageBoxState::Closed, HostWalk walk = HostWalk::Running) {
        state.shadowHostList = walkWindows(w.desktop);  // as the auto-execute watcher keeps it
        return watcher.tick({box, walk});
    }
    Commands takeCommands() { return std::exchange(w.messenger.commands, {}); }
    std::vector<WindowId> raised() const {
        std::vector<WindowId> out;
        for (const FakeAction& a : w.desktop.actions())
            if (a.call == SeamCall::Raise) out.push_back(a.window);
        return out;
    }

    LinkWorld w;
    WatcherState state;
    ForegroundWatcher watcher{w.desktop, w.table, w.messenger, state, w.pause, kMainWindow};
    WindowId mail = 0, news = 0, dialog = 0, classed = 0, viewer = 0, owned = 0, menu = 0;
    WindowId hidden = 0, linkA = 0, linkB = 0, linkC = 0;
    std::map<std::string, WindowId> names;
};

class Foreground : public ::testing::Test, protected Scene {};

TEST(ForegroundMoves, SendEachLinkWindowItsCommand) {
    const struct {
        const char* name;
        std::vector<std::string> before;  // activated first, bottom to top
        std::string foreground;
        std::vector<std::pair<std::string, std::string>> commands;  // (window, code) in order
        std::vector<std::string> raised;                             // in order
        bool remembered;  // the foreground window becomes the last one handled
    } rows[] = {
        {"host", {}, "mail", {{"linkC", "0"}, {"linkA", "1"}, {"linkB", "1"}}, {"mail", "linkA", "linkB"}, true},
        {"link window itself",
         {},
         "linkB",
         {{"linkA", "0"}, {"linkC", "0"}, {"linkA", "1"}, {"linkB", "0"}, {"linkB", "2"}},
         {"linkB", "linkA", "linkB"},
         true},
        // The links of the top listed window (News) stay over a dialog box, a help viewer or an
        // owned pop-up; a pop-up with an identifier or an invisible window gets no command. None
        // is remembered, so this repeats on every tick while it stays in front.
        {"dialog box", {"news"}, "dialog", {{"linkC", "1"}}, {"linkC", "dialog"}, false},
        {"dialog box by class", {"news"}, "classed", {{"linkC", "1"}}, {"linkC", "classed"}, false},
        {"help viewer", {"news"}, "viewer", {{"linkC", "1"}}, {"linkC", "viewer"}, false},
        {"owned window", {"news"}, "owned", {{"linkC", "1"}}, {"linkC", "owned"}, false},
        {"pop-up menu", {"news"}, "menu", {}, {}, false},
        {"hidden window", {"news"}, "hidden", {}, {}, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scene s;
        for (const std::string& name : row.before) s.w.desktop.activate(s.names.at(name));
        s.w.desktop.activate(s.names.at(row.foreground));
        s.w.desktop.clearActions();
        s.takeCommands();
        EXPECT_EQ(s.tick(), ForegroundPass::Change);
        Commands expected;
        for (const auto& [window, code] : row.commands) expected.emplace_back(s.names.at(window), code);
        EXPECT_EQ(s.takeCommands(), expected);
        std::vector<WindowId> expectedRaised;
        for (const std::string& name : row.raised) expectedRaised.push_back(s.names.at(name));
        EXPECT_EQ(s.raised(), expectedRaised);
        EXPECT_EQ(s.w.pauses.size(), expectedRaised.size());  // a pause after every raise
        EXPECT_EQ(s.state.lastForeground == s.names.at(row.foreground), row.remembered);
    }
}

// A change pass, one settled pass, then nothing until the foreground moves or a new link of the
// host in front forces another change pass (an auto launch does too: the MDI test below).
TEST_F(Foreground, ChangeThenOneSettledPassThenNothingUntilTheForegroundMoves) {
    w.desktop.activate(mail);
    EXPECT_EQ(tick(), ForegroundPass::Change);
    EXPECT_EQ(tick(), ForegroundPass::Settled);
    takeCommands();
    EXPECT_EQ(tick(), ForegroundPass::Idle);
    EXPECT_TRUE(takeCommands().empty());
    // A link recorded after the change pass for its host ran is raised on the next tick.
    w.addLink("Mail third");
    const WindowId third = w.makeActive("Mail third", mail);
    EXPECT_EQ(tick(), ForegroundPass::Change);
    const Commands sent = takeCommands();
    EXPECT_NE(std::find(sent.begin(), sent.end(), std::make_pair(third, std::string("1"))), sent.end());
    EXPECT_EQ(tick(), ForegroundPass::Settled);
}

struct MdiScene : Scene {
    MdiScene() {
        frame = w.desktop.addWindow({.title = "Editor"});
        const WindowId client = w.desktop.addChild(frame, {.className = "MDIClient", .controlId = 1});
        doc1 = w.desktop.addChild(client, {.title = "Doc1", .controlId = 2});
        doc2 = w.desktop.addChild(client, {.title = "Doc2", .controlId = 3});
        w.addLink("Doc1");
        w.addLink("Doc2");
        link1 = w.makeActive("Doc1", doc1);
        link2 = w.makeActive("Doc2", doc2);
        w.desktop.bringToFront(frame);  // the frame is the top listed window
    }
    WindowId frame = 0, doc1 = 0, doc2 = 0, link1 = 0, link2 = 0;
};

class MdiForeground : public ::testing::Test, protected MdiScene {};

// The change pass does not send back the links of the frame's MDI children; the settled pass
// puts them on top, last child first; the first child's own link window in front gets "4". With
// a message box open, the host list not walked or the main window in front it sends nothing.
TEST_F(MdiForeground, TheSettledPassPutsTheChildrensLinksOnTop) {
    w.desktop.setForeground(frame);
    ASSERT_EQ(tick(), ForegroundPass::Change);
    EXPECT_EQ(takeCommands(), (Commands{{linkA, "0"}, {linkB, "0"}, {linkC, "0"}}));
    EXPECT_EQ(tick(), ForegroundPass::Settled);
    EXPECT_EQ(takeCommands(), (Commands{{link2, "3"}, {link1, "3"}}));
    w.desktop.setForeground(link1);
    ASSERT_EQ(tick(), ForegroundPass::Change);
    takeCommands();
    EXPECT_EQ(tick(), ForegroundPass::Settled);
    EXPECT_EQ(takeCommands(), (Commands{{link2, "3"}, {link1, "4"}}));
    // After an auto launch the settled pass also raises the top window's links (Editor matches
    // none), then the foreground window again, once.
    w.desktop.setForeground(frame);
    tick();
    state.autoLaunched = true;
    takeCommands();
    w.desktop.clearActions();
    EXPECT_EQ(tick(), ForegroundPass::Settled);
    EXPECT_EQ(takeCommands(), (Commands{{link2, "3"}, {link1, "3"}}));
    EXPECT_EQ(raised(), (std::vector<WindowId>{link2, link1, frame}));

    const WindowId main = w.desktop.addWindow({.title = "Main", .className = "QbaseRT5-kivra"});
    watcher.setMainWindow(main);
    const struct {
        WindowId front;
        MessageBoxState box;
        HostWalk walk;
    } skipped[] = {{frame, MessageBoxState::Open, HostWalk::Running},
                   {frame, MessageBoxState::Closed, HostWalk::Stopped},
                   {main, MessageBoxState::Closed, HostWalk::Running}};
    for (const auto& row : skipped) {
        SCOPED_TRACE(&row - skipped);
        w.desktop.setForeground(row.front);
        state.forceForegroundPass();
        ASSERT_EQ(tick(row.box, row.walk), ForegroundPass::Change);
        takeCommands();
        EXPECT_EQ(tick(row.box, row.walk), ForegroundPass::Settled);
        EXPECT_TRUE(takeCommands().empty());
        EXPECT_EQ(tick(), ForegroundPass::Idle);
    }
}

}  // namespace
