// Host links in the settings store: `HostLinks` under the main application name and
// one `LinkOptions` section per link under its instance application name.
// Store failures (KivraError) propagate to the caller, which reports them.
#pragma once

#include "LinkTable.h"
#include "Matching.h"
#include "SettingsStore.h"

#include <string_view>

namespace kivra {

// The stored `MatchMethod`: "1" Exact, "2" Fuzzy, any other value FuzzyExclusion.
MatchMethod matchMethodFromStored(std::string_view text);

// Fills the table from the store (the main program's first activation). The count
// `HLinkCnt` (absent: 0; capped at 32767) bounds the positions read; missing, empty
// or "-1" titles are skipped and trailing blanks dropped. The link count is the
// number of titles actually loaded. On a store error the table keeps what was
// loaded so far (records whose options were not read yet keep the defaults) and
// the error is rethrown.
void LoadHostLinks(LinkTable& table, SettingsStore& store = currentStore());

// The host-link part of SaveAllSettings: rewrites `HostLinks` (renumbered in list
// order) and every link's `LinkOptions`, in one store batch: on a failure nothing
// of it lands (inside an outer batch, the outer one decides).
void SaveHostLinks(const LinkTable& table, SettingsStore& store = currentStore());

// One link's `LinkOptions` under "\Inst 1 of 1", as the main program reads and writes them.
void ReadLinkRecordOptions(HostLink& link, SettingsStore& store = currentStore());
void WriteLinkOptions(const HostLink& link, SettingsStore& store = currentStore());

// The link program's options from the `LinkOptions` of its own instance application name.
LinkMatchOptions LoadLinkOptions(std::string_view instanceAppName, SettingsStore& store = currentStore());

// Removes the stored settings of every instance of the link.
void DeleteLinkSettings(std::string_view title, SettingsStore& store = currentStore());

}  // namespace kivra
