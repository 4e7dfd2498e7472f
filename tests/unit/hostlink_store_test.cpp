// The link table's order and limits, store names, and loading and saving host links
// against the in-memory store and a temporary SQLite file.
#include "AppNames.h"
#include "KivraError.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MemoryStore.h"
#include "SqliteStore.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kivra;
using kivra::test::FaultyStore;

namespace {

using Titles = std::vector<std::string>;

const std::string kMain(kMainApplicationName);

void putTitle(SettingsStore& s, const std::string& key, const std::string& value) {
    s.write(kMain, "HostLinks", key, value);
}

void putOption(SettingsStore& s, const std::string& title, const std::string& key, const std::string& value) {
    s.write(linkInstanceAppName(title), "LinkOptions", key, value);
}

std::string option(SettingsStore& s, const std::string& title, const std::string& key) {
    return s.read(linkInstanceAppName(title), "LinkOptions", key, "-1");
}

// The names stored settings are kept under; then the link table: its order, finding and the
// active count's floor (retitling, removing and duplicates are the pages' tests).
TEST(LinkTable, KeepsAlphabeticalOrderWithoutRegardToCase) {
    EXPECT_EQ(linkInstanceAppName("C:\\docs", 2, 3), "Kivra\\Kivra [Link] C:/docs\\Inst 2 of 3");
    LinkTable t;
    for (const char* title : {"beta", "Alpha", "gamma", "ALPHA", "Beta", "élan", "Zeta"})
        t.insert(HostLink{.title = title});
    // Equal ignoring case: byte order decides, so the order is total and repeatable.
    EXPECT_EQ(t.titles(), (Titles{"ALPHA", "Alpha", "Beta", "beta", "gamma", "Zeta", "élan"}));
    EXPECT_FALSE(t.findSimilar("Gammas").has_value());  // similar is equal ignoring case and blanks
    t.setActiveLinkCount(0);
    t.decrementActiveLinkCount();
    EXPECT_EQ(t.activeLinkCount(), 0);
}

// Gaps close and the count is the titles loaded; trailing blanks are dropped (the options are
// under the trimmed title), empty or absent titles skipped; missing options give the defaults,
// a method other than 1 or 2 is Fuzzy + Exclusion.
TEST(LoadHostLinks, StoredTitlesAndOptionsAndTheirReadRules) {
    MemoryStore s;
    putTitle(s, "HLinkCnt", "7");
    putTitle(s, "Link1", "One");
    putTitle(s, "Link2", "  Two   ");
    putTitle(s, "Link3", "");
    putTitle(s, "Link4", "-1");
    putTitle(s, "Link5", "Three");
    putTitle(s, "Link7", "Kept");
    const std::string options[][3] = {
        {"One", "MatchMethod", "3"},     {"One", "AutoExecOn", "2"},
        {"  Two", "MatchMethod", "7"},   {"  Two", "AutoExecOn", "0"},  // anything but 1 is off
        {"Three", "MatchMethod", "abc"}, {"Three", "AutoExecOn", "1"}};
    for (const auto& [title, key, value] : options) putOption(s, title, key, value);
    LinkTable t;
    LoadHostLinks(t, s);
    ASSERT_EQ(t.titles(), (Titles{"  Two", "Kept", "One", "Three"}));
    const HostLink& one = t.at(2);
    EXPECT_EQ(one.matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_FALSE(one.autoExec);
    EXPECT_FALSE(one.autoExecReady);  // off also clears ready
    EXPECT_EQ(t.at(0).matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_FALSE(t.at(0).autoExec);
    EXPECT_EQ(t.at(1), HostLink{.title = "Kept"});
    EXPECT_EQ(t.at(3).matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_TRUE(t.at(3).autoExecReady);
}

TEST(LoadHostLinks, StoreErrorStopsLoadingAndKeepsWhatWasLoaded) {
    MemoryStore inner;
    putTitle(inner, "HLinkCnt", "4");
    for (const char* k : {"Link1", "Link2", "Link3", "Link4"}) putTitle(inner, k, std::string("T") + k);
    FaultyStore s(inner);
    s.failReadOf = "Link3";
    LinkTable t;
    EXPECT_THROW(LoadHostLinks(t, s), KivraError);
    EXPECT_EQ(t.titles(), (Titles{"TLink1", "TLink2"}));
}

TEST(SaveHostLinks, RewritesTheSectionAndAllSevenOptions) {
    MemoryStore s;
    putTitle(s, "HLinkCnt", "5");
    putTitle(s, "Link5", "Old");
    LinkTable t;
    HostLink l{.title = "Mail", .winClass = "MailWnd", .matchMethod = MatchMethod::FuzzyExclusion,
               .exclusionText = "Inbox", .autoExec = false, .matchClass = true,
               .autoTerminate = false, .terminateHost = true};
    t.insert(l);
    t.insert(HostLink{.title = "Alpha"});
    SaveHostLinks(t, s);
    EXPECT_EQ(s.read(kMain, "HostLinks", "HLinkCnt", "-1"), "2");
    EXPECT_EQ(s.read(kMain, "HostLinks", "Link1", "-1"), "Alpha");  // renumbered in list order
    EXPECT_EQ(s.read(kMain, "HostLinks", "Link5", "-1"), "-1");  // old numbering gone
    EXPECT_EQ(option(s, "Mail", "MatchMethod"), "3");
    EXPECT_EQ(option(s, "Mail", "AutoExecOn"), "2");

    LinkTable back;  // the texts come back as they were
    LoadHostLinks(back, s);
    ASSERT_EQ(back.linkCount(), 2);
    l.autoExecReady = false;  // a link loaded with auto-execute off is not ready
    EXPECT_EQ(back.at(1), l);
}

TEST(SqliteLinks, FailedSaveLeavesTheStoredLinksAsTheyWere) {
    TempDir dir;
    auto store = std::make_unique<SqliteStore>(dir.path() / "settings.db");
    LinkTable before;
    before.insert(HostLink{.title = "Keep me"});
    before.insert(HostLink{.title = "And me"});
    SaveHostLinks(before, *store);

    LinkTable after;
    after.insert(HostLink{.title = "New one"});
    after.insert(HostLink{.title = "Another"});
    FaultyStore failing(*store);
    failing.failWriteOf = "Link2";
    EXPECT_THROW(SaveHostLinks(after, failing), KivraError);

    LinkTable back;
    LoadHostLinks(back, *store);
    EXPECT_EQ(back.titles(), (Titles{"And me", "Keep me"}));
}

}  // namespace
