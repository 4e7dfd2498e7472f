// Picture selection rules: viewed files and "Pre&v.", "&Next" stepping, path texts,
// the file-type pattern, directory listing, mount table; option groups and pairs.
#include "DirectoryListing.h"
#include "FilePattern.h"
#include "KivraError.h"
#include "MountedVolumes.h"
#include "OptionGroups.h"
#include "OptionPairs.h"
#include "PictureFolder.h"
#include "PictureBoxLayout.h"
#include "PicturePaths.h"
#include "PictureStepping.h"
#include "Preferences.h"
#include "ViewedFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace kivra;
namespace fs = std::filesystem;

namespace {

std::string repeat(const std::string& unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

void touch(const TempDir& d, const std::string& name) { std::ofstream(d.path() / name).put('x'); }

}  // namespace

// --- viewed files ---------------------------------------------------------------

TEST(ViewedFiles, TheSixtyFifthFileDropsTheOldestAndPreviousCycles) {
    ViewedFiles v;
    for (int i = 1; i <= 65; ++i) v.add("/p/" + std::to_string(i) + ".gif", std::to_string(i) + ".gif");
    EXPECT_EQ(v.displayNames().back(), "2.gif");
    EXPECT_EQ(v.path(64), "");
    EXPECT_EQ(v.newest(5), (std::vector<std::string>{"/p/65.gif", "/p/64.gif", "/p/63.gif", "/p/62.gif", "/p/61.gif"}));
    // Restore skips empty entries; "Pre&v." cycles most recent first.
    v.restore({"/a/3.gif", "", "/a/2.gif"});
    v.add("/a/1.gif", "");  // no name from a list: the file name part serves
    EXPECT_EQ(v.displayNames(), (std::vector<std::string>{"1.gif", "3.gif", "2.gif"}));
    std::vector<std::string> shown;
    for (int i = 0; i < 4; ++i) shown.push_back(v.previous().value_or("?"));
    EXPECT_EQ(shown, (std::vector<std::string>{"/a/1.gif", "/a/3.gif", "/a/2.gif", "/a/1.gif"}));
}

// --- path texts -----------------------------------------------------------------

// Joins never double the separator. Confirmation texts: lines of forty characters; past 160 the
// head and tail are kept; characters, not bytes, are counted and a line never splits one.
TEST(PicturePaths, JoinsAndLinesOfFortyCharacters) {
    EXPECT_EQ(joinDirectoryFile("/", "a.gif"), "/a.gif");
    EXPECT_EQ(directoryPart("/a.gif"), "/");
    std::string path = "/";
    for (int i = 1; i < 160; ++i) path += static_cast<char>('a' + i % 26);
    EXPECT_EQ(formatPathForConfirmation(path), path.substr(0, 40) + "\r\n" + path.substr(40, 40) + "\r\n" +
                                                   path.substr(80, 40) + "\r\n" + path.substr(120));
    EXPECT_EQ(formatPathForConfirmation(path.substr(0, 40)), path.substr(0, 40));
    const std::string u40 = repeat("\xC3\xBC", 40);
    const std::string wide = "/" + repeat("\xC3\xBC", 160);  // 161 characters, 321 bytes
    EXPECT_EQ(formatPathForConfirmation(wide), "/" + repeat("\xC3\xBC", 2) + "...  " + repeat("\xC3\xBC", 32) +
                                                   "\r\n" + u40 + "\r\n" + u40 + "\r\n" + u40);
}

// --- file-type pattern ----------------------------------------------------------

TEST(FilePattern, MatchesByTheTable) {
    const char* pics = kDefaultPicFileTypes;
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } rows[] = {{pics, "SEA.GIF", true},                     {pics, "x.tif", false},
                {pics, "x.gif.txt", false},                  {"*.*", "README", true},
                {" *.png ; *.gif ", "a.PNG", true},          {"?.gif", "ab.gif", false},
                {"?.gif", "\xF0\x9F\x98\x80.gif", true}, {"a*b*c", "aXXbYY", false}};
    for (const auto& r : rows) EXPECT_EQ(FilePattern(r.pattern).matches(r.name), r.matches) << r.pattern << " / " << r.name;
}

// --- directory listing ----------------------------------------------------------

TEST(DirectoryListing, FilesMatchThePatternSubdirectoriesAreAllListedHiddenAreNot) {
    TempDir d;
    for (const char* f : {"b.GIF", "a.jpg", "c.txt", ".hidden.gif", "Z.bmp"}) touch(d, f);
    fs::create_directory(d.path() / "sub");
    fs::create_directory(d.path() / ".git");
    fs::create_directory(d.path() / "Album.gif");  // a directory is never a file, whatever its name
    fs::create_symlink(d.path() / "gone.gif", d.path() / "dangling.gif");
    const DirectoryListing l = listDirectory(d.path().string(), FilePattern(kDefaultPicFileTypes));
    EXPECT_EQ(l.files, (std::vector<std::string>{"a.jpg", "b.GIF", "dangling.gif", "Z.bmp"}));
    EXPECT_EQ(l.subdirectories, (std::vector<std::string>{"Album.gif", "sub"}));
    // Ancestors from the root down.
    EXPECT_EQ(directoryAncestors("/home/u/pics"), (std::vector<std::string>{"/", "/home", "/home/u", "/home/u/pics"}));
}

// --- drives ---------------------------------------------------------------------

TEST(MountedVolumes, PseudoFileSystemsAreLeftOut) {
    const char* table =
        "proc /proc proc rw 0 0\n"
        "overlay / overlay rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/sdb1 /media/My\\040Photos vfat rw 0 0\n"
        "/dev/sde1 /mnt/disk2024 ext4 rw 0 0\n"  // digits after a plain character are no escape
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda3 /home ext4 rw 0 0\n"
        "broken line\n";
    const auto v = volumesFromMountTable(table);
    std::vector<std::string> points;
    for (const auto& m : v) points.push_back(m.mountPoint);
    EXPECT_EQ(points,
              (std::vector<std::string>{"/", "/home", "/media/My Photos", "/mnt/disk2024"}));
    EXPECT_EQ(v[1].device, "/dev/sda3");  // mounted over: the last mount counts
    EXPECT_EQ(volumeIndexFor(v, "/media/My Photos/2024/x.gif"), 2);
    EXPECT_EQ(volumeIndexFor(v, "/homework/x.gif"), 0);
    EXPECT_EQ(volumeIndexFor(v, "/home"), 1);
    // This machine has a root.
    const auto here = readMountedVolumes();
    ASSERT_FALSE(here.empty());
    EXPECT_EQ(here.front().mountPoint, "/");
}

// --- option groups and pairs ----------------------------------------------------

// A pair: clicking the checked box checks the other. Alignment "Non&e" (3) checked and clicked
// again: it stays and nothing runs.
TEST(OptionGroup, Clicks) {
    EXPECT_EQ(clickOption(OptionGroupKind::Pair, 1, 1), (OptionClick{0, true}));
    EXPECT_EQ(clickOption(OptionGroupKind::KeepChecked, 3, 3), (OptionClick{3, false}));
}

// In a client of 400 by 300 a docked box spans its edge; with auto size off a box keeps its own
// 120 by 90.
TEST(PictureBox, DocksToItsEdgeWithItsFittedOrOwnSize) {
    const struct {
        PicAlign align;
        std::optional<BoxSize> fitted;
        BoxRect expected;
    } places[] = {{PicAlign::Top, BoxSize{200, 100}, {0, 0, 400, 100}},
                  {PicAlign::Right, BoxSize{200, 100}, {200, 0, 200, 300}},
                  {PicAlign::None, BoxSize{200, 100}, {0, 0, 200, 100}},
                  {PicAlign::Bottom, std::nullopt, {0, 210, 400, 90}}};
    for (const auto& c : places)
        EXPECT_EQ(placePictureBox(c.align, {400, 300}, {120, 90}, c.fitted), c.expected);
}

// The start-up boxes select one or neither.
TEST(OptionPairs, StartupBoxesSelectOneOrNeither) {
    struct Row { StartupBoxes before; StartupBox clicked; StartupBoxes after; StartupState state; };
    const Row rows[] = {
        {{true, false}, StartupBox::Max, {false, false}, StartupState::Normal},   // de-select: Normal
        {{true, false}, StartupBox::Min, {false, true}, StartupState::Minimized},  // only Min stays
        {{false, true}, StartupBox::Max, {true, false}, StartupState::Maximized},
    };
    for (const Row& r : rows) {
        const StartupBoxes after = clickStartup(r.before, r.clicked);
        EXPECT_EQ(after, r.after);
        EXPECT_EQ(startupStateOf(after), r.state);
        EXPECT_EQ(startupStateOf(startupBoxesFor(r.state)), r.state);  // stored state, boxes, same state
    }
}

// --- the picture folder ---------------------------------------------------------

TEST(PictureFolder, NextGoesOnAfterTheShownFileAndStartsOverInAnotherDirectory) {
    TempDir d;
    for (const char* f : {"a.gif", "b.gif", "c.gif"}) touch(d, f);
    fs::create_directory(d.path() / "other");
    touch(d, "other/x.gif");
    touch(d, "other/y.gif");
    PictureFolder folder;
    folder.open(d.path().string());
    folder.shown(folder.indexOf("b.gif"));
    EXPECT_EQ(folder.next(), 2);
    EXPECT_EQ(folder.next(), 0);
    folder.open((d.path() / "other").string());
    EXPECT_EQ(folder.next(), 0);
    EXPECT_THROW(folder.open((d.path() / "missing").string()), KivraError);
    EXPECT_EQ(folder.directory(), (d.path() / "other").string());  // a failed open keeps the directory
    EXPECT_EQ(folder.fileCount(), 2);
    // A directory that lost files starts over.
    EXPECT_EQ(nextFileStep(3, 3), (NextStep{0, 1}));
    EXPECT_EQ(nextFileStep(0, 0), std::nullopt);
}
