// An in-memory settings store with the same nesting rules as the file store; used by tests.
#pragma once

#include "SettingsStore.h"

#include <map>
#include <mutex>
#include <tuple>

namespace kivra {

// Names compare without regard to ASCII case, as registry keys and the file store do.
struct NoCaseLess {
    bool operator()(const std::pair<std::string, std::string>& a,
                    const std::pair<std::string, std::string>& b) const;
};

class MemoryStore : public SettingsStore {
public:
    std::string read(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view fallback) override;
    void write(std::string_view app, std::string_view section, std::string_view key,
               std::string_view value) override;
    void deleteSection(std::string_view app, std::string_view section) override;
    std::vector<StoredEntry> entries(std::string_view under = {}) override;

    // Every value as (path, key) -> value, where path is app + "\" + section.
    const std::map<std::pair<std::string, std::string>, std::string, NoCaseLess>& values() const { return values_; }
    size_t size() const { return values_.size(); }
    // How many writes and section deletes were made (tests check that nothing was written).
    int writeCount() const { return writes_; }

private:
    std::map<std::pair<std::string, std::string>, std::string, NoCaseLess> values_;
    int writes_ = 0;
};

}  // namespace kivra
