// The link program's command line: fields, numbers, visibility checks, the title cut and its names.
#include "FakeDesktop.h"
#include "LinkCommandLine.h"
#include "TextRules.h"

#include <gtest/gtest.h>

#include <memory>

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
};

TEST_F(CommandLineTest, TheMainProgramsLineParses) {
    const CommandLineResult r = parse(line("1", "1", "4", "Mail"));
    ASSERT_EQ(r.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(r.line.hostWindow, host);
    EXPECT_EQ(r.line.mainWindow, mainWindow);
    EXPECT_EQ(r.line.instance, 1);
    EXPECT_EQ(r.line.count, 1);
    EXPECT_EQ(r.line.titleLength, 4);
    EXPECT_EQ(r.line.names.linkTitle, "Mail");
    EXPECT_EQ(r.line.names.instanceAppName, "Kivra\\Kivra [Link] Mail\\Inst 1 of 1");
    EXPECT_EQ(r.line.names.applicationTitle, "Kivra [Link] Mail");
}

TEST_F(CommandLineTest, EmptyArgumentsAskForTheMainProgramAndBlanksAloneAreMalformed) {
    EXPECT_EQ(parse("").outcome, CommandLineOutcome::RunKivraInstead);
    EXPECT_EQ(parse(std::string("\0\t1", 3)).outcome, CommandLineOutcome::RunKivraInstead);  // C string: empty
    EXPECT_EQ(parse("   ").outcome, CommandLineOutcome::SilentExit);
    EXPECT_EQ(parse("\t\t").outcome, CommandLineOutcome::SilentExit);
}

TEST(CommandLineFields, RunsOfTabsAndLeadingTabsMakeNoEmptyFieldsAndTheWalkStopsAtASeventh) {
    const CommandLineFields f = splitCommandLine("\t\ta b\t\t\tc\t d\te\tf\tg h\ti\tj");
    ASSERT_EQ(f.count, 6u);
    EXPECT_EQ(f.field[0], "a b");
    EXPECT_EQ(f.field[1], "c");
    EXPECT_EQ(f.field[2], " d");
    EXPECT_EQ(f.field[5], "g h");
    const CommandLineFields few = splitCommandLine("1\t2\t\t");
    EXPECT_EQ(few.count, 2u);
    EXPECT_EQ(few.field[1], "2");
    EXPECT_TRUE(few.field[2].empty());
}

TEST_F(CommandLineTest, ATabInTheTitleCutsItAndTheLastLCharactersOfThePartBeforeAreTaken) {
    EXPECT_EQ(parse(line("1", "1", "11", "Inbox\tDrafts")).line.names.linkTitle, "Inbox");
    EXPECT_EQ(parse(line("1", "1", "3", "Inbox\tDrafts")).line.names.linkTitle, "box");
    EXPECT_EQ(parse(line("1", "1", "0", "Inbox")).line.names.linkTitle, "");
    // Field 6 missing entirely: an empty title.
    const CommandLineResult noTitle = parse(h + "\t1\t1\t" + m + "\t4");
    ASSERT_EQ(noTitle.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(noTitle.line.names.linkTitle, "");
}

TEST_F(CommandLineTest, TheNamesBuiltFromTheTitle) {
    // Trailing blanks leave the link title but stay in the key-safe title.
    const LinkNames n = parse(line("1", "1", "7", "Mail   ")).line.names;
    EXPECT_EQ(n.linkTitle, "Mail");
    EXPECT_EQ(n.keySafeTitle, "Mail   ");
    EXPECT_EQ(n.instanceAppName, "Kivra\\Kivra [Link] Mail   \\Inst 1 of 1");
    // Leading blanks are part of the title.
    EXPECT_EQ(parse(line("1", "1", "6", "  Mail")).line.names.linkTitle, "  Mail");
    // Backslashes become slashes only in the store names.
    const LinkNames b = parse(line("2", "3", "9", "C:\\Docs\\\\")).line.names;
    EXPECT_EQ(b.linkTitle, "C:\\Docs\\\\");
    EXPECT_EQ(b.keySafeTitle, "C:/Docs//");
    EXPECT_EQ(b.instanceAppName, "Kivra\\Kivra [Link] C:/Docs//\\Inst 2 of 3");
    EXPECT_EQ(b.applicationTitle, "Kivra [Link] C:/Docs//");
    // A sixty-character title gives a forty-character application title.
    const std::string title = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";
    EXPECT_EQ(parse(line("1", "1", "60", title)).line.names.applicationTitle, "Kivra [Link] 0123456789abcdefghijklmnopq");
}

TEST_F(CommandLineTest, CutsCountCharactersAndNeverSplitOne) {
    // a é € 😀 b: 1, 2, 3, 4 and 1 bytes.
    const std::string title = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
    EXPECT_EQ(parse(line("1", "1", "3", title)).line.names.linkTitle, "\xE2\x82\xAC\xF0\x9F\x98\x80" "b");
    EXPECT_EQ(parse(line("1", "1", "4", title)).line.names.linkTitle, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "b");
    EXPECT_EQ(parse(line("1", "1", "2", title)).line.names.linkTitle, "\xF0\x9F\x98\x80" "b");

    // The 27th character of the key-safe title is a four-byte one: kept whole; the 28th goes.
    const std::string head(26, 'x');
    const LinkNames n = parse(line("1", "1", "40", head + "\xF0\x9F\x98\x80" "\xC3\xA9tail")).line.names;
    EXPECT_EQ(n.applicationTitle, "Kivra [Link] " + head + "\xF0\x9F\x98\x80");
    EXPECT_EQ(characterCount(n.applicationTitle), 40u);
}

TEST_F(CommandLineTest, WindowsThatAreNotVisibleEndTheProgramSilently) {
    const WindowId hidden = desktop.addWindow({.title = "Hidden", .visible = false});
    const std::string hid = std::to_string(hidden);
    EXPECT_EQ(parse(hid + "\t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    EXPECT_EQ(parse(h + "\t1\t1\t" + hid + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    desktop.destroy(hidden);
    EXPECT_EQ(parse(hid + "\t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    EXPECT_EQ(parse("0\t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    // Window handles are unsigned 64-bit numbers; leading zeros and blanks are no obstacle.
    EXPECT_EQ(parse("-" + h + "\t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    EXPECT_EQ(parse("18446744073709551616\t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::SilentExit);
    EXPECT_EQ(parse("  000" + h + " \t1\t1\t" + m + "\t4\tMail").outcome, CommandLineOutcome::Ok);
}

TEST_F(CommandLineTest, MalformedNumbersEndTheProgramSilently) {
    const struct {
        std::string i, n, length;
    } rows[] = {{"1", "1", "-4"},          {"1", "1", "-0.6"},   // negative after rounding
                {"1", "1", "2147483648"},  {"32768", "1", "4"},  {"32767.5", "1", "4"}, {"1", "-32769", "4"},
                {"1", "99999999999999999999999999", "4"},        {"1 2", "1", "4"},     {"1", "one", "4"},
                {"1", "1", "4x"},          {"0x1", "1", "4"},    {"1", "1e1", "4"},     {"-", "1", "4"},
                {"1", ".", "4"},           {"1", "1", "4\v"}};  // a vertical tab is not a blank
    for (const auto& c : rows)
        EXPECT_EQ(parse(line(c.i, c.n, c.length, "Mail")).outcome, CommandLineOutcome::SilentExit)
            << c.i << " " << c.n << " " << c.length;
}

TEST_F(CommandLineTest, FractionsRoundHalvesToEvenAndTheRangesEdgesAreAccepted) {
    const CommandLineResult r = parse(line("1.5", "2.5", "2.51", "Mail"));
    ASSERT_EQ(r.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(r.line.instance, 2);
    EXPECT_EQ(r.line.count, 2);
    EXPECT_EQ(r.line.titleLength, 3);
    EXPECT_EQ(r.line.names.linkTitle, "ail");
    EXPECT_EQ(r.line.names.instanceAppName, "Kivra\\Kivra [Link] ail\\Inst 2 of 2");

    const CommandLineResult edges = parse(line("-32768", "+32767", "-0.4", "Mail"));
    ASSERT_EQ(edges.outcome, CommandLineOutcome::Ok);
    EXPECT_EQ(edges.line.instance, -32768);
    EXPECT_EQ(edges.line.count, 32767);
    EXPECT_EQ(edges.line.titleLength, 0);
}

struct NumberCase {
    const char* text;
    std::optional<WholeNumber> expected;
};

TEST(NumberField, AcceptsSignDigitsAndFractionOnly) {
    const NumberCase cases[] = {
        {"0", WholeNumber{false, 0}},
        {" 42 ", WholeNumber{false, 42}},
        {"+7", WholeNumber{false, 7}},
        {"-3", WholeNumber{true, 3}},
        {"-0", WholeNumber{false, 0}},
        {"4.", WholeNumber{false, 4}},
        {".5", WholeNumber{false, 0}},
        {"0.5000001", WholeNumber{false, 1}},
        {"3.5", WholeNumber{false, 4}},
        {"-2.5", WholeNumber{true, 2}},
        {"-2.7", WholeNumber{true, 3}},
        {"2.4999", WholeNumber{false, 2}},
        {"0000000000000000000000000000012", WholeNumber{false, 12}},
        {"18446744073709551615", WholeNumber{false, 18446744073709551615ull}},
        {"18446744073709551614.5", WholeNumber{false, 18446744073709551614ull}},
        {"18446744073709551615.5", std::nullopt},
        {"18446744073709551616", std::nullopt},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"1..2", std::nullopt},
        {"1.2.3", std::nullopt},
        {"--1", std::nullopt},
        {"1-", std::nullopt},
        {"\t1", std::nullopt},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(parseNumberField(c.text), c.expected) << '"' << c.text << '"';
}

TEST(LastCharacters, InvalidBytesCountAsOneCharacterEach) {
    EXPECT_EQ(lastCharacters("ab\xFF\xC3", 2), "\xFF\xC3");
    EXPECT_EQ(lastCharacters("\xE2\x82", 1), "\x82");
    EXPECT_EQ(lastCharacters("abc", 10), "abc");
    EXPECT_EQ(lastCharacters("", 3), "");
    // The arguments after the program are joined with blanks.
    const char* argv[] = {"kivlink", "1\t1", "two", nullptr};
    EXPECT_EQ(joinArguments(3, argv), "1\t1 two");
    EXPECT_EQ(joinArguments(1, argv), "");
}

}  // namespace
