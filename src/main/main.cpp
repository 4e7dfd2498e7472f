// kivra: the main program. Refuses any command line and a second instance, then
// opens the main window.
#include "AppStyle.h"
#include "MainForm.h"
#include "MessageState.h"
#include "NativeWindowSystem.h"
#include "OsVersion.h"
#include "OwnWindowMarker.h"
#include "RuntimeFolder.h"
#include "SessionNotes.h"
#include "SingleInstance.h"
#include "StoreLocation.h"
#include "WindowBindings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include "StartupRefusal.h"

namespace {

// Over the main window, so that it goes with it.
void showRuntimeFolderNotice(QWidget* mainWindow, const QString& text) {
    qWarning("kivra: %s", qPrintable(text));
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kivra"), text, QMessageBox::Ok, mainWindow);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Any command-line text ends the program at once, without a window or a message.
    if (argc > 1) return 0;

    // The class name of every window of ours carries the marker that keeps
    // them out of the host window list.
    QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivra"));
    QApplication app(argc, argv);
    kivra::applyAppStyle(app);
    kivra::installHelpHook();
    const QString ownFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();

    const auto version = kivra::readOsVersion();
    if (!kivra::osVersionSupported(version)) {
        kivra::showStartupRefusal(QMessageBox::Information, QStringLiteral("Windows OS version not 95 or greater."));
        return 0;
    }
    kivra::messages().helpSuppressed = kivra::osClassSuppressesHelp(kivra::classifyOsVersion(version));

    // The lock and the link channel share one checked folder; without a safe one Kivra
    // does not run at all, as it could neither keep to one instance nor reach its links.
    const kivra::RuntimeFolder runtime = kivra::runtimeFolder();
    if (!runtime.error.empty()) {
        kivra::showStartupRefusal(QMessageBox::Critical, QString::fromStdString(runtime.error));
        return 1;
    }
    auto instance = kivra::acquireSingleInstance("kivra");
    if (!instance) {
        kivra::showStartupRefusal(QMessageBox::Information, ownFileName + QStringLiteral(" is already running."));
        return 0;
    }
    // This instance's session: what its programs have told the user starts afresh.
    kivra::startSession();

    std::string error;
    auto windows = kivra::createNativeWindowSystem(&error);
    if (!windows) {
        kivra::showStartupRefusal(QMessageBox::Critical, QString::fromStdString(error));
        return 1;
    }
    kivra::installOwnWindowMarker(app, *windows);

    kivra::MainEnvironment env;
    env.windows = windows.get();
    env.picker = kivra::createNativeWindowPicker();
    auto opened = kivra::openDefaultStore();
    env.store = opened.store;
    env.storeOpenError = opened.problem;
    env.appDirectory = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    kivra::setCurrentStore(env.store);

    kivra::MainForm form(std::move(env));
    form.load();
    form.show();
    // An unsafe preferred folder is said once, by the instance that runs, without holding
    // up the start.
    if (!runtime.notice.empty()) showRuntimeFolderNotice(&form, QString::fromStdString(runtime.notice));
    return app.exec();
}
