// Start at login through the user's XDG autostart entry: the main program's path survives the
// entry's quoting, and the entry goes where the XDG rules put it.
#include "Autostart.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kivra {
namespace {

namespace fs = std::filesystem;

class AutostartTest : public ::testing::Test {
protected:
    AutostartTest() : home_(fs::temp_directory_path() / ("kivra-autostart-" + std::to_string(::getpid()))) {
        fs::remove_all(home_);
        fs::create_directories(home_);
        ::setenv("HOME", home_.c_str(), 1);
    }
    ~AutostartTest() override { fs::remove_all(home_); }
    fs::path home_;
};

TEST_F(AutostartTest, AwkwardProgramPathIsQuotedAndTheEntryValidates) {
    ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
    const fs::path entry = home_ / "config/autostart/org.kivra.Kivra.desktop";
    EXPECT_EQ(autostartLocation(), entry.string());
    EXPECT_FALSE(autostartEnabled());

    ASSERT_EQ(setAutostart(true, "/opt/my apps/a\"b$c\\d%e/kivra"), "");
    EXPECT_TRUE(autostartEnabled());
    std::ifstream in(entry);
    std::stringstream text;
    text << in.rdbuf();
    // Quoted for the Exec rules, each backslash then doubled again as a string value, % doubled.
    EXPECT_NE(text.str().find("\nExec=\"/opt/my apps/a\\\\\"b\\\\$c\\\\\\\\d%%e/kivra\"\n"), std::string::npos)
        << text.str();
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);

    ASSERT_EQ(setAutostart(false, ""), "");
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(setAutostart(false, ""), "");  // already off

    // A relative XDG_CONFIG_HOME falls back to the home folder.
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(autostartLocation(), (home_ / ".config/autostart/org.kivra.Kivra.desktop").string());
    ASSERT_EQ(setAutostart(true, "/usr/bin/kivra"), "");
    EXPECT_TRUE(autostartEnabled());
    // Switched off by the session's own settings: the entry stays but is not in effect.
    std::ofstream(autostartLocation(), std::ios::app) << "Hidden=true\n";
    EXPECT_FALSE(autostartEnabled());
}

}  // namespace
}  // namespace kivra
