// The store under hostile conditions: names no backend can hold, and a save that finds the
// store locked by another process.
#include "ExportFormat.h"
#include "SqliteStore.h"
#include "StoreFile.h"
#include "StoreSave.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kivra {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class StoreHardening : public ::testing::Test {
protected:
    // Another process takes the store's write lock and keeps it until release().
    void holdLockElsewhere() {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(release_), 0);
        holder_ = fork();
        if (holder_ == 0) {
            sqlite3* db = nullptr;
            sqlite3_open(file_.c_str(), &db);
            const bool held = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
            (void)!write(ready[1], held ? "y" : "n", 1);
            char c;
            (void)!read(release_[0], &c, 1);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
            _exit(0);
        }
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        ASSERT_EQ(c, 'y');
    }
    void release() {
        (void)!write(release_[1], "x", 1);
        waitpid(holder_, nullptr, 0);
    }

    TempDir tmp_;
    fs::path dir_ = tmp_.path(), file_ = dir_ / "settings.sqlite3";
    int release_[2] = {-1, -1};
    pid_t holder_ = -1;
};

const std::vector<StoreChange> kSave = {
    {StoreChange::Kind::DeleteSection, "Kivra\\Kivra [ Main ]", "HostLinks", {}, {}},
    {StoreChange::Kind::Write, "Kivra\\Kivra [ Main ]", "HostLinks", "HLinkCnt", "1"},
    {StoreChange::Kind::Write, "Kivra\\Kivra [ Main ]", "FormPosSize", "Left", "1440"},
};

// Past the wait limit the values land in a recovery file in the export format, which a later
// import (once the lock is free) puts in the store; within the limit they reach the store.
TEST_F(StoreHardening, ALockHeldPastTheLimitKeepsTheValuesInARecoveryFileThatImports) {
    auto store = openStore(file_).store;
    holdLockElsewhere();
    const fs::path recovery = dir_ / "settings.sqlite3.recovery-x.txt";
    const SaveResult kept = applyChanges(*store, kSave, 200ms, recovery);
    EXPECT_FALSE(kept.error);
    ASSERT_EQ(kept.recoveryFile, recovery);
    // A second program of the session adds its values to the same file.
    ASSERT_EQ(applyChanges(*store, {{StoreChange::Kind::Write, "Kivra\\L", "S", "K", "v"}}, 0ms, recovery).recoveryFile,
              recovery);
    release();

    std::ifstream in(recovery);
    auto parsed = settings::parseExport(in);
    ASSERT_TRUE(std::holds_alternative<std::vector<StoredEntry>>(parsed)) << std::get<settings::ParseError>(parsed).message;
    for (const StoredEntry& e : std::get<std::vector<StoredEntry>>(parsed)) store->write(e.app(), e.section(), e.key, e.value);
    EXPECT_EQ(store->read("Kivra\\Kivra [ Main ]", "FormPosSize", "Left", "-1"), "1440");
    EXPECT_EQ(store->read("Kivra\\Kivra [ Main ]", "HostLinks", "HLinkCnt", "-1"), "1");
    EXPECT_EQ(store->read("Kivra\\L", "S", "K", "-1"), "v");

    // Without a lock the same save simply lands.
    const SaveResult saved = applyChanges(*store, kSave, 200ms, recovery);
    EXPECT_TRUE(saved.saved());
}

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
