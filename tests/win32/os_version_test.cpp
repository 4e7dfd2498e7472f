// The Windows version as the programs see it.
#include "OsVersion.h"

#include <gtest/gtest.h>

using namespace kivra;

TEST(Win32OsVersion, TheTrueVersionIsReadAndAccepted) {
    const auto version = readOsVersion();
    ASSERT_TRUE(version) << "RtlGetVersion gave nothing";
    EXPECT_GE(version->major, 5u);
    EXPECT_TRUE(osVersionSupported(version));
    if (version->major >= 10) {
        EXPECT_EQ(classifyOsVersion(version), OsClass::Other);
    }
}
