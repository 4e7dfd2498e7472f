// The settings store contract on the memory and SQLite stores; then what only the SQLite file
// has: batches, the default location and damaged, protected or unreachable files.
#include "ErrorReport.h"
#include "MemoryStore.h"
#include "SqliteStore.h"
#include "StoreFile.h"
#include "contract/SettingsStoreContract.h"
#include "UnitSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

namespace kivra {
namespace {

namespace fs = std::filesystem;
using test::fileContents;
using test::writeFile;
using contract::kMailInst1;
using contract::kMain;

std::string readK(SettingsStore& s) { return s.read(kMain, "S", "K", kAbsent); }

struct MemoryBackend {
    static constexpr bool kKeepsNonUtf8 = true;
    static constexpr bool kKeepsLevelSpelling = false;
    std::unique_ptr<SettingsStore> make() { return std::make_unique<MemoryStore>(); }
};

struct SqliteBackend {
    static constexpr bool kKeepsNonUtf8 = false;
    static constexpr bool kKeepsLevelSpelling = true;
    TempDir dir;
    std::unique_ptr<SettingsStore> make() {
        auto store = std::make_unique<SqliteStore>(dir.path() / "settings.sqlite3");
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

class SqliteStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<SqliteStore> open() {
        auto store = std::make_unique<SqliteStore>(file_);
        EXPECT_EQ(store->check().condition, StoreCondition::Ok);
        return store;
    }
    TempDir dir_;
    fs::path file_ = dir_.path() / "settings.sqlite3";
};

TEST_F(SqliteStoreTest, AnUncheckedFileIsPreparedByTheFirstChangeAndBatchesCommitTogetherOrNotAtAll) {
    {
        SqliteStore store(file_);
        EXPECT_EQ(readK(store), "-1");
        store.write(kMain, "S", "K", "v");
    }
    auto store = open(), other = open();
    EXPECT_EQ(readK(*other), "v");
    {
        StoreBatch batch(*store);
        store->write(kMain, "S", "A", "1");
        EXPECT_EQ(store->read(kMain, "S", "A", kAbsent), "1");
        EXPECT_EQ(other->read(kMain, "S", "A", kAbsent), "-1");  // not yet committed
        batch.commit();
    }
    EXPECT_EQ(other->read(kMain, "S", "A", kAbsent), "1");
    {
        StoreBatch batch(*store);
        store->deleteSection(kMain, "S");
    }  // left without commit
    EXPECT_EQ(readK(*other), "v");
    // An inner batch left without commit abandons the outer one too.
    {
        StoreBatch outer(*store);
        store->write(kMain, "S", "Outer", "1");
        { StoreBatch inner(*store); store->write(kMain, "S", "Inner", "1"); }
        EXPECT_THROW(outer.commit(), KivraError);
    }
    EXPECT_EQ(store->read(kMain, "S", "Outer", kAbsent), "-1");
    EXPECT_EQ(store->read(kMain, "S", "Inner", kAbsent), "-1");
    store->write(kMain, "S", "After", "1");
    EXPECT_EQ(open()->read(kMain, "S", "After", kAbsent), "1");
    // A name with NUL is refused, not cut.
    const std::string withNul("K\0Tail", 6);
    try {
        store->write(kMain, "S", withNul, "x");
        ADD_FAILURE() << "a name with NUL was accepted";
    } catch (const KivraError& e) {
        EXPECT_EQ(e.number(), errnum::BadFileName);
    }
    EXPECT_EQ(readK(*store), "v");
}

// The environment chooses the file (later tests here name their files themselves).
TEST(StoreLocation, TheEnvironmentChoosesTheFileWhichIsMadeForThisUserOnly) {
    setenv("KIVRA_SETTINGS", "/somewhere/mine.db", 1);
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(defaultStorePath(), fs::path("/somewhere/mine.db"));
    setenv("KIVRA_SETTINGS", "", 1);
    EXPECT_EQ(defaultStorePath(), fs::path("/xdg/kivra/settings.sqlite3"));
    unsetenv("KIVRA_SETTINGS");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(defaultStorePath(), fs::path("/home/someone/.config/kivra/settings.sqlite3"));
    TempDir dir;
    const fs::path file = dir.path() / "a" / "b" / "settings.sqlite3";
    setenv("KIVRA_SETTINGS", file.c_str(), 1);
    OpenedStore opened = openDefaultStore();
    EXPECT_FALSE(opened.problem) << opened.problem->what();
    opened.store->write(kMain, "S", "K", "v");
    EXPECT_EQ(fs::status(dir.path() / "a").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readK(*openStore(file).store), "v");
}

// A damaged file is kept aside byte for byte, with its stale journal and a lock a dead
// program left; a fresh store takes its place.
TEST(StoreLocation, ADamagedFileIsKeptAsideAndReplacedByAFreshStore) {
    for (const bool leftovers : {false, true}) {
        SCOPED_TRACE(leftovers ? "with a stale journal and lock" : "alone");
        TempDir dir;
        const fs::path file = dir.path() / "settings.sqlite3", lock = file.string() + ".recovering";
        writeFile(file, "not a database\n");
        if (leftovers) {
            writeFile(fs::path(file.string() + "-wal"), "stale journal");
            fs::create_directory(lock);
            fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::minutes(5));
        }
        OpenedFileStore opened = openStore(file);
        ASSERT_TRUE(opened.problem);
        EXPECT_EQ(opened.problem->number(), kDamagedStoreError);
        EXPECT_FALSE(fs::exists(lock));
        EXPECT_FALSE(fs::exists(file.string() + "-wal") && fileContents(file.string() + "-wal") == "stale journal");
        std::vector<fs::path> aside;
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().starts_with("settings.sqlite3.damaged-") &&
                !e.path().string().ends_with("-wal") && !e.path().string().ends_with("-shm"))
                aside.push_back(e.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(fileContents(aside[0]), "not a database\n");
        // The box says what happened, why, what to do, and the kept file's full name.
        const std::string body =
            formatErrorReport(opened.problem->number(), opened.problem->description(), opened.problem->detail()).body;
        EXPECT_TRUE(body.starts_with("Description: Settings damaged, new file.\r\n")) << body;
        EXPECT_TRUE(body.ends_with("\r\nOld one kept as " + aside[0].string())) << body;
        opened.store->write(kMain, "S", "K", "fresh");
        EXPECT_EQ(readK(*openStore(file).store), "fresh");
        EXPECT_FALSE(openStore(file).problem);
    }
}

TEST(StoreLocation, UnreachableFilesReadAsAbsentAndRefuseWrites) {
    TempDir dir;
    writeFile(dir.path() / "kivra", "a file, not a folder");
    const struct {
        fs::path file;
        int number;
    } rows[] = {{dir.path(), errnum::PathFileAccess}, {dir.path() / "kivra" / "settings.sqlite3", errnum::PathNotFound}};
    for (const auto& row : rows) {
        OpenedFileStore opened = openStore(row.file);
        ASSERT_TRUE(opened.problem);
        EXPECT_EQ(opened.problem->number(), row.number);
        EXPECT_EQ(readK(*opened.store), "-1");
        EXPECT_THROW(opened.store->write(kMain, "S", "K", "v"), KivraError);
    }
}

// Permission checks need an account the file modes apply to: run as root, the check runs in
// a child process that has dropped to the "nobody" account.
void runUnprivileged(const std::function<void()>& body) {
    if (geteuid() != 0) return body();
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(77);
        body();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot drop root privileges to run the check";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged check failed (see its output above)";
}

void expectRefused(const std::function<void()>& change) {
    try {
        change();
        ADD_FAILURE() << "a change that cannot be written succeeded";
    } catch (const KivraError& e) {
        EXPECT_EQ(e.number(), errnum::PermissionDenied);
    }
}

// A read-only file, or a file in a folder the user cannot write, still reads; changes are
// refused with 70 and nothing is lost.
TEST(StoreLocation, AProtectedFileReadsAndRefusesChangesWith70) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    const fs::path folder = dir.path() / "locked";
    fs::create_directory(folder);
    const fs::path readOnly = dir.path() / "settings.sqlite3", inLocked = folder / "settings.sqlite3";
    for (const fs::path& file : {readOnly, inLocked}) {
        OpenedFileStore opened = openStore(file);
        ASSERT_FALSE(opened.problem);
        opened.store->write(kMain, "S", "K", "2");
        opened.store->write(kMailInst1, "LinkOptions", "MatchMethod", "3");
    }
    const auto readAll = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(readOnly, readAll);
    fs::permissions(inLocked, fs::perms::all);
    fs::permissions(folder, readAll | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    runUnprivileged([&] {
        for (const fs::path& file : {readOnly, inLocked}) {
            SCOPED_TRACE(file.string());
            OpenedFileStore opened = openStore(file);
            ASSERT_TRUE(opened.problem);
            EXPECT_EQ(opened.problem->number(), errnum::PermissionDenied);
            EXPECT_EQ(readK(*opened.store), "2");
            expectRefused([&] { opened.store->write(kMain, "S", "K", "1"); });
            expectRefused([&] { opened.store->deleteSection("Kivra", "Kivra [Link] Mail"); });
        }
    });
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::add);
    auto store = openStore(readOnly).store;
    EXPECT_EQ(readK(*store), "2");
    EXPECT_EQ(store->read(kMailInst1, "LinkOptions", "MatchMethod", kAbsent), "3");
}

}  // namespace
}  // namespace kivra
