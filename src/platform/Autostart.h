// Starting Kivra when the user logs in: on Linux the user's XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/<application id>.desktop), on Windows the value "Kivra" under
// HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run. Nothing is written unless
// the user asks for it.
#pragma once

#include <string>

namespace kivra {

// The main program's file in the running program's folder (kivra beside kivra-settings).
std::string mainProgramBesideThisOne();

// True while the entry exists and is not switched off.
bool autostartEnabled();

// Writes the entry that starts `mainProgram` (a full path) at login, or removes it.
// Returns an error text; empty on success (removing an absent entry succeeds).
std::string setAutostart(bool on, const std::string& mainProgram);

// Where the entry is, for people: a file name or a registry value.
std::string autostartLocation();

}  // namespace kivra
