// The settings store contract on the registry, each test below a key of its own; then what only
// the registry has: UTF-16 text, folding of every letter, refused names, values written by hand,
// the exact keys, the root from KIVRA_SETTINGS_KEY, a read-only key, and kivra-settings on it.
#include "RegistryStore.h"
#include "contract/SettingsStoreContract.h"
#include "RunProgram.h"
#include "StoreLocation.h"
#include "TestScopes.h"
#include "Win32Test.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

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

void setRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, widen(name).c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
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

TEST_F(RegistryStoreTest, ValuesOfOtherTypesWrittenByHandReadAsTheirText) {
    const std::string section = keyOf(std::string(kMain) + "\\FormPrefs");
    const DWORD dword = 47, big = 0xFFFFFFFF;
    const unsigned long long qword = 12345678901234ULL;
    const BYTE binary[] = {1, 2, 3};
    const std::wstring expand = L"%TEMP%\\x";
    const std::wstring unterminated = L"abc";  // stored without its terminator
    setRaw(section, "FormPal1Color", REG_DWORD, &dword, sizeof dword);
    setRaw(section, "Big", REG_DWORD, &big, sizeof big);
    setRaw(section, "Q", REG_QWORD, &qword, sizeof qword);
    setRaw(section, "Bin", REG_BINARY, binary, sizeof binary);
    setRaw(section, "Exp", REG_EXPAND_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * sizeof(wchar_t)));
    setRaw(section, "Bare", REG_SZ, unterminated.data(), static_cast<DWORD>(unterminated.size() * sizeof(wchar_t)));
    setRaw(section, "Odd", REG_SZ, "a\0b", 3);  // an odd byte count

    EXPECT_EQ(get(kMain, "FormPrefs", "FormPal1Color"), "47");
    EXPECT_EQ(get(kMain, "FormPrefs", "Big"), "4294967295");
    EXPECT_EQ(get(kMain, "FormPrefs", "Q"), "12345678901234");
    EXPECT_EQ(get(kMain, "FormPrefs", "Bin"), "-1");
    EXPECT_EQ(get(kMain, "FormPrefs", "Exp"), "%TEMP%\\x");
    EXPECT_EQ(get(kMain, "FormPrefs", "Bare"), "abc");
    EXPECT_EQ(get(kMain, "FormPrefs", "Odd"), "a");

    // Writing replaces the hand-made value with text.
    store_.write(kMain, "FormPrefs", "FormPal1Color", "12");
    EXPECT_EQ(rawValue(section, "FormPal1Color")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(get(kMain, "FormPrefs", "FormPal1Color"), "12");
}

TEST_F(RegistryStoreTest, TheProgramsNamesLandAtTheExactRegistryKeys) {
    store_.write(kMain, "FormPrefs", "FormKVA", "1");
    store_.write("Kivra\\Kivra [Link] a/b\\Inst 1 of 1", "LinkOptions", "AutoExec", "2");

    const auto mainValue = rawValue(root_.path() + "\\Kivra\\Kivra [ Main ]\\FormPrefs", "FormKVA");
    ASSERT_TRUE(mainValue);
    EXPECT_EQ(mainValue->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(mainValue->data, utf16Data(L"1"));

    const auto linkValue = rawValue(root_.path() + "\\Kivra\\Kivra [Link] a/b\\Inst 1 of 1\\LinkOptions", "AutoExec");
    ASSERT_TRUE(linkValue);
    EXPECT_EQ(linkValue->data, utf16Data(L"2"));
    // The key-safe slash stays inside one key name.
    EXPECT_FALSE(keyExists(root_.path() + "\\Kivra\\Kivra [Link] a"));
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

// Lets everyone read, delete and re-permit the key, and nobody change it.
LSTATUS makeReadOnly(const std::string& keyPath) {
    HKEY key = nullptr;
    LSTATUS rc = RegOpenKeyExW(HKEY_CURRENT_USER, widen(keyPath).c_str(), 0, KEY_READ | WRITE_DAC, &key);
    if (rc != ERROR_SUCCESS) return rc;
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<ACL*>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | DELETE | WRITE_DAC, everyone);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
    FreeSid(everyone);
    return rc;
}

TEST(RegistryStoreLocation, AKeyTheUserMayOnlyReadIsReportedAndRefusesWrites) {
    ScratchRegistryKey root;
    RegistryStore store(root.path());
    store.write(kMain, "FormPrefs", "FormKVA", "1");
    EXPECT_FALSE(store.check());
    ASSERT_EQ(makeReadOnly(root.path() + "\\Kivra"), ERROR_SUCCESS);
    ASSERT_EQ(makeReadOnly(root.path() + "\\Kivra\\Kivra [ Main ]\\FormPrefs"), ERROR_SUCCESS);

    const std::optional<KivraError> problem = store.check();
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->number(), errnum::PermissionDenied);
    EXPECT_NE(std::string(problem->what()).find(root.path() + "\\Kivra"), std::string::npos) << problem->what();
    try {
        store.write(kMain, "FormPrefs", "FormKVA", "2");
        FAIL() << "a write to a read-only key was accepted";
    } catch (const KivraError& e) {
        EXPECT_EQ(e.number(), errnum::PermissionDenied) << e.what();
    }
    EXPECT_EQ(store.read(kMain, "FormPrefs", "FormKVA", kAbsent), "1");
}

// ---------------------------------------------------------------------------------------
// kivra-settings on the registry store, run as a user would.

class RegistryStoreTool : public ::testing::Test {
protected:
    ProgramRun run(const std::vector<std::string>& args, const std::string& input = {}) {
        return runProgram(programDir() / "kivra-settings.exe", args, input);
    }
    // Windows text output ends lines in CR LF.
    static std::string lines(std::string text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
        return out;
    }

    ScratchRegistryKey root_;
    ScopedEnvironment env_{"KIVRA_SETTINGS_KEY", root_.path()};
    RegistryStore store_{root_.path()};
    TempFolder folder_;
};

TEST_F(RegistryStoreTool, ExportWipeImportRestoresEveryValueExactly) {
    const std::vector<StoredEntry> tricky = {
        {"Kivra\\Kivra [ Main ]\\FormPrefs", "FormKVA", "1"},
        {"Kivra\\Kivra [ Main ]\\MainOptions", "TBCapString", "  blanks at both ends  "},
        {"Kivra\\Kivra [ Main ]\\MainOptions", "Empty", ""},
        {"Kivra\\Kivra [ Main ]\\MainOptions", "Controls", "tab\there\nnewline\rCR\r\nCRLF"},
        {"Kivra\\Kivra [ Main ]\\PictureFiles", "PrevFile1", "C:\\pics\\a b\\%41%.gif"},
        {"Kivra\\Kivra [Link] C:/x [1]]\\Inst 1 of 1\\LinkOptions", "Title", "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80"},
        {"Kivra\\S", "=odd=key", "=starts with equals"},
        {"Kivra\\S", "[bracket", "bad utf8 \xC3 and \xFF and nul " + std::string(1, '\0') + " end"},
    };
    for (const StoredEntry& e : tricky) store_.write(e.app(), e.section(), e.key, e.value);
    const std::vector<StoredEntry> before = store_.entries();
    ASSERT_EQ(before.size(), tricky.size());

    const auto exported = folder_.path() / "export \xC3\xBC.txt";  // a non-ASCII file name
    ProgramRun ex = run({"export", exported.string()});
    ASSERT_EQ(ex.exitCode, 0) << ex.err;
    const std::string text = fileText(exported);
    EXPECT_EQ(text.rfind("kivra-settings export 1\n", 0), 0u) << text;

    RegDeleteTreeW(HKEY_CURRENT_USER, widen(root_.path() + "\\Kivra").c_str());
    EXPECT_TRUE(store_.entries().empty());
    ProgramRun im = run({"import", exported.string()});
    ASSERT_EQ(im.exitCode, 0) << im.err;
    EXPECT_EQ(store_.entries(), before);

    // The same text on standard output; standard input imports it too.
    EXPECT_EQ(lines(run({"export", "-"}).out), text);
    RegDeleteTreeW(HKEY_CURRENT_USER, widen(root_.path() + "\\Kivra").c_str());
    ASSERT_EQ(run({"import", "-"}, text).exitCode, 0);
    EXPECT_EQ(store_.entries(), before);
}

}  // namespace
}  // namespace kivra
