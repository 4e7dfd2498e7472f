// The window side of a save that can wait: try at once, else wait off the user-interface thread.
#include "SaveWithoutWaiting.h"

#include "ReportError.h"
#include "SessionNotes.h"
#include "StoreLocation.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

namespace kivra {

namespace {

constexpr int kPollMs = 20;

// Saves of this program still waiting in the background: a new one queues behind them rather
// than wait on this thread for the store they hold.
int waitingSaves = 0;

void tellRecovery(const std::filesystem::path& file) {
    if (!firstTimeThisSession("recovery " + file.string())) return;
    const std::string name = file.string();
    ReportError(KivraError(errnum::PermissionDenied, "Settings file locked; not saved.",
                           "Values kept in " + name + " - to restore them: kivra-settings import " + name),
                nullptr);
}

}  // namespace

SaveState saveWithoutWaiting(QWidget* window, std::shared_ptr<SettingsStore> store, std::vector<StoreChange> changes,
                             AfterSave after, SaveFailureReport report) {
    if (waitingSaves == 0) {
        const SaveResult now = applyChanges(*store, changes, std::chrono::milliseconds(0));
        if (!now.locked()) {
            if (now.error && report) report(*now.error);
            return SaveState::Done;
        }
    }
    if (after == AfterSave::EndProgram && window) window->hide();
    auto save = std::make_shared<BackgroundSave>(std::move(store), std::move(changes), kSaveLockWait,
                                                 recoveryFileLocation());
    ++waitingSaves;
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, save, after, report = std::move(report)] {
        if (!save->finished()) return;
        poll->stop();
        poll->deleteLater();
        --waitingSaves;
        const SaveResult& result = save->result();
        if (!result.recoveryFile.empty()) tellRecovery(result.recoveryFile);
        else if (result.error && report) report(*result.error);
        if (after == AfterSave::EndProgram) QCoreApplication::exit(0);
    });
    poll->start(kPollMs);
    return SaveState::GoesOn;
}

}  // namespace kivra
