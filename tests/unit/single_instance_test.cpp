// The single-instance lock: held while its owner lives, free after any exit.
#include "SingleInstance.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace kivra;
using kivra::test::inChild;

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
        setenv("DISPLAY", ":42", 1);
    }
    TempDir dir_;
};

TEST_F(SingleInstanceTest, ASecondProcessIsRefusedWhileTheFirstHoldsItAndNotAfterItIsKilled) {
    auto first = acquireSingleInstance("kivra");
    ASSERT_TRUE(first);
    EXPECT_EQ(inChild([] { return acquireSingleInstance("kivra") ? 0 : 1; }), 1);
    // Another display, or another program, is independent.
    EXPECT_EQ(inChild([] { setenv("DISPLAY", ":43", 1); return acquireSingleInstance("kivra") ? 0 : 1; }), 0);
    EXPECT_EQ(inChild([] { return acquireSingleInstance("kivlink") ? 0 : 1; }), 0);
    // The same display written differently is the same display.
    EXPECT_EQ(inChild([] { setenv("DISPLAY", "localhost:42.0", 1); return acquireSingleInstance("kivra") ? 0 : 1; }), 1);
    first.reset();
    EXPECT_EQ(inChild([] { return acquireSingleInstance("kivra") ? 0 : 1; }), 0);
    // A killed holder leaves nothing stuck.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        auto lock = acquireSingleInstance("kivra");
        char c = lock ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FALSE(acquireSingleInstance("kivra"));
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(acquireSingleInstance("kivra"));
}

}  // namespace
