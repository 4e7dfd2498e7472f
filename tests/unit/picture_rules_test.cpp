// Picture selection rules: viewed files and "Pre&v.", "&Next" stepping, path texts,
// the file-type pattern, directory listing failures, mount table and option groups.
#include "DirectoryListing.h"
#include "FilePattern.h"
#include "KivraError.h"
#include "MountedVolumes.h"
#include "OptionGroups.h"
#include "PictureBoxLayout.h"
#include "PictureFolder.h"
#include "PicturePaths.h"
#include "PictureStepping.h"
#include "Preferences.h"
#include "ViewedFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <unistd.h>

using namespace kivra;
namespace fs = std::filesystem;

namespace {

std::string repeat(const std::string& unit, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
}

std::vector<std::string> split(const std::string& text, const std::string& sep) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (true) {
        const auto cut = text.find(sep, at);
        out.push_back(text.substr(at, cut == std::string::npos ? std::string::npos : cut - at));
        if (cut == std::string::npos) return out;
        at = cut + sep.size();
    }
}

// A scratch directory removed afterwards.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string t = (fs::temp_directory_path() / "kivra-pictures-XXXXXX").string();
        path = mkdtemp(t.data());
        fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path / "locked", fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
    void touch(const std::string& name) const {
        const int fd = ::creat((path / name).c_str(), 0644);
        if (fd >= 0) ::close(fd);
    }
};

// The superuser reads everything; for a permission test the process acts as
// "nobody" until the guard ends.
struct ActAsNobody {
    bool switched = false;
    ActAsNobody() { switched = geteuid() == 0 && seteuid(65534) == 0; }
    ~ActAsNobody() {
        if (switched && seteuid(0) != 0) std::abort();
    }
};

int listingError(const std::string& dir) {
    try {
        listDirectory(dir, FilePattern(kDefaultPicFileTypes));
    } catch (const KivraError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

// --- viewed files ---------------------------------------------------------------

TEST(ViewedFiles, TheSixtyFifthFileDropsTheOldest) {
    ViewedFiles v;
    for (int i = 1; i <= 65; ++i) v.add("/p/" + std::to_string(i) + ".gif", std::to_string(i) + ".gif");
    EXPECT_EQ(v.count(), 64);
    EXPECT_EQ(v.displayNames().front(), "65.gif");
    EXPECT_EQ(v.displayNames().back(), "2.gif");
    EXPECT_EQ(v.path(0), "/p/65.gif");
    EXPECT_EQ(v.path(63), "/p/2.gif");
    EXPECT_EQ(v.path(64), "");
    EXPECT_EQ(v.newest(5), (std::vector<std::string>{"/p/65.gif", "/p/64.gif", "/p/63.gif", "/p/62.gif", "/p/61.gif"}));
}

TEST(ViewedFiles, PreviousCyclesMostRecentFirstAndWraps) {
    ViewedFiles v;
    v.restore({"/a/3.gif", "/a/2.gif", "/a/1.gif"});
    EXPECT_EQ(v.displayNames(), (std::vector<std::string>{"3.gif", "2.gif", "1.gif"}));
    std::vector<std::string> shown;
    for (int i = 0; i < 7; ++i) shown.push_back(v.previous().value_or("?"));
    EXPECT_EQ(shown, (std::vector<std::string>{"/a/3.gif", "/a/2.gif", "/a/1.gif", "/a/3.gif", "/a/2.gif", "/a/1.gif",
                                               "/a/3.gif"}));
}

TEST(ViewedFiles, PreviousKeepsItsPlaceWhenFilesAreAddedAndSkipsNothingOnAnEmptyList) {
    ViewedFiles v;
    EXPECT_EQ(v.previous(), std::nullopt);
    v.add("/a/1.gif", "1.gif");
    v.add("/a/2.gif", "2.gif");
    EXPECT_EQ(v.previous(), "/a/2.gif");
    v.add("/a/3.gif", "3.gif");  // the list grows under the cursor, which stays at 1
    EXPECT_EQ(v.previous(), "/a/2.gif");
    EXPECT_EQ(v.previous(), "/a/1.gif");
    EXPECT_EQ(v.previous(), "/a/3.gif");
}

TEST(ViewedFiles, RestoreSkipsEmptyEntriesAndAddIgnoresAnEmptyPath) {
    ViewedFiles v;
    v.restore({"/x/one.bmp", "", "/x/two.bmp"});
    EXPECT_EQ(v.count(), 2);
    EXPECT_EQ(v.path(1), "/x/two.bmp");
    v.add("", "nothing");
    EXPECT_EQ(v.count(), 2);
    v.add("/y/three.jpg", "");  // no name from a list: the file name part serves
    EXPECT_EQ(v.displayNames().front(), "three.jpg");
}

// --- "&Next" --------------------------------------------------------------------

TEST(PictureStepping, NextShowsTheLastFileThenWrapsToTheFirst) {
    EXPECT_EQ(nextFileStep(2, 3), (NextStep{2, 0}));
    EXPECT_EQ(nextFileStep(0, 3), (NextStep{0, 1}));
    EXPECT_EQ(nextFileStep(0, 1), (NextStep{0, 0}));
    EXPECT_EQ(nextFileStep(5, 3), (NextStep{0, 1}));  // the directory lost files
    EXPECT_EQ(nextFileStep(0, 0), std::nullopt);
    // After "&Show" of file 1 of 3, "&Next" goes on with file 2, then wraps.
    int index = indexAfterShown(1, 3);
    auto step = nextFileStep(index, 3);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->show, 2);
    EXPECT_EQ(nextFileStep(step->following, 3)->show, 0);
}

// --- path texts -----------------------------------------------------------------

TEST(PicturePaths, JoinNeverDoublesTheSeparator) {
    EXPECT_EQ(joinDirectoryFile("/", "a.gif"), "/a.gif");
    EXPECT_EQ(joinDirectoryFile("/media/usb/", "a.gif"), "/media/usb/a.gif");
    EXPECT_EQ(joinDirectoryFile("/home/u", "a.gif"), "/home/u/a.gif");
    EXPECT_EQ(fileNamePart("/home/u/a.gif"), "a.gif");
    EXPECT_EQ(fileNamePart("plain.gif"), "plain.gif");
    EXPECT_EQ(directoryPart("/home/u/a.gif"), "/home/u");
    EXPECT_EQ(directoryPart("/a.gif"), "/");
}

struct FormatCase {
    int length;
    std::vector<std::size_t> lineLengths;
};

class PathFormatting : public testing::TestWithParam<FormatCase> {};

TEST_P(PathFormatting, LinesOfFortyCharacters) {
    const FormatCase c = GetParam();
    std::string path = "/";
    for (int i = 1; i < c.length; ++i) path += static_cast<char>('a' + i % 26);
    if (c.length == 0) path.clear();
    const std::vector<std::string> lines = split(formatPathForConfirmation(path), "\r\n");
    std::vector<std::size_t> lengths;
    for (const auto& l : lines) lengths.push_back(l.size());
    if (c.length == 0) lengths = {};
    EXPECT_EQ(lengths, c.lineLengths);
    if (c.length <= 160) {
        std::string joined;
        for (const auto& l : lines) joined += l;
        EXPECT_EQ(joined, path);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, PathFormatting,
                         testing::Values(FormatCase{0, {}}, FormatCase{1, {1}}, FormatCase{40, {40}},
                                         FormatCase{41, {40, 1}}, FormatCase{80, {40, 40}},
                                         FormatCase{81, {40, 40, 1}}, FormatCase{120, {40, 40, 40}},
                                         FormatCase{121, {40, 40, 40, 1}}, FormatCase{160, {40, 40, 40, 40}},
                                         FormatCase{161, {40, 40, 40, 40}}, FormatCase{400, {40, 40, 40, 40}}));

TEST(PicturePaths, A161CharacterPathKeepsItsHeadAndTail) {
    std::string path = "/ab";
    for (int i = 0; i < 158; ++i) path += static_cast<char>('0' + i % 10);
    ASSERT_EQ(path.size(), 161u);
    const std::string expected = path.substr(0, 3) + "...  " + path.substr(161 - 152);
    const std::vector<std::string> lines = split(formatPathForConfirmation(path), "\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0] + lines[1] + lines[2] + lines[3], expected);
    EXPECT_EQ(lines[0].substr(0, 8), "/ab...  ");
}

TEST(PicturePaths, CharactersNotBytesAreCounted) {
    // 161 two-byte characters: shortened by characters, lines never split a character.
    const std::string path = "/" + repeat("\xC3\xBC", 160);
    const std::vector<std::string> lines = split(formatPathForConfirmation(path), "\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "/" + repeat("\xC3\xBC", 2) + "...  " + repeat("\xC3\xBC", 32));
    EXPECT_EQ(lines[3], repeat("\xC3\xBC", 40));
}

// --- file-type pattern ----------------------------------------------------------

struct PatternCase {
    const char* pattern;
    const char* name;
    bool matches;
};

class Pattern : public testing::TestWithParam<PatternCase> {};

TEST_P(Pattern, Matches) {
    const PatternCase c = GetParam();
    EXPECT_EQ(FilePattern(c.pattern).matches(c.name), c.matches) << c.pattern << " / " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Pattern,
    testing::Values(PatternCase{kDefaultPicFileTypes, "sea.gif", true}, PatternCase{kDefaultPicFileTypes, "SEA.GIF", true},
                    PatternCase{kDefaultPicFileTypes, "photo.Jpeg", true}, PatternCase{kDefaultPicFileTypes, "x.emf", true},
                    PatternCase{kDefaultPicFileTypes, "x.png", true}, PatternCase{kDefaultPicFileTypes, "gif", false},
                    PatternCase{kDefaultPicFileTypes, "x.gif.txt", false},
                    PatternCase{kDefaultPicFileTypes, "x.jpg.gif", true}, PatternCase{"*.*", "README", true},
                    PatternCase{"", "anything", true}, PatternCase{" *.png ; *.gif ", "a.PNG", true},
                    PatternCase{"?.gif", "a.gif", true}, PatternCase{"?.gif", "ab.gif", false},
                    PatternCase{"?.gif", "\xC3\xBC.gif", true}, PatternCase{"a*b*c", "aXXbYYc", true},
                    PatternCase{"a*b*c", "aXXbYY", false}, PatternCase{";;", "x", true}));

// --- directory listing ----------------------------------------------------------

TEST(DirectoryListing, FilesMatchThePatternSubdirectoriesAreAllListedHiddenAreNot) {
    TempDir d;
    for (const char* f : {"b.GIF", "a.jpg", "c.txt", ".hidden.gif", "Z.bmp"}) d.touch(f);
    fs::create_directory(d.path / "sub");
    fs::create_directory(d.path / ".git");
    fs::create_directory(d.path / "Album.gif");  // a directory is never a file, whatever its name
    fs::create_symlink(d.path / "gone.gif", d.path / "dangling.gif");
    const DirectoryListing l = listDirectory(d.path.string(), FilePattern(kDefaultPicFileTypes));
    EXPECT_EQ(l.files, (std::vector<std::string>{"a.jpg", "b.GIF", "dangling.gif", "Z.bmp"}));
    EXPECT_EQ(l.subdirectories, (std::vector<std::string>{"Album.gif", "sub"}));
}

TEST(DirectoryListing, FailuresCarryTheirErrorNumbers) {
    TempDir d;
    d.touch("file.gif");
    EXPECT_EQ(listingError((d.path / "missing").string()), errnum::PathNotFound);
    EXPECT_EQ(listingError((d.path / "file.gif").string()), errnum::PathNotFound);
    fs::create_directory(d.path / "locked");
    fs::permissions(d.path / "locked", fs::perms::none);
    ActAsNobody nobody;
    EXPECT_EQ(listingError((d.path / "locked").string()), errnum::PermissionDenied);
}

TEST(DirectoryListing, TenThousandFilesListInWellUnderASecond) {
    TempDir d;
    for (int i = 0; i < 10000; ++i) d.touch("picture" + std::to_string(i) + (i % 2 ? ".gif" : ".txt"));
    const auto start = std::chrono::steady_clock::now();
    const DirectoryListing l = listDirectory(d.path.string(), FilePattern(kDefaultPicFileTypes));
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(l.files.size(), 5000u);
    EXPECT_LT(ms, 1000.0);
    std::printf("listing 10000 entries (5000 shown): %.1f ms\n", ms);
}

TEST(DirectoryListing, AncestorsFromTheRootDown) {
    EXPECT_EQ(directoryAncestors("/home/u/pics"), (std::vector<std::string>{"/", "/home", "/home/u", "/home/u/pics"}));
    EXPECT_EQ(directoryAncestors("/"), (std::vector<std::string>{"/"}));
    EXPECT_EQ(directoryAncestors("/a//b/"), (std::vector<std::string>{"/", "/a", "/a/b"}));
    EXPECT_TRUE(directoryAncestors("relative").empty());
}

// --- drives ---------------------------------------------------------------------

TEST(MountedVolumes, PseudoFileSystemsAreLeftOut) {
    const char* table =
        "proc /proc proc rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "overlay / overlay rw 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/sdb1 /media/My\\040Photos vfat rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda3 /home ext4 rw 0 0\n"
        "broken line\n";
    const auto v = volumesFromMountTable(table);
    std::vector<std::string> points;
    for (const auto& m : v) points.push_back(m.mountPoint);
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/home", "/media/My Photos", "/tmp"}));
    EXPECT_EQ(v[1].device, "/dev/sda3");  // mounted over: the last mount counts
    EXPECT_EQ(volumeIndexFor(v, "/media/My Photos/2024/x.gif"), 2);
    EXPECT_EQ(volumeIndexFor(v, "/homework/x.gif"), 0);
    EXPECT_EQ(volumeIndexFor(v, "/home"), 1);
    EXPECT_EQ(volumeIndexFor(v, "relative"), -1);
}

TEST(MountedVolumes, ThisMachineHasARoot) {
    const auto v = readMountedVolumes();
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.front().mountPoint, "/");
}

// --- option groups --------------------------------------------------------------

struct ClickCase {
    OptionGroupKind kind;
    int checked, clicked;
    OptionClick expected;
};

class OptionGroup : public testing::TestWithParam<ClickCase> {};

TEST_P(OptionGroup, Click) {
    const ClickCase c = GetParam();
    EXPECT_EQ(clickOption(c.kind, c.checked, c.clicked), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionGroup,
    testing::Values(
        // Auto size "&On" checked, "&On" clicked again: "O&ff" is chosen and applied.
        ClickCase{OptionGroupKind::Pair, 0, 0, {1, true}}, ClickCase{OptionGroupKind::Pair, 1, 1, {0, true}},
        ClickCase{OptionGroupKind::Pair, 0, 1, {1, true}},
        // Alignment "Non&e" (3) checked and clicked again: it stays and nothing runs.
        ClickCase{OptionGroupKind::KeepChecked, 3, 3, {3, false}},
        ClickCase{OptionGroupKind::KeepChecked, 1, 3, {3, true}},
        ClickCase{OptionGroupKind::KeepChecked, -1, 0, {0, true}}));

// --- picture box placement ------------------------------------------------------

struct PlaceCase {
    PicAlign align;
    std::optional<BoxSize> fitted;
    BoxRect expected;
};

class BoxPlacement : public testing::TestWithParam<PlaceCase> {};

TEST_P(BoxPlacement, InAClientOf400By300) {
    const PlaceCase c = GetParam();
    EXPECT_EQ(placePictureBox(c.align, {400, 300}, {120, 90}, c.fitted), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BoxPlacement,
    testing::Values(PlaceCase{PicAlign::Top, BoxSize{200, 100}, {0, 0, 400, 100}},
                    PlaceCase{PicAlign::Right, BoxSize{200, 100}, {200, 0, 200, 300}},
                    PlaceCase{PicAlign::Bottom, BoxSize{200, 100}, {0, 200, 400, 100}},
                    PlaceCase{PicAlign::None, BoxSize{200, 100}, {0, 0, 200, 100}},
                    // Auto size off: the box keeps its own size across the docked edge.
                    PlaceCase{PicAlign::Top, std::nullopt, {0, 0, 400, 90}},
                    PlaceCase{PicAlign::Right, std::nullopt, {280, 0, 120, 300}},
                    PlaceCase{PicAlign::Bottom, std::nullopt, {0, 210, 400, 90}},
                    PlaceCase{PicAlign::None, std::nullopt, {0, 0, 120, 90}}));

// --- the picture folder ---------------------------------------------------------

TEST(PictureFolder, NextGoesOnAfterTheShownFileAndStartsOverInAnotherDirectory) {
    TempDir d;
    for (const char* f : {"a.gif", "b.gif", "c.gif"}) d.touch(f);
    fs::create_directory(d.path / "other");
    d.touch("other/x.gif");
    d.touch("other/y.gif");
    PictureFolder folder;
    folder.open(d.path.string());
    folder.shown(folder.indexOf("b.gif"));
    EXPECT_EQ(folder.next(), 2);
    EXPECT_EQ(folder.next(), 0);
    EXPECT_EQ(folder.pathOf(0), (d.path / "a.gif").string());
    folder.open((d.path / "other").string());
    EXPECT_EQ(folder.next(), 0);
    EXPECT_THROW(folder.open((d.path / "missing").string()), KivraError);
    EXPECT_EQ(folder.directory(), (d.path / "other").string());  // a failed open keeps the directory
    EXPECT_EQ(folder.fileCount(), 2);
    folder.setPattern("x.*");
    EXPECT_EQ(folder.fileCount(), 1);
}
