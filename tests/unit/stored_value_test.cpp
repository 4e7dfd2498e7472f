// The lenient numeric parse and the integer ranges of stored values.
#include "StoredValue.h"

#include <gtest/gtest.h>

#include <string>

using namespace kivra;

TEST(StoredValue, LeadingNumberTakesWhatANumberStartsWith) {
    const std::pair<const char*, double> rows[] = {{"47", 47},      {"  47abc", 47}, {"abc", 0}, {"", 0}, {"-", 0},
                                                   {"-12.5x", -12.5}, {".5", 0.5},   {"+3", 3},  {"-1", -1}};
    for (const auto& [text, number] : rows) EXPECT_EQ(leadingNumber(text), number) << text;
}

TEST(StoredValue, HugeValuesSaturateInsteadOfOverflowing) {
    EXPECT_EQ(toInt16("99999999999"), 32767);
    EXPECT_EQ(toInt16("-99999999999"), -32768);
    EXPECT_EQ(toInt32("99999999999"), 2147483647);
    EXPECT_EQ(toInt16(std::string(10000, '9')), 32767);  // 10 kB of digits
    EXPECT_EQ(toInt16("2.5"), 2);                        // halves to even
    EXPECT_EQ(toInt16("3.5"), 4);
}

TEST(StoredValue, TextForms) {
    EXPECT_EQ(intText(0), "0");
    EXPECT_EQ(intText(-12), "-12");
    EXPECT_EQ(twipsText(1440), "1440");
    EXPECT_EQ(twipsText(1417.5), "1417.5");
    EXPECT_EQ(choiceText(false), "2");
    EXPECT_EQ(flagText(false), "0");
    EXPECT_TRUE(isOne("1"));
    EXPECT_TRUE(isOne("1.0"));
    EXPECT_FALSE(isOne("2"));
    EXPECT_FALSE(isOne("abc"));
}
