// The main window's life: load, first activation, resize and move, close and save.
#include "MainForm.h"

#include "DisplayMetricsQt.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MessageState.h"
#include "ReportError.h"
#include "ShowMessage.h"

#include <QCloseEvent>
#include <QLocale>
#include <QTime>

#include <algorithm>

namespace kivra {

namespace {

constexpr const char* kMainTitle = "Kivra [Main]";

// Major, ".", "0" and minor: version 2.0 reads "2.00".
QString versionText() {
    return QString::number(KIVRA_VERSION_MAJOR) + QStringLiteral(".0") + QString::number(KIVRA_VERSION_MINOR);
}

}  // namespace

MainForm::MainForm(MainEnvironment env, QWidget* parent)
    : CoverWindow(env.windows, IconOwner::MainWindow, parent), env_(std::move(env)),
      links_(std::make_unique<LinkTable>()) {
    setWindowTitle(kMainTitle);
    setObjectName("MainForm");
}

MainForm::~MainForm() = default;

void MainForm::load() {
    messages().program = ProgramRole::Main;
    messages().versionText = versionText();
    // Application title: the time of day in the platform's default format, set once.
    appTitle_ = QStringLiteral("Kivra [Main] @") +
                QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);

    const Twips t = twips();
    LoadContext ctx;
    ctx.mode = PrefMode::Main;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(screenRect().width());
    ctx.screenHeightTwips = t.fromPixelsY(screenRect().height());
    ctx.appDirectory = env_.appDirectory.toStdString();
    LoadResult loaded = loadPreferences(*env_.store, kMainAppName, ctx);
    prefs_ = std::move(loaded.prefs);
    pendingLoadError_ = loaded.error;

    setAlwaysOnTop(prefs_.alwaysOnTop);
    normalFrame_ = preferredFrame();
    placeFrame(normalFrame_);
    computeCaptionAllowance();
    updateWindowIcon();
}

QString MainForm::welcomeText() {
    return QStringLiteral(
        "Welcome to Kivra.\r\n"
        "Left-click the Main Form to show the controls;\r\n"
        "left-click within any of its frames\r\n"
        "for context-sensitive help.");
}

void MainForm::applyToolTips(bool on) {
    // The controls that carry tool tips join with the controls panel; the
    // message boxes follow the option from here on.
    messages().toolTips = on;
}

void MainForm::refreshCaption() {
    switch (prefs_.captionMode) {
    case CaptionMode::Custom: setWindowTitle(QString::fromStdString(prefs_.captionText)); break;
    case CaptionMode::WindowTitle: setWindowTitle(kMainTitle); break;
    case CaptionMode::PositionTitle: {
        if (isMinimized()) return;
        const QRect f = frameGeometry();
        auto s16 = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
        setWindowTitle(QStringLiteral("X:%1, Y:%2  W:%3 x H:%4")
                           .arg(s16(f.x())).arg(s16(f.y())).arg(s16(f.width())).arg(s16(f.height())));
        break;
    }
    case CaptionMode::Blank: setWindowTitle(QString()); break;
    }
}

void MainForm::firstActivation() {
    if (prefs_.startup == StartupState::Maximized) showMaximized();
    applyBackground();
    applyToolTips(prefs_.toolTips);
    noteWindowFrame(this);
    computeFontSizeClass();

    if (env_.storeOpenError) report(*env_.storeOpenError);
    if (pendingLoadError_) report(*pendingLoadError_);

    if (prefs_.startupMsg) {
        messages().startupMessage = prefs_.startupMsg;
        ShowMessage(MsgWelcome, welcomeText(), this);
        prefs_.startupMsg = messages().startupMessage;
    }

    try {
        LoadHostLinks(*links_, *env_.store);
    } catch (const KivraError& e) {
        report(e);
    }
    refreshCaption();

    if (prefs_.startup == StartupState::Minimized && !isMinimized()) showMinimized();
    finishFirstActivation();
}

void MainForm::report(const KivraError& error) { ReportError(error, this); }

void MainForm::rememberNormalGeometry() {
    if (exiting_ || firstActivation_ || panelLayoutBusy() || controlsShown() || pageOpen()) return;
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        wasMinOrMax_ = true;
        return;
    }
    wasMinOrMax_ = false;
    normalFrame_ = frameGeometry();
}

void MainForm::resizeEvent(QResizeEvent* event) {
    CoverWindow::resizeEvent(event);
    rememberNormalGeometry();
    if (!firstActivation_) refreshCaption();
}

void MainForm::moveEvent(QMoveEvent* event) {
    CoverWindow::moveEvent(event);
    rememberNormalGeometry();
    if (!firstActivation_) refreshCaption();
}

void MainForm::changeEvent(QEvent* event) {
    CoverWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) rememberNormalGeometry();
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    exiting_ = true;
    // A minimized or maximized window saves its normal position and size.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) showNormal();
    // The bare window's size is saved, not the size the panel or a page needed.
    closePage();
    hideControls();
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) normalFrame_ = frameGeometry();
    saveAllSettings();
    event->accept();
}

void MainForm::saveAllSettings() {
    const Twips t = twips();
    prefs_.left = t.fromPixelsX(normalFrame_.x());
    prefs_.top = t.fromPixelsY(normalFrame_.y());
    prefs_.width = t.fromPixelsX(normalFrame_.width());
    prefs_.height = t.fromPixelsY(normalFrame_.height());
    SaveContext ctx;
    ctx.mode = PrefMode::Main;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(screenRect().width());
    ctx.screenHeightTwips = t.fromPixelsY(screenRect().height());
    try {
        StoreBatch batch(*env_.store);
        savePreferences(*env_.store, kMainAppName, prefs_, ctx, [&] { SaveHostLinks(*links_, *env_.store); });
        batch.commit();
    } catch (const KivraError& e) {
        report(e);
    }
}

}  // namespace kivra
