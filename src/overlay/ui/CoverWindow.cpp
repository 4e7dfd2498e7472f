// Shared covering-window behaviour of the main form and the link window.
#include "CoverWindow.h"

#include "DisplayMetrics.h"
#include "Palettes.h"

#include <QGuiApplication>
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
}  // namespace

CoverWindow::CoverWindow(WindowSystem* windows, IconOwner owner, QWidget* parent)
    : QWidget(parent, Qt::Window), windows_(windows), iconOwner_(owner) {
    setAutoFillBackground(true);
    tracePaint_ = qEnvironmentVariableIsSet("KIVRA_TRACE_STARTUP");
    timer1_.setObjectName("Timer1");
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, &CoverWindow::kick);
}

void CoverWindow::startKickTimer(KickInterval interval) {
    prefs_.kickInterval = interval;
    timer1_.start(kickIntervalMs(interval));
}

void CoverWindow::stopKickTimer() { timer1_.stop(); }

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
    prefs_.alwaysOnTop = on;
    const WindowId id = isVisible() ? nativeId() : 0;
    if (id && windows_ && QGuiApplication::platformName() == QLatin1String("xcb")) {
        windows_->setTopmost(id, on);
    } else if (!isVisible()) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
    }
}

void CoverWindow::applyBackground() {
    const int swatch = prefs_.paletteA ? prefs_.pal1Color : prefs_.pal2Color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(bgrToRgb(swatchColor(prefs_.paletteA, swatch))));
    setPalette(pal);
}

void CoverWindow::updateWindowIcon() {
    const CaptionSize caption = displayMetrics().caption.wideCaption ? CaptionSize::Wide : CaptionSize::Normal;
    const IconRole role = (firstActivation_ || isActiveWindow()) ? IconRole::Active : IconRole::Inactive;
    setWindowIcon(kivraIcon(windowIconNumber(iconOwner_, role, caption)));
}

void CoverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
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
    firstActivation();
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
}

}  // namespace kivra
