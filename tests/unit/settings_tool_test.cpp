// kivra-settings run as a user would: get, set, list, delete-section, and export/import
// round trips of awkward names and values; a faulty import changes nothing.
#include "SqliteStore.h"
#include "StoreFile.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kivra {

void PrintTo(const StoredEntry& e, std::ostream* os) { *os << "{" << e.path << " | " << e.key << " | " << e.value << "}"; }

namespace {

namespace fs = std::filesystem;
using test::fileContents;
using test::writeFile;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class SettingsTool : public ::testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("KIVRA_BIN_DIR");
        program_ = fs::path(bin ? bin : ".") / "kivra-settings";
        ASSERT_TRUE(fs::exists(program_)) << program_ << " not built (set KIVRA_BIN_DIR)";
    }

    // Runs the tool through the shell with KIVRA_SETTINGS naming this test's file; no
    // argument holds a single quote.
    RunResult run(const std::vector<std::string>& args, const std::string& input = {}) {
        const fs::path in = dir_ / "stdin", out = dir_ / "stdout", err = dir_ / "stderr";
        writeFile(in, input);
        std::string command = "KIVRA_SETTINGS='" + store_.string() + "' '" + program_.string() + "'";
        for (const std::string& a : args) command += " '" + a + "'";
        command += " <'" + in.string() + "' >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, fileContents(out), fileContents(err)};
    }

    std::vector<StoredEntry> storedEntries() {
        OpenedFileStore opened = openStore(store_);
        EXPECT_FALSE(opened.problem);
        return opened.store->entries();
    }

    fs::path program_;
    TempDir tmp_;
    fs::path dir_ = tmp_.path();
    fs::path store_ = dir_ / "settings.sqlite3";
};

// Get, set, delete-section and list work on the tree; usage errors exit with 2, help with 0.
TEST_F(SettingsTool, GetSetDeleteSectionListAndUsage) {
    EXPECT_EQ(run({"get", "Kivra\\Kivra [ Main ]", "FormPrefs", "FormKVA"}).out, "-1\n");
    ASSERT_EQ(run({"set", "Kivra\\Kivra [Link] Mail\\Inst 1 of 1", "FormPosSize", "Top", "10"}).status, 0);
    ASSERT_EQ(run({"set", "Kivra\\Kivra [ Main ]", "MainOptions", "TBCapString", "a\tb"}).status, 0);
    ASSERT_EQ(run({"delete-section", "Kivra", "Kivra [Link] Mail"}).status, 0);
    EXPECT_EQ(run({"list"}).out, "Kivra\\Kivra [ Main ]\tMainOptions\tTBCapString\ta%09b\n");
    EXPECT_EQ(run({"get", "only-two", "args"}).status, 2);
    EXPECT_NE(run({"import", (dir_ / "missing.txt").string()}).status, 0);
}

TEST_F(SettingsTool, ExportWipeImportRestoresEveryValueExactly) {
    const std::vector<StoredEntry> tricky = {
        {"Kivra\\Kivra [ Main ]\\MainOptions", "TBCapString", "  blanks at both ends  "},
        {"Kivra\\Kivra [ Main ]\\MainOptions", "Controls", "tab\there\nnewline\rCR\r\nCRLF"},
        {"Kivra\\Kivra [ Main ]\\PictureFiles", "PrevFile1", "C:\\pics\\a b\\%41%.gif"},
        {"Kivra\\Kivra [Link] C:/x [1]]\\Inst 1 of 1\\LinkOptions", "Title", "Grüße 日本 \xF0\x9F\x98\x80"},
        {"Kivra\\Kivra [Link] ends with blank \\Inst 1 of 1\\S", "=odd=key", "=starts with equals"},
        {"Kivra\\S", "[bracket", "#hash"},
        {"Kivra\\S", "#hash", "[bracket"},
        {"Kivra\\S", " lead key", "bad utf8 \xC3 and \xFF and nul " + std::string(1, '\0') + " end"},
    };
    {
        OpenedFileStore opened = openStore(store_);
        for (const StoredEntry& e : tricky) opened.store->write(e.app(), e.section(), e.key, e.value);
    }
    const std::vector<StoredEntry> before = storedEntries();
    ASSERT_EQ(before.size(), tricky.size());

    const fs::path exported = dir_ / "export.txt";
    RunResult ex = run({"export", exported.string()});
    ASSERT_EQ(ex.status, 0) << ex.err;
    const std::string text = fileContents(exported);
    // One line per value and section: nothing inside a value breaks a line.
    for (const char c : text) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);

    fs::remove(store_);
    RunResult im = run({"import", exported.string()});
    ASSERT_EQ(im.status, 0) << im.err;
    EXPECT_EQ(storedEntries(), before);
    // Export of the imported tree is the same text.
    EXPECT_EQ(run({"export", "-"}).out, text);
}

// A faulty import changes nothing and names the line.
TEST_F(SettingsTool, ABadImportChangesNothingAndNamesTheLine) {
    ASSERT_EQ(run({"set", "Kivra\\A", "S", "Kept", "original"}).status, 0);
    const std::string good = "kivra-settings export 1\n[Kivra\\A\\S]\nKept=changed\nNew=1\n";
    const std::pair<std::string, int> rows[] = {
        {"[Kivra\\A\\S]\nKept=changed\n", 1},  // no header
        {good + "Other=50%\n", 5},
        {good + "Other=a\tb\n", 5},
        {good + "a%00b=v\n", 5},
        {"kivra-settings export 1\n# comment\n[\\]\nK=v\n", 3}};  // a name no backend can hold
    const fs::path file = dir_ / "bad.txt";
    for (const auto& [text, line] : rows) {
        SCOPED_TRACE(text);
        writeFile(file, text);
        RunResult result = run({"import", file.string()});
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.err.find(file.string() + ":" + std::to_string(line) + ":"), std::string::npos) << result.err;
        EXPECT_EQ(storedEntries(), (std::vector<StoredEntry>{{"Kivra\\A\\S", "Kept", "original"}}));
    }
}

}  // namespace
}  // namespace kivra
