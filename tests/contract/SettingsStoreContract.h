// What every settings store promises, whatever keeps the values: instantiate it with a backend
// type that has `std::unique_ptr<SettingsStore> make()` (called once per test) and says in
// `kKeepsNonUtf8` whether bytes that are not UTF-8 survive and in `kKeepsLevelSpelling` whether
// a level keeps the spelling it was made with (a store of files or keys; not a flat map).
#pragma once

#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kivra {

inline void PrintTo(const StoredEntry& e, std::ostream* os) { *os << "{" << e.path << " | " << e.key << " | " << e.value << "}"; }

namespace contract {

inline constexpr std::string_view kMain = "Kivra\\Kivra [ Main ]";
inline constexpr std::string_view kMailInst1 = "Kivra\\Kivra [Link] Mail\\Inst 1 of 1";
inline constexpr std::string_view kMailInst2 = "Kivra\\Kivra [Link] Mail\\Inst 2 of 3";
inline constexpr std::string_view kMailbox = "Kivra\\Kivra [Link] Mailbox\\Inst 1 of 1";
inline constexpr std::string_view kMaiInst1 = "Kivra\\Kivra [Link] Mai\\Inst 1 of 1";

template <typename Backend>
class SettingsStoreContract : public ::testing::Test {
protected:
    std::string get(std::string_view app, std::string_view section, std::string_view key) {
        return store_->read(app, section, key, kAbsent);
    }
    Backend backend_;
    std::unique_ptr<SettingsStore> store_ = backend_.make();
};

TYPED_TEST_SUITE_P(SettingsStoreContract);

TYPED_TEST_P(SettingsStoreContract, AbsentUntilWrittenThenReplaced) {
    auto& s = *this->store_;
    EXPECT_EQ(this->get(kMain, "FormPrefs", "FormKVA"), "-1");
    s.write(kMain, "FormPrefs", "FormKVA", "2");
    EXPECT_EQ(this->get(kMain, "FormPrefs", "FormKVA"), "2");
    s.write(kMain, "FormPrefs", "FormKVA", "1");
    EXPECT_EQ(this->get(kMain, "FormPrefs", "FormKVA"), "1");
    EXPECT_EQ(this->get("Kivra", "Kivra [ Main ]", "FormKVA"), "-1");  // a level above the section holds no keys
    // The same level addressed with the split between name and section moved.
    s.write(kMailInst1, "LinkOptions", "MatchMethod", "2");
    EXPECT_EQ(this->get("Kivra", "Kivra [Link] Mail\\Inst 1 of 1\\LinkOptions", "MatchMethod"), "2");
}

TYPED_TEST_P(SettingsStoreContract, DeleteRemovesTheSubtreeAndNoNameThatMerelyStartsTheSame) {
    auto& s = *this->store_;
    s.write(kMailInst1, "LinkOptions", "MatchMethod", "1");
    s.write(kMailInst2, "FormPosSize", "Top", "240");
    s.write("Kivra", "Kivra [Link] Mail", "Direct", "x");  // the section itself
    s.write(kMaiInst1, "FormPosSize", "Top", "60");
    s.write(kMailbox, "FormPosSize", "Top", "360");
    s.write("Other\\Kivra [Link] Mail\\Inst 1 of 1", "FormPosSize", "Top", "9");  // another root

    s.deleteSection("Kivra", "Kivra [Link] Mai");
    EXPECT_EQ(this->get(kMaiInst1, "FormPosSize", "Top"), "-1");
    EXPECT_EQ(this->get(kMailInst1, "LinkOptions", "MatchMethod"), "1");

    s.deleteSection("KIVRA", "kivra [link] mail");
    EXPECT_EQ(this->get(kMailInst1, "LinkOptions", "MatchMethod"), "-1");
    EXPECT_EQ(this->get(kMailInst2, "FormPosSize", "Top"), "-1");
    EXPECT_EQ(this->get("Kivra", "Kivra [Link] Mail", "Direct"), "-1");
    EXPECT_EQ(this->get(kMailbox, "FormPosSize", "Top"), "360");
    EXPECT_EQ(this->get("Other\\Kivra [Link] Mail\\Inst 1 of 1", "FormPosSize", "Top"), "9");

    s.deleteSection(kMain, "NeverWritten");  // deleting nothing is no failure
}

TYPED_TEST_P(SettingsStoreContract, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    auto& s = *this->store_;
    s.write(kMailInst1, "LinkOptions", "AutoExec", "1");
    EXPECT_EQ(this->get("KIVRA\\kivra [link] MAIL\\inst 1 OF 1", "linkoptions", "AUTOEXEC"), "1");
    s.write("kivra\\KIVRA [LINK] mail\\INST 1 of 1", "LINKOPTIONS", "autoexec", "2");
    EXPECT_EQ(this->get(kMailInst1, "LinkOptions", "AutoExec"), "2");
    s.write("KIVRA\\KIVRA [LINK] MAIL\\INST 1 OF 1", "FormPosSize", "Top", "5");
    const std::vector<StoredEntry> expected = {
        {std::string(kMailInst1) + "\\FormPosSize", "Top", "5"},
        {std::string(kMailInst1) + "\\LinkOptions", "AutoExec", "2"},
    };
    const std::vector<StoredEntry> entries = s.entries();
    ASSERT_EQ(entries.size(), 2u);
    if (TypeParam::kKeepsLevelSpelling) {
        EXPECT_EQ(entries, expected);
    }
    EXPECT_EQ(entries[1], expected[1]);
}

TYPED_TEST_P(SettingsStoreContract, NamesWithWildcardsAndSlashesAreLiteral) {
    auto& s = *this->store_;
    const std::string pct = "Kivra\\Kivra [Link] 100%_done\\Inst 1 of 1";
    const std::string look = "Kivra\\Kivra [Link] 100xydone\\Inst 1 of 1";
    s.write(pct, "S", "K", "pct");
    s.write(look, "S", "K", "look");
    s.deleteSection("Kivra", "Kivra [Link] 100%_done");
    EXPECT_EQ(this->get(pct, "S", "K"), "-1");
    EXPECT_EQ(this->get(look, "S", "K"), "look");
}

TYPED_TEST_P(SettingsStoreContract, AnyValueRoundTripsExactly) {
    std::vector<std::string> values = {
        "", "  blanks  ", "tab\tnewline\r\n", "back\\slash\\\\double\\", "emoji \xF0\x9F\x98\x80",
        std::string("embedded\0nul", 12), std::string(10 * 1024, 'y') + "end",
    };
    if (TypeParam::kKeepsNonUtf8) values.push_back("not UTF-8: \xC3 \xFF \xED\xA0\x80 \xC0\xAF end");
    for (size_t i = 0; i < values.size(); ++i) this->store_->write(kMain, "Values", "K" + std::to_string(i), values[i]);
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(this->get(kMain, "Values", "K" + std::to_string(i)), values[i]) << i;
}

TYPED_TEST_P(SettingsStoreContract, EntriesAreOrderedByPathAndKeyWithAsciiLettersFolded) {
    // Written out of order. Letters fold to lower case, so "_" (0x5F) sorts before letters,
    // a blank before "\", and "\" before "_".
    const std::vector<StoredEntry> expected = {
        {"Kivra\\Kivra [Link] A B\\Inst 1 of 1\\S", "k", "2"},
        {"Kivra\\Kivra [Link] A\\Inst 1 of 1\\S", "k", "3"},
        {"Kivra\\Kivra [Link] A_\\Inst 1 of 1\\S", "k", "4"},
        {"Kivra\\Kivra [Link] AB\\Inst 1 of 1\\S", "k", "5"},
    };
    for (auto it = expected.rbegin(); it != expected.rend(); ++it)
        this->store_->write(it->app(), it->section(), it->key, it->value);
    this->store_->write("Other\\Program", "S", "K", "not Kivra's");
    std::vector<StoredEntry> all = this->store_->entries();
    std::erase_if(all, [](const StoredEntry& e) { return e.path.starts_with("Other"); });
    EXPECT_EQ(all, expected);
    // Below a path given in any case: that path and what lies below it, nothing beside it.
    EXPECT_EQ(this->store_->entries("KIVRA\\kivra [link] a"),
              std::vector<StoredEntry>{expected[1]});
    EXPECT_EQ(this->store_->entries("Other"), (std::vector<StoredEntry>{{"Other\\Program\\S", "K", "not Kivra's"}}));
}

REGISTER_TYPED_TEST_SUITE_P(SettingsStoreContract, AbsentUntilWrittenThenReplaced,
                            DeleteRemovesTheSubtreeAndNoNameThatMerelyStartsTheSame,
                            NamesCompareWithoutCaseAndKeepTheirFirstSpelling, NamesWithWildcardsAndSlashesAreLiteral,
                            AnyValueRoundTripsExactly, EntriesAreOrderedByPathAndKeyWithAsciiLettersFolded);

}  // namespace contract
}  // namespace kivra
