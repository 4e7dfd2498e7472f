// The settings store of Windows: the registry below HKEY_CURRENT_USER\Software, or below the
// key that KIVRA_SETTINGS_KEY names (tests, and users who want a separate set of settings).
#include "StoreLocation.h"

#include "RegistryStore.h"
#include "Utf16Text.h"

#include <windows.h>

namespace kivra {

namespace {

// KIVRA_SETTINGS_KEY when set and not empty, else the default root.
std::string storeRoot() {
    const wchar_t* name = L"KIVRA_SETTINGS_KEY";
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed <= 1) return std::string(kDefaultStoreRoot);
    std::wstring value(needed, L'\0');
    const DWORD n = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(n < needed ? n : 0);
    return value.empty() ? std::string(kDefaultStoreRoot) : fromUtf16(value);
}

}  // namespace

OpenedStore openDefaultStore() {
    try {
        auto store = std::make_shared<RegistryStore>(storeRoot());
        return {store, store->check()};
    } catch (const KivraError& e) {
        return {std::make_shared<RegistryStore>(e), e};
    }
}

std::string defaultStoreLocation() {
    try {
        return RegistryStore(storeRoot()).location();
    } catch (const KivraError&) {
        return "HKEY_CURRENT_USER\\" + storeRoot();
    }
}

std::string recoveryFileLocation() { return {}; }

std::string storeLocationHelp() {
    return "The settings are in the registry below HKEY_CURRENT_USER\\Software, or below\n"
           "HKEY_CURRENT_USER\\<KIVRA_SETTINGS_KEY> when that variable is set. Each part of an\n"
           "application name is a key: \"Kivra\\Kivra [ Main ]\" is the key\n"
           "HKEY_CURRENT_USER\\Software\\Kivra\\Kivra [ Main ]. 'list' and 'export' without APP\n"
           "cover the Kivra key.\n";
}

}  // namespace kivra
