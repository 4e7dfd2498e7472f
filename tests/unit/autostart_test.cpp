// Where things go: start at login through the user's XDG autostart entry (the main program's
// path survives the entry's quoting, and the entry goes where the XDG rules put it); where the
// programs of an installed tree find each other and their data, in libexec/kivra and share/kivra.
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

    ASSERT_EQ(setAutostart(true, "/opt/my apps/a\"b$c\\d%e/kivra"), "");
    EXPECT_TRUE(autostartEnabled());
    // Quoted for the Exec rules, each backslash then doubled again as a string value, % doubled.
    const std::string text = test::fileContents(entry);
    EXPECT_NE(text.find("\nExec=\"/opt/my apps/a\\\\\"b\\\\$c\\\\\\\\d%%e/kivra\"\n"), std::string::npos) << text;
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry.string() + "'").c_str()), 0);

    // Switched off by the session's own settings: the entry stays but is not in effect.
    std::ofstream(entry, std::ios::app) << "Hidden=true\n";
    EXPECT_FALSE(autostartEnabled());
    ASSERT_EQ(setAutostart(false, ""), "");
    EXPECT_FALSE(fs::exists(entry));
}

TEST(ProgramPlaces, AnInstalledTreeIsFoundFromEitherProgram) {
    TempDir tmp;
    const auto folder = [&](const std::string& relative) {
        fs::create_directories(tmp.path() / relative);
        return (tmp.path() / relative).string() + "/";
    };
    // The build tree (beside the program) is what every test of the real programs runs from.
    test::writeFile(folder("usr/share/kivra/help") + "index.html", "x");
    const std::string usrBin = folder("usr/bin"), libexec = folder("usr/libexec/kivra"), data = folder("usr/share/kivra");
    for (const std::string& from : {usrBin, libexec}) {
        SCOPED_TRACE(from);
        EXPECT_EQ(programPlaces(from).linkProgramFolder, libexec);
        EXPECT_EQ(programPlaces(from).dataFolder, data);
    }
}

}  // namespace
}  // namespace kivra
