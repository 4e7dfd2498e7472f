// Saves that can wait: recorded, applied in one batch under a bounded lock wait, and kept in a
// recovery file when the store stays locked.
#include "StoreSave.h"

#include "ExportFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace kivra {

namespace {

bool underSection(const std::string& path, const std::string& section) {
    if (path.size() < section.size()) return false;
    for (size_t i = 0; i < section.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(path[i])) != std::tolower(static_cast<unsigned char>(section[i])))
            return false;
    return path.size() == section.size() || path[section.size()] == '\\';
}

// Adds the values to the file in one write, so that programs adding theirs at the same moment
// do not interleave; each addition starts with the export header, which the import accepts again.
bool appendRecovery(const std::filesystem::path& file, const std::vector<StoredEntry>& values) {
    std::ostringstream text;
    settings::writeExport(text, values);
    const std::string bytes = text.str();
    std::FILE* out = std::fopen(file.string().c_str(), "ab");
    if (!out) return false;
    std::setvbuf(out, nullptr, _IOFBF, bytes.size() + 1);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace

std::string SaveRecorder::read(std::string_view app, std::string_view section, std::string_view key,
                               std::string_view fallback) {
    return base_.read(app, section, key, fallback);
}

void SaveRecorder::write(std::string_view app, std::string_view section, std::string_view key,
                         std::string_view value) {
    changes_.push_back({StoreChange::Kind::Write, std::string(app), std::string(section), std::string(key),
                        std::string(value)});
}

void SaveRecorder::deleteSection(std::string_view app, std::string_view section) {
    changes_.push_back({StoreChange::Kind::DeleteSection, std::string(app), std::string(section), {}, {}});
}

std::vector<StoredEntry> writtenValues(const std::vector<StoreChange>& changes) {
    std::vector<StoredEntry> values;
    for (const StoreChange& c : changes) {
        const std::string path = c.app + "\\" + c.section;
        if (c.kind == StoreChange::Kind::DeleteSection) {
            std::erase_if(values, [&](const StoredEntry& e) { return underSection(e.path, path); });
            continue;
        }
        std::erase_if(values, [&](const StoredEntry& e) { return e.path == path && e.key == c.key; });
        values.push_back({path, c.key, c.value});
    }
    return values;
}

SaveResult applyChanges(SettingsStore& store, const std::vector<StoreChange>& changes,
                        std::chrono::milliseconds lockWait, const std::filesystem::path& recoveryFile) {
    SaveResult result;
    store.setLockWait(lockWait);
    try {
        StoreBatch batch(store);
        for (const StoreChange& c : changes) {
            if (c.kind == StoreChange::Kind::Write) store.write(c.app, c.section, c.key, c.value);
            else store.deleteSection(c.app, c.section);
        }
        batch.commit();
    } catch (const KivraError& e) {
        result.error = e;
    }
    store.setLockWait(kSaveLockWait);
    if (result.locked() && !recoveryFile.empty() && appendRecovery(recoveryFile, writtenValues(changes))) {
        result.error.reset();
        result.recoveryFile = recoveryFile;
    }
    return result;
}

BackgroundSave::BackgroundSave(std::shared_ptr<SettingsStore> store, std::vector<StoreChange> changes,
                               std::chrono::milliseconds lockWait, std::filesystem::path recoveryFile)
    : thread_([this, store = std::move(store), changes = std::move(changes), lockWait,
               recoveryFile = std::move(recoveryFile)] {
          result_ = applyChanges(*store, changes, lockWait, recoveryFile);
          finished_ = true;
      }) {}

BackgroundSave::~BackgroundSave() {
    if (thread_.joinable()) thread_.join();
}

const SaveResult& BackgroundSave::result() {
    if (thread_.joinable()) thread_.join();
    return result_;
}

}  // namespace kivra
