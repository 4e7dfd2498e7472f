// A fixture for tests of the main window on the private display, in the test
// process: one QApplication on xcb, MainForm over the real X11 backend and a
// SQLite file of the test's own that the real kivlink processes share, message
// boxes answered from a table, and the link windows found on the desktop.
#pragma once

#include "DesktopTest.h"
#include "HostLink.h"
#include "LinkManagement.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MessageState.h"
#include "ChildProcess.h"
#include "ProcTable.h"
#include "QtWait.h"
#include "ShowMessage.h"
#include "X11WindowPicker.h"

#include <QApplication>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace kivra::test {

inline std::string instanceName(const std::string& keySafeTitle) {
    return "Kivra\\Kivra [Link] " + keySafeTitle + "\\Inst 1 of 1";
}

// One QApplication on the xcb platform for the whole test program. Register it once
// per test program: ::testing::AddGlobalTestEnvironment(new QtXcbEnvironment).
class QtXcbEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The marker in our windows' class keeps them out of the host list, as in kivra.
        QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivra"));
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "x11_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

class MainFormDesktop : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (HasFatalFailure()) return;
        // kivlink inherits the environment: both programs use this test's file.
        ::setenv("KIVRA_SETTINGS", settings.path().c_str(), 1);
        messages() = MessageState{};
        setMessageResponder([this](MessageRequest& r) -> std::optional<int> {
            asked.push_back(r.content.kind);
            const auto it = answers.find(r.content.kind);
            return it == answers.end() ? MsgResultFirst : it->second;
        });
        store = openStore(settings.path()).store;
        store->write(kMain, "MainOptions", "StartupMsg", "0");  // no welcome box
    }

    // Links as the main program finds them at its first activation.
    void storeLinks(const std::vector<HostLink>& links) {
        LinkTable table;
        for (const HostLink& l : links) table.insert(l);
        SaveHostLinks(table, *store);
    }

    static HostLink linkFor(const std::string& title) {
        HostLink l;
        l.title = title;
        l.winClass = "TestHost";
        return l;
    }

    // Loads, shows and activates the main window: the watchers run from here on.
    void startForm() {
        MainEnvironment env;
        env.windows = ws.get();
        env.store = store;
        env.appDirectory = QString::fromStdString(programPath(""));
        picker = x11::X11WindowPicker::connect(nullptr);
        env.picker = picker;
        form = std::make_unique<MainForm>(std::move(env));
        form->load();
        form->show();
        ASSERT_TRUE(pumpUntil([&] { return form->firstActivationDone(); }));
    }

    void TearDown() override {
        if (form) {
            answers[MsgExitMain] = MsgResultFirst;
            form->close();
            form.reset();
        }
        pumpUntil([&] { return ownWindows().empty(); });
        setMessageResponder({});
        DesktopTest::TearDown();
        // Link programs end themselves with their hosts; collect them.
        EXPECT_TRUE(pumpUntil([&] { return runningLinks().empty(); })) << "a link program outlived its host";
        for (const ProcEntry& p : childrenNamed(::getpid(), "kivlink")) {
            ::kill(p.pid, SIGKILL);
            ::waitpid(p.pid, nullptr, 0);
        }
        store.reset();
        ::unsetenv("KIVRA_SETTINGS");
    }

    std::vector<WindowId> ownWindows() {
        std::vector<WindowId> out;
        for (WindowId w : probe->stackingTopFirst())
            if (ws->processOf(w) == static_cast<ProcessId>(::getpid())) out.push_back(w);
        return out;
    }

    // Link programs started by this process that have not exited.
    std::vector<ProcEntry> runningLinks() {
        std::vector<ProcEntry> out;
        for (const ProcEntry& p : childrenNamed(::getpid(), "kivlink"))
            if (p.state != 'Z') out.push_back(p);
        return out;
    }

    std::size_t linkProgramsStarted() { return childrenNamed(::getpid(), "kivlink").size(); }

    // Mapped (WM_STATE Normal) with its frame's corner on the host frame's corner.
    bool shownOnHost(WindowId linkWindow, WindowId hostWindow) {
        const auto state = probe->values32(linkWindow, "WM_STATE");
        if (state.empty() || state[0] != 1) return false;
        const auto l = probe->frameRect(linkWindow), h = probe->frameRect(hostWindow);
        return l && h && l->left == h->left && l->top == h->top;
    }

    // Position in _NET_CLIENT_LIST_STACKING, 0 at the top; -1 when not listed.
    int stackPosition(WindowId w) {
        const auto stack = probe->stackingTopFirst();
        for (std::size_t i = 0; i < stack.size(); ++i)
            if (stack[i] == w) return static_cast<int>(i);
        return -1;
    }
    bool above(WindowId upper, WindowId lower) {
        const int u = stackPosition(upper), l = stackPosition(lower);
        return u >= 0 && l >= 0 && u < l;
    }

    const HostLink* link(const std::string& title) {
        const auto index = form->links().find(title);
        return index ? &form->links().at(*index) : nullptr;
    }

    std::shared_ptr<SqliteStore> store;
    std::unique_ptr<MainForm> form;
    std::shared_ptr<WindowPicker> picker;  // the form's Pick
    std::map<int, int> answers;  // message kind -> result; Yes (6) when absent
    std::vector<int> asked;
};

}  // namespace kivra::test
