// The runtime folder rule: one checked folder for the lock and the channel, a private fallback
// when the preferred place is unsafe, and a notice saying what was wrong; the single-instance
// lock kept there, and the session's notes.
#include "posix/DisplayTag.h"
#include "LinkChannel.h"
#include "RuntimeFolder.h"
#include "SessionNotes.h"
#include "SingleInstance.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kivra;
using kivra::test::inChild;

namespace {

constexpr uid_t kNobody = 65534;

class RuntimeFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TMPDIR", tmp_.c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR");
        setenv("DISPLAY", ":91", 1);
    }
    void TearDown() override { unsetenv("TMPDIR"); }  // the next test's folder is made before SetUp

    void expectFallback(const std::string& why) {
        const RuntimeFolder f = runtimeFolder();
        EXPECT_EQ(f.path, base_ + ".1");
        EXPECT_NE(f.notice.find(why), std::string::npos) << f.notice;
        struct stat st{};
        ASSERT_EQ(lstat(f.path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, getuid());
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }

    TempDir dir_;
    std::string tmp_ = dir_.path().string(), base_ = tmp_ + "/kivra-" + std::to_string(getuid());
};

TEST_F(RuntimeFolderTest, APlainStartUsesThePreferredPlaceAndSaysNothing) {
    const RuntimeFolder f = runtimeFolder();
    EXPECT_EQ(f.path, base_);
    EXPECT_TRUE(f.notice.empty()) << f.notice;
    struct stat st{};
    ASSERT_EQ(lstat(base_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string xdg = tmp_ + "/xdg";
    ASSERT_EQ(mkdir(xdg.c_str(), 0700), 0);
    setenv("XDG_RUNTIME_DIR", xdg.c_str(), 1);
    EXPECT_EQ(runtimeFolder().path, xdg + "/kivra");
}

TEST_F(RuntimeFolderTest, ASymlinkInItsPlaceMakesAPrivateFallback) {
    ASSERT_EQ(mkdir((tmp_ + "/elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink((tmp_ + "/elsewhere").c_str(), base_.c_str()), 0);
    expectFallback("is a symbolic link");
}

// Another user's folder: the lock and the channel both move to the same fallback, and the
// lock still keeps a second instance out.
TEST_F(RuntimeFolderTest, AnotherUsersFolderLeavesTheLockAndTheChannelTogetherInTheFallback) {
    if (getuid() != 0) GTEST_SKIP() << "making a folder of another user's needs root (the CI runs as root)";
    ASSERT_EQ(mkdir(base_.c_str(), 0700), 0);
    ASSERT_EQ(chown(base_.c_str(), kNobody, kNobody), 0);
    expectFallback("belongs to another user");
    auto lock = acquireSingleInstance("kivra");
    ASSERT_TRUE(lock);
    EXPECT_EQ(inChild([] { return acquireSingleInstance("kivra") ? 0 : 1; }), 1);
    EXPECT_EQ(channelAddress(0x1e00004, FolderMode::Create).rfind(base_ + ".1/", 0), 0u);
}

// The lock is held while its owner lives, per display, and a killed holder leaves nothing stuck.
TEST_F(RuntimeFolderTest, ASecondInstanceIsRefusedWhileTheFirstHoldsTheLockAndNotAfterItIsKilled) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        auto lock = acquireSingleInstance("kivra");
        (void)!write(ready[1], lock ? "y" : "n", 1);
        pause();
        _exit(0);
    }
    char c = 0;
    const bool held = read(ready[0], &c, 1) == 1 && c == 'y';
    const bool refused = !acquireSingleInstance("kivra");
    const int otherDisplay =
        inChild([] { setenv("DISPLAY", ":92", 1); return acquireSingleInstance("kivra") ? 0 : 1; });
    kill(holder, SIGKILL);  // before any check, so that a failure leaves no holder behind
    waitpid(holder, nullptr, 0);
    ASSERT_TRUE(held);
    EXPECT_TRUE(refused);
    EXPECT_EQ(otherDisplay, 0);
    EXPECT_TRUE(acquireSingleInstance("kivra"));
}

// The lock and the channel folder are named after the display: one name per display, and
// never a name that leads out of the runtime folder.
TEST_F(RuntimeFolderTest, TheDisplayTagNamesOneDisplayOneWayAndStaysAFileName) {
    const std::pair<const char*, const char*> rows[] = {
        {":0.1", ":0"}, {"unix:0.0", ":0"}, {"a/b c:1", "a_b_c:1"}, {"..", "_"}};
    for (const auto& [display, tag] : rows) {
        setenv("DISPLAY", display, 1);
        EXPECT_EQ(displayTag(), tag) << display;
    }
}

// One report per cause for a session's processes together; a new session starts afresh.
TEST_F(RuntimeFolderTest, ACauseIsToldOncePerSessionAcrossProcesses) {
    startSession();
    EXPECT_TRUE(firstTimeThisSession("store error 70"));
    EXPECT_EQ(inChild([] { return firstTimeThisSession("store error 70") ? 1 : 0; }), 0);
    EXPECT_EQ(inChild([] { return firstTimeThisSession("store error 321") ? 1 : 0; }), 1);
    EXPECT_FALSE(firstTimeThisSession("store error 321"));
    startSession();
    EXPECT_TRUE(firstTimeThisSession("store error 70"));
}

}  // namespace
