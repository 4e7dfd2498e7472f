// Saves from a window without letting it freeze on the store: written at once when the store is
// free; when another program holds it locked, the save goes on waiting on a thread of its own
// (up to kSaveLockWait) and, if the lock never frees, keeps the values in a recovery file and
// tells the user where, once for the session.
#pragma once

#include "StoreSave.h"

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace kivra {

enum class AfterSave {
    KeepRunning,  // a save while the window goes on
    EndProgram,   // the exit save: the window goes away at once and the program ends after the save
};

enum class SaveState { Done, GoesOn };

// Reports a failure that is not a lock (or a lock with no recovery file to be had).
using SaveFailureReport = std::function<void(const KivraError&)>;

// Returns GoesOn when the save waits in the background: with EndProgram the window is hidden
// then, and the program ends (QCoreApplication::exit) once the save is over.
SaveState saveWithoutWaiting(QWidget* window, std::shared_ptr<SettingsStore> store, std::vector<StoreChange> changes,
                             AfterSave after, SaveFailureReport report);

}  // namespace kivra
