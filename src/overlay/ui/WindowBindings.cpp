// About box, context help and the guard of the title text entry for a covering window.
#include "WindowBindings.h"

#include "ControlsPanel.h"
#include "CoverWindow.h"
#include "MessageState.h"
#include "MsgBoxKinds.h"
#include "PreferencesPage.h"
#include "ProgramPlaces.h"
#include "ShowMessage.h"
#include "TitleBarCapFrame.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QMouseEvent>
#include <QUrl>

namespace kivra {

namespace {

struct FrameContext {
    const char* name;
    int id;  // 0: the preferences page's own context
};
constexpr FrameContext kFrameContexts[] = {
    {"LinksFrame", 4010},       {"ActivateLinksFrame", 4010}, {"CreateLinksFrame", 4015},
    {"EditLinksFrame", 4020},   {"OptionsFrame", 4025},       {"PicOptsFrame", 4025},
    {"SelectOptsFrame", 0},     {"FormOptsFrame", 0},         {"ColorSelectFrame", 4030},
    {"SelectPicFrame", 4035},   {"PictureFrame", 4036},       {"TitleBarCapFrame", 4041},
    {"TimerFrame", 4045},       {"TimerTextBox1", 4045},
};

bool isAltF1(const QKeyEvent* key) {
    return key->key() == Qt::Key_F1 && (key->modifiers() & Qt::AltModifier);
}

}  // namespace

int frameHelpContext(const QString& objectName, int preferencesContext) {
    for (const FrameContext& f : kFrameContexts)
        if (objectName == QLatin1String(f.name)) return f.id ? f.id : preferencesContext;
    return 0;
}

QString aboutText(ProgramKind program, const QString& versionText) {
    const QString file = QString::fromLatin1(program == ProgramKind::Link ? KIVRA_LINK_PROGRAM_FILE : KIVRA_MAIN_PROGRAM_FILE);
    return QStringLiteral("               ") + file + QStringLiteral(" Version ") + versionText +
           QStringLiteral(".006\r\n") + rightsNotice();
}

void showAbout(ProgramKind program, QWidget* owner) {
    // The link program does not set the version text; both programs share one version.
    const QString version = messages().versionText.isEmpty()
                                ? QString::number(KIVRA_VERSION_MAJOR) + QStringLiteral(".0") +
                                      QString::number(KIVRA_VERSION_MINOR)
                                : messages().versionText;
    const QString text = aboutText(program, version);
    while (ShowMessage(MsgAbout, text, owner) == MsgResultInfo)
        ShowMessage(36, QString(), owner);
}

WindowBindings::WindowBindings(CoverWindow* window) : QObject(window), window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool WindowBindings::textEntryOpen() const {
    const QWidget* entry = window_->panel()->captionFrame()->entryPage();
    return entry && entry->isVisibleTo(window_);
}

QWidget* WindowBindings::frameOf(QWidget* w) const {
    for (; w && w != window_; w = w->parentWidget())
        if (frameHelpContext(w->objectName(), 4025) != 0) return w;
    return nullptr;
}

bool WindowBindings::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWidgetType() || widget->window() != window_) return false;
    const bool entryOpen = textEntryOpen();

    if (type == QEvent::KeyPress) {
        const bool about = isAltF1(static_cast<QKeyEvent*>(event));
        if (about && !entryOpen) showAbout(window_->programKind(), window_);
        // Keys the entry's own controls leave reach the window, whose bindings rest meanwhile.
        return about || (entryOpen && widget == window_);
    }

    const auto* mouse = static_cast<QMouseEvent*>(event);
    const bool windowOrPicture = widget == window_ || widget->objectName() == QLatin1String("Picture1") ||
                                 widget->objectName() == QLatin1String("Picture2");
    if (windowOrPicture) return entryOpen;
    // A click on a frame itself (its border, caption or a label), not on one of its controls.
    if (!widget->inherits("QGroupBox") && widget->objectName() != QLatin1String("TimerTextBox1")) return false;
    QWidget* frame = frameOf(widget);
    if (!frame) return false;
    if (entryOpen) return true;
    if (mouse->button() == Qt::RightButton) {
        showAbout(window_->programKind(), window_);
        return true;
    }
    if (mouse->button() == Qt::LeftButton) {
        // Help answers a click on the frame's caption or border; a gap between its
        // controls is no place to ask for it.
        if (widget->inherits("QGroupBox") && widget->contentsRect().contains(mouse->position().toPoint()))
            return false;
        openContextHelp(frameHelpContext(frame->objectName(), window_->preferencesPage()->helpContext()), window_);
        return true;
    }
    return false;
}

QString helpFilePath() {
    const std::string programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath().toStdString() + '/';
    return QString::fromStdString(programPlaces(programFolder).dataFolder) + QStringLiteral("help/index.html");
}

namespace {

// Without a browser the user at least learns where the page is.
void tellNoBrowser(QWidget* owner) {
    QMessageBox::information(owner, QStringLiteral("Kivra Help"),
                             QStringLiteral("No web browser could be started to show the help.\n"
                                            "The help page is:\n%1")
                                 .arg(QDir::toNativeSeparators(helpFilePath())));
}

// xdg-open tells by its exit status whether a browser took the page (the toolkit only
// tells whether xdg-open itself started); elsewhere the toolkit's answer is all there is.
void openHelpPage(const QUrl& url, QWidget* owner) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url)) tellNoBrowser(owner);
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    QPointer<QWidget> guard(owner);
    QObject::connect(process, &QProcess::finished, process, [process, guard](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) tellNoBrowser(guard);
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, guard](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        tellNoBrowser(guard);
        process->deleteLater();
    });
    // A browser that xdg-open runs in the foreground outlives the program.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process,
                     [process] { process->setParent(nullptr); });
    process->start(opener, {url.toString()});
}

}  // namespace

void installHelpHook() {
    setHelpHook([](int contextId, QWidget* owner) {
        QUrl url = QUrl::fromLocalFile(helpFilePath());
        url.setFragment(QStringLiteral("context-%1").arg(contextId));
        openHelpPage(url, owner);
    });
}

}  // namespace kivra
