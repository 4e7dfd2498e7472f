// The settings store in an SQLite file: where the file lives, and opening it so that a
// damaged, protected or unreachable file never stops a program.
#pragma once

#include "KivraError.h"
#include "SqliteStore.h"
#include "StoreLocation.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace kivra {

struct OpenedFileStore {
    std::shared_ptr<SqliteStore> store;  // never null
    std::optional<KivraError> problem;   // what the caller reports once through ReportError
};

// $KIVRA_SETTINGS when set and not empty; else $XDG_CONFIG_HOME/kivra/settings.sqlite3, where
// XDG_CONFIG_HOME defaults to $HOME/.config. Empty when neither HOME nor XDG_CONFIG_HOME is set.
std::filesystem::path defaultStorePath();

// Opens the file, creating it and its folder when missing:
// - a file that is no database, or a damaged one, is renamed to
//   <file>.damaged-<date>-<time> (never deleted) and a new file takes its place;
// - a write-protected file, or one in a folder that cannot be written, is read, and every
//   write throws error 70;
// - a file that cannot be opened at all gives a store whose reads give the fallback and
//   whose writes throw the problem.
OpenedFileStore openStore(const std::filesystem::path& file);

// Where openStore() puts a damaged file that it found at `file` at this moment.
std::filesystem::path damagedFileName(const std::filesystem::path& file);

}  // namespace kivra
