// The per-user settings store: string values addressed by application name,
// section and key. Backslash-separated segments of the application name nest.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace kivra {

// The absent marker: what every read passes as its default.
inline constexpr std::string_view kAbsent = "-1";

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
};

// The store the program works on; set once at start-up (tests set their own).
SettingsStore& currentStore();
void setCurrentStore(std::shared_ptr<SettingsStore> store);

// The design's three store operations, on the current store.
std::string ReadSetting(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view fallback = kAbsent);
void WriteSetting(std::string_view app, std::string_view section, std::string_view key,
                  std::string_view value);
void DeleteSection(std::string_view app, std::string_view section);

}  // namespace kivra
