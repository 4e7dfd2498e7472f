// The main program's messages to a link window: the command codes, rename, reload, unknown kinds.
#include "FakeDesktop.h"
#include "LinkCommands.h"
#include "MemoryStore.h"
#include "RecordingOwnWindow.h"
#include "UnitSupport.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

struct Link : LinkOnDesktop {
    Link() : LinkOnDesktop("Mail", {200, 150, 1000, 750}, {500, 400, 734, 460}, 2, 3) {
        state.recordedHostRect = {180, 140, 980, 740};  // the tick's last accepted rectangle
    }
    MemoryStore store;
    LinkCommands commands{desktop, window, state, store};

    CommandResult send(std::string_view code) { return commands.handle(ChannelKind::Command, code); }
};

class CommandsTest : public ::testing::Test, protected Link {};

using L = std::vector<std::string>;
const AlwaysOnTop Yes = AlwaysOnTop::Yes;
const AlwaysOnTop No = AlwaysOnTop::No;
const CommandResult Done = CommandResult::Done;
const CommandResult Ignored = CommandResult::Ignored;
enum Host { Stays, Raised, Focused };  // what a code does to the host: "1" gives it the focus back

// What the window sees, in order, for each code; the host comes up before the link window is
// made topmost, and only "1" takes the focus from the clicked link. While a message box is open
// "0", "1" and "3" are held back until a "2" or "4" clears the box's flag.
TEST(Codes, ActAsTheTableSays) {
    const struct {
        const char* code;
        bool boxOpen;
        AlwaysOnTop before;
        std::vector<std::string> log;
        Host host;
        CommandResult result;
    } rows[] = {
        {"0", false, Yes, L{"topmost:no", "icon:grey"}, Stays, Done},
        {"1", false, No, L{"topmost:yes", "icon:grey"}, Focused, Done},
        {"1", true, No, L{}, Stays, Ignored},
        {"2", false, No, L{"topmost:yes", "icon:bright"}, Raised, Done},
        {"2", true, No, L{"clear-box-flag"}, Stays, Done},
        {"3", false, No, L{"topmost:yes", "icon:grey"}, Stays, Done},
        {"4", true, No, L{"clear-box-flag"}, Stays, Done},
        {"6", true, Yes, L{"save"}, Stays, Done},
        {" 4 please", false, No, L{"topmost:yes", "icon:bright"}, Stays, Done},  // its leading number
        {"7", false, Yes, L{}, Stays, Ignored},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(std::string(c.code) + (c.boxOpen ? " box open" : ""));
        Link x;
        x.window.boxOpen = c.boxOpen;
        x.window.onTop = c.before;
        x.desktop.setForeground(x.own);
        EXPECT_EQ(x.send(c.code), c.result);
        EXPECT_EQ(x.window.log, c.log);
        EXPECT_EQ(x.desktop.actionCount(SeamCall::Raise, x.host), c.host == Stays ? 0 : 1);
        if (c.host != Stays) { EXPECT_EQ(x.desktop.actions().front().call, SeamCall::Raise); }
        EXPECT_EQ(x.desktop.foreground(), c.host == Focused ? x.host : x.own);
    }
}

// "5" puts a Normal link on the recorded host corner keeping its size, and does nothing otherwise.
TEST_F(CommandsTest, FivePutsANormalLinkOnTheRecordedHostCornerKeepingItsSize) {
    window.windowState = OwnWindowState::Minimized;
    EXPECT_EQ(send("5"), Ignored);
    EXPECT_TRUE(desktop.actions().empty());
    window.windowState = OwnWindowState::Normal;
    EXPECT_EQ(send("5"), Done);
    EXPECT_EQ(desktop.desc(own).rect, (Rect{180, 140, 414, 200}));
}

TEST_F(CommandsTest, RenameChangesTheNamesAndOnlyInLinkTitleModeTheCaptionOtherKindsAreIgnored) {
    window.mode = CaptionMode::Custom;
    EXPECT_EQ(commands.handle(ChannelKind::Rename, "Post\\Office  "), Done);
    EXPECT_EQ(state.names.linkTitle, "Post\\Office");
    EXPECT_EQ(state.names.instanceAppName, "Kivra\\Kivra [Link] Post/Office  \\Inst 2 of 3");
    EXPECT_EQ(window.caption, "unchanged");
    window.mode = kLinkTitleCaption;
    commands.handle(ChannelKind::Rename, "Post Office  ");
    EXPECT_EQ(window.caption, "Post Office");
    // Kinds that are not the main program's to send are ignored.
    for (auto kind : {ChannelKind::LinkReady, ChannelKind::CloseRequest, static_cast<ChannelKind>(0)})
        EXPECT_EQ(commands.handle(kind, "0"), Ignored);
    EXPECT_EQ(state.names.linkTitle, "Post Office");
}

// The main program stores the options under the new name first and sends the reload after the
// rename: a tick between the two must already test with the new method.
TEST_F(CommandsTest, RenameAndReloadReadTheOptionsOfTheCurrentInstanceName) {
    const std::string app = "Kivra\\Kivra [Link] Mai\\Inst 2 of 3";
    store.write(app, "LinkOptions", "MatchMethod", "2");
    store.write(app, "LinkOptions", "ExclusionText", " Draft ");
    store.write(app, "LinkOptions", "MatchClass", "1");
    store.write(app, "LinkOptions", "AutoTermOn", "2");
    store.write("Kivra\\Kivra [Link] Mail\\Inst 2 of 3", "LinkOptions", "MatchMethod", "3");  // the old name's
    commands.handle(ChannelKind::Rename, "Mai");
    const LinkMatchOptions& o = state.matchOptions;
    EXPECT_EQ(o.method, MatchMethod::Fuzzy);
    EXPECT_EQ(o.exclusionText, " Draft ");
    EXPECT_TRUE(o.matchClass);
    EXPECT_FALSE(o.autoTerminate);
    // A reload that fails is reported and keeps the options.
    test::FaultyStore failing(store);
    failing.failReadOf = "*";
    LinkCommands withFailingStore{desktop, window, state, failing};
    withFailingStore.handle(ChannelKind::ReloadMatchOptions, "");
    EXPECT_EQ(window.reportedErrors, (std::vector<int>{errnum::DeviceIO}));
    EXPECT_EQ(o.method, MatchMethod::Fuzzy);
}

}  // namespace
