// The settings store in one SQLite file, shared safely by every Kivra process of a user.
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kivra {

// The error number reported when a damaged settings file was set aside and replaced.
inline constexpr int kDamagedStoreError = errnum::DamagedStore;

// How the file is opened.
enum class StoreAccess {
    ReadWrite,  // created when missing; falls back to reading when the file is write-protected
    ReadOnly,   // never written
    Snapshot,   // read as an unchanging file: for a file in a folder that cannot be written
};

// What a look at an opened file found.
enum class StoreCondition {
    Ok,              // readable and writable
    ReadOnly,        // readable; writes fail with error 70
    Damaged,         // not a database, or a damaged one
    FolderReadOnly,  // the folder cannot be written, so the file cannot even be read normally
    Locked,          // another program held the file longer than the busy timeout
    Failed,          // anything else (see the error)
};

struct StoreCheck {
    StoreCondition condition = StoreCondition::Ok;
    std::optional<KivraError> error;
};

class SqliteStore : public SettingsStore {
public:
    // Opens the file (nothing is read yet; call check()). Throws KivraError when SQLite cannot
    // even start on it (no memory, a path it refuses).
    explicit SqliteStore(std::filesystem::path file, StoreAccess access = StoreAccess::ReadWrite);
    // A store without a file: reads give the fallback, writes and listings throw `reason`.
    explicit SqliteStore(KivraError reason);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Prepares the file (WAL journal, the table) and verifies its structure. The first change
    // runs it when nobody has.
    StoreCheck check();

    std::string read(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view fallback) override;
    void write(std::string_view app, std::string_view section, std::string_view key,
               std::string_view value) override;
    void deleteSection(std::string_view app, std::string_view section) override;

    void beginBatch() override;
    void commitBatch() override;
    void rollbackBatch() override;
    void setLockWait(std::chrono::milliseconds wait) override;

    std::vector<StoredEntry> entries(std::string_view under = {}) override;

    const std::filesystem::path& file() const { return file_; }
    bool hasFile() const { return db_ != nullptr; }
    // The result of SQLite's full integrity check ("ok" when sound). Throws KivraError.
    std::string integrityCheck();

private:
    class Statement;
    Statement prepare(std::string_view sql);
    KivraError failure(int rc, std::string_view doing) const;
    int stepWithRetry(Statement& st);
    void execWithRetry(std::string_view sql, std::string_view doing);
    void requireFile();
    void armDeadline();
    static int busyWait(void* self, int attempt);
    std::string storedSpelling(const std::string& path);

    std::filesystem::path file_;
    StoreAccess access_ = StoreAccess::ReadWrite;
    sqlite3* db_ = nullptr;
    std::optional<KivraError> unavailable_;
    std::recursive_mutex mutex_;
    bool checked_ = false;
    // Every statement waits for another program's lock until its deadline, lockWait_ after it began.
    std::chrono::milliseconds lockWait_{30000};
    std::chrono::steady_clock::time_point deadline_{};
    int batchDepth_ = 0;
    bool batchAbandoned_ = false;
};

}  // namespace kivra
