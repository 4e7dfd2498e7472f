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

HostLink titled(std::string title) {
    HostLink l;
    l.title = std::move(title);
    return l;
}

// The names stored settings are kept under; then the link table: its order, finding, retitling,
// removing, and the active count's limits.
TEST(LinkTable, KeepsAlphabeticalOrderWithoutRegardToCase) {
    EXPECT_EQ(kMainApplicationName, "Kivra\\Kivra [ Main ]");
    EXPECT_EQ(linkInstanceAppName("C:\\docs", 2, 3), "Kivra\\Kivra [Link] C:/docs\\Inst 2 of 3");
    LinkTable t;
    for (const char* title : {"beta", "Alpha", "gamma", "ALPHA", "Beta", "élan", "Zeta"}) t.insert(titled(title));
    // Equal ignoring case: byte order decides, so the order is total and repeatable.
    EXPECT_EQ(t.titles(), (Titles{"ALPHA", "Alpha", "Beta", "beta", "gamma", "Zeta", "élan"}));
    EXPECT_EQ(t.insertionIndex("alpha"), 2);
    EXPECT_EQ(t.insertionIndex("b"), 2);
    EXPECT_EQ(t.linkCount(), 7);
    // Find is exact; findSimilar ignores case and surrounding blanks.
    t.insert(titled(" Mail "));
    EXPECT_EQ(t.find("Beta"), 3);
    EXPECT_FALSE(t.find("BETA").has_value());
    EXPECT_EQ(t.findSimilar("  GAMMA "), 5);
    EXPECT_EQ(t.findSimilar("mail"), 0);
    EXPECT_FALSE(t.findSimilar("Gammas").has_value());
    t.at(0).matchMethod = MatchMethod::Fuzzy;
    EXPECT_EQ(t.retitle(0, "Omega"), 5);
    EXPECT_EQ(t.at(5).matchMethod, MatchMethod::Fuzzy);
    t.removeAt(1);
    t.removeAt(8);  // ignored
    EXPECT_EQ(t.titles(), (Titles{"ALPHA", "Beta", "beta", "gamma", "Omega", "Zeta", "élan"}));
    t.setActiveLinkCount(32765);
    t.incrementActiveLinkCount();
    t.incrementActiveLinkCount();
    EXPECT_EQ(t.activeLinkCount(), 32766);
    t.setActiveLinkCount(0);
    t.decrementActiveLinkCount();
    EXPECT_EQ(t.activeLinkCount(), 0);
}

// Gaps close and the count is the titles loaded; trailing blanks are dropped (the options are
// under the trimmed title), empty or absent titles skipped; missing options give the defaults.
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
        {"One", "WinClass", "Notepad"}, {"One", "MatchMethod", "3"},    {"One", "ExclusionText", "Inbox"},
        {"One", "AutoExecOn", "2"},     {"One", "MatchClass", "1"},     {"One", "AutoTermOn", "2"},
        {"One", "TermHost", "1"},       {"  Two", "MatchMethod", "7"},  // any other value: Fuzzy + Exclusion
        {"  Two", "AutoExecOn", "0"},   {"  Two", "AutoTermOn", "1"},   // anything but 1 is off
        {"Three", "MatchMethod", "abc"}, {"Three", "AutoExecOn", "1"}};
    for (const auto& [title, key, value] : options) putOption(s, title, key, value);
    LinkTable t;
    LoadHostLinks(t, s);
    ASSERT_EQ(t.titles(), (Titles{"  Two", "Kept", "One", "Three"}));
    EXPECT_EQ(t.linkCount(), 4);
    const HostLink& one = t.at(2);
    EXPECT_EQ(one.winClass, "Notepad");
    EXPECT_EQ(one.matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_EQ(one.exclusionText, "Inbox");
    EXPECT_FALSE(one.autoExec);
    EXPECT_FALSE(one.autoExecReady);  // off also clears ready
    EXPECT_TRUE(one.matchClass);
    EXPECT_FALSE(one.autoTerminate);
    EXPECT_TRUE(one.terminateHost);
    EXPECT_EQ(t.at(0).matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_FALSE(t.at(0).autoExec);
    EXPECT_EQ(t.at(1), titled("Kept"));
    EXPECT_EQ(t.at(3).matchMethod, MatchMethod::FuzzyExclusion);
    EXPECT_TRUE(t.at(3).autoExecReady);
}

TEST(LoadHostLinks, TheCountReadsAsA16BitNumber) {
    // "" = not stored
    const std::pair<std::string, int> rows[] = {{"", 0}, {"1", 1}, {"-5", 0}, {"2x", 2}, {"99999999999", 3}, {"32767", 3}};
    for (const auto& [stored, links] : rows) {
        MemoryStore s;
        if (!stored.empty()) putTitle(s, "HLinkCnt", stored);
        for (const char* k : {"Link1", "Link2", "Link32767", "Link32768"}) putTitle(s, k, k);
        LinkTable t;
        LoadHostLinks(t, s);
        EXPECT_EQ(t.linkCount(), links) << stored;
    }
}

TEST(LoadHostLinks, StoreErrorStopsLoadingAndKeepsWhatWasLoaded) {
    MemoryStore inner;
    putTitle(inner, "HLinkCnt", "4");
    for (const char* k : {"Link1", "Link2", "Link3", "Link4"}) putTitle(inner, k, std::string("T") + k);
    FaultyStore s(inner);
    s.failReadOf = "Link3";
    LinkTable t;
    try {
        LoadHostLinks(t, s);
        FAIL() << "the store error must reach the caller";
    } catch (const KivraError& e) {
        EXPECT_EQ(e.number(), errnum::DeviceIO);
    }
    EXPECT_EQ(t.titles(), (Titles{"TLink1", "TLink2"}));

    // Failing among the options: earlier records have theirs, the rest keep defaults.
    putOption(inner, "TLink1", "MatchMethod", "2");
    putOption(inner, "TLink1", "TermHost", "1");
    s.failReadOf = "TermHost";
    EXPECT_THROW(LoadHostLinks(t, s), KivraError);
    EXPECT_EQ(t.linkCount(), 4);
    EXPECT_EQ(t.at(0).matchMethod, MatchMethod::Fuzzy);
    EXPECT_FALSE(t.at(0).terminateHost);
}

TEST(SaveHostLinks, RewritesTheSectionAndAllSevenOptions) {
    MemoryStore s;
    putTitle(s, "HLinkCnt", "5");
    putTitle(s, "Link5", "Old");
    LinkTable t;
    HostLink l = titled("Mail");
    l.winClass = "MailWnd";
    l.matchMethod = MatchMethod::FuzzyExclusion;
    l.exclusionText = "Inbox";
    l.autoExec = false;
    l.matchClass = true;
    l.autoTerminate = false;
    l.terminateHost = true;
    t.insert(l);
    t.insert(titled("Alpha"));
    SaveHostLinks(t, s);
    EXPECT_EQ(s.read(kMain, "HostLinks", "HLinkCnt", "-1"), "2");
    EXPECT_EQ(s.read(kMain, "HostLinks", "Link1", "-1"), "Alpha");  // renumbered in list order
    EXPECT_EQ(s.read(kMain, "HostLinks", "Link2", "-1"), "Mail");
    EXPECT_EQ(s.read(kMain, "HostLinks", "Link5", "-1"), "-1");  // old numbering gone
    EXPECT_EQ(option(s, "Alpha", "MatchMethod"), "1");
    EXPECT_EQ(option(s, "Mail", "MatchMethod"), "3");
    EXPECT_EQ(option(s, "Mail", "AutoExecOn"), "2");
    EXPECT_EQ(option(s, "Mail", "AutoTermOn"), "2");

    LinkTable back;  // the texts come back as they were
    LoadHostLinks(back, s);
    ASSERT_EQ(back.linkCount(), 2);
    l.autoExecReady = false;  // a link loaded with auto-execute off is not ready
    EXPECT_EQ(back.at(1), l);
}

// The link program's own options are read by link_commands_test's reload.
TEST(LinkSettings, DeletingOneLinksTreeLeavesLinksWhoseTitleMerelyStartsTheSame) {
    MemoryStore s;
    const std::string inst = linkInstanceAppName("Web\\Page", 2, 2), other = linkInstanceAppName("Web\\Page 2");
    s.write(inst, "LinkOptions", "MatchMethod", "2");
    s.write(other, "FormPosSize", "Height", "900");
    DeleteLinkSettings("Web\\Page", s);
    EXPECT_EQ(s.read(inst, "LinkOptions", "MatchMethod", "-1"), "-1");
    EXPECT_EQ(s.read(other, "FormPosSize", "Height", "-1"), "900");
}

TEST(SqliteLinks, FailedSaveLeavesTheStoredLinksAsTheyWere) {
    TempDir dir;
    auto store = std::make_unique<SqliteStore>(dir.path() / "settings.db");
    ASSERT_EQ(store->check().condition, StoreCondition::Ok);
    LinkTable before;
    before.insert(titled("Keep me"));
    before.insert(titled("And me"));
    SaveHostLinks(before, *store);

    LinkTable after;
    after.insert(titled("New one"));
    after.insert(titled("Another"));
    FaultyStore failing(*store);
    failing.failWriteOf = "Link2";
    EXPECT_THROW(SaveHostLinks(after, failing), KivraError);

    LinkTable back;
    LoadHostLinks(back, *store);
    EXPECT_EQ(back.titles(), (Titles{"And me", "Keep me"}));
}

}  // namespace
