// The operating-system class, the refusal of too old a system and the help rule.
#include "OsVersion.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(OsVersion, EachVersionFallsInExactlyItsClass) {
    const struct {
        std::optional<OsVersion> version;
        OsClass expected;
    } rows[] = {
        {OsVersion{4, 0}, OsClass::Version40},  {OsVersion{4, 10}, OsClass::Version410},
        {OsVersion{4, 90}, OsClass::Version490}, {OsVersion{4, 1}, OsClass::Other},
        {OsVersion{5, 0}, OsClass::Major5},     {OsVersion{5, 1}, OsClass::Major5},
        {OsVersion{6, 1}, OsClass::Major6},     {OsVersion{6, 3}, OsClass::Major6},
        {OsVersion{7, 0}, OsClass::Major7},     {OsVersion{10, 0}, OsClass::Other},
        {std::nullopt, OsClass::Other},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version ? std::to_string(row.version->major) + "." + std::to_string(row.version->minor)
                                 : std::string("not Windows"));
        EXPECT_EQ(classifyOsVersion(row.version), row.expected);
    }
}

TEST(OsVersion, OnlyWindowsBelowMajor4IsRefusedAndOnlyMajors6And7LeaveHelpOut) {
    EXPECT_FALSE(osVersionSupported(OsVersion{3, 51}));
    EXPECT_TRUE(osVersionSupported(OsVersion{4, 0}));
    EXPECT_TRUE(osVersionSupported(OsVersion{10, 0}));
    EXPECT_TRUE(osVersionSupported(std::nullopt));
    for (OsClass c : {OsClass::Version40, OsClass::Version410, OsClass::Version490, OsClass::Major5, OsClass::Other})
        EXPECT_FALSE(osClassSuppressesHelp(c));
    EXPECT_TRUE(osClassSuppressesHelp(OsClass::Major6));
    EXPECT_TRUE(osClassSuppressesHelp(OsClass::Major7));
    // This platform's own answer is one the programs accept.
    EXPECT_TRUE(osVersionSupported(readOsVersion()));
}
