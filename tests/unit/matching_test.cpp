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
        {"Report ", "Report", Exact, "", false, false},
        {"Report", "Report   ", Exact, "", false, true},
        {"Report", "", Exact, "", false, true},
        {"Report", "http://example.test/page", Exact, "", false, true},
        {"Report", "\\\\server\\share", Exact, "", false, true},
        {"Report", "C:\\\\odd", Exact, "", false, true},
        {"Report", "a/b", Exact, "", false, false},  // one slash or backslash is no exemption
        {"Report", "C:\\dir", Exact, "", false, false},
        {"report", "Report - Editor", Fuzzy, "", true, true},
        {" Report ", "Report - Editor", Fuzzy, "", true, true},
        {"Editor ", "Report - Editor", Fuzzy, "", true, false},
        {"\tReport", "Report - Editor", Fuzzy, "", false, false},
        {"Invoice", "Report - Editor", Fuzzy, "", false, false},
        {"Report", "   ", Fuzzy, "", false, false},  // an all-blank title is not empty
        {"Mail", "Mail - Drafts", Excl, "Inbox", true, true},
        {"Mail", "mail - INBOX", Excl, "Inbox", false, false},
        {"Mail", "Mail - Inbox", Excl, "  Inbox  ", false, false},
        {"Mail", "Mail - Drafts", Excl, "", false, false},
        {"Mail", "Calendar", Excl, "Inbox", false, false},
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
        {"x", "300x250", true},
        {"x", "xyz 300x250", false},     // first occurrence p = 1
        {"x", "3x2", true},              // p = 2
        {"x", "Box 300x250", false},     // p = 3, after a letter
        {"x", "12345678901x3", true},    // p = 12
        {"x", "123456789012x3", false},  // p = 13
        {"X", "300x250", true},          // case-insensitive search
        {"x", "300xa", false},           // letter after
        {"x", "ab x3", false},           // a digit after, none before
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
    EXPECT_FALSE(classMatches(true, "Notepad ", "Notepad"));
    // Exact one-character titles skip the single-character rule, and the class may be any.
    rule.method = MatchMethod::Exact;
    rule.classRequirement = ClassRequirement::NotRequired;
    EXPECT_TRUE(linkMatchesWindow(rule, "x", "Any"));

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
    // No single-character rule in the link program.
    EXPECT_TRUE(hostStillMatches(o, "x", "xyz", "Browser"));
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
        {"", "a", 0},
        {"aaab", "AAB", 2},             // a partial match from 1 gives way to one from 2
        {"Inbox", "inbox - mail", 0},   // needle longer than the title
        {"abcab", "cabx", 0},           // runs past the end
        {"abc", "C", 3},                // at the very end
        {"Ünïcode Ärger", "äRGER", 9},
        {"Photos d'été", "ÉTÉ", 10},
        {"€€€a", "€A", 3},
        {"ΔΟΚΙΜΗ δοκιμη", "δοκιμη", 1},
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
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(characterCount("a\xC3\xA9\xE2\x82\xAC"), 3u);
    EXPECT_EQ(characterCount("\xC3"), 1u);
}

}  // namespace
