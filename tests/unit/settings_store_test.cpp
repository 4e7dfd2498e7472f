// The settings store contract on the memory and SQLite stores; then what only the SQLite file
// has: batches, the default location, damaged, protected or locked files.
#include "ErrorReport.h"
#include "ExportFormat.h"
#include "MemoryStore.h"
#include "SqliteStore.h"
#include "StoreFile.h"
#include "StoreSave.h"
#include "contract/SettingsStoreContract.h"
#include "UnitSupport.h"
#include "support/StoreLockHolder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kivra {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::fileContents;
using test::writeFile;
using contract::kMailInst1;
using contract::kMain;

std::string readK(SettingsStore& s) { return s.read(kMain, "S", "K", kAbsent); }

// The error number a change is refused with; 0 when it is made.
int refusal(const std::function<void()>& change) {
    try {
        change();
    } catch (const KivraError& e) {
        return e.number();
    }
    return 0;
}

struct MemoryBackend {
    static constexpr bool kKeepsNonUtf8 = true;
    static constexpr bool kKeepsLevelSpelling = false;
    std::unique_ptr<SettingsStore> make() { return std::make_unique<MemoryStore>(); }
};

struct SqliteBackend {
    static constexpr bool kKeepsNonUtf8 = false;
    static constexpr bool kKeepsLevelSpelling = true;
    TempDir dir;
    fs::path file = dir.path() / "settings.sqlite3";
    std::unique_ptr<SettingsStore> make() {
        auto store = std::make_unique<SqliteStore>(file);
        EXPECT_EQ(store->check().condition, StoreCondition::Ok);
        return store;
    }
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, SettingsStoreContract, MemoryBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Sqlite, SettingsStoreContract, SqliteBackend);
}  // namespace contract

namespace {

class SqliteStoreTest : public ::testing::Test, protected SqliteBackend {};

TEST_F(SqliteStoreTest, BatchesCommitTogetherOrNotAtAll) {
    auto store = make(), other = make();
    store->write(kMain, "S", "K", "v");
    {
        StoreBatch batch(*store);
        store->write(kMain, "S", "A", "1");
        EXPECT_EQ(other->read(kMain, "S", "A", kAbsent), "-1");  // not yet committed
        batch.commit();
    }
    EXPECT_EQ(other->read(kMain, "S", "A", kAbsent), "1");
    // An inner batch left without commit abandons the outer one too.
    {
        StoreBatch outer(*store);
        store->deleteSection(kMain, "S");
        { StoreBatch inner(*store); store->write(kMain, "S", "Inner", "1"); }
        EXPECT_THROW(outer.commit(), KivraError);
    }
    EXPECT_EQ(store->read(kMain, "S", "Inner", kAbsent), "-1");
    EXPECT_EQ(readK(*other), "v");
}

// The file the environment names is made, with its folders, for this user only.
TEST_F(SqliteStoreTest, TheEnvironmentChoosesTheFileWhichIsMadeForThisUserOnly) {
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(defaultStorePath(), fs::path("/xdg/kivra/settings.sqlite3"));
    const fs::path deep = dir.path() / "a" / "b" / "settings.sqlite3";
    setenv("KIVRA_SETTINGS", deep.c_str(), 1);
    OpenedStore opened = openDefaultStore();
    EXPECT_FALSE(opened.problem) << opened.problem->what();
    opened.store->write(kMain, "S", "K", "v");
    EXPECT_EQ(fs::status(deep.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(deep).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// A damaged file is kept aside byte for byte, and a lock a dead program left is cleared; a fresh
// store takes its place.
TEST_F(SqliteStoreTest, ADamagedFileIsKeptAsideAndReplacedByAFreshStore) {
    const fs::path lock = file.string() + ".recovering";
    writeFile(file, "not a database\n");
    fs::create_directory(lock);
    fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    OpenedFileStore opened = openStore(file);
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), kDamagedStoreError);
    EXPECT_FALSE(fs::exists(lock));
    std::vector<fs::path> aside;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().starts_with("settings.sqlite3.damaged-") &&
            !e.path().string().ends_with("-wal") && !e.path().string().ends_with("-shm"))
            aside.push_back(e.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fileContents(aside[0]), "not a database\n");
    // The box names the kept file in full.
    const std::string body =
        formatErrorReport(opened.problem->number(), opened.problem->description(), opened.problem->detail()).body;
    EXPECT_TRUE(body.ends_with("\r\nOld one kept as " + aside[0].string())) << body;
    opened.store->write(kMain, "S", "K", "fresh");
    EXPECT_EQ(readK(*openStore(file).store), "fresh");
}

// Permission checks need an account the file modes apply to: run as root, the checks run as
// the "nobody" account.
TEST_F(SqliteStoreTest, AProtectedFileReadsAndRefusesChangesWith70) {
    fs::permissions(dir.path(), fs::perms::all);
    make()->write(kMain, "S", "K", "2");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const test::ActAsNobody nobody;
    OpenedFileStore opened = openStore(file);
    EXPECT_EQ(opened.problem ? opened.problem->number() : 0, errnum::PermissionDenied);
    EXPECT_EQ(readK(*opened.store), "2");
    EXPECT_EQ(refusal([&] { opened.store->write(kMain, "S", "K", ""); }), errnum::PermissionDenied);
    EXPECT_EQ(refusal([&] { opened.store->deleteSection("Kivra", "Kivra [Link] Mail"); }),
              errnum::PermissionDenied);
}

// Another process holds the store's write lock: past the wait limit the values land in a
// recovery file in the export format, which a later import (once the lock is free) puts in the
// store; a second program of the session adds its values to the same file.
TEST_F(SqliteStoreTest, ALockHeldPastTheLimitKeepsTheValuesInARecoveryFileThatImports) {
    auto store = make();
    test::StoreLockHolder holder(file);
    ASSERT_TRUE(holder.held());
    const std::vector<StoreChange> save = {
        {StoreChange::Kind::DeleteSection, std::string(kMain), "HostLinks", {}, {}},
        {StoreChange::Kind::Write, std::string(kMain), "HostLinks", "HLinkCnt", "1"},
        {StoreChange::Kind::Write, std::string(kMain), "FormPosSize", "Left", "1440"},
        {StoreChange::Kind::Write, std::string(kMain), "FormPosSize", "Top", "900"},  // beside, same section
        {StoreChange::Kind::Write, std::string(kMailInst1), "FormPosSize", "Left", "30"},  // same key elsewhere
    };
    const fs::path recovery = dir.path() / "settings.sqlite3.recovery-x.txt";
    const SaveResult kept = applyChanges(*store, save, 200ms, recovery);
    EXPECT_FALSE(kept.error);
    ASSERT_EQ(kept.recoveryFile, recovery);
    const std::vector<StoreChange> second = {{StoreChange::Kind::Write, "Kivra\\L", "S", "K", "v"}};
    ASSERT_EQ(applyChanges(*store, second, 0ms, recovery).recoveryFile, recovery);
    holder.release();

    std::ifstream in(recovery);
    auto parsed = settings::parseExport(in);
    ASSERT_TRUE(std::holds_alternative<std::vector<StoredEntry>>(parsed)) << std::get<settings::ParseError>(parsed).message;
    for (const StoredEntry& e : std::get<std::vector<StoredEntry>>(parsed)) store->write(e.app(), e.section(), e.key, e.value);
    EXPECT_EQ(store->read(kMain, "FormPosSize", "Left", kAbsent), "1440");
    EXPECT_EQ(store->read(kMain, "FormPosSize", "Top", kAbsent), "900");
    EXPECT_EQ(store->read(kMailInst1, "FormPosSize", "Left", kAbsent), "30");
    EXPECT_EQ(store->read(kMain, "HostLinks", "HLinkCnt", kAbsent), "1");
    EXPECT_EQ(store->read("Kivra\\L", "S", "K", kAbsent), "v");
    EXPECT_TRUE(applyChanges(*store, save, 200ms, recovery).saved()) << "without a lock the same save lands";
}

}  // namespace
}  // namespace kivra
