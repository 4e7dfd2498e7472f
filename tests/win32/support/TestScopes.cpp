// Temporary folders, environment variables and registry keys that tests undo afterwards.
#include "TestScopes.h"

#include "Win32Test.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace kivra::wintest {

namespace fs = std::filesystem;

std::string uniqueName() {
    std::random_device random;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
           std::to_string(random());
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, base);
    path_ = fs::path(base) / ("kivra-test-" + uniqueName());
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

namespace {
std::optional<std::wstring> environment(const std::wstring& name) {
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::vector<wchar_t> buffer(needed);
    const DWORD n = GetEnvironmentVariableW(name.c_str(), buffer.data(), needed);
    return std::wstring(buffer.data(), n);
}
}  // namespace

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::optional<std::string>& value)
    : name_(widen(name)), old_(environment(name_)) {
    SetEnvironmentVariableW(name_.c_str(), value ? widen(*value).c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }

ScratchRegistryKey::ScratchRegistryKey() : path_("Software\\KivraTests\\" + uniqueName()) {}

ScratchRegistryKey::~ScratchRegistryKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, widen(path_).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KivraTests");  // fails while other tests use it
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kivra::wintest
