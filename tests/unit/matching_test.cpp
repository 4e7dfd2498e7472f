// Title and class matching: each method with its traps, the single-character rule,
// the class test, the link-to-window chain and the link program's "host still matches".
#include "Matching.h"
#include "TextRules.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

struct TitleCase {
    const char* name;
    std::string link;
    std::string window;
    MatchMethod method;
    std::string exclusion;
    bool matches;
};

class TitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, Matches) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(titleMatches(c.link, c.window, c.method, c.exclusion), c.matches)
        << "link \"" << c.link << "\" window \"" << c.window << "\"";
}

const MatchMethod Exact = MatchMethod::Exact;
const MatchMethod Fuzzy = MatchMethod::Fuzzy;
const MatchMethod Excl = MatchMethod::FuzzyExclusion;

INSTANTIATE_TEST_SUITE_P(
    Methods, TitleTest,
    ::testing::Values(
        TitleCase{"ExactSame", "Report", "Report", Exact, "", true},
        TitleCase{"ExactIsCaseSensitive", "Report", "report", Exact, "", false},
        TitleCase{"ExactIsWholeString", "Report", "Report - Editor", Exact, "", false},
        TitleCase{"ExactStoredTrailingBlankNeverMatchesAnEntry", "Report ", "Report", Exact, "", false},
        TitleCase{"ExactLeadingBlankKept", " Report", "Report", Exact, "", false},
        TitleCase{"FuzzyIgnoresCase", "report", "Report", Fuzzy, "", true},
        TitleCase{"FuzzyInside", "report", "Report - Editor", Fuzzy, "", true},
        TitleCase{"FuzzyTrimsLinkTitle", " Report ", "Report - Editor", Fuzzy, "", true},
        TitleCase{"FuzzyTrimsOnlyBlanks", "\tReport", "Report - Editor", Fuzzy, "", false},
        TitleCase{"FuzzyAbsent", "Invoice", "Report - Editor", Fuzzy, "", false},
        TitleCase{"FuzzyNonAsciiFolds", "ÉTÉ", "Photos d'été", Fuzzy, "", true},
        TitleCase{"FuzzyCyrillicFolds", "ОТЧЁТ", "годовой отчёт", Fuzzy, "", true},
        TitleCase{"FuzzyCyrillicLastOfFirstBlockFolds", "Џ", "џ", Fuzzy, "", true},
        TitleCase{"ExclusionNotPresent", "Mail", "Mail - Drafts", Excl, "Inbox", true},
        TitleCase{"ExclusionPresent", "Mail", "Mail - Inbox", Excl, "Inbox", false},
        TitleCase{"ExclusionPresentOtherCase", "Mail", "mail - INBOX", Excl, "Inbox", false},
        TitleCase{"ExclusionTrimmed", "Mail", "Mail - Inbox", Excl, "  Inbox  ", false},
        TitleCase{"ExclusionEmptyNeverMatches", "Mail", "Mail - Drafts", Excl, "", false},
        TitleCase{"ExclusionAllBlankNeverMatches", "Mail", "Mail - Drafts", Excl, "   ", false},
        TitleCase{"ExclusionTitleAbsent", "Mail", "Calendar", Excl, "Inbox", false},
        TitleCase{"UnknownMethodMatchesNothing", "Mail", "Mail", static_cast<MatchMethod>(4), "", false},
        TitleCase{"ZeroMethodMatchesNothing", "Mail", "Mail", static_cast<MatchMethod>(0), "", false}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

struct SingleCharCase {
    std::string link;
    std::string window;
    bool passes;
};

class SingleCharacterTest : public ::testing::TestWithParam<SingleCharCase> {};

TEST_P(SingleCharacterTest, Passes) {
    const SingleCharCase& c = GetParam();
    EXPECT_EQ(singleCharacterRulePasses(c.link, c.window), c.passes) << c.link << " in \"" << c.window << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SingleCharacterTest,
    ::testing::Values(SingleCharCase{"x", "300x250", true},             // p = 4
                      SingleCharCase{"x", "300x250 banner", true},
                      SingleCharCase{"x", "xyz 300x250", false},        // first occurrence p = 1
                      SingleCharCase{"x", "3x2", true},                 // p = 2
                      SingleCharCase{"x", "Box 300x250", false},        // p = 3, after a letter
                      SingleCharCase{"x", "12345678901x3", true},       // p = 12
                      SingleCharCase{"x", "123456789012x3", false},     // p = 13
                      SingleCharCase{"X", "300x250", true},             // case-insensitive search
                      SingleCharCase{"x", "300x", false},               // nothing after
                      SingleCharCase{"x", "300xa", false},              // letter after
                      SingleCharCase{"x", "ab x3", false},              // a digit after, none before
                      SingleCharCase{"x", "no match", false},
                      SingleCharCase{"5", "1525", false},               // a digit title always fails
                      // Positions count characters, not bytes: "é" is two bytes.
                      SingleCharCase{"x", "éé3456789012x3", false},     // p = 13 in characters
                      SingleCharCase{"x", "éé345678901x3", true}));     // p = 12 in characters

TEST(SingleCharacterRule, AppliesOnlyToOneCharacterFuzzyTitles) {
    EXPECT_TRUE(singleCharacterRuleApplies("x", MatchMethod::Fuzzy));
    EXPECT_TRUE(singleCharacterRuleApplies("é", MatchMethod::Fuzzy));
    EXPECT_FALSE(singleCharacterRuleApplies("x", MatchMethod::Exact));
    EXPECT_FALSE(singleCharacterRuleApplies("x", MatchMethod::FuzzyExclusion));
    EXPECT_FALSE(singleCharacterRuleApplies("xy", MatchMethod::Fuzzy));
    EXPECT_FALSE(singleCharacterRuleApplies(" x", MatchMethod::Fuzzy));
}

TEST(ClassTest, RequiredClassIsCaseSensitiveAndUntrimmed) {
    EXPECT_TRUE(classMatches(ClassRequirement::NotRequired, "Notepad", "Other"));
    EXPECT_TRUE(classMatches(ClassRequirement::Required, "Notepad", "Notepad"));
    EXPECT_FALSE(classMatches(ClassRequirement::Required, "Notepad", "notepad"));
    EXPECT_FALSE(classMatches(ClassRequirement::Required, "Notepad ", "Notepad"));
    EXPECT_FALSE(classMatches(true, "Notepad", "NOTEPAD"));
}

TEST(LinkToWindow, RunsTitleThenSingleCharacterThenClass) {
    LinkMatchRule rule{"x", MatchMethod::Fuzzy, "", ClassRequirement::Required, "Browser"};
    EXPECT_EQ(matchLinkToWindow(rule, "nothing here", "Browser"), LinkMatch::TitleMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "Box 300x250", "Browser"), LinkMatch::SingleCharacterMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "300x250", "browser"), LinkMatch::ClassMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "300x250", "Browser"), LinkMatch::Match);
    // Exact one-character titles skip the single-character rule.
    rule.method = MatchMethod::Exact;
    rule.classRequirement = ClassRequirement::NotRequired;
    EXPECT_TRUE(linkMatchesWindow(rule, "x", "Any"));
    // A one-character Fuzzy digit never passes.
    rule = {"7", MatchMethod::Fuzzy, "", ClassRequirement::NotRequired, ""};
    EXPECT_EQ(matchLinkToWindow(rule, "170x7", "Any"), LinkMatch::SingleCharacterMismatch);
}

TEST(HostStillMatches, PathsAndAddressesAndEmptyTitlesNeverEndALink) {
    const LinkMatchOptions exact{MatchMethod::Exact, "", true, "Browser", true};
    for (const char* title : {"", "http://example.test/page", "\\\\server\\share", "C:\\\\odd"})
        EXPECT_TRUE(hostStillMatches(exact, "Report", title, "OtherClass")) << title;
    // One slash or one backslash is no exemption.
    EXPECT_FALSE(hostStillMatches(exact, "Report", "a/b", "Browser"));
    EXPECT_FALSE(hostStillMatches(exact, "Report", "C:\\dir", "Browser"));
}

TEST(HostStillMatches, MethodsAsTheLinkProgramAppliesThem) {
    LinkMatchOptions o;
    o.method = MatchMethod::Exact;
    EXPECT_TRUE(hostStillMatches(o, "Report", "Report   ", ""));  // the host title is right-trimmed
    EXPECT_FALSE(hostStillMatches(o, "Report", "report", ""));

    o.method = MatchMethod::Fuzzy;
    EXPECT_TRUE(hostStillMatches(o, "  report", "Report - Editor", ""));
    // Only leading blanks are removed from the link title: a trailing blank must be found.
    EXPECT_FALSE(hostStillMatches(o, "Editor ", "Report - Editor", ""));
    EXPECT_TRUE(hostStillMatches(o, "Report ", "Report - Editor", ""));
    // An all-blank host title is not empty: it is trimmed to "" and compared.
    EXPECT_FALSE(hostStillMatches(o, "Report", "   ", ""));

    o.method = MatchMethod::FuzzyExclusion;
    o.exclusionText = " Inbox ";
    EXPECT_TRUE(hostStillMatches(o, "Mail", "Mail - Drafts", ""));
    EXPECT_FALSE(hostStillMatches(o, "Mail", "MAIL - inbox", ""));
    o.exclusionText = "";
    EXPECT_FALSE(hostStillMatches(o, "Mail", "Mail - Drafts", ""));

    o.method = static_cast<MatchMethod>(9);
    EXPECT_TRUE(hostStillMatches(o, "Mail", "Anything", ""));
}

TEST(HostStillMatches, ClassIsComparedOnlyWhenRequiredAndAfterTheTitle) {
    LinkMatchOptions o;
    o.method = MatchMethod::Fuzzy;
    o.winClass = "Browser";
    int classReads = 0;
    const auto hostClass = [&] {
        ++classReads;
        return std::string("browser");
    };
    EXPECT_TRUE(hostStillMatches(o, "x", "x", hostClass));
    EXPECT_EQ(classReads, 0);
    o.matchClass = true;
    EXPECT_FALSE(hostStillMatches(o, "x", "x", hostClass));
    EXPECT_EQ(classReads, 1);
    EXPECT_FALSE(hostStillMatches(o, "x", "y", hostClass));  // title failed first: no class read
    EXPECT_EQ(classReads, 1);
    // No single-character rule in the link program.
    EXPECT_TRUE(hostStillMatches(o, "x", "xyz", "Browser"));
}

TEST(TextRules, FindCountsCharactersAndFoldsCase) {
    EXPECT_EQ(findNoCase("Report", ""), 1u);
    EXPECT_EQ(findNoCase("", ""), 1u);
    EXPECT_EQ(findNoCase("", "a"), 0u);
    EXPECT_EQ(findNoCase("ééX", "x"), 3u);
    EXPECT_EQ(findNoCase("Straße", "SSE"), 0u);  // one-to-one folding only: ß stays ß
    EXPECT_TRUE(equalsNoCase("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(equalsNoCase("ΑΒΓ", "αβγ"));
    EXPECT_FALSE(equalsNoCase("×", "÷"));  // × is not a capital letter
    EXPECT_EQ(trimBlanks("\t a \t"), "\t a \t");
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(characterCount("a\xC3\xA9\xE2\x82\xAC"), 3u);
    EXPECT_EQ(characterCount("\xC3"), 1u);  // a truncated sequence is one character
}

TEST(TextRules, FindRestartsAfterPartialMatchesAndCountsCharacters) {
    struct Case {
        const char* haystack;
        const char* needle;
        std::size_t position;
    };
    const Case cases[] = {
        {"aaab", "AAB", 2},                 // a partial match from 1 gives way to one from 2
        {"Mail - Inbox", "inbox", 8},
        {"Inbox", "inbox - mail", 0},       // needle longer than the title
        {"abcab", "cabx", 0},               // runs past the end
        {"abc", "C", 3},                    // at the very end
        {"Ünïcode Ärger", "äRGER", 9},      // positions in characters, not bytes
        {"€€€a", "€A", 3},
        {"ΔΟΚΙΜΗ δοκιμη", "δοκιμη", 1},
        {"x\xFFy", "\xFFY", 2},             // an invalid byte is one character and compares as itself
        {"x\xC3", "\xC3", 2},               // so is a truncated sequence
    };
    for (const Case& c : cases) EXPECT_EQ(findNoCase(c.haystack, c.needle), c.position) << c.haystack << " / " << c.needle;
}

}  // namespace
