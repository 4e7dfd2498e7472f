// Shared covering-window behaviour of the main form and the link window.
#include "CoverWindow.h"

#include "DisplayMetrics.h"
#include "FormControls.h"
#include "ShowMessage.h"
#include "Palettes.h"
#include "PreferencesPage.h"
#include "TimerFrame.h"
#include "TitleBarCapFrame.h"
#include "ToolTips.h"
#include "WindowBindings.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace kivra {

namespace {
// How long the first activation waits for the window manager to frame the window.
constexpr int kFrameWaitMs = 500;
constexpr int kLateFrameWaitMs = 10000;
constexpr int kLateFramePollMs = 50;
// The frames' extent in twips (to the right of `TimerFrame`, below `HideControlsCmd`) and
// the room the normal-font panel (410 x 160 at 96 DPI) leaves beyond it, in pixels.
constexpr double kFramesTwipsWidth = 4470 + 1560;
constexpr double kFramesTwipsHeight = 1665 + 360;
constexpr int kPanelMarginX = 8;
constexpr int kPanelMarginY = 25;

// Disabled text in a tone that stays readable on the window's background colour:
// the style's own disabled grey vanishes on the default grey swatch.
QColor disabledTextOn(const QColor& background) {
    const int luma = (299 * background.red() + 587 * background.green() + 114 * background.blue()) / 1000;
    const int tone = luma >= 128 ? luma * 45 / 100 : luma + (255 - luma) * 60 / 100;
    return QColor(tone, tone, tone);
}
}  // namespace

CoverWindow::CoverWindow(WindowSystem* windows, IconOwner owner, QWidget* parent)
    : QWidget(parent, Qt::Window), windows_(windows), iconOwner_(owner) {
    setAutoFillBackground(true);
    tracePaint_ = qEnvironmentVariableIsSet("KIVRA_TRACE_STARTUP");
    timer1_.setObjectName("Timer1");
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, &CoverWindow::kick);
    panel_ = new ControlsPanel(this);
    panel_->hide();
    connect(panel_, &ControlsPanel::hideRequested, this, &CoverWindow::hideControls);
    pictures_ = new PictureFeature(this, prefs_, panel_->pictureFrame());
    panel_->timerFrame()->attach(this);
    panel_->captionFrame()->attach(this);
    connect(panel_, &ControlsPanel::preferencesRequested, this, [this] { preferencesPage()->open(); });
    timer2_.setObjectName("Timer2");
    connect(&timer2_, &QTimer::timeout, this, [this] {
        if (!formatting_) refreshCustomCaption();
    });
    connect(pictures_, &PictureFeature::pictureChanged, this, &CoverWindow::refreshCustomCaption);
    new WindowBindings(this);  // About, context help; owned by the window
    // Message boxes keep clear of the open page and of the picture's side.
    setPlacementProvider([this](QWidget* owner) {
        MsgBoxPlacement placement = MsgBoxPlacement::fromOwner(owner ? owner : this);
        placement.page = openPageKind();
        placement.pictureAlignment = static_cast<int>(prefs_.picAlign);
        return placement;
    });
}

CoverWindow::~CoverWindow() { setPlacementProvider({}); }

OpenPage CoverWindow::openPageKind() const {
    if (!openPage_) return OpenPage::None;
    if (openPage_ == pictures_->page()) return OpenPage::SelectPicture;
    if (prefsPage_ && openPage_ == prefsPage_) return OpenPage::Preferences;
    if (openPage_ == panel_->captionFrame()->entryPage()) return OpenPage::TitleTextEntry;
    return OpenPage::Links;  // Create, Edit, Activate
}

void CoverWindow::restorePicture() { pictures_->restoreAtStart(); }

PreferencesPage* CoverWindow::preferencesPage() {
    if (!prefsPage_) prefsPage_ = new PreferencesPage(this);  // hidden until opened
    return prefsPage_;
}

QSize CoverWindow::panelSizePx() const {
    const DisplayMetrics& m = displayMetrics();
    // The frames sit at twips positions, so above the large-font class (120 DPI) they
    // need more pixels than the class's size gives: the panel grows to hold them.
    const Twips t = twips();
    const int width = std::max(m.sizes.panelWidth,
                               static_cast<int>(std::lround(t.toPixelsX(kFramesTwipsWidth))) + kPanelMarginX);
    const int height = std::max(m.sizes.panelHeight,
                                static_cast<int>(std::lround(t.toPixelsY(kFramesTwipsHeight))) + kPanelMarginY);
    return QSize(width + m.caption.widthAllowance, height + m.caption.captionAllowance);
}

TwipsRect CoverWindow::frameTwips() const {
    const Twips t = twips();
    const QRect f = frameGeometry();
    return {t.fromPixelsX(f.x()), t.fromPixelsY(f.y()), t.fromPixelsX(f.width()), t.fromPixelsY(f.height())};
}

void CoverWindow::placeFrameTwips(const TwipsRect& r) {
    const Twips t = twips();
    placeFrame(QRect(static_cast<int>(std::lround(t.toPixelsX(r.left))), static_cast<int>(std::lround(t.toPixelsY(r.top))),
                     static_cast<int>(std::lround(t.toPixelsX(r.width))),
                     static_cast<int>(std::lround(t.toPixelsY(r.height)))));
}

// Normal windows hold the block at the design positions; a maximized window holds
// it in the bottom-right corner of its client area.
void CoverWindow::placePanelBlock(QWidget* block, QPoint designOrigin) {
    block->setGeometry(rect());
    if (block == panel_) {
        const Twips t = twips();
        panel_->layoutAt(designOrigin, t.perPixelX(), t.perPixelY());
        // The panel's options show the state as it is now (loaded, or changed by a page).
        panel_->timerFrame()->showState();
        panel_->captionFrame()->showState();
        applyToolTips(this, prefs_.toolTips);
    }
}

void CoverWindow::showControls() {
    if (controlsShown_ || openPage_) return;
    layoutBusy_ = true;
    const Twips t = twips();
    const QSize panel = panelSizePx();
    const QPoint origin = panelOrigin();
    if (!isMaximized() && !isMinimized()) {
        const QRect screen = screenRect();
        const TwipsRect r = panelLayout_.show(frameTwips(), t.fromPixelsX(panel.width()), t.fromPixelsY(panel.height()),
                                              t.fromPixelsX(screen.width()), t.fromPixelsY(screen.height()));
        placeFrameTwips(r);
        panelFrameTwips_ = r;
        panelShownAt(r);
    }
    placePanelBlock(panel_, origin);
    pictures_->updatePanelControls();
    panel_->show();
    panel_->raise();
    controlsShown_ = true;
    layoutBusy_ = false;
}

void CoverWindow::hideControls() {
    if (!controlsShown_) return;
    layoutBusy_ = true;
    controlsShown_ = false;
    panel_->hide();
    if (!isMaximized() && !isMinimized()) placeFrameTwips(panelLayout_.hide(frameTwips()));
    layoutBusy_ = false;
}

void CoverWindow::openPage(QWidget* page) {
    if (openPage_) return;
    panel_->hide();
    controlsShown_ = false;
    openPage_ = page;
    // Pages sit 90 twips in from the client area's corner.
    const Twips t = twips();
    const int margin = static_cast<int>(std::lround(t.toPixelsX(90)));
    page->setParent(this);
    page->setAutoFillBackground(true);  // a page covers the picture behind it
    // Pages keep the application's colours, whatever the window's background colour,
    // so that every state of every control stays readable.
    page->setPalette(QApplication::palette(page));
    // A page whose controls need more room than the window has (larger fonts than the
    // layout was drawn for) gets it: the window grows, and hiding the controls later
    // gives back the size it had before the panel was shown.
    const QSize need = page->minimumSizeHint() + QSize(2 * margin, 2 * margin);
    if (!isMaximized() && (width() < need.width() || height() < need.height()))
        resize(std::max(width(), need.width()), std::max(height(), need.height()));
    page->setGeometry(QRect(QPoint(0, 0), size().expandedTo(need)).adjusted(margin, margin, -margin, -margin));
    page->show();
    page->raise();
}

// The panel's block: at the design positions, or in the bottom-right corner of a maximized window.
QPoint CoverWindow::panelOrigin() const {
    if (!isMaximized()) return QPoint(0, 0);
    const QSize panel = panelSizePx();
    return QPoint(std::max(0, width() - panel.width()), std::max(0, height() - panel.height()));
}

void CoverWindow::relayoutPanel() {
    if (controlsShown_ && !layoutBusy_) placePanelBlock(panel_, panelOrigin());
}

void CoverWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayoutPanel();
    if (openPage_) {
        const int margin = static_cast<int>(std::lround(twips().toPixelsX(90)));
        openPage_->setGeometry(rect().adjusted(margin, margin, -margin, -margin));
    }
}

void CoverWindow::closePage() {
    if (!openPage_) return;
    openPage_->hide();
    openPage_ = nullptr;
    // A page may have grown the window; the panel gets back the size it was shown at.
    if (!isMaximized() && !isMinimized() && panelFrameTwips_.width > 0) {
        const TwipsRect now = frameTwips();
        placeFrameTwips({now.left, now.top, panelFrameTwips_.width, panelFrameTwips_.height});
    }
    placePanelBlock(panel_, panelOrigin());
    panel_->show();
    controlsShown_ = true;
}

void CoverWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !controlsShown_ && !openPage_) {
        showControls();
        return;
    }
    if (event->button() == Qt::RightButton) {
        pictures_->next();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CoverWindow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !controlsShown_ && !openPage_) {
        showControls();
        return;
    }
    // A page's default button answers Enter, its cancel button Esc.
    if (openPage_ && pageKey(openPage_, event->key())) return;
    if (event->key() == Qt::Key_Escape && controlsShown_) {
        hideControls();
        return;
    }
    if (event->key() == Qt::Key_PageUp) {
        pictures_->previous();
        return;
    }
    if (event->key() == Qt::Key_PageDown) {
        pictures_->next();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CoverWindow::startKickTimer(KickInterval interval) {
    prefs_.kickInterval = interval;
    timer1_.start(kickIntervalMs(interval));
    emit kickTimerChanged();
}

void CoverWindow::stopKickTimer() {
    timer1_.stop();
    emit kickTimerChanged();
}

void CoverWindow::ensureTopmost() {
    if (prefs_.alwaysOnTop) return;
    setAlwaysOnTop(true);
}

namespace {

// The locale's long time without its time zone: the caption rule drops the seconds.
std::string localLongTime() {
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(QTime::currentTime(), format.trimmed()).toStdString();
}

}  // namespace

QString CoverWindow::formatCustomCaption() {
    formatting_ = true;
    CaptionValues values;
    values.longTime = localLongTime();
    values.shortDate = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    if (pictures_->display().pictureLoaded()) values.picturePath = pictures_->display().currentPath().toStdString();
    customCaption_ = formatCaption(prefs_.captionText, values);
    if (prefs_.captionMode == CaptionMode::Custom && customCaption_.needsRefreshTimer()) {
        if (!timer2_.isActive()) timer2_.start(1000);
    } else {
        timer2_.stop();
    }
    formatting_ = false;
    return QString::fromStdString(customCaption_.text);
}

void CoverWindow::refreshCustomCaption() {
    if (customCaption_.text.empty() || !customCaption_.hasModifier()) return;
    const QString text = formatCustomCaption();
    if (prefs_.captionMode == CaptionMode::Custom) setWindowTitle(text);
}

void CoverWindow::kick() {
    const WindowId id = nativeId();
    if (id && windows_ && isVisible()) windows_->raise(id);
}

WindowId CoverWindow::nativeId() const {
    const QWindow* w = windowHandle();
    return w ? static_cast<WindowId>(w->winId()) : 0;
}

Twips CoverWindow::twips() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    Twips t;
    if (s) {
        t.dpiX = s->logicalDotsPerInchX();
        t.dpiY = s->logicalDotsPerInchY();
    }
    return t;
}

QRect CoverWindow::screenRect() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QRect CoverWindow::virtualScreenRect() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->virtualGeometry() : screenRect();
}

QRect CoverWindow::preferredFrame() const {
    const Twips t = twips();
    return QRect(static_cast<int>(std::lround(t.toPixelsX(prefs_.left))),
                 static_cast<int>(std::lround(t.toPixelsY(prefs_.top))),
                 static_cast<int>(std::lround(t.toPixelsX(prefs_.width))),
                 static_cast<int>(std::lround(t.toPixelsY(prefs_.height))));
}

void CoverWindow::placeFrame(const QRect& frame) {
    wantedFrame_ = frame;
    // Until the window manager has framed the window its margins are unknown;
    // the wait before the first activation places it again once they are.
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    move(frame.topLeft());
    resize(std::max(1, frame.width() - m.left() - m.right()), std::max(1, frame.height() - m.top() - m.bottom()));
}

void CoverWindow::setAlwaysOnTop(bool on) {
    const bool changed = prefs_.alwaysOnTop != on;
    prefs_.alwaysOnTop = on;
    if (changed) emit alwaysOnTopChanged();
    const WindowId id = isVisible() ? nativeId() : 0;
    if (id && windows_ && onNativeDesktop()) {
        windows_->setTopmost(id, on);
    } else if (!isVisible()) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
    }
}

void CoverWindow::applyBackground() {
    const int swatch = prefs_.paletteA ? prefs_.pal1Color : prefs_.pal2Color;
    applyBackgroundColor(QColor::fromRgb(bgrToRgb(swatchColor(prefs_.paletteA, swatch))));
}

void CoverWindow::applyBackgroundColor(const QColor& colour) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, disabledTextOn(colour));
    setPalette(pal);
}

void CoverWindow::updateWindowIcon() {
    const CaptionSize caption = displayMetrics().caption.wideCaption ? CaptionSize::Wide : CaptionSize::Normal;
    const IconRole role = (firstActivation_ || isActiveWindow()) ? IconRole::Active : IconRole::Inactive;
    showWindowIcon(windowIconNumber(iconOwner_, role, caption));
}

void CoverWindow::showWindowIcon(int resourceNumber) {
    if (resourceNumber == shownIcon_) return;
    shownIcon_ = resourceNumber;
    setWindowIcon(kivraIcon(resourceNumber));
}

bool CoverWindow::onNativeDesktop() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("windows");
}

// An empty caption leaves the title bar empty: the toolkit would put the program's
// class name there instead, so the window system gets a blank.
void CoverWindow::keepBlankTitleBlank() {
    if (windowTitle().isEmpty() && windowHandle() && onNativeDesktop()) windowHandle()->setTitle(QStringLiteral(" "));
}

void CoverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    keepBlankTitleBlank();
    if (firstActivation_ && !firstActivationQueued_) {
        firstActivationQueued_ = true;
        frameWaitStarted_ = QDateTime::currentDateTime();
        QTimer::singleShot(0, this, &CoverWindow::waitForFrame);
    }
}

void CoverWindow::waitForFrame() {
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const bool framed = !m.isNull() || QGuiApplication::platformName() != QLatin1String("xcb");
    if (!framed && frameWaitStarted_.msecsTo(QDateTime::currentDateTime()) < kFrameWaitMs) {
        QTimer::singleShot(10, this, &CoverWindow::waitForFrame);
        return;
    }
    if (!m.isNull() && wantedFrame_.isValid()) placeFrame(wantedFrame_);
    else if (!framed && wantedFrame_.isValid()) QTimer::singleShot(kLateFramePollMs, this, &CoverWindow::fitLateFrame);
    firstActivation();
}

// A window manager slower than the wait (a loaded machine) frames the window after the
// first activation: the window was sized as if it had no frame and would stay larger by the
// frame until its next return to Normal. Once the margins are known the size the window was
// asked for is given to the frame, unless something has resized the window since.
void CoverWindow::fitLateFrame() {
    const QMargins m = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (m.isNull()) {
        if (frameWaitStarted_.msecsTo(QDateTime::currentDateTime()) < kLateFrameWaitMs)
            QTimer::singleShot(kLateFramePollMs, this, &CoverWindow::fitLateFrame);
        return;
    }
    if (size() == wantedFrame_.size() && windowState() == Qt::WindowNoState)
        resize(std::max(1, wantedFrame_.width() - m.left() - m.right()),
               std::max(1, wantedFrame_.height() - m.top() - m.bottom()));
}

void CoverWindow::finishFirstActivation() {
    firstActivation_ = false;
    updateWindowIcon();
    emit firstActivationFinished();
}

void CoverWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (tracePaint_) {
        tracePaint_ = false;
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::fprintf(stderr, "%s: first paint at %lld\n", qPrintable(QCoreApplication::applicationName()),
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    }
}

void CoverWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The active and inactive icons tell at a glance whether this window has the focus.
    if (event->type() == QEvent::ActivationChange) updateWindowIcon();
    if (event->type() == QEvent::WindowTitleChange) keepBlankTitleBlank();
    if (event->type() == QEvent::WindowStateChange) relayoutPanel();
}

}  // namespace kivra
