// A save that can wait: its writes and deletes are recorded first, then applied to the store
// in one batch, waiting for another program's lock up to a limit; when the lock never frees,
// the values go to a recovery file in the export format that `kivra-settings import` reads.
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kivra {

// How long a save that can wait waits for another program's lock on the store.
inline constexpr std::chrono::milliseconds kSaveLockWait{30000};

struct StoreChange {
    enum class Kind { Write, DeleteSection } kind = Kind::Write;
    std::string app, section, key, value;
};

// Records every write and section delete made on it, in order; reads go to `base`.
class SaveRecorder : public SettingsStore {
public:
    explicit SaveRecorder(SettingsStore& base) : base_(base) {}
    std::string read(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view fallback) override;
    void write(std::string_view app, std::string_view section, std::string_view key,
               std::string_view value) override;
    void deleteSection(std::string_view app, std::string_view section) override;
    const std::vector<StoreChange>& changes() const { return changes_; }

private:
    SettingsStore& base_;
    std::vector<StoreChange> changes_;
};

struct SaveResult {
    std::optional<KivraError> error;      // the values did not reach the store (nor a recovery file)
    std::filesystem::path recoveryFile;   // they are kept there instead: the store stayed locked
    bool saved() const { return !error && recoveryFile.empty(); }
    bool locked() const { return error && error->storeFailure() == StoreFailure::Locked; }
};

// Applies the changes in one batch, waiting at most `lockWait` for another program's lock.
// When the lock did not free and `recoveryFile` is not empty, the values written are added to
// that file (made when missing; several programs of a session may add theirs) and its name
// is returned instead of the error.
SaveResult applyChanges(SettingsStore& store, const std::vector<StoreChange>& changes,
                        std::chrono::milliseconds lockWait, const std::filesystem::path& recoveryFile = {});

// The values a list of changes leaves written (a later delete drops earlier writes below it).
std::vector<StoredEntry> writtenValues(const std::vector<StoreChange>& changes);

// applyChanges on a thread of its own, so that no window waits for the lock.
class BackgroundSave {
public:
    BackgroundSave(std::shared_ptr<SettingsStore> store, std::vector<StoreChange> changes,
                   std::chrono::milliseconds lockWait, std::filesystem::path recoveryFile);
    ~BackgroundSave();  // waits for the save to end
    BackgroundSave(const BackgroundSave&) = delete;
    BackgroundSave& operator=(const BackgroundSave&) = delete;

    bool finished() const { return finished_; }
    // Waits for the end and gives the result.
    const SaveResult& result();

private:
    SaveResult result_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace kivra
