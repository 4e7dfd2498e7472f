// Where the programs find each other and their data: beside the program in the build tree,
// in libexec/kivra and share/kivra of an installed tree (the default install folders).
#include "ProgramPlaces.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kivra {
namespace {

namespace fs = std::filesystem;

class ProgramPlacesTest : public ::testing::Test {
protected:
    std::string folder(const std::string& relative) {
        fs::create_directories(root_ / relative);
        return (root_ / relative).string() + "/";
    }
    void putHelp(const std::string& dataFolder) { std::ofstream(folder(dataFolder + "/help") + "index.html") << "x"; }
    TempDir tmp_;
    fs::path root_ = tmp_.path();
};

TEST_F(ProgramPlacesTest, BuildTreeKeepsEverythingBesideTheProgramAnInstalledTreeItsFolders) {
    putHelp("build/bin");
    const std::string bin = folder("build/bin");
    const ProgramPlaces places = programPlaces(bin);
    EXPECT_EQ(places.linkProgramFolder, bin);
    EXPECT_EQ(places.dataFolder, bin);
    // An installed tree is found from either program.
    putHelp("usr/share/kivra");
    const std::string usrBin = folder("usr/bin"), libexec = folder("usr/libexec/kivra"), data = folder("usr/share/kivra");
    const ProgramPlaces fromMain = programPlaces(usrBin);
    EXPECT_EQ(fromMain.linkProgramFolder, libexec);
    EXPECT_EQ(fromMain.dataFolder, data);
    const ProgramPlaces fromLink = programPlaces(libexec);
    EXPECT_EQ(fromLink.linkProgramFolder, libexec);
    EXPECT_EQ(fromLink.dataFolder, data);

    // No data anywhere: everything beside the program, as before.
    fs::remove_all(root_ / "usr/share");
    EXPECT_EQ(programPlaces(usrBin).dataFolder, usrBin);
    EXPECT_EQ(programPlaces(usrBin).linkProgramFolder, usrBin);
}

}  // namespace
}  // namespace kivra
