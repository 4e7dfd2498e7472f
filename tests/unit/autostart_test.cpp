// Where things go: start at login through the user's XDG autostart entry (the main program's
// path survives the entry's quoting, and the entry goes where the XDG rules put it); where the
// programs find each other and their data, beside the program in the build tree, in
// libexec/kivra and share/kivra of an installed tree.
#include "Autostart.h"
#include "ProgramPlaces.h"
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

TEST(ProgramPlaces, BuildTreeKeepsEverythingBesideTheProgramAnInstalledTreeItsFolders) {
    TempDir tmp;
    const auto folder = [&](const std::string& relative) {
        fs::create_directories(tmp.path() / relative);
        return (tmp.path() / relative).string() + "/";
    };
    const auto putHelp = [&](const std::string& data) { test::writeFile(folder(data + "/help") + "index.html", "x"); };
    putHelp("build/bin");
    const std::string bin = folder("build/bin");
    EXPECT_EQ(programPlaces(bin).linkProgramFolder, bin);
    EXPECT_EQ(programPlaces(bin).dataFolder, bin);
    // An installed tree is found from either program.
    putHelp("usr/share/kivra");
    const std::string usrBin = folder("usr/bin"), libexec = folder("usr/libexec/kivra"), data = folder("usr/share/kivra");
    for (const std::string& from : {usrBin, libexec}) {
        SCOPED_TRACE(from);
        EXPECT_EQ(programPlaces(from).linkProgramFolder, libexec);
        EXPECT_EQ(programPlaces(from).dataFolder, data);
    }
    // No data anywhere: everything beside the program, as before.
    fs::remove_all(tmp.path() / "usr/share");
    EXPECT_EQ(programPlaces(usrBin).dataFolder, usrBin);
    EXPECT_EQ(programPlaces(usrBin).linkProgramFolder, usrBin);
}

}  // namespace
}  // namespace kivra
