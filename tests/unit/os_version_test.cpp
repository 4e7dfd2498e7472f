// The operating-system class, the refusal of too old a system and the help rule.
#include "OsVersion.h"

#include <gtest/gtest.h>

using namespace kivra;

// Each version falls in exactly its class; only majors 6 and 7 leave help out.
TEST(OsVersion, EachVersionFallsInExactlyItsClassWhichDecidesOnHelp) {
    const struct {
        std::optional<OsVersion> version;
        OsClass expected;
        bool noHelp;
    } rows[] = {
        {OsVersion{4, 0}, OsClass::Version40, false},   {OsVersion{4, 10}, OsClass::Version410, false},
        {OsVersion{4, 90}, OsClass::Version490, false}, {OsVersion{4, 1}, OsClass::Other, false},
        {OsVersion{5, 0}, OsClass::Major5, false},      {OsVersion{5, 1}, OsClass::Major5, false},
        {OsVersion{6, 1}, OsClass::Major6, true},       {OsVersion{6, 3}, OsClass::Major6, true},
        {OsVersion{7, 0}, OsClass::Major7, true},       {OsVersion{10, 0}, OsClass::Other, false},
        {std::nullopt, OsClass::Other, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version ? std::to_string(row.version->major) + "." + std::to_string(row.version->minor)
                                 : std::string("not Windows"));
        EXPECT_EQ(classifyOsVersion(row.version), row.expected);
        EXPECT_EQ(osClassSuppressesHelp(row.expected), row.noHelp);
    }
}

TEST(OsVersion, OnlyWindowsBelowMajor4IsRefused) {
    EXPECT_FALSE(osVersionSupported(OsVersion{3, 51}));
    EXPECT_TRUE(osVersionSupported(OsVersion{4, 0}));
    EXPECT_TRUE(osVersionSupported(OsVersion{10, 0}));
    EXPECT_TRUE(osVersionSupported(std::nullopt));
    // This platform's own answer is one the programs accept.
    EXPECT_TRUE(osVersionSupported(readOsVersion()));
}
