// A link's start and end between two processes on Windows. This process is the main program:
// its real link logic (activation, the start through the process launcher, identification by
// the ready report, commands over the channel, deactivation, the check of active links) with
// a main window that listens on the channel. link_standin.exe is the link program, with its
// real command line parsing, command handler and tracking tick over user32; windowhost.exe
// owns the host window.
#include "LinkProtocolSupport.h"
#include "RectPrinter.h"
#include "TestScopes.h"
#include "Win32Handles.h"
#include "Win32Test.h"
#include "Win32WindowSystem.h"
#include "WindowHost.h"

#include "AppNames.h"
#include "LinkActivation.h"
#include "LinkDeactivation.h"
#include "LinkMessenger.h"
#include "LinkStarts.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "RegistryStore.h"
#include "ResourceCheck.h"
#include "StatusList.h"

#include <gtest/gtest.h>


using namespace kivra;
using namespace kivra::wintest;
using namespace std::chrono_literals;
using win32::toWindowId;
using Clock = std::chrono::steady_clock;

namespace {

// The host's title: letters of two, three and four UTF-8 bytes, runs of blanks, double quotes
// and backslashes, one of them last; everything the quoting of the command line and the C
// runtime's splitting of it could change. 34 characters.
const std::string kHostTitle = "Gr\xC3\xBC\xC3\x9F" "e aus \xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x94  \"Kivra\" "
                               "\xF0\x9F\x98\x80 C:\\Temp\\";
const std::string kKeySafeTitle = "Gr\xC3\xBC\xC3\x9F" "e aus \xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x94  \"Kivra\" "
                                  "\xF0\x9F\x98\x80 C:/Temp/";
// "Kivra [Link] " and the first 27 characters of the key-safe title.
const std::string kApplicationTitle = "Kivra [Link] Gr\xC3\xBC\xC3\x9F" "e aus \xE6\x97\xA5\xE6\x9C\xAC "
                                      "\xE2\x80\x94  \"Kivra\" \xF0\x9F\x98\x80 C";
// A part of the host's title: under Fuzzy the renamed link still matches its host.
const std::string kRenamedTitle = "aus \xE6\x97\xA5\xE6\x9C\xAC";

constexpr RECT kHostFrame{200, 150, 600, 450};
constexpr wchar_t kStandin[] = L"link_standin.exe";

Rect shifted(const Rect& r, int dx, int dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }


std::string windowTitle(WindowId window) {
    wchar_t text[512] = {};
    GetWindowTextW(win32::toHwnd(window), text, 512);
    return narrow(text);
}

bool topmost(WindowId window) {
    return (GetWindowLongPtrW(win32::toHwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

std::optional<MemoryStatus> plentyOfMemory() {
    return MemoryStatus{.totalPhys = 8192ull << 20, .availPhys = 4096ull << 20};
}

// What the link logs as it reads a title from its command line or a rename.
LinkNames expectedNames(const std::string& linkTitle, const std::string& keySafeTitle,
                        const std::string& applicationTitle) {
    return LinkNames{linkTitle, keySafeTitle, linkInstanceAppName(linkTitle), applicationTitle};
}

LinkMatchOptions optionsOf(const HostLink& link) {
    return LinkMatchOptions{link.matchMethod, link.exclusionText, link.matchClass, link.winClass, link.autoTerminate};
}

class Win32LinkProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hostProcess_.started());
        host_ = toWindowId(hostProcess_.window(kHostTitle));
        ASSERT_NE(host_, 0u);
        // Kivra's own windows are never taken for hosts.
        windows_.markOwnWindow(main_.id());
        std::string error;
        receiver_ = ChannelReceiver::listen(
            main_.id(), [this](const ChannelMessage& m) { return onMessage(m); }, &error);
        ASSERT_TRUE(receiver_) << error;

        // The link as the main program keeps it, its options in the store where the link
        // program looks for them (an exclusion text tells them from the defaults).
        link_.title = kHostTitle;
        link_.exclusionText = "nie";
        table_.insert(link_);
        WriteLinkOptions(link_, store_);
    }

    struct Ready {
        std::string answer;
        Clock::time_point at;
    };

    // The main window's channel handler, as the main program's.
    std::string onMessage(const ChannelMessage& m) {
        if (m.kind != ChannelKind::LinkReady) return {};
        std::string answer = starts_.handleLinkReady(m);
        ready_.push_back({answer, Clock::now()});
        return answer;
    }

    HostLink& record() { return table_.at(*table_.find(link_.title)); }

    // The link window and process the stand-in logged; zeros when it logged none.
    std::pair<WindowId, ProcessId> loggedWindow() const {
        unsigned long long window = 0, pid = 0;
        if (const auto line = log_.last("window ")) std::sscanf(line->c_str(), "window %llu %llu", &window, &pid);
        return {window, pid};
    }

    // Waits for the one ready report, pumping messages so that it reaches the receiver.
    bool awaitReady() {
        return waitUntil([&] { return !ready_.empty(); }, 10s) && log_.last("window ").has_value();
    }

    bool awaitExit(ProcessId pid) {
        return waitUntil([&] { return !launcher_.alive(pid); }, 3s);
    }

    TempFolder folder_;
    ScratchRegistryKey key_;
    ScopedEnvironment storeVariable_{"KIVRA_SETTINGS_KEY", key_.path()};
    StandinLog log_{folder_.path() / "standin.log"};
    ScopedEnvironment logVariable_{kStandinLogVariable, log_.file().string()};
    RegistryStore store_{key_.path()};
    win32::Win32WindowSystem windows_;
    TestWindow main_{"Kivra", "KivraProtocolMain"};
    WindowHost hostProcess_{{HostWindowSpec{"KivraProtocolHost", kHostTitle, kHostFrame}}};
    WindowId host_ = 0;

    HostLink link_;
    LinkTable table_;
    RecordingMessages messages_;
    RecordingLauncher launcher_{programDir() / kStandin};
    ResourceCheck resources_{messages_, plentyOfMemory};
    LinkStarts starts_{windows_, table_, launcher_, resources_, main_.id()};
    LinkActivation activation_{windows_, table_, starts_, messages_, noPause()};
    ChannelLinkMessenger messenger_{windows_};
    LinkDeactivation deactivation_{windows_, table_, messenger_, starts_, messages_, noPause()};
    std::vector<Ready> ready_;
    std::unique_ptr<ChannelReceiver> receiver_;
};

TEST_F(Win32LinkProtocol, ALinkStartsReportsTakesCommandsFollowsItsHostAndEndsOnDeactivate) {
    // Activ., and Activ. again while the link program is still starting.
    ASSERT_EQ(activation_.activate(statusLine(record()), MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::Started);
    EXPECT_EQ(activation_.activate(statusLine(record()), MainWindowState::Normal, ActivationMode::Activate),
              ActivationOutcome::AlreadyActive);
    EXPECT_EQ(starts_.start(host_, kHostTitle, Clock::now()), StartOutcome::AlreadyStarting);
    ASSERT_EQ(launcher_.started().size(), 1u);
    const ProcessId pid = launcher_.started().front();

    // Identified by its own report, recorded with its window, process and host.
    ASSERT_TRUE(awaitReady()) << log_.text();
    ASSERT_EQ(ready_.size(), 1u);
    EXPECT_EQ(ready_.front().answer, "1");
    const auto [linkWindow, loggedPid] = loggedWindow();
    EXPECT_EQ(loggedPid, pid);
    EXPECT_TRUE(record().active);
    EXPECT_EQ(record().linkWindow, linkWindow);
    EXPECT_EQ(record().hostWindow, host_);
    EXPECT_EQ(table_.activeLinkCount(), 1);
    EXPECT_EQ(starts_.pendingCount(), 0);
    EXPECT_EQ(windows_.processOf(linkWindow), pid);
    EXPECT_EQ(runningChildren(kStandin), 1);
    EXPECT_EQ(messages_.shown, std::vector<MessageKind>{MessageKind::AlreadyActive});

    // The command line arrived byte for byte, and the link read each field and its names
    // from it, its options from the store under the name it derived.
    EXPECT_TRUE(log_.has(argsLine(std::to_string(host_) + "\t1\t1\t" + std::to_string(main_.id()) + "\t34\t" +
                                  kHostTitle)))
        << log_.text();
    EXPECT_EQ(log_.last("line "), "line " + std::to_string(host_) + " 1 1 " + std::to_string(main_.id()) + " 34");
    EXPECT_EQ(log_.last("names "), namesLine(expectedNames(kHostTitle, kKeySafeTitle, kApplicationTitle)));
    EXPECT_EQ(windowTitle(linkWindow), "Kivra [Link] " + kHostTitle);

    // Commands, in order, each handled before its send returns.
    ASSERT_TRUE(messenger_.sendCommand(linkWindow, "0"));
    EXPECT_FALSE(topmost(linkWindow));
    HostLink renamed = link_;  // the main program writes the options under the new name first
    renamed.title = kRenamedTitle;
    renamed.matchMethod = MatchMethod::Fuzzy;
    renamed.exclusionText.clear();
    WriteLinkOptions(renamed, store_);
    table_.retitle(*table_.find(link_.title), kRenamedTitle);
    link_.title = kRenamedTitle;
    ASSERT_TRUE(messenger_.sendRename(linkWindow, kRenamedTitle));
    EXPECT_EQ(windowTitle(linkWindow), "Kivra [Link] " + kRenamedTitle);
    HostLink edited = renamed;
    edited.matchMethod = MatchMethod::FuzzyExclusion;
    edited.exclusionText = "\xC3\x84rger";
    WriteLinkOptions(edited, store_);
    ASSERT_TRUE(messenger_.sendReload(linkWindow));
    ASSERT_TRUE(messenger_.sendCommand(linkWindow, "3"));
    EXPECT_TRUE(topmost(linkWindow));
    EXPECT_EQ(log_.linesStarting("got "),
              (std::vector<std::string>{receivedLine(ChannelKind::Command, "0"),
                                        receivedLine(ChannelKind::Rename, kRenamedTitle),
                                        receivedLine(ChannelKind::ReloadMatchOptions, "1"),
                                        receivedLine(ChannelKind::Command, "3")}));
    EXPECT_EQ(log_.last("names "),
              namesLine(expectedNames(kRenamedTitle, kRenamedTitle, "Kivra [Link] " + kRenamedTitle)));
    EXPECT_EQ(log_.linesStarting("options "),
              (std::vector<std::string>{optionsLine(optionsOf(link_)), optionsLine(optionsOf(renamed)),
                                        optionsLine(optionsOf(edited))}));

    // The host dragged twice: the link window keeps its offset.
    const Rect linkStart = windows_.rect(linkWindow).value_or(Rect{});
    const Rect hostStart = windows_.rect(host_).value_or(Rect{});
    const HWND host = win32::toHwnd(host_);
    int dx = 0, dy = 0;
    for (const auto& [stepX, stepY] : {std::pair{37, 23}, std::pair{-60, -41}}) {
        dx += stepX;
        dy += stepY;
        ASSERT_TRUE(MoveWindow(host, hostStart.left + dx, hostStart.top + dy, hostStart.width(), hostStart.height(),
                               TRUE));
        EXPECT_TRUE(waitUntil([&] { return windows_.rect(linkWindow) == shifted(linkStart, dx, dy); }, 2s))
            << "link at " << testing::PrintToString(windows_.rect(linkWindow).value_or(Rect{})) << "\n"
            << log_.text();
    }

    // Deact.: the auto-execute link asks first, then one close request over the channel.
    EXPECT_EQ(deactivation_.deactivate(statusLine(record())), DeactivateOutcome::Ended);
    EXPECT_EQ(log_.linesStarting("got 101"), std::vector<std::string>{receivedLine(ChannelKind::CloseRequest, "")});
    EXPECT_TRUE(log_.has("unload"));
    ASSERT_TRUE(awaitExit(pid)) << log_.text();
    EXPECT_EQ(log_.lines().back(), "exit 0");
    deactivation_.checkActiveLinks();
    EXPECT_FALSE(record().active);
    EXPECT_FALSE(record().autoExec);
    EXPECT_EQ(table_.activeLinkCount(), 0);
    starts_.poll(Clock::now());
    EXPECT_EQ(starts_.pendingCount(), 0);
    EXPECT_EQ(runningChildren(kStandin), 0);
    EXPECT_EQ(launcher_.started().size(), 1u);
    EXPECT_EQ(messages_.shown, (std::vector<MessageKind>{MessageKind::AlreadyActive, MessageKind::ConfirmDeactivate}));
    EXPECT_EQ(log_.linesStarting("tick host-"), std::vector<std::string>{}) << "the host never left";
}

TEST_F(Win32LinkProtocol, ALinkEndsByItselfWhenItsHostCloses) {
    ASSERT_EQ(starts_.start(host_, kHostTitle, Clock::now()), StartOutcome::Started);
    const ProcessId pid = launcher_.started().front();
    ASSERT_TRUE(awaitReady()) << log_.text();
    ASSERT_EQ(ready_.front().answer, "1");
    ASSERT_TRUE(record().active);

    ASSERT_TRUE(windows_.requestClose(host_));
    ASSERT_TRUE(awaitExit(pid)) << log_.text();
    EXPECT_TRUE(log_.has("tick host-gone")) << log_.text();
    EXPECT_TRUE(log_.has("unload"));
    EXPECT_EQ(log_.lines().back(), "exit 0");
    EXPECT_EQ(log_.linesStarting("got "), std::vector<std::string>{}) << "nobody asked it to close";

    deactivation_.checkActiveLinks();
    EXPECT_FALSE(record().active);
    EXPECT_TRUE(record().autoExecReady);
    EXPECT_EQ(table_.activeLinkCount(), 0);
    EXPECT_EQ(runningChildren(kStandin), 0);
    EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
