// The settings file's place and the recovery rules applied when it is opened.
#include "StoreFile.h"

#include "ErrorReport.h"
#include "SessionNotes.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>
#include <vector>

namespace kivra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "settings.sqlite3";
constexpr int kOpenAttempts = 3;

std::string envOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

OpenedFileStore unavailable(const KivraError& problem) {
    return {std::make_shared<SqliteStore>(problem), problem};
}

fs::path withSuffix(const fs::path& file, const std::string& suffix) {
    fs::path p = file;
    p += suffix;
    return p;
}

// SQLite keeps a file's journal beside it; a stale one must leave with the file it belongs to.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

// Only one program at a time may set a damaged file aside, or a second one could move away
// the new file the first has just made. The lock is a folder beside the file: creating a
// folder is atomic on every file system, local or remote. A lock left by a program that died
// during the few milliseconds it is held is broken after kStaleLock.
constexpr auto kStaleLock = std::chrono::seconds(10);
constexpr auto kLockWait = std::chrono::seconds(15);

class RecoveryLock {
public:
    explicit RecoveryLock(const fs::path& file) : dir_(withSuffix(file, ".recovering")) {
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        while (std::chrono::steady_clock::now() < deadline) {
            std::error_code ec;
            if (fs::create_directory(dir_, ec)) {
                held_ = true;
                return;
            }
            if (ec) return;  // cannot create it at all: the rename would fail the same way
            const auto age = fs::file_time_type::clock::now() - fs::last_write_time(dir_, ec);
            if (!ec && age > kStaleLock) fs::remove(dir_, ec);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~RecoveryLock() {
        std::error_code ec;
        if (held_) fs::remove(dir_, ec);
    }
    RecoveryLock(const RecoveryLock&) = delete;
    RecoveryLock& operator=(const RecoveryLock&) = delete;

private:
    fs::path dir_;
    bool held_ = false;
};

// True when the file now at `file` is still damaged: another program may have set the old
// file aside and created a sound one since we looked.
bool stillDamaged(const fs::path& file) {
    try {
        SqliteStore fresh(file, StoreAccess::ReadOnly);
        return fresh.check().condition == StoreCondition::Damaged;
    } catch (const KivraError&) {
        return false;
    }
}

// Renames the damaged file and its companions; returns where it went.
fs::path setAside(const fs::path& file) {
    const fs::path target = damagedFileName(file);
    fs::rename(file, target);  // throws filesystem_error
    for (const char* companion : kCompanions) {
        std::error_code ec;
        if (fs::exists(withSuffix(file, companion), ec))
            fs::rename(withSuffix(file, companion), withSuffix(target, companion), ec);
    }
    return target;
}

// A file in a folder that cannot be written cannot be opened for ordinary reading in WAL
// mode (SQLite needs its shared-memory file there). Read it as an unchanging file instead.
OpenedFileStore openSnapshot(const fs::path& file, const KivraError& why) {
    try {
        auto snapshot = std::make_shared<SqliteStore>(file, StoreAccess::Snapshot);
        const StoreCheck check = snapshot->check();
        if (check.condition == StoreCondition::Ok || check.condition == StoreCondition::ReadOnly)
            return {snapshot, why};
    } catch (const KivraError&) {
    }
    return unavailable(why);
}

// Creates the folder and any missing parents readable by the user only (link titles say
// what the user looks at), as the XDG base directory rules ask for new folders.
void createPrivateFolders(const fs::path& folder, std::error_code& ec) {
    std::vector<fs::path> missing;
    for (fs::path p = folder; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!fs::create_directory(*it, ec) && ec) return;
        fs::permissions(*it, fs::perms::owner_all, ec);
    }
    if (!fs::is_directory(folder, ec) && !ec) ec = std::make_error_code(std::errc::not_a_directory);
}

// Creates an empty file (which SQLite takes as an empty database) when there is none, so
// that a folder we may not write in is reported as such rather than as a missing file.
std::optional<KivraError> createIfMissing(const fs::path& file) {
    std::error_code ec;
    if (fs::exists(file, ec)) return std::nullopt;
    errno = 0;
    std::FILE* created = std::fopen(file.string().c_str(), "ab");
    if (created) {
        std::fclose(created);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, ec);
        return std::nullopt;
    }
    const int err = errno != 0 ? errno : EACCES;
    return KivraError(errorNumberFromErrno(err),
                      "Settings file not created: " + std::string(std::strerror(err)) + " (" + file.string() + ")");
}

}  // namespace

fs::path defaultStorePath() {
    const std::string explicitFile = envOrEmpty("KIVRA_SETTINGS");
    if (!explicitFile.empty()) return explicitFile;
    fs::path config = envOrEmpty("XDG_CONFIG_HOME");
    if (config.empty() || config.is_relative()) {  // relative values are invalid and ignored
        const std::string home = envOrEmpty("HOME");
        if (home.empty()) return {};
        config = fs::path(home) / ".config";
    }
    return config / "kivra" / kFileName;
}

fs::path damagedFileName(const fs::path& file) {
    const std::time_t now = std::time(nullptr);
    char stamp[32] = "unknown-time";
    if (const std::tm* local = std::localtime(&now)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    fs::path target = withSuffix(file, std::string(".damaged-") + stamp);
    std::error_code ec;
    for (int n = 2; fs::exists(target, ec) || fs::exists(withSuffix(target, "-wal"), ec); ++n)
        target = withSuffix(file, std::string(".damaged-") + stamp + "-" + std::to_string(n));
    return target;
}

OpenedFileStore openStore(const fs::path& file) {
    if (file.empty())
        return unavailable(KivraError(errnum::PathNotFound, "No settings folder: HOME is not set"));

    std::error_code ec;
    const fs::path folder = file.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        createPrivateFolders(folder, ec);
        if (ec)
            return unavailable(KivraError(errorNumberFromErrorCode(ec),
                                          "Settings folder not created: " + ec.message() + " (" +
                                              folder.string() + ")"));
    }
    if (fs::is_directory(file, ec))
        return unavailable(KivraError(errnum::PathFileAccess, "The settings file is a folder: " + file.string()));
    if (auto problem = createIfMissing(file)) return unavailable(*problem);

    std::optional<KivraError> damaged;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        std::shared_ptr<SqliteStore> store;
        try {
            store = std::make_shared<SqliteStore>(file);
        } catch (const KivraError& e) {
            return unavailable(e);
        }
        const StoreCheck check = store->check();
        switch (check.condition) {
        case StoreCondition::Ok:
            return {store, damaged};
        case StoreCondition::ReadOnly:
        case StoreCondition::Locked:
        case StoreCondition::Failed:
            // Still the best store there is: reads work where they can, writes report.
            return {store, damaged ? damaged : check.error};
        case StoreCondition::FolderReadOnly:
            store.reset();
            return openSnapshot(file, *check.error);
        case StoreCondition::Damaged:
            store.reset();
            try {
                RecoveryLock lock(file);
                if (!stillDamaged(file)) continue;  // someone else replaced it a moment ago
                const fs::path aside = setAside(file);
                damaged = KivraError(kDamagedStoreError, "Settings damaged, new file.",
                                     "Old one kept as " + aside.string());
            } catch (const fs::filesystem_error& e) {
                std::error_code gone;
                if (!fs::exists(file, gone)) continue;  // another program moved it first
                return unavailable(KivraError(errorNumberFromErrorCode(e.code()),
                                              "Settings damaged, not moved: " + e.code().message() + " (" +
                                                  file.string() + ")"));
            }
            break;
        }
    }
    return unavailable(damaged ? *damaged
                               : KivraError(kDamagedStoreError, "Settings file keeps failing: " + file.string()));
}

OpenedStore openDefaultStore() {
    OpenedFileStore opened = openStore(defaultStorePath());
    return {opened.store, opened.problem};
}

std::string defaultStoreLocation() { return defaultStorePath().string(); }

std::string recoveryFileLocation() {
    const fs::path file = defaultStorePath();
    return file.empty() ? std::string() : file.string() + ".recovery-" + sessionStamp() + ".txt";
}

std::string storeLocationHelp() {
    return "The settings file is $KIVRA_SETTINGS when set, else\n"
           "$XDG_CONFIG_HOME/kivra/settings.sqlite3 (XDG_CONFIG_HOME defaults to ~/.config).\n";
}

}  // namespace kivra
