// Settings store behaviour: nesting, section deletes, case rules and values on both store
// kinds; batches, the default location and damaged, protected or unreachable files.
#include "ErrorReport.h"
#include "MemoryStore.h"
#include "SqliteStore.h"
#include "StoreFile.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

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

// A fresh folder under the system temporary folder, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "kivra-store-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
    }
    ~TempDir() {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator();
             it.increment(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string fileContents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

// ---------------------------------------------------------------------------------------
// Semantics both stores share.

enum class StoreKind { Memory, Sqlite };

class StoreSemantics : public ::testing::TestWithParam<StoreKind> {
protected:
    void SetUp() override {
        if (GetParam() == StoreKind::Memory) {
            store_ = std::make_unique<MemoryStore>();
        } else {
            auto sqlite = std::make_unique<SqliteStore>(dir_.path() / "settings.sqlite3");
            ASSERT_EQ(sqlite->check().condition, StoreCondition::Ok);
            store_ = std::move(sqlite);
        }
    }
    std::string get(std::string_view app, std::string_view section, std::string_view key) {
        return store_->read(app, section, key, kAbsent);
    }

    TempDir dir_;
    std::unique_ptr<SettingsStore> store_;
};

constexpr std::string_view kMailInst1 = "Kivra\\Kivra [Link] Mail\\Inst 1 of 1";
constexpr std::string_view kMailInst2 = "Kivra\\Kivra [Link] Mail\\Inst 2 of 3";
constexpr std::string_view kMailbox = "Kivra\\Kivra [Link] Mailbox\\Inst 1 of 1";
constexpr std::string_view kMain = "Kivra\\Kivra [ Main ]";

TEST_P(StoreSemantics, AbsentUntilWrittenThenReplaced) {
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "-1");
    store_->write(kMain, "FormPrefs", "FormKVA", "2");
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "2");
    store_->write(kMain, "FormPrefs", "FormKVA", "1");
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "1");
    EXPECT_EQ(store_->read(kMain, "FormPrefs", "Other", "fallback"), "fallback");
    EXPECT_EQ(get(kMain, "Elsewhere", "FormKVA"), "-1");
    EXPECT_EQ(get("Kivra", "Kivra [ Main ]", "FormKVA"), "-1");  // a level above the section holds no keys
}

TEST_P(StoreSemantics, ApplicationSegmentsNestLikeOnePath) {
    store_->write(kMailInst1, "LinkOptions", "MatchMethod", "2");
    // The same level addressed with the split between name and section moved.
    EXPECT_EQ(get("Kivra\\Kivra [Link] Mail", "Inst 1 of 1\\LinkOptions", "MatchMethod"), "2");
    EXPECT_EQ(get("Kivra", "Kivra [Link] Mail\\Inst 1 of 1\\LinkOptions", "MatchMethod"), "2");
}

TEST_P(StoreSemantics, RootDeleteRemovesEveryInstanceAndNothingElse) {
    store_->write(kMailInst1, "LinkOptions", "MatchMethod", "1");
    store_->write(kMailInst1, "FormPosSize", "Top", "120");
    store_->write(kMailInst2, "FormPosSize", "Top", "240");
    store_->write("Kivra", "Kivra [Link] Mail", "Direct", "x");            // the section itself
    store_->write(kMailbox, "FormPosSize", "Top", "360");                  // shares the name's start
    store_->write("Kivra\\Kivra [Link] Mail2", "Inst 1 of 1", "Top", "1");  // likewise
    store_->write(kMain, "HostLinks", "Count", "2");
    store_->write("Other\\Kivra [Link] Mail\\Inst 1 of 1", "FormPosSize", "Top", "9");  // another root

    store_->deleteSection("Kivra", "Kivra [Link] Mail");

    EXPECT_EQ(get(kMailInst1, "LinkOptions", "MatchMethod"), "-1");
    EXPECT_EQ(get(kMailInst1, "FormPosSize", "Top"), "-1");
    EXPECT_EQ(get(kMailInst2, "FormPosSize", "Top"), "-1");
    EXPECT_EQ(get("Kivra", "Kivra [Link] Mail", "Direct"), "-1");
    EXPECT_EQ(get(kMailbox, "FormPosSize", "Top"), "360");
    EXPECT_EQ(get("Kivra\\Kivra [Link] Mail2", "Inst 1 of 1", "Top"), "1");
    EXPECT_EQ(get(kMain, "HostLinks", "Count"), "2");
    EXPECT_EQ(get("Other\\Kivra [Link] Mail\\Inst 1 of 1", "FormPosSize", "Top"), "9");
}

TEST_P(StoreSemantics, SectionDeleteLeavesSiblingSections) {
    store_->write(kMain, "FormPrefs", "FormKVA", "1");
    store_->write(kMain, "FormPrefsOld", "FormKVA", "2");
    store_->write(kMain, "MainOptions", "PicOptN", "1");
    store_->deleteSection(kMain, "FormPrefs");
    EXPECT_EQ(get(kMain, "FormPrefs", "FormKVA"), "-1");
    EXPECT_EQ(get(kMain, "FormPrefsOld", "FormKVA"), "2");
    EXPECT_EQ(get(kMain, "MainOptions", "PicOptN"), "1");
    store_->deleteSection(kMain, "NeverWritten");  // deleting nothing is no failure
}

TEST_P(StoreSemantics, NamesCompareWithoutAsciiCase) {
    store_->write(kMailInst1, "LinkOptions", "AutoExec", "1");
    EXPECT_EQ(get("KIVRA\\kivra [link] MAIL\\inst 1 OF 1", "linkoptions", "AUTOEXEC"), "1");
    store_->write("kivra\\KIVRA [LINK] mail\\INST 1 of 1", "LINKOPTIONS", "autoexec", "2");
    EXPECT_EQ(get(kMailInst1, "LinkOptions", "AutoExec"), "2");
    store_->deleteSection("KIVRA", "kivra [LINK] mail");
    EXPECT_EQ(get(kMailInst1, "LinkOptions", "AutoExec"), "-1");
}

TEST_P(StoreSemantics, NamesWithWildcardsAndSlashesAreLiteral) {
    const std::string pct = "Kivra\\Kivra [Link] 100%_done\\Inst 1 of 1";
    const std::string look = "Kivra\\Kivra [Link] 100xydone\\Inst 1 of 1";
    const std::string slashes = "Kivra\\Kivra [Link] C:/temp/a*b?\\Inst 1 of 1";
    store_->write(pct, "S", "K", "pct");
    store_->write(look, "S", "K", "look");
    store_->write(slashes, "S", "K", "slashes");
    store_->deleteSection("Kivra", "Kivra [Link] 100%_done");
    EXPECT_EQ(get(pct, "S", "K"), "-1");
    EXPECT_EQ(get(look, "S", "K"), "look");
    EXPECT_EQ(get(slashes, "S", "K"), "slashes");
    store_->deleteSection("Kivra", "Kivra [Link] C:/temp/a*b?");
    EXPECT_EQ(get(slashes, "S", "K"), "-1");
    EXPECT_EQ(get(look, "S", "K"), "look");
}

TEST_P(StoreSemantics, AnyValueRoundTripsAsText) {
    const std::string values[] = {
        "abc",
        "99999999999",
        "",
        "  leading and trailing  ",
        "tab\there\nnewline\r\nCRLF",
        "back\\slash\\\\double",
        "Grüße, 日本語, emoji \xF0\x9F\x98\x80",
        std::string("embedded\0nul", 12),
        std::string(10 * 1024, 'x') + "end",
        "-1",
    };
    int i = 0;
    for (const std::string& value : values) store_->write(kMain, "Values", "K" + std::to_string(i++), value);
    i = 0;
    for (const std::string& value : values) EXPECT_EQ(get(kMain, "Values", "K" + std::to_string(i++)), value);
}

INSTANTIATE_TEST_SUITE_P(BothStores, StoreSemantics, ::testing::Values(StoreKind::Memory, StoreKind::Sqlite),
                         [](const auto& info) { return info.param == StoreKind::Memory ? "Memory" : "Sqlite"; });

// ---------------------------------------------------------------------------------------
// The SQLite store's own behaviour.

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

TEST_F(SqliteStoreTest, NamesKeepTheSpellingTheyWereCreatedWith) {
    auto store = open();
    store->write(kMailInst1, "LinkOptions", "AutoExec", "1");
    store->write("KIVRA\\KIVRA [LINK] MAIL\\INST 1 OF 1", "LINKOPTIONS", "AUTOEXEC", "2");
    store->write("KIVRA\\KIVRA [LINK] MAIL\\INST 1 OF 1", "FormPosSize", "Top", "5");
    store->write("kivra", "Another", "Key", "v");
    const auto entries = store->entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "Kivra\\Another");  // "kivra" took the stored spelling
    EXPECT_EQ(entries[1].path, std::string(kMailInst1) + "\\FormPosSize");
    EXPECT_EQ(entries[2].path, std::string(kMailInst1) + "\\LinkOptions");
    EXPECT_EQ(entries[2].key, "AutoExec");
    EXPECT_EQ(entries[2].value, "2");
    EXPECT_EQ(entries[2].app(), kMailInst1);
    EXPECT_EQ(entries[2].section(), "LinkOptions");
}

TEST_F(SqliteStoreTest, FirstChangePreparesAFileNobodyChecked) {
    {
        SqliteStore store(file_);
        EXPECT_EQ(store.read(kMain, "S", "K", kAbsent), "-1");
        store.write(kMain, "S", "K", "v");
    }
    EXPECT_EQ(open()->read(kMain, "S", "K", kAbsent), "v");
}

TEST_F(SqliteStoreTest, BatchCommitsTogetherOrRollsBack) {
    auto store = open();
    auto other = open();
    {
        StoreBatch batch(*store);
        store->write(kMain, "FormPrefs", "A", "1");
        store->write(kMain, "FormPrefs", "B", "2");
        EXPECT_EQ(store->read(kMain, "FormPrefs", "A", kAbsent), "1");
        EXPECT_EQ(other->read(kMain, "FormPrefs", "A", kAbsent), "-1");  // not yet committed
        batch.commit();
    }
    EXPECT_EQ(other->read(kMain, "FormPrefs", "B", kAbsent), "2");
    {
        StoreBatch batch(*store);
        store->write(kMain, "FormPrefs", "A", "changed");
        store->deleteSection(kMain, "FormPrefs");
    }  // left without commit
    EXPECT_EQ(other->read(kMain, "FormPrefs", "A", kAbsent), "1");
    EXPECT_EQ(store->read(kMain, "FormPrefs", "B", kAbsent), "2");
}

TEST_F(SqliteStoreTest, InnerRollbackAbandonsTheWholeBatch) {
    auto store = open();
    StoreBatch outer(*store);
    store->write(kMain, "S", "Outer", "1");
    {
        StoreBatch inner(*store);
        store->write(kMain, "S", "Inner", "1");
    }
    EXPECT_THROW(outer.commit(), KivraError);
    EXPECT_EQ(store->read(kMain, "S", "Outer", kAbsent), "-1");
    EXPECT_EQ(store->read(kMain, "S", "Inner", kAbsent), "-1");
    store->write(kMain, "S", "After", "1");  // the store is usable again
    EXPECT_EQ(open()->read(kMain, "S", "After", kAbsent), "1");
}

TEST_F(SqliteStoreTest, NulInANameIsRefusedNotTruncated) {
    auto store = open();
    const std::string withNul("Key\0Tail", 8);
    try {
        store->write(kMain, "S", withNul, "v");
        FAIL() << "a name with NUL was accepted";
    } catch (const KivraError& e) {
        EXPECT_EQ(e.number(), errnum::BadFileName);
    }
    EXPECT_EQ(store->read(kMain, "S", withNul, kAbsent), "-1");
    EXPECT_EQ(store->read(kMain, "S", "Key", kAbsent), "-1");
}

// ---------------------------------------------------------------------------------------
// Where the file is and how bad files are met.

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(StoreLocation, EnvironmentChoosesTheFile) {
    {
        ScopedEnv s("KIVRA_SETTINGS", "/somewhere/mine.db");
        ScopedEnv x("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(defaultStorePath(), fs::path("/somewhere/mine.db"));
    }
    {
        ScopedEnv s("KIVRA_SETTINGS", "");
        ScopedEnv x("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(defaultStorePath(), fs::path("/xdg/kivra/settings.sqlite3"));
    }
    {
        ScopedEnv s("KIVRA_SETTINGS", nullptr);
        ScopedEnv x("XDG_CONFIG_HOME", nullptr);
        ScopedEnv h("HOME", "/home/someone");
        EXPECT_EQ(defaultStorePath(), fs::path("/home/someone/.config/kivra/settings.sqlite3"));
        ScopedEnv rel("XDG_CONFIG_HOME", "relative/ignored");
        EXPECT_EQ(defaultStorePath(), fs::path("/home/someone/.config/kivra/settings.sqlite3"));
    }
}

TEST(StoreLocation, CreatesFolderAndFile) {
    TempDir dir;
    const fs::path file = dir.path() / "a" / "b" / "settings.sqlite3";
    ScopedEnv s("KIVRA_SETTINGS", file.c_str());
    OpenedStore opened = openDefaultStore();
    EXPECT_FALSE(opened.problem) << opened.problem->what();
    opened.store->write(kMain, "S", "K", "v");
    EXPECT_TRUE(fs::exists(file));
    // Link titles tell what the user looks at: only the user may read them.
    EXPECT_EQ(fs::status(dir.path() / "a").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(openStore(file).store->read(kMain, "S", "K", kAbsent), "v");
}

struct DamagedCase {
    const char* name;
    std::function<void(const fs::path&)> spoil;
};

class DamagedStore : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedStore, IsKeptAsideAndReplacedByAFreshStore) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";
    GetParam().spoil(file);
    const std::string before = fileContents(file);

    OpenedFileStore opened = openStore(file);
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), kDamagedStoreError);

    // The old file is kept byte for byte under the name the description gives.
    std::vector<fs::path> aside;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().filename().string().starts_with("settings.sqlite3.damaged-") &&
            !e.path().string().ends_with("-wal") && !e.path().string().ends_with("-shm"))
            aside.push_back(e.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fileContents(aside[0]), before);
    // The box says what happened, why, what to do, and the kept file's full name.
    const std::string body =
        formatErrorReport(opened.problem->number(), opened.problem->description(), opened.problem->detail()).body;
    EXPECT_EQ(body, "Description: Settings damaged, new file.\r\n"
                    "Cause: settings file damaged or not a database\r\n"
                    "Remedy: old file kept (below); import a backup\r\n"
                    "Old one kept as " + aside[0].string());

    opened.store->write(kMain, "S", "K", "fresh");
    EXPECT_EQ(openStore(file).store->read(kMain, "S", "K", kAbsent), "fresh");
    EXPECT_FALSE(openStore(file).problem);
}

void corruptPages(const fs::path& file) {
    {
        SqliteStore store(file);
        ASSERT_EQ(store.check().condition, StoreCondition::Ok);
        StoreBatch batch(store);
        for (int i = 0; i < 300; ++i) store.write("Kivra\\A" + std::to_string(i), "S", "K", std::string(50, 'v'));
        batch.commit();
    }
    std::string data = fileContents(file);
    ASSERT_GT(data.size(), 4u * 4096);
    for (size_t off = 4096; off < 4u * 4096; ++off) data[off] = static_cast<char>(off * 7);
    writeFile(file, data);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedStore,
    ::testing::Values(DamagedCase{"ShortText", [](const fs::path& f) { writeFile(f, "not a database\n"); }},
                      DamagedCase{"LongGarbage", [](const fs::path& f) { writeFile(f, std::string(8192, '\x5a')); }},
                      DamagedCase{"CorruptPages", corruptPages}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StoreLocation, StaleJournalLeavesWithTheDamagedFile) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";
    writeFile(file, "garbage that is no database");
    writeFile(fs::path(file.string() + "-wal"), "stale journal");
    OpenedFileStore opened = openStore(file);
    ASSERT_TRUE(opened.problem);
    EXPECT_FALSE(fs::exists(file.string() + "-wal") && fileContents(file.string() + "-wal") == "stale journal");
    opened.store->write(kMain, "S", "K", "v");
    EXPECT_EQ(opened.store->read(kMain, "S", "K", kAbsent), "v");
}

TEST(StoreLocation, RecoveryLockLeftByADeadProgramIsBroken) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";
    writeFile(file, "garbage that is no database");
    const fs::path lock = file.string() + ".recovering";
    fs::create_directory(lock);
    fs::last_write_time(lock, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    OpenedFileStore opened = openStore(file);
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), kDamagedStoreError);
    EXPECT_FALSE(fs::exists(lock));
    opened.store->write(kMain, "S", "K", "v");
    EXPECT_EQ(opened.store->read(kMain, "S", "K", kAbsent), "v");
}

TEST(StoreLocation, PathThatIsAFolderGivesAbsentReadsAndReportedWrites) {
    TempDir dir;
    OpenedFileStore opened = openStore(dir.path());
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), errnum::PathFileAccess);
    EXPECT_EQ(opened.store->read(kMain, "S", "K", kAbsent), "-1");
    EXPECT_THROW(opened.store->write(kMain, "S", "K", "v"), KivraError);
}

TEST(StoreLocation, FileInTheWayOfTheFolderGivesPathNotFound) {
    TempDir dir;
    writeFile(dir.path() / "kivra", "a file, not a folder");
    OpenedFileStore opened = openStore(dir.path() / "kivra" / "settings.sqlite3");
    ASSERT_TRUE(opened.problem);
    EXPECT_EQ(opened.problem->number(), errnum::PathNotFound);
    EXPECT_EQ(opened.store->read(kMain, "S", "K", kAbsent), "-1");
}

// Permission tests need an account the file modes apply to. Run as root, the check runs in a
// child process that has dropped to the "nobody" account.
void runUnprivileged(const std::function<void()>& body) {
    if (geteuid() != 0) {
        body();
        return;
    }
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

void writeSample(const fs::path& file) {
    OpenedFileStore opened = openStore(file);
    ASSERT_FALSE(opened.problem);
    opened.store->write(kMain, "FormPrefs", "FormKVA", "2");
    opened.store->write(kMailInst1, "LinkOptions", "MatchMethod", "3");
}

TEST(StoreLocation, ReadOnlyFileReadsAndRefusesWritesWith70) {
    TempDir dir;
    const fs::path file = dir.path() / "settings.sqlite3";
    writeSample(file);
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    runUnprivileged([&] {
        OpenedFileStore opened = openStore(file);
        ASSERT_TRUE(opened.problem);
        EXPECT_EQ(opened.problem->number(), errnum::PermissionDenied);
        EXPECT_EQ(opened.store->read(kMain, "FormPrefs", "FormKVA", kAbsent), "2");
        for (auto attempt : {0, 1}) {
            try {
                if (attempt == 0) opened.store->write(kMain, "FormPrefs", "FormKVA", "1");
                else opened.store->deleteSection("Kivra", "Kivra [Link] Mail");
                ADD_FAILURE() << "a change to a read-only file succeeded";
            } catch (const KivraError& e) {
                EXPECT_EQ(e.number(), errnum::PermissionDenied);
            }
        }
    });
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    auto store = openStore(file).store;
    EXPECT_EQ(store->read(kMain, "FormPrefs", "FormKVA", kAbsent), "2");
    EXPECT_EQ(store->read(kMailInst1, "LinkOptions", "MatchMethod", kAbsent), "3");
}

TEST(StoreLocation, UnwritableFolderWithoutFileReadsAbsent) {
    TempDir dir;
    const fs::path folder = dir.path() / "locked";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    runUnprivileged([&] {
        for (const fs::path& file : {folder / "settings.sqlite3", folder / "sub" / "settings.sqlite3"}) {
            OpenedFileStore opened = openStore(file);
            ASSERT_TRUE(opened.problem);
            EXPECT_EQ(opened.problem->number(), errnum::PermissionDenied) << opened.problem->what();
            EXPECT_EQ(opened.store->read(kMain, "S", "K", kAbsent), "-1");
            EXPECT_THROW(opened.store->write(kMain, "S", "K", "v"), KivraError);
        }
    });
}

TEST(StoreLocation, UnwritableFolderWithFileStillReads) {
    TempDir dir;
    const fs::path folder = dir.path() / "locked";
    fs::create_directory(folder);
    const fs::path file = folder / "settings.sqlite3";
    writeSample(file);
    fs::permissions(file, fs::perms::all);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    runUnprivileged([&] {
        OpenedFileStore opened = openStore(file);
        ASSERT_TRUE(opened.problem);
        EXPECT_EQ(opened.problem->number(), errnum::PermissionDenied);
        EXPECT_EQ(opened.store->read(kMailInst1, "LinkOptions", "MatchMethod", kAbsent), "3");
        try {
            opened.store->write(kMain, "S", "K", "v");
            ADD_FAILURE() << "a write into an unwritable folder succeeded";
        } catch (const KivraError& e) {
            EXPECT_EQ(e.number(), errnum::PermissionDenied);
        }
    });
}

}  // namespace
}  // namespace kivra
