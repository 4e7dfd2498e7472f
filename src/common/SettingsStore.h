// The per-user settings store: string values addressed by application name,
// section and key. Backslash-separated segments of the application name nest.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// The absent marker: what every read passes as its default.
inline constexpr std::string_view kAbsent = "-1";

// One stored value. `path` is the application name and the section joined by a backslash.
struct StoredEntry {
    std::string path;
    std::string key;
    std::string value;
    // `path` split at its last backslash.
    std::string app() const;
    std::string section() const;
    bool operator==(const StoredEntry&) const = default;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `fallback` when the key, section or application name does not exist.
    // Never throws.
    virtual std::string read(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view fallback) = 0;
    // Creates missing levels and replaces the value. Throws KivraError on failure.
    virtual void write(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view value) = 0;
    // Removes the section with every key and every deeper level below it.
    // Throws KivraError on failure.
    virtual void deleteSection(std::string_view app, std::string_view section) = 0;

    // Group the writes and deletes that follow into one transaction (a whole save), so that
    // they land together or not at all. Batches may nest; only the outermost one commits.
    // Stores without transactions keep these no-ops. begin/commit throw KivraError on failure.
    virtual void beginBatch() {}
    virtual void commitBatch() {}
    virtual void rollbackBatch() {}

    // How long each change waits at most for a lock another program holds on the store before
    // it fails (with StoreFailure::Locked). Stores without such locks ignore it.
    virtual void setLockWait(std::chrono::milliseconds) {}

    // Every value whose path is `under` or lies below it (all values when `under` is empty),
    // ordered by path and key without regard to case. Throws KivraError, also when the store
    // cannot list its values.
    virtual std::vector<StoredEntry> entries(std::string_view under = {});
};

// Holds a batch open for its lifetime: commit() makes the writes stick; leaving the scope
// without commit() (an exception, an early return) rolls them back.
class StoreBatch {
public:
    explicit StoreBatch(SettingsStore& store) : store_(store) { store_.beginBatch(); }
    ~StoreBatch() {
        if (done_) return;
        try {
            store_.rollbackBatch();
        } catch (...) {
        }
    }
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

    void commit() {
        done_ = true;
        store_.commitBatch();
    }

private:
    SettingsStore& store_;
    bool done_ = false;
};

// The store the program works on; set once at start-up (tests set their own).
SettingsStore& currentStore();
void setCurrentStore(std::shared_ptr<SettingsStore> store);

// The three store operations the programs use, on the current store.
std::string ReadSetting(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view fallback = kAbsent);
void WriteSetting(std::string_view app, std::string_view section, std::string_view key,
                  std::string_view value);
void DeleteSection(std::string_view app, std::string_view section);

}  // namespace kivra
