// kivlink: the link program, one process per active link, started by kivra with
// a TAB-separated command line. Started by hand it refuses to run.
#include "AppStyle.h"
#include "LinkCommandLine.h"
#include "LinkForm.h"
#include "MessageState.h"
#include "NativeWindowSystem.h"
#include "OsVersion.h"
#include "OwnWindowMarker.h"
#include "StoreLocation.h"
#include "WindowBindings.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include "StartupRefusal.h"

int main(int argc, char* argv[]) {
    const std::string arguments = kivra::joinArguments(argc, argv);

    // The class name of every window of ours carries the marker that keeps
    // them out of the host window list.
    QApplication::setApplicationName(QStringLiteral("QbaseRT5-Kivlink"));
    int qtArgc = 1;  // the link's arguments are its own, never Qt's options
    QApplication app(qtArgc, argv);
    kivra::applyAppStyle(app);
    kivra::installHelpHook();

    if (arguments.empty()) {
        kivra::showStartupRefusal(QMessageBox::Information, QStringLiteral("Run " KIVRA_MAIN_PROGRAM_FILE " instead."));
        return 0;
    }

    const auto version = kivra::readOsVersion();
    if (!kivra::osVersionSupported(version)) {
        kivra::showStartupRefusal(QMessageBox::Information, QStringLiteral("Windows OS version not 95 or greater."));
        return 0;
    }
    const kivra::OsClass osClass = kivra::classifyOsVersion(version);
    kivra::messages().helpSuppressed = kivra::osClassSuppressesHelp(osClass);

    std::string error;
    auto windows = kivra::createNativeWindowSystem(&error);
    if (!windows) return 1;
    kivra::installOwnWindowMarker(app, *windows);

    const auto parsed = kivra::parseLinkCommandLine(arguments, *windows);
    if (parsed.outcome != kivra::CommandLineOutcome::Ok) return 0;  // malformed: silent exit

    auto opened = kivra::openDefaultStore();
    kivra::setCurrentStore(opened.store);
    kivra::LinkEnvironment env;
    env.windows = windows.get();
    env.store = opened.store;
    env.appDirectory = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    env.osVersion40 = osClass == kivra::OsClass::Version40 ? kivra::OsVersion40::Yes : kivra::OsVersion40::No;

    kivra::LinkForm form(std::move(env), parsed.line);
    form.load();
    form.show();
    return app.exec();
}
