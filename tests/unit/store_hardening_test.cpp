// The store under hostile conditions: names no backend can hold.
#include "ExportFormat.h"
#include "SqliteStore.h"
#include "StoreFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace kivra {
namespace {

namespace fs = std::filesystem;

class StoreHardening : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kivra-hard-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        file_ = dir_ / "settings.sqlite3";
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_, file_;
};

// Names the registry cannot hold are refused by the file store too, and by the import with the
// line number, so an export made on one platform imports on the other.
TEST_F(StoreHardening, NamesSomeBackendRefusesAreRefusedEverywhere) {
    auto store = openStore(file_).store;
    for (auto [app, section, key] : {std::tuple{"A", "", "K"}, std::tuple{"A\\", "S", "K"}, std::tuple{"", "S", "K"},
                                     std::tuple{"A", "S", ""}, std::tuple{"A", "S\\\\T", "K"}}) {
        try {
            store->write(app, section, key, "v");
            ADD_FAILURE() << "accepted " << app << " | " << section << " | " << key;
        } catch (const KivraError& e) {
            EXPECT_EQ(e.number(), errnum::BadFileName);
        }
    }
    EXPECT_TRUE(store->entries().empty());
    for (const std::string bad : {"[\\]\nK=v\n", "[A\\\\B]\nK=v\n", "[A\\B]\n=v\n"}) {
        std::istringstream in("kivra-settings export 1\n# comment\n" + bad);
        auto parsed = settings::parseExport(in);
        ASSERT_TRUE(std::holds_alternative<settings::ParseError>(parsed)) << bad;
        EXPECT_EQ(std::get<settings::ParseError>(parsed).line, bad.starts_with("[A\\B]") ? 4 : 3) << bad;
    }
}

}  // namespace
}  // namespace kivra
