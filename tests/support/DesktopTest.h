// GoogleTest fixture for tests on the private display: a backend connection, a testhost,
// an independent probe, a settings file of the test's own, and a desktop left empty for the
// next test.
#pragma once

#include "StoreFile.h"
#include "TempSettings.h"
#include "TestHost.h"
#include "WaitUntil.h"
#include "X11WindowSystem.h"
#include "XProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivra::test {

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ws = x11::X11WindowSystem::connect(nullptr, &error);
        ASSERT_TRUE(ws) << error;
        probe = std::make_unique<XProbe>();
        host = std::make_unique<TestHost>();
    }

    void TearDown() override {
        host.reset();
        if (probe) {
            EXPECT_TRUE(waitUntil([&] { return probe->stackingTopFirst().empty(); }))
                << "windows of this test are still on the desktop";
        }
    }

    static constexpr const char* kMain = "Kivra\\Kivra [ Main ]";

    // The top-level windows of a process, topmost first; only those titled `title` when given.
    std::vector<WindowId> windowsOf(ProcessId pid, const std::optional<std::string>& title = {}) {
        std::vector<WindowId> out;
        for (WindowId w : probe->stackingTopFirst())
            if (ws->processOf(w) == pid && (!title || ws->title(w) == *title)) out.push_back(w);
        return out;
    }
    // The first of them once there is one; 0 after the deadline.
    WindowId waitForWindow(ProcessId pid, const std::optional<std::string>& title = {}) {
        std::vector<WindowId> found;
        waitUntil([&] { return !(found = windowsOf(pid, title)).empty(); });
        return found.empty() ? 0 : found.front();
    }
    // A value in the test's settings file; "-1" when absent.
    std::string stored(const std::string& app, const std::string& section, const std::string& key) {
        return openStore(settings.path()).store->read(app, section, key, "-1");
    }

    TempSettings settings;
    std::unique_ptr<x11::X11WindowSystem> ws;
    std::unique_ptr<XProbe> probe;
    std::unique_ptr<TestHost> host;
};

}  // namespace kivra::test
