// The main window's life: load, first activation, resize and move, close and save.
#include "MainForm.h"

#include "DisplayMetrics.h"
#include "DisplayMetricsQt.h"
#include "Icons.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MessageState.h"
#include "Palettes.h"
#include "ReportError.h"
#include "ShowMessage.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace kivra {

namespace {
constexpr const char* kMainTitle = "Kivra [Main]";
// How long the first activation waits for the window manager to frame the window.
constexpr int kFrameWaitMs = 500;
}  // namespace

MainForm::MainForm(MainEnvironment env, QWidget* parent)
    : QWidget(parent, Qt::Window), env_(std::move(env)), links_(std::make_unique<LinkTable>()) {
    setWindowTitle(kMainTitle);
    setObjectName("MainForm");
    setAutoFillBackground(true);
    tracePaint_ = qEnvironmentVariableIsSet("KIVRA_TRACE_STARTUP");
}

MainForm::~MainForm() = default;

Twips MainForm::twips() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    Twips t;
    if (s) {
        t.dpiX = s->logicalDotsPerInchX();
        t.dpiY = s->logicalDotsPerInchY();
    }
    return t;
}

QRect MainForm::screenRect() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

WindowId MainForm::nativeId() const {
    const QWindow* w = windowHandle();
    return w ? static_cast<WindowId>(w->winId()) : 0;
}

QRect MainForm::frameRect() const { return frameGeometry(); }

static QString versionText() {
    // Major, ".", "0" and minor: version 2.0 reads "2.00".
    return QString::number(KIVRA_VERSION_MAJOR) + QStringLiteral(".0") + QString::number(KIVRA_VERSION_MINOR);
}

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
    if (loaded.error) pendingLoadError_ = loaded.error;

    // Always on top is given to the window before it is first shown; later
    // changes go through the desktop without recreating the window.
    setWindowFlag(Qt::WindowStaysOnTopHint, prefs_.alwaysOnTop);
    applyGeometry();
    computeCaptionAllowance();
    updateWindowIcon();
}

void MainForm::updateWindowIcon() {
    const CaptionSize caption = displayMetrics().caption.wideCaption ? CaptionSize::Wide : CaptionSize::Normal;
    const IconRole role = (firstActivation_ || isActiveWindow()) ? IconRole::Active : IconRole::Inactive;
    setWindowIcon(kivraIcon(windowIconNumber(IconOwner::MainWindow, role, caption)));
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

void MainForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (tracePaint_) {
        tracePaint_ = false;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(stderr, "kivra: first paint at %lld\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    }
}

void MainForm::applyGeometry() {
    const Twips t = twips();
    const QRect frame(static_cast<int>(std::lround(t.toPixelsX(prefs_.left))),
                      static_cast<int>(std::lround(t.toPixelsY(prefs_.top))),
                      static_cast<int>(std::lround(t.toPixelsX(prefs_.width))),
                      static_cast<int>(std::lround(t.toPixelsY(prefs_.height))));
    normalFrame_ = frame;
    // The stored size is the outer size, title bar and border included. Until the
    // window manager has framed the window its margins are unknown; the first
    // activation corrects the size once they are.
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    move(frame.topLeft());
    resize(std::max(1, frame.width() - m.left() - m.right()), std::max(1, frame.height() - m.top() - m.bottom()));
}

void MainForm::fitFrameToPreferences() {
    if (frameFitted_) return;
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (m.isNull()) return;
    frameFitted_ = true;
    applyGeometry();
}

void MainForm::applyBackground() {
    const std::uint32_t rgb = bgrToRgb(swatchColor(prefs_.paletteA, prefs_.paletteA ? prefs_.pal1Color : prefs_.pal2Color));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(rgb));
    setPalette(pal);
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

void MainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstActivation_ && !firstActivationQueued_) {
        firstActivationQueued_ = true;
        QTimer::singleShot(0, this, &MainForm::firstActivation);
    }
}

void MainForm::firstActivation() {
    // Wait briefly for the window manager's frame so the outer size can be exact.
    if (!frameFitted_ && frameWaitStarted_.isNull()) frameWaitStarted_ = QDateTime::currentDateTime();
    fitFrameToPreferences();
    if (firstActivation_ == false) return;
    if (!frameFitted_ && frameWaitStarted_.msecsTo(QDateTime::currentDateTime()) < kFrameWaitMs &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        QTimer::singleShot(10, this, &MainForm::firstActivation);
        return;
    }

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
    firstActivation_ = false;
    emit firstActivationFinished();
}

void MainForm::report(const KivraError& error) { ReportError(error, this); }

void MainForm::rememberNormalGeometry() {
    if (layoutBusy_ || exiting_ || firstActivation_) return;
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        wasMinOrMax_ = true;
        return;
    }
    wasMinOrMax_ = false;
    normalFrame_ = frameGeometry();
}

void MainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rememberNormalGeometry();
    if (!firstActivation_) refreshCaption();
}

void MainForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    rememberNormalGeometry();
    if (!firstActivation_) refreshCaption();
}

void MainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        // The active and inactive icons tell at a glance whether Kivra has the focus.
        updateWindowIcon();
    } else if (event->type() == QEvent::WindowStateChange) {
        rememberNormalGeometry();
    }
}

void MainForm::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    exiting_ = true;
    // A minimized or maximized window saves its normal position and size.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) showNormal();
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
