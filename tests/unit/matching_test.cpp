// Title and class matching: each method with its traps, the single-character rule,
// the class test, the link-to-window chain and the link program's "host still matches".
#include "Matching.h"
#include "TextRules.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

// The main program's title test and the link program's "host still matches", side by side:
// the link program trims only the link title's leading blanks and the host title's trailing
// ones, never ends a link over a path, an address or an empty title, and keeps a link of an
// unknown method.
TEST(TitleMatch, EachMethodWithItsTrapsInBothPrograms) {
    const MatchMethod Exact = MatchMethod::Exact, Fuzzy = MatchMethod::Fuzzy, Excl = MatchMethod::FuzzyExclusion;
    const struct {
        std::string link, window;
        MatchMethod method;
        std::string exclusion;
        bool matches, stillMatches;
    } rows[] = {
        {"Report", "Report", Exact, "", true, true},
        {"Report", "report", Exact, "", false, false},
        {"Report", "Report   ", Exact, "", false, true},
        {"Report", "", Exact, "", false, true},
        {"Report", "http://example.test/page", Exact, "", false, true},
        {"Report", "\\\\server\\share", Exact, "", false, true},
        {"Report", "a/b", Exact, "", false, false},  // one slash or backslash is no exemption
        {"report", "Report - Editor", Fuzzy, "", true, true},
        {" Report ", "Report - Editor", Fuzzy, "", true, true},
        {"Editor ", "Report - Editor", Fuzzy, "", true, false},
        {"Report", "   ", Fuzzy, "", false, false},  // an all-blank title is not empty
        {"Mail", "Mail - Drafts", Excl, "Inbox", true, true},
        {"Mail", "mail - INBOX", Excl, "Inbox", false, false},
        {"Mail", "Mail - Drafts", Excl, "", false, false},
        {"Mail", "Mail", static_cast<MatchMethod>(0), "", false, true},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE("link \"" + c.link + "\" window \"" + c.window + "\"");
        EXPECT_EQ(titleMatches(c.link, c.window, c.method, c.exclusion), c.matches);
        LinkMatchOptions o;
        o.method = c.method;
        o.exclusionText = c.exclusion;
        EXPECT_EQ(hostStillMatches(o, c.link, c.window, "Any"), c.stillMatches);
    }
}

// The first occurrence must lie at character 2 to 12 with a digit on each side.
TEST(SingleCharacterRule, PositionsAndWhereItApplies) {
    const struct {
        std::string link, window;
        bool passes;
    } rows[] = {
        {"x", "xyz 300x250", false},     // first occurrence p = 1
        {"x", "3x2", true},              // p = 2
        {"x", "Box 300x250", false},     // p = 3, after a letter
        {"x", "123456789012x3", false},  // p = 13
        {"5", "1525", false},            // a digit title always fails
        {"x", "éé345678901x3", true},    // p = 12 in characters ("é" is two bytes)
    };
    for (const auto& c : rows)
        EXPECT_EQ(singleCharacterRulePasses(c.link, c.window), c.passes) << c.link << " in \"" << c.window << "\"";
    EXPECT_TRUE(singleCharacterRuleApplies("é", MatchMethod::Fuzzy));
    EXPECT_FALSE(singleCharacterRuleApplies("x", MatchMethod::FuzzyExclusion));
    EXPECT_FALSE(singleCharacterRuleApplies("xy", MatchMethod::Fuzzy));
}

// The main program runs title, then single character, then a case-sensitive class; the link
// program reads the class only when required and only after the title passed.
TEST(ClassMatch, ComesLastAndIsCaseSensitive) {
    LinkMatchRule rule{"x", MatchMethod::Fuzzy, "", ClassRequirement::Required, "Browser"};
    EXPECT_EQ(matchLinkToWindow(rule, "nothing here", "Browser"), LinkMatch::TitleMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "Box 300x250", "Browser"), LinkMatch::SingleCharacterMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "300x250", "browser"), LinkMatch::ClassMismatch);
    EXPECT_EQ(matchLinkToWindow(rule, "300x250", "Browser"), LinkMatch::Match);

    LinkMatchOptions o;
    o.method = MatchMethod::Fuzzy;
    o.winClass = "Browser";
    int classReads = 0;
    const auto hostClass = [&] {
        ++classReads;
        return std::string("browser");
    };
    EXPECT_TRUE(hostStillMatches(o, "x", "x", hostClass));
    o.matchClass = true;
    EXPECT_FALSE(hostStillMatches(o, "x", "x", hostClass));
    EXPECT_FALSE(hostStillMatches(o, "x", "y", hostClass));  // title failed first: no class read
    EXPECT_TRUE(hostStillMatches(o, "x", "http://x", hostClass));  // an address is exempt before the class
    EXPECT_EQ(classReads, 1);
}

// Positions count characters from 1; case folds one to one; an invalid byte or a truncated
// sequence is one character and compares as itself.
TEST(TextRules, FindRestartsAfterPartialMatchesAndCountsCharacters) {
    const struct {
        const char* haystack;
        const char* needle;
        std::size_t position;
    } cases[] = {
        {"Report", "", 1},
        {"aaab", "AAB", 2},             // a partial match from 1 gives way to one from 2
        {"abcab", "cabx", 0},           // runs past the end
        {"€€€a", "€A", 3},
        {"ΑΔΩ", "αδω", 1},
        {"ĀŊ", "āŋ", 1},
        {"годовой отчёт", "ОТЧЁТ", 9},
        {"џ", "Џ", 1},
        {"ŁÓDŹ", "łódź", 1},
        {"Straße", "SSE", 0},           // ß stays ß
        {"×", "÷", 0},                  // × is not a capital letter
        {"x\xFFy", "\xFFY", 2},
        {"x\xC3", "\xC3", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(findNoCase(c.haystack, c.needle), c.position) << c.haystack << " / " << c.needle;
    EXPECT_EQ(trimBlanks("\t a \t"), "\t a \t");
}

}  // namespace
