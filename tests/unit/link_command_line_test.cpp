// The link program's command line: fields, numbers, visibility checks, the title cut and its names.
#include "FakeDesktop.h"
#include "LinkCommandLine.h"
#include "TextRules.h"

#include <gtest/gtest.h>

using namespace kivra;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    FakeDesktop desktop;
    const WindowId host = desktop.addWindow({.title = "Mail - Inbox"});
    const WindowId mainWindow = desktop.addWindow({.title = "Kivra [Main]"});
    const std::string h = std::to_string(host);
    const std::string m = std::to_string(mainWindow);

    CommandLineResult parse(const std::string& args) { return parseLinkCommandLine(args, desktop); }
    // host, i, n, main, L, title joined by single TABs.
    std::string line(const std::string& i, const std::string& n, const std::string& length, const std::string& title) {
        return h + "\t" + i + "\t" + n + "\t" + m + "\t" + length + "\t" + title;
    }
    std::string titleOf(const std::string& length, const std::string& title) {
        return parse(line("1", "1", length, title)).line.names.linkTitle;
    }
};

// Fractions round halves to even; the ranges' edges are accepted. Runs of tabs and leading tabs
// make no empty fields, and a tab in the title ends it: the last L characters before it count.
TEST_F(CommandLineTest, TheMainProgramsLineParsesWithRoundingAndRangeEdges) {
    const CommandLineResult r = parse("\t" + h + "\t\t1.5\t2.5\t" + m + "\t\t\t2.51\tMail\tDrafts");
    ASSERT_EQ(r.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(r.line.hostWindow, host);
    EXPECT_EQ(r.line.mainWindow, mainWindow);
    EXPECT_EQ(r.line.instance, 2);
    EXPECT_EQ(r.line.count, 2);
    EXPECT_EQ(r.line.titleLength, 3);
    EXPECT_EQ(r.line.names.instanceAppName, "Kivra\\Kivra [Link] ail\\Inst 2 of 2");

    const CommandLineResult edges = parse(line("-32768", "+32767", "-0.4", "Mail"));
    ASSERT_EQ(edges.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(edges.line.instance, -32768);
    EXPECT_EQ(edges.line.count, 32767);
    EXPECT_EQ(edges.line.titleLength, 0);
}

// Empty arguments ask for the main program; blanks alone, windows that are not visible and
// numbers out of their field's range end the program silently.
TEST_F(CommandLineTest, WhatIsNotALinesEndsTheProgramOrAsksForTheMainOne) {
    const WindowId hidden = desktop.addWindow({.title = "Hidden", .visible = false});
    const std::string hid = std::to_string(hidden), rest = "\t1\t1\t" + m + "\t4\tMail";
    using enum CommandLineOutcome;
    const std::pair<std::string, CommandLineOutcome> rows[] = {
        {"", RunKivraInstead}, {std::string("\0\t1", 3), RunKivraInstead},  // a C string: empty
        {"   ", SilentExit}, {hid + rest, SilentExit},
        {h + "\t1\t1\t" + hid + "\t4\tMail", SilentExit},
        // Window handles are unsigned 64-bit numbers; leading zeros and blanks are no obstacle.
        {"-" + h + rest, SilentExit}, {"  000" + h + " " + rest, Ok},
        {line("1", "1", "-0.6", "Mail"), SilentExit}, {line("32768", "1", "4", "Mail"), SilentExit},
        {line("1", "-32769", "4", "Mail"), SilentExit}, {line("1", "1", "4x", "Mail"), SilentExit},
    };
    for (const auto& [args, outcome] : rows) EXPECT_EQ(parse(args).outcome, outcome) << args;
}

// The last L characters are taken, counting characters and never splitting one.
TEST_F(CommandLineTest, TheTitleIsTheLastLCharactersNeverSplittingOne) {
    EXPECT_EQ(titleOf("6", "  Mail"), "  Mail");  // leading blanks are part of it
    EXPECT_EQ(parse(h + "\t1\t1\t" + m + "\t4").line.names.linkTitle, "");  // no title field
    // a é € 😀 b: 1, 2, 3, 4 and 1 bytes.
    const std::string title = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
    EXPECT_EQ(titleOf("3", title), "\xE2\x82\xAC\xF0\x9F\x98\x80" "b");
    // The 27th character of the key-safe title is a four-byte one: kept whole in the forty
    // characters of the application title; the 28th goes.
    const std::string head(26, 'x');
    const LinkNames n = parse(line("1", "1", "40", head + "\xF0\x9F\x98\x80" "\xC3\xA9tail")).line.names;
    EXPECT_EQ(n.applicationTitle, "Kivra [Link] " + head + "\xF0\x9F\x98\x80");
    // Invalid bytes count as one character each.
    EXPECT_EQ(lastCharacters("ab\xFF\xC3", 2), "\xFF\xC3");
}

TEST(NumberField, AcceptsSignDigitsAndFractionOnly) {
    const struct {
        const char* text;
        std::optional<WholeNumber> expected;
    } cases[] = {
        {" 42 ", WholeNumber{false, 42}},
        {"0.5000001", WholeNumber{false, 1}},
        {"-2.7", WholeNumber{true, 3}},
        {"18446744073709551615", WholeNumber{false, 18446744073709551615ull}},
        {"18446744073709551615.5", std::nullopt},
        {"18446744073709551616", std::nullopt},
        {"1..2", std::nullopt},
        {"\t1", std::nullopt},  // a tab is not a blank
    };
    for (const auto& c : cases) EXPECT_EQ(parseNumberField(c.text), c.expected) << '"' << c.text << '"';
    // A field is a view into the whole line: nothing past its end is read.
    EXPECT_EQ(parseNumberField(std::string_view("2.59", 3)), (WholeNumber{false, 2}));
    // The arguments after the program are joined with blanks.
    const char* argv[] = {"kivlink", "1\t1", "two", nullptr};
    EXPECT_EQ(joinArguments(3, argv), "1\t1 two");
    EXPECT_EQ(joinArguments(1, argv), "");
}

}  // namespace
