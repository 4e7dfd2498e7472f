// The settings store contract on the registry, each test below a key of its own; then what only
// the registry has: UTF-16 text, folding of every letter, refused names,
// the exact keys and the root from KIVRA_SETTINGS_KEY.
#include "RegistryStore.h"
#include "contract/SettingsStoreContract.h"
#include "StoreLocation.h"
#include "Win32Test.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kivra {
namespace {

using namespace wintest;
using contract::kMailInst1;
using contract::kMain;

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

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The registry as it is, without the store in between.
std::optional<RawValue> rawValue(const std::string& keyPath, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RawValue raw;
    DWORD size = 0;
    LSTATUS rc = RegQueryValueExW(key, widen(name).c_str(), nullptr, &raw.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        raw.data.resize(size);
        rc = RegQueryValueExW(key, widen(name).c_str(), nullptr, &raw.type, raw.data.data(), &size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return raw;
}

bool keyExists(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<BYTE> utf16Data(std::wstring_view text) {
    std::vector<BYTE> data((text.size() + 1) * sizeof(wchar_t), 0);
    std::memcpy(data.data(), text.data(), text.size() * sizeof(wchar_t));
    return data;
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
            EXPECT_NE(std::string(e.what()).find("Settings"), std::string::npos) << e.what();
            return e.number();
        }
        return 0;
    }

    ScratchRegistryKey root_;
    RegistryStore store_{root_.path()};
};

TEST_F(RegistryStoreTest, ValuesAreStoredAsUtf16Text) {
    const std::string value = "Gr\xC3\xBC\xC3\x9F" "e, \xCE\x95\xCE\xBB, \xD8\xA7\xD9\x84, emoji \xF0\x9F\x98\x80";
    store_.write(kMain, "Values", "K5", value);
    EXPECT_EQ(get(kMain, "Values", "K5"), value);
    // Other programs see ordinary UTF-16 text with its terminator.
    const auto raw = rawValue(keyOf(std::string(kMain) + "\\Values"), "K5");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->data, utf16Data(widen(value)));
    // The key-safe slash stays inside one key name.
    store_.write("Kivra\\Kivra [Link] a/b\\Inst 1 of 1", "LinkOptions", "AutoExec", "2");
    EXPECT_EQ(rawValue(keyOf("Kivra\\Kivra [Link] a/b\\Inst 1 of 1\\LinkOptions"), "AutoExec")->data, utf16Data(L"2"));
    EXPECT_FALSE(keyExists(keyOf("Kivra\\Kivra [Link] a")));
}

TEST_F(RegistryStoreTest, NamesFoldEveryLetterNotOnlyAscii) {
    store_.write("Kivra\\Kivra [Link] \xC3\x84rger", "S", "\xC3\x9C" "ber", "u");  // "Ärger", "Über"
    EXPECT_EQ(get("kivra\\kivra [link] \xC3\xA4rger", "s", "\xC3\xBC" "ber"), "u");
}

TEST_F(RegistryStoreTest, DeleteSectionRemovesTheKeysThemselves) {
    store_.write(contract::kMaiInst1, "FormPosSize", "Top", "60");
    store_.write(kMailInst1, "LinkOptions", "MatchMethod", "1");
    store_.deleteSection("Kivra", "Kivra [Link] Mai");
    EXPECT_FALSE(keyExists(keyOf("Kivra\\Kivra [Link] Mai")));
    store_.deleteSection("KIVRA", "kivra [link] mail");
    EXPECT_FALSE(keyExists(keyOf("Kivra\\Kivra [Link] Mail")));
    EXPECT_TRUE(keyExists(keyOf("Kivra")));
    store_.deleteSection("Absent\\Levels", "Too");  // deleting nothing is no failure
}

TEST_F(RegistryStoreTest, NamesNoKeyCanHaveAreRefusedAndNeverReachAnotherPlace) {
    store_.write(kMain, "FormPrefs", "FormKVA", "1");
    const std::string longPart(256, 'n');
    const std::string longestPart(255, 'n');

    EXPECT_EQ(refusal("Kivra\\\\Kivra [ Main ]", "FormPrefs", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal("\\Kivra", "FormPrefs", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal("Kivra\\", "FormPrefs", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal("", "FormPrefs", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "FormPrefs\\", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(std::string(kMain) + std::string("\0x", 2), "S", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "FormPrefs", std::string("Key\0Tail", 8)), errnum::BadFileName);
    EXPECT_EQ(refusal("Kivra\\" + longPart, "S", "K"), errnum::BadFileName);
    EXPECT_EQ(refusal(kMain, "FormPrefs", std::string(16384, 'k')), errnum::BadFileName);
    EXPECT_EQ(refusal("Kivra\\" + longestPart, "S", "K"), 0) << "255 characters are allowed";
    EXPECT_EQ(get("Kivra\\" + longestPart, "S", "K"), "v");
    // A read through a name that cannot exist gives the fallback.
    EXPECT_EQ(get("Kivra\\\\Kivra [ Main ]", "FormPrefs", "FormKVA"), "-1");
    EXPECT_EQ(get(kMain, "FormPrefs", std::string("FormKVA\0", 8)), "-1");

    // An empty part never lets a delete climb to a level above.
    store_.deleteSection("Kivra", "");
    store_.deleteSection("Kivra\\", "Kivra [ Main ]");
    store_.deleteSection("", "Kivra");
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "1");

    const std::vector<StoredEntry> expected = {
        {"Kivra\\Kivra [ Main ]\\FormPrefs", "FormKVA", "1"},
        {"Kivra\\" + longestPart + "\\S", "K", "v"},
    };
    EXPECT_EQ(store_.entries(), expected) << "a refused write left something behind";
}

TEST(RegistryStoreLocation, KivraSettingsKeyChoosesTheRoot) {
    ScratchRegistryKey root;
    {
        ScopedEnvironment env("KIVRA_SETTINGS_KEY", "HKEY_CURRENT_USER\\" + root.path() + "\\");
        OpenedStore opened = openDefaultStore();
        ASSERT_TRUE(opened.store);
        EXPECT_FALSE(opened.problem) << opened.problem->what();
        EXPECT_EQ(defaultStoreLocation(), "HKEY_CURRENT_USER\\" + root.path());
        opened.store->write(kMain, "FormPrefs", "FormKVA", "2");
        EXPECT_TRUE(rawValue(root.path() + "\\Kivra\\Kivra [ Main ]\\FormPrefs", "FormKVA"));
    }
    {
        ScopedEnvironment env("KIVRA_SETTINGS_KEY", root.path() + "\\\\gap");
        OpenedStore opened = openDefaultStore();
        ASSERT_TRUE(opened.store);
        ASSERT_TRUE(opened.problem);
        EXPECT_EQ(opened.problem->number(), errnum::BadFileName);
        EXPECT_EQ(opened.store->read(kMain, "FormPrefs", "FormKVA", "fallback"), "fallback");
        EXPECT_THROW(opened.store->write(kMain, "FormPrefs", "FormKVA", "1"), KivraError);
    }
    {
        ScopedEnvironment env("KIVRA_SETTINGS_KEY", std::nullopt);
        EXPECT_EQ(defaultStoreLocation(), "HKEY_CURRENT_USER\\Software");
    }
}

}  // namespace
}  // namespace kivra
