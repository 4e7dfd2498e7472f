// Start at login through the user's XDG autostart entry: the main program's path survives the
// entry's quoting, and the entry goes where the XDG rules put it.
#include "Autostart.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kivra {
namespace {

namespace fs = std::filesystem;

TEST(Autostart, AwkwardProgramPathIsQuotedAndTheEntryValidates) {
    TempDir tmp;
    const fs::path home = tmp.path();
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    const fs::path entry = home / "config/autostart/org.kivra.Kivra.desktop";
    EXPECT_EQ(autostartLocation(), entry.string());
    EXPECT_FALSE(autostartEnabled());

    ASSERT_EQ(setAutostart(true, "/opt/my apps/a\"b$c\\d%e/kivra"), "");
    EXPECT_TRUE(autostartEnabled());
    // Quoted for the Exec rules, each backslash then doubled again as a string value, % doubled.
    const std::string text = test::fileContents(entry);
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/a\\\\\"b\\\\$c\\\\\\\\d%%e/kivra\"\n"), std::string::npos) << text;
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);

    ASSERT_EQ(setAutostart(false, ""), "");
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(setAutostart(false, ""), "");  // already off

    // A relative XDG_CONFIG_HOME falls back to the home folder.
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(autostartLocation(), (home / ".config/autostart/org.kivra.Kivra.desktop").string());
    ASSERT_EQ(setAutostart(true, "/usr/bin/kivra"), "");
    EXPECT_TRUE(autostartEnabled());
    // Switched off by the session's own settings: the entry stays but is not in effect.
    std::ofstream(autostartLocation(), std::ios::app) << "Hidden=true\n";
    EXPECT_FALSE(autostartEnabled());
}

}  // namespace
}  // namespace kivra
