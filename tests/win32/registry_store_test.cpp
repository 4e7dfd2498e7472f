// The settings store contract on the registry, each test below a key of its own; then what only
// the registry has: UTF-16 text, keys made and removed, refused names, the root from
// KIVRA_SETTINGS_KEY; and the Run value of start at login.
#include "Autostart.h"
#include "RegistryStore.h"
#include "contract/SettingsStoreContract.h"
#include "StoreLocation.h"
#include "Win32Test.h"

#include <gtest/gtest.h>

namespace kivra {
namespace {

using namespace wintest;
constexpr std::string_view kMain = "Kivra\\Kivra [ Main ]";

struct RegistryBackend {
    static constexpr bool kKeepsNonUtf8 = true;
    static constexpr bool kKeepsLevelSpelling = true;
    ScratchRegistryKey root;
    std::unique_ptr<SettingsStore> make() { return std::make_unique<RegistryStore>(root.path()); }
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Registry, SettingsStoreContract, RegistryBackend);
}  // namespace contract

namespace {

// A value's type and bytes as the registry holds them, without the store in between; type
// REG_NONE when there is none.
std::pair<DWORD, std::vector<BYTE>> rawValue(const std::string& keyPath, const std::string& name) {
    std::vector<BYTE> data(4096);
    DWORD type = REG_NONE, size = static_cast<DWORD>(data.size());
    if (RegGetValueW(HKEY_CURRENT_USER, widen(keyPath).c_str(), widen(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, data.data(), &size) != ERROR_SUCCESS)
        return {REG_NONE, {}};
    data.resize(size);
    return {type, data};
}

std::pair<DWORD, std::vector<BYTE>> utf16Value(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};  // with the NUL
}

bool keyExists(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    std::string get(std::string_view app, std::string_view section, std::string_view key) {
        return store_.read(app, section, key, kAbsent);
    }
    // The registry key of a store path.
    std::string keyOf(std::string_view path) const { return root_.path() + "\\" + std::string(path); }
    int refusal(std::string_view app, std::string_view section, std::string_view key) {
        try {
            store_.write(app, section, key, "v");
        } catch (const KivraError& e) {
            return e.number();
        }
        return 0;
    }

    ScratchRegistryKey root_;
    RegistryStore store_{root_.path()};
};

// Other programs see ordinary UTF-16 text with its terminator, in one key per level; a
// deleted section takes its keys with it.
TEST_F(RegistryStoreTest, ValuesAreUtf16TextInKeysThatADeleteRemoves) {
    // U+0800 and the euro sign are the first and an ordinary three-byte character.
    const std::string value = "Gr\xC3\xBC\xC3\x9F" "e, \xE0\xA0\x80 \xE2\x82\xAC \xD8\xA7, emoji \xF0\x9F\x98\x80";
    store_.write(kMain, "Values", "K5", value);
    const std::wstring values = widen(keyOf(std::string(kMain) + "\\Values"));
    EXPECT_EQ(rawValue(narrow(values), "K5"), utf16Value(widen(value)));
    // Text another program wrote without even its terminator.
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, values.c_str(), L"Bare", REG_SZ, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(get(kMain, "Values", "Bare"), "");
    // The key-safe slash stays inside one key name.
    store_.write("Kivra\\Kivra [Link] a/b\\Inst 1 of 1", "LinkOptions", "AutoExec", "2");
    EXPECT_EQ(rawValue(keyOf("Kivra\\Kivra [Link] a/b\\Inst 1 of 1\\LinkOptions"), "AutoExec"), utf16Value(L"2"));

    store_.write("Kivra\\Kivra [Link] Mail\\Inst 1 of 1", "LinkOptions", "MatchMethod", "1");
    store_.deleteSection("Kivra", "Kivra [Link] Mail");
    EXPECT_FALSE(keyExists(keyOf("Kivra\\Kivra [Link] Mail")));
    EXPECT_TRUE(keyExists(keyOf("Kivra")));
}

TEST_F(RegistryStoreTest, NamesNoKeyCanHaveAreRefusedAndNeverReachAnotherPlace) {
    store_.write(kMain, "FormPrefs", "FormKVA", "1");
    const std::string longestPart(255, 'n');

    EXPECT_EQ(refusal("Kivra\\\\Kivra [ Main ]", "FormPrefs", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "FormPrefs", std::string("Key\0Tail", 8)), errnum::BadFileName);
    EXPECT_EQ(refusal("Kivra\\" + std::string(256, 'n'), "S", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "FormPrefs", std::string(16384, 'k')), errnum::BadFileName);
    EXPECT_EQ(refusal("Kivra\\" + longestPart, "S", "K"), 0) << "255 characters are allowed";
    // A read through a name that cannot exist gives the fallback.
    EXPECT_EQ(get("Kivra\\\\Kivra [ Main ]", "FormPrefs", "FormKVA"), "-1");

    // An empty part never lets a delete climb to a level above.
    store_.deleteSection("Kivra", "");
    store_.deleteSection("Kivra\\", "Kivra [ Main ]");
    store_.deleteSection("", "Kivra");
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "1");

    EXPECT_EQ(store_.entries().size(), 2u) << "a refused write left something behind";
}

// The root KIVRA_SETTINGS_KEY names is used; one that cannot exist is reported, and its store
// keeps nothing. The variable is unset afterwards.
TEST(RegistryStoreLocation, KivraSettingsKeyChoosesTheRoot) {
    ScratchRegistryKey root;
    const wchar_t* variable = L"KIVRA_SETTINGS_KEY";
    SetEnvironmentVariableW(variable, widen("HKEY_CURRENT_USER\\" + root.path() + "\\").c_str());
    OpenedStore opened = openDefaultStore();
    ASSERT_TRUE(opened.store);
    EXPECT_FALSE(opened.problem) << opened.problem->what();
    opened.store->write(kMain, "FormPrefs", "FormKVA", "2");
    EXPECT_EQ(rawValue(root.path() + "\\Kivra\\Kivra [ Main ]\\FormPrefs", "FormKVA"), utf16Value(L"2"));

    SetEnvironmentVariableW(variable, widen(root.path() + "\\\\gap").c_str());
    opened = openDefaultStore();
    SetEnvironmentVariableW(variable, nullptr);
    ASSERT_TRUE(opened.store);
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), errnum::BadFileName);
    EXPECT_EQ(opened.store->read(kMain, "FormPrefs", "FormKVA", "fallback"), "fallback");
    EXPECT_THROW(opened.store->write(kMain, "FormPrefs", "FormKVA", "1"), KivraError);
}

// On: the Run value holds the quoted main program, non-ASCII intact; off removes it, twice
// without complaint.
TEST(Autostart, OnWritesTheRunValueOffRemovesIt) {
    if (autostartEnabled()) GTEST_SKIP() << "this user starts Kivra at login already: left alone";
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string program = "C:\\Program Files\\Kivra \xC3\xA9t\xC3\xA9\\kivra.exe";
    ASSERT_EQ(setAutostart(true, program), "");
    EXPECT_TRUE(autostartEnabled());
    EXPECT_EQ(rawValue(run, "Kivra"), utf16Value(L"\"" + widen(program) + L"\""));
    ASSERT_EQ(setAutostart(false, program), "");
    EXPECT_FALSE(autostartEnabled());
    EXPECT_EQ(rawValue(run, "Kivra").first, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(setAutostart(false, program), "") << "off when it is off already";
}

}  // namespace
}  // namespace kivra
