// The settings store in the registry below HKEY_CURRENT_USER: each backslash-separated part
// of an application name and the section are keys, and a setting is a REG_SZ value.
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// The key below HKEY_CURRENT_USER that holds the tree unless KIVRA_SETTINGS_KEY names another.
inline constexpr std::string_view kDefaultStoreRoot = "Software";

// The top-level name below which every Kivra program keeps its settings. The root is shared
// with every other program of the user, so listing "everything" lists this tree only.
inline constexpr std::string_view kProgramsTree = "Kivra";

// Names compare as the registry compares them: without regard to case, for every letter.
// Values are UTF-8 here and UTF-16 in the registry; bytes that are not UTF-8 survive the
// trip as lone surrogates. A value of another type written by hand reads as its text
// (REG_EXPAND_SZ unexpanded, REG_DWORD and REG_QWORD in decimal); other types read as absent.
// The registry has no transactions: batches are no-ops, each write stands on its own.
class RegistryStore : public SettingsStore {
public:
    // The tree below HKEY_CURRENT_USER\<root>, where `root` is a key path such as "Software"
    // or "Software\\KivraTests\\x" (a leading "HKEY_CURRENT_USER\\" or "HKCU\\" is allowed).
    // Throws KivraError when the path cannot name a registry key.
    explicit RegistryStore(std::string_view root = kDefaultStoreRoot);
    // A store without a place: reads give the fallback, changes and listings throw `reason`.
    explicit RegistryStore(KivraError reason);

    // Nothing when the programs' tree can be written (or does not exist yet); otherwise the
    // problem to report once, such as a key the user may only read (error 70).
    std::optional<KivraError> check() const;

    std::string read(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view fallback) override;
    void write(std::string_view app, std::string_view section, std::string_view key,
               std::string_view value) override;
    void deleteSection(std::string_view app, std::string_view section) override;
    // With `under` empty: every value below kProgramsTree.
    std::vector<StoredEntry> entries(std::string_view under = {}) override;

    // The root key path below HKEY_CURRENT_USER, and the whole key name for people.
    const std::string& root() const { return root_; }
    std::string location() const;

private:
    std::wstring keyPath(std::string_view path) const;
    std::string locationOf(std::string_view path) const;
    void requirePlace() const;

    std::string root_;
    std::optional<KivraError> unavailable_;
};

}  // namespace kivra
