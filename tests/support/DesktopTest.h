// GoogleTest fixture for tests on the private display: a backend connection, a testhost,
// an independent probe, and a desktop left empty for the next test.
#pragma once

#include "TestHost.h"
#include "WaitUntil.h"
#include "X11WindowSystem.h"
#include "XProbe.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

    std::unique_ptr<x11::X11WindowSystem> ws;
    std::unique_ptr<XProbe> probe;
    std::unique_ptr<TestHost> host;
};

}  // namespace kivra::test
