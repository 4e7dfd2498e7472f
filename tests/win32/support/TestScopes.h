// Things a Windows test holds for its lifetime and that are undone afterwards: a temporary
// folder, an environment variable, a registry key below HKEY_CURRENT_USER.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kivra::wintest {

// A text no other test run uses: the process id, the time and a random number.
std::string uniqueName();

// A fresh folder under the user's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, removes) an environment variable of this process; the old value
// comes back afterwards. Children started meanwhile inherit the new one.
class ScopedEnvironment {
public:
    ScopedEnvironment(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;
};

// A registry key path below HKEY_CURRENT_USER ("Software\\KivraTests\\<unique>") whose tree
// is deleted afterwards, with the parent when nothing else is left in it.
class ScratchRegistryKey {
public:
    ScratchRegistryKey();
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The whole text of a file ("" when it cannot be read).
std::string fileText(const std::filesystem::path& file);

}  // namespace kivra::wintest
