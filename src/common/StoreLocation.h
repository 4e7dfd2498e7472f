// Opening the settings store of this platform so that a damaged, protected or unreachable
// store never stops a program: it gets a usable store and, at most, one problem to report.
// Linux keeps the store in an SQLite file (StoreFile.h); Windows in the registry under
// HKEY_CURRENT_USER\\Software (RegistryStore.h).
#pragma once

#include "KivraError.h"
#include "SettingsStore.h"

#include <memory>
#include <optional>
#include <string>

namespace kivra {

struct OpenedStore {
    std::shared_ptr<SettingsStore> store;  // never null
    std::optional<KivraError> problem;     // what the caller reports once through ReportError
};

// The store every Kivra program of this user works on.
OpenedStore openDefaultStore();

// Where that store is, for people: a file name, or a registry key. Empty when there is none.
std::string defaultStoreLocation();

// Where a save that found the store locked for too long keeps its values in this session:
// beside the store, "<store file>.recovery-<session start>.txt". Empty where the store is never
// held locked by another program (the registry).
std::string recoveryFileLocation();

// A paragraph for help texts saying where the store is and how to choose another one.
std::string storeLocationHelp();

}  // namespace kivra
