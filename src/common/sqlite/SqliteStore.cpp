// The settings store in one SQLite file: one table of (section path, key, value) rows whose
// names compare without regard to ASCII case, written in WAL mode with retries so that the
// main program and every link program can save at the same moment.
#include "SqliteStore.h"

#include "ErrorReport.h"
#include "SettingsNames.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

namespace kivra {

namespace {

// Paths and keys use SQLite's NOCASE collation, which folds ASCII letters only, so the
// primary key makes names unique without regard to case while rows keep their spelling.
constexpr std::string_view kCreateTable =
    "CREATE TABLE IF NOT EXISTS settings ("
    " path TEXT NOT NULL COLLATE NOCASE,"
    " key TEXT NOT NULL COLLATE NOCASE,"
    " value TEXT NOT NULL,"
    " PRIMARY KEY (path, key)"
    ") WITHOUT ROWID";

// A section and everything below it: the path itself, or a path that starts with it followed
// by a backslash. The second test is a range on the index: every NOCASE string that starts
// with "X\" sorts at or after "X\" and before "X]" (']' follows '\'), and nothing else does.
// LIKE is not used: '%', '_' and backslashes in names would need escaping.
constexpr std::string_view kSubtree = "(path = ?1 OR (path >= ?2 AND path < ?3))";

bool isBusy(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void backoff(int attempt) {
    thread_local std::minstd_rand rng{std::random_device{}()};
    const int ceiling = std::min(50, 1 << std::min(attempt, 6));
    std::uniform_int_distribution<int> ms(1, ceiling);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms(rng)));
}

bool hasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

std::string joinPath(std::string_view app, std::string_view section) {
    std::string path(app);
    path += '\\';
    path += section;
    return path;
}

// The file name as an SQLite URI ("file:" + path with '%', '?' and '#' escaped).
std::string uriFor(const std::filesystem::path& file) {
    std::string uri = "file:";
    for (const char c : file.string()) {
        if (c == '%' || c == '?' || c == '#') {
            static const char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[(static_cast<unsigned char>(c) >> 4) & 0xf];
            uri += hex[static_cast<unsigned char>(c) & 0xf];
        } else {
            uri += c;
        }
    }
    return uri;
}

}  // namespace

// A prepared statement, finalized on destruction.
class SqliteStore::Statement {
public:
    Statement(sqlite3* db, std::string_view sql) {
        rc_ = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(Statement&& other) noexcept : stmt_(other.stmt_), rc_(other.rc_) { other.stmt_ = nullptr; }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;

    int prepareResult() const { return rc_; }
    void bind(int index, std::string_view text) {
        sqlite3_bind_text64(stmt_, index, text.data() ? text.data() : "", text.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8);
    }
    // Binds the three parameters of kSubtree for the section path `path`.
    void bindSubtree(const std::string& path) {
        bind(1, path);
        bind(2, path + '\\');
        bind(3, path + ']');
    }
    int step() { return stmt_ ? sqlite3_step(stmt_) : rc_; }
    void reset() { sqlite3_reset(stmt_); }
    // Column text with its exact length, so embedded NULs survive.
    std::string text(int column) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        const int n = sqlite3_column_bytes(stmt_, column);
        return p ? std::string(p, static_cast<size_t>(n)) : std::string();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_OK;
};

SqliteStore::SqliteStore(std::filesystem::path file, StoreAccess access)
    : file_(std::move(file)), access_(access) {
    int flags = SQLITE_OPEN_NOMUTEX;
    std::string name = file_.string();
    switch (access_) {
    case StoreAccess::ReadWrite: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    case StoreAccess::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case StoreAccess::Snapshot:
        flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        name = uriFor(file_) + "?immutable=1";
        break;
    }
    const int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const KivraError error = failure(rc, "opening");
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw error;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, &SqliteStore::busyWait, this);
}

// SQLite's wait for another program's lock: short sleeps until the statement's deadline, so
// that a freed lock is taken within milliseconds and a held one never outlasts the limit.
int SqliteStore::busyWait(void* self, int attempt) {
    const auto* store = static_cast<const SqliteStore*>(self);
    if (std::chrono::steady_clock::now() >= store->deadline_) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(1 + attempt, 20)));
    return 1;
}

void SqliteStore::armDeadline() { deadline_ = std::chrono::steady_clock::now() + lockWait_; }

void SqliteStore::setLockWait(std::chrono::milliseconds wait) {
    std::lock_guard lock(mutex_);
    lockWait_ = wait;
}

SqliteStore::SqliteStore(KivraError reason) : unavailable_(std::move(reason)) {}

SqliteStore::~SqliteStore() {
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

SqliteStore::Statement SqliteStore::prepare(std::string_view sql) {
    armDeadline();
    const auto deadline = deadline_;
    for (int attempt = 0;; ++attempt) {
        Statement st(db_, sql);
        if (!isBusy(st.prepareResult()) || std::chrono::steady_clock::now() >= deadline) return st;
        backoff(attempt);
    }
}

int SqliteStore::stepWithRetry(Statement& st) {
    if (st.prepareResult() != SQLITE_OK) return st.prepareResult();
    armDeadline();
    const auto deadline = deadline_;
    for (int attempt = 0;; ++attempt) {
        const int rc = st.step();
        // Inside an explicit transaction a retry could never see a newer snapshot: give up.
        if (!isBusy(rc) || !sqlite3_get_autocommit(db_) || std::chrono::steady_clock::now() >= deadline)
            return rc;
        st.reset();
        backoff(attempt);
    }
}

void SqliteStore::execWithRetry(std::string_view sql, std::string_view doing) {
    Statement st = prepare(sql);
    const int rc = stepWithRetry(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) throw failure(rc, doing);
}

// Called before every change: a store without a file refuses it; a file nobody has checked
// yet gets its journal mode and table first.
void SqliteStore::requireFile() {
    if (unavailable_) throw *unavailable_;
    if (!checked_) check();
}

KivraError SqliteStore::failure(int rc, std::string_view doing) const {
    const std::string where = " (" + std::string(doing) + " " + file_.string() + ")";
    const int sysErr = db_ ? sqlite3_system_errno(db_) : 0;
    switch (rc & 0xff) {
    case SQLITE_READONLY:
        if (rc == SQLITE_READONLY_DIRECTORY)
            return KivraError(errnum::PermissionDenied, "Read-only settings folder" + where);
        return KivraError(errnum::PermissionDenied, "Settings file is read-only" + where);
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return KivraError(errnum::PermissionDenied, "Settings file access denied" + where);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return KivraError(errnum::PermissionDenied, "Settings file is locked by another program" + where, {},
                          StoreFailure::Locked);
    case SQLITE_NOMEM:
        return KivraError(errnum::OutOfMemory, "Out of memory" + where);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return KivraError(kDamagedStoreError, "Settings file is damaged" + where);
    case SQLITE_FULL:
        return KivraError(errorNumberFromErrno(ENOSPC), "Disk full" + where);
    case SQLITE_TOOBIG:
        return KivraError(errorNumberFromErrno(EFBIG), "Setting too large" + where);
    case SQLITE_IOERR:
        if (sysErr != 0) return KivraError(errorNumberFromErrno(sysErr), std::strerror(sysErr) + where);
        return KivraError(errnum::DeviceIO, "Input/output error" + where);
    case SQLITE_CANTOPEN:
        if (sysErr != 0) return KivraError(errorNumberFromErrno(sysErr), std::strerror(sysErr) + where);
        return KivraError(errnum::PathFileAccess, "Cannot open the settings file" + where);
    default:
        // Failures SQLite does not tie to the system: 2000 + its primary result code.
        return KivraError(2000 + (rc & 0xff),
                          std::string(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)) + where);
    }
}

StoreCheck SqliteStore::check() {
    std::lock_guard lock(mutex_);
    if (!db_) return {StoreCondition::Failed, unavailable_};
    checked_ = true;
    auto conditionOf = [this](int rc, std::string_view doing) -> StoreCheck {
        if (rc == SQLITE_READONLY_DIRECTORY) return {StoreCondition::FolderReadOnly, failure(rc, doing)};
        if ((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CORRUPT)
            return {StoreCondition::Damaged, failure(rc, doing)};
        if (isBusy(rc)) return {StoreCondition::Locked, failure(rc, doing)};
        return {StoreCondition::Failed, failure(rc, doing)};
    };

    // Reading the schema reads the header: this is where a file that is no database shows.
    bool tableExists = false;
    int rc = SQLITE_OK;
    {
        Statement hasTable = prepare("SELECT count(*) FROM sqlite_master WHERE name = 'settings'");
        rc = stepWithRetry(hasTable);
        if (rc != SQLITE_ROW) return conditionOf(rc, "reading");
        tableExists = hasTable.text(0) != "0";
    }

    const bool writable = access_ == StoreAccess::ReadWrite && sqlite3_db_readonly(db_, "main") == 0;
    if (writable) {
        // WAL lets readers go on while one process writes; NORMAL syncing is safe in WAL mode
        // (a power cut may lose the last save, never corrupt the file).
        {
            Statement wal = prepare("PRAGMA journal_mode = WAL");
            rc = stepWithRetry(wal);
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE && (rc & 0xff) != SQLITE_BUSY) return conditionOf(rc, "preparing");
        sqlite3_exec(db_, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
        if (!tableExists) {
            try {
                execWithRetry("BEGIN IMMEDIATE", "preparing");
                execWithRetry(kCreateTable, "preparing");
                execWithRetry("COMMIT", "preparing");
            } catch (const KivraError& e) {
                if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
                return {StoreCondition::Failed, e};
            }
        }
    }

    Statement quick = prepare("PRAGMA quick_check");
    rc = stepWithRetry(quick);
    if (rc != SQLITE_ROW) return conditionOf(rc, "checking");
    if (quick.text(0) != "ok")
        return {StoreCondition::Damaged,
                KivraError(kDamagedStoreError, "Settings file is damaged: " + quick.text(0))};

    if (!writable) {
        const std::string why =
            access_ == StoreAccess::Snapshot ? "Read-only settings folder (" : "Settings file is read-only (";
        return {StoreCondition::ReadOnly,
                KivraError(errnum::PermissionDenied, why + file_.string() + ")")};
    }
    return {StoreCondition::Ok, std::nullopt};
}

std::string SqliteStore::read(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view fallback) {
    try {
        std::lock_guard lock(mutex_);
        if (!db_ || hasNul(app) || hasNul(section) || hasNul(key)) return std::string(fallback);
        Statement st = prepare("SELECT value FROM settings WHERE path = ?1 AND key = ?2");
        st.bind(1, joinPath(app, section));
        st.bind(2, key);
        if (stepWithRetry(st) == SQLITE_ROW) return st.text(0);
    } catch (...) {
    }
    return std::string(fallback);
}

// The spelling a new row's path takes: the longest part of it that is already stored keeps
// its stored spelling (as a registry key keeps the name it was created with).
std::string SqliteStore::storedSpelling(const std::string& path) {
    size_t end = path.size();
    while (end > 0) {
        Statement st = prepare("SELECT path FROM settings WHERE " + std::string(kSubtree) + " LIMIT 1");
        st.bindSubtree(path.substr(0, end));
        if (stepWithRetry(st) == SQLITE_ROW) {
            const std::string found = st.text(0);
            if (found.size() >= end) return found.substr(0, end) + path.substr(end);
        }
        const size_t slash = path.rfind('\\', end - 1);
        if (slash == std::string::npos) break;
        end = slash;
    }
    return path;
}

void SqliteStore::write(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::lock_guard lock(mutex_);
    requireFile();
    // Only names every backend accepts, so that an export imports on every platform.
    const std::string wanted = joinPath(app, section);
    if (const std::string problem = sectionPathProblem(wanted); !problem.empty())
        throw KivraError(errnum::BadFileName, "Settings name " + problem + ": " + wanted);
    if (const std::string problem = keyNameProblem(key); !problem.empty())
        throw KivraError(errnum::BadFileName, "Settings key " + problem + " (in " + wanted + ")");
    const std::string path = storedSpelling(wanted);
    Statement st = prepare(
        "INSERT INTO settings (path, key, value) VALUES (?1, ?2, ?3)"
        " ON CONFLICT (path, key) DO UPDATE SET value = excluded.value");
    st.bind(1, path);
    st.bind(2, key);
    st.bind(3, value);
    const int rc = stepWithRetry(st);
    if (rc != SQLITE_DONE) throw failure(rc, "saving a setting in");
}

void SqliteStore::deleteSection(std::string_view app, std::string_view section) {
    std::lock_guard lock(mutex_);
    requireFile();
    if (!sectionPathProblem(joinPath(app, section)).empty()) return;  // no such name can be stored
    Statement st = prepare("DELETE FROM settings WHERE " + std::string(kSubtree));
    st.bindSubtree(joinPath(app, section));
    const int rc = stepWithRetry(st);
    if (rc != SQLITE_DONE) throw failure(rc, "deleting settings in");
}

void SqliteStore::beginBatch() {
    std::lock_guard lock(mutex_);
    requireFile();
    if (batchDepth_ == 0) {
        // IMMEDIATE takes the write lock now, so no write inside can meet a busy database.
        execWithRetry("BEGIN IMMEDIATE", "starting a save in");
        batchAbandoned_ = false;
    }
    ++batchDepth_;
}

void SqliteStore::commitBatch() {
    std::lock_guard lock(mutex_);
    if (batchDepth_ == 0) return;
    if (--batchDepth_ > 0) return;
    if (batchAbandoned_) {
        batchAbandoned_ = false;
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw KivraError(2000 + SQLITE_ABORT, "Save abandoned: part of it was rolled back");
    }
    if (sqlite3_get_autocommit(db_)) {
        // SQLite already rolled the transaction back after a failed write.
        throw KivraError(2000 + SQLITE_ABORT, "Save abandoned after an error (" + file_.string() + ")");
    }
    armDeadline();
    const auto deadline = deadline_;
    for (int attempt = 0;; ++attempt) {
        const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK) return;
        if (!isBusy(rc) || std::chrono::steady_clock::now() >= deadline) {
            const KivraError error = failure(rc, "saving to");
            if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw error;
        }
        backoff(attempt);
    }
}

void SqliteStore::rollbackBatch() {
    std::lock_guard lock(mutex_);
    if (batchDepth_ == 0) return;
    if (--batchDepth_ > 0) {
        batchAbandoned_ = true;  // the outermost batch rolls everything back
        return;
    }
    batchAbandoned_ = false;
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::vector<StoredEntry> SqliteStore::entries(std::string_view under) {
    std::lock_guard lock(mutex_);
    requireFile();
    std::vector<StoredEntry> result;
    {
        Statement hasTable = prepare("SELECT count(*) FROM sqlite_master WHERE name = 'settings'");
        const int rc = stepWithRetry(hasTable);
        if (rc != SQLITE_ROW) throw failure(rc, "reading");
        if (hasTable.text(0) == "0") return result;  // a read-only file that was never written
    }
    std::string sql = "SELECT path, key, value FROM settings";
    if (!under.empty()) sql += " WHERE " + std::string(kSubtree);
    sql += " ORDER BY path, key";
    Statement st = prepare(sql);
    if (!under.empty()) st.bindSubtree(std::string(under));
    int rc = stepWithRetry(st);
    for (; rc == SQLITE_ROW; rc = st.step()) result.push_back({st.text(0), st.text(1), st.text(2)});
    if (rc != SQLITE_DONE) throw failure(rc, "reading");
    return result;
}

std::string SqliteStore::integrityCheck() {
    std::lock_guard lock(mutex_);
    requireFile();
    Statement st = prepare("PRAGMA integrity_check");
    std::string result;
    int rc = stepWithRetry(st);
    for (; rc == SQLITE_ROW; rc = st.step()) {
        if (!result.empty()) result += '\n';
        result += st.text(0);
    }
    if (rc != SQLITE_DONE) throw failure(rc, "checking");
    return result;
}

}  // namespace kivra
