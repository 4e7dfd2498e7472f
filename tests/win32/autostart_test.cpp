// Start at login on Windows: the Run value holds the quoted main program (non-ASCII intact),
// and off removes it, twice without complaint.
#include "Autostart.h"
#include "SystemText.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace kivra {
namespace {

std::wstring runValue() {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    const LSTATUS rc = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Kivra",
                                    RRF_RT_REG_SZ, nullptr, data, &size);
    return rc == ERROR_SUCCESS ? std::wstring(data) : std::wstring();
}

TEST(Autostart, OnWritesTheRunValueOffRemovesIt) {
    if (autostartEnabled()) GTEST_SKIP() << "this user starts Kivra at login already: left alone";
    const std::string program = "C:\\Program Files\\Kivra \xC3\xA9t\xC3\xA9\\kivra.exe";
    ASSERT_EQ(setAutostart(true, program), "");
    EXPECT_TRUE(autostartEnabled());
    EXPECT_EQ(runValue(), L"\"" + win32::widen(program) + L"\"");
    ASSERT_EQ(setAutostart(false, program), "");
    EXPECT_FALSE(autostartEnabled());
    EXPECT_EQ(runValue(), L"");
    EXPECT_EQ(setAutostart(false, program), "");
}

}  // namespace
}  // namespace kivra
