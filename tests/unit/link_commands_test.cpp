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
// made topmost, and only "1" takes the focus from the clicked link. The message box's hold on
// "0", "1" and "3" is the next test's.
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
        {"2", false, No, L{"topmost:yes", "icon:bright"}, Raised, Done},
        {"2", true, No, L{"clear-box-flag"}, Stays, Done},
        {"3", false, No, L{"topmost:yes", "icon:grey"}, Stays, Done},
        {"4", false, No, L{"topmost:yes", "icon:bright"}, Stays, Done},
        {"3", false, Yes, L{"icon:grey"}, Stays, Done},  // already on top: the handler does not run
        {"6", true, Yes, L{"save"}, Stays, Done},
        {"", false, Yes, L{"topmost:no", "icon:grey"}, Stays, Done},  // text is "0"; a leading number counts
        {" 4 please", false, No, L{"topmost:yes", "icon:bright"}, Stays, Done},
        {"7", false, Yes, L{}, Stays, Ignored},
        {"2.5", false, No, L{}, Stays, Ignored},
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
        EXPECT_EQ(x.desktop.actionCount(SeamCall::Move), 0);
    }
}

TEST_F(CommandsTest, TheBoxFlagHoldsBackEveryZeroOneAndThreeUntilATwoOrFourArrives) {
    window.boxOpen = true;
    for (const char* code : {"0", "1", "3", "0"}) EXPECT_EQ(send(code), Ignored) << code;
    EXPECT_EQ(send("4"), Done);
    EXPECT_EQ(window.log, (L{"clear-box-flag"}));
    EXPECT_EQ(send("0"), Done);
    EXPECT_EQ(window.onTop, No);
    // "2" leaves the host where it is on version 4.
    state.osVersion40 = OsVersion40::Yes;
    send("2");
    EXPECT_EQ(desktop.actionCount(SeamCall::Raise), 0);
    EXPECT_EQ(window.icon, LinkIcon::Bright);
}

// "5" puts a Normal link on the recorded host corner keeping its size, and does nothing otherwise.
TEST_F(CommandsTest, FivePutsANormalLinkOnTheRecordedHostCornerKeepingItsSize) {
    window.windowState = OwnWindowState::Minimized;
    EXPECT_EQ(send("5"), Ignored);
    EXPECT_TRUE(desktop.actions().empty());
    window.windowState = OwnWindowState::Normal;
    EXPECT_EQ(send("5"), Done);
    EXPECT_EQ(desktop.desc(own).rect, (Rect{180, 140, 414, 200}));
    EXPECT_EQ(desktop.desc(host).rect, (Rect{200, 150, 1000, 750}));
}

TEST_F(CommandsTest, RenameChangesTheNamesAndOnlyInLinkTitleModeTheCaptionOtherKindsAreIgnored) {
    window.mode = CaptionMode::Custom;
    EXPECT_EQ(commands.handle(ChannelKind::Rename, "Post\\Office  "), Done);
    EXPECT_EQ(state.names.linkTitle, "Post\\Office");
    EXPECT_EQ(state.names.instanceAppName, "Kivra\\Kivra [Link] Post/Office  \\Inst 2 of 3");
    EXPECT_EQ(window.applicationTitle, "Kivra [Link] Post/Office  ");
    EXPECT_EQ(window.caption, "unchanged");
    EXPECT_EQ(store.writeCount(), 0);
    window.mode = kLinkTitleCaption;
    commands.handle(ChannelKind::Rename, "Post Office  ");
    EXPECT_EQ(window.caption, "Post Office");
    window.mode = kHostTitleCaption;
    commands.handle(ChannelKind::Rename, "Letters");
    EXPECT_EQ(window.caption, "Post Office");
    // Kinds that are not the main program's to send are ignored.
    window.log.clear();
    for (auto kind : {ChannelKind::LinkReady, ChannelKind::CloseRequest, static_cast<ChannelKind>(0)})
        EXPECT_EQ(commands.handle(kind, "0"), Ignored);
    EXPECT_TRUE(window.log.empty());
    EXPECT_EQ(state.names.linkTitle, "Letters");
}

// The main program stores the options under the new name first and sends the reload after the
// rename: a tick between the two must already test with the new method.
TEST_F(CommandsTest, RenameAndReloadReadTheOptionsOfTheCurrentInstanceName) {
    const std::string app = "Kivra\\Kivra [Link] Mai\\Inst 2 of 3";
    store.write(app, "LinkOptions", "MatchMethod", "2");
    store.write(app, "LinkOptions", "ExclusionText", " Draft ");
    store.write(app, "LinkOptions", "MatchClass", "1");
    store.write(app, "LinkOptions", "WinClass", "MailWnd");
    store.write(app, "LinkOptions", "AutoTermOn", "2");
    store.write("Kivra\\Kivra [Link] Mail\\Inst 2 of 3", "LinkOptions", "MatchMethod", "3");  // the old name's
    commands.handle(ChannelKind::Rename, "Mai");
    const LinkMatchOptions& o = state.matchOptions;
    EXPECT_EQ(o.method, MatchMethod::Fuzzy);
    EXPECT_EQ(o.exclusionText, " Draft ");
    EXPECT_TRUE(o.matchClass);
    EXPECT_EQ(o.winClass, "MailWnd");
    EXPECT_FALSE(o.autoTerminate);

    // Options removed from the store read back as the link program's defaults.
    store.deleteSection(app, "LinkOptions");
    EXPECT_EQ(commands.handle(ChannelKind::ReloadMatchOptions, "ignored payload"), Done);
    EXPECT_EQ(o.method, MatchMethod::Exact);
    EXPECT_TRUE(o.autoTerminate);
    EXPECT_FALSE(o.matchClass);
    // A reload that fails is reported and keeps the options.
    test::FaultyStore failing(store);
    failing.failReadOf = "*";
    LinkCommands withFailingStore{desktop, window, state, failing};
    state.matchOptions.method = MatchMethod::Fuzzy;
    withFailingStore.handle(ChannelKind::ReloadMatchOptions, "");
    EXPECT_EQ(window.reportedErrors, (std::vector<int>{errnum::DeviceIO}));
    EXPECT_EQ(o.method, MatchMethod::Fuzzy);
}

}  // namespace
