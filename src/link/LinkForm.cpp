// The link window's life: start-up on the host, first activation, the tracking
// timer, commands from the main program, and the closing steps with the save.
#include "LinkForm.h"

#include "DisplayMetrics.h"
#include "DisplayMetricsQt.h"
#include "LinkStore.h"
#include "Process.h"
#include "MessageState.h"
#include "ReportError.h"
#include "SaveWithoutWaiting.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <cmath>

namespace kivra {

namespace {

// While the kick timer runs, change notifications from the desktop run the tick every
// 5 ms as designed, but a tick that heard of no change reads nothing from the desktop;
// every this many quiet ticks it reads anyway.
constexpr int kQuietTicksBeforeRead = 40;

QString toQ(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

LinkForm::LinkForm(LinkEnvironment env, const LinkCommandLine& line)
    : CoverWindow(env.windows, IconOwner::LinkWindow), env_(std::move(env)), mainWindow_(line.mainWindow) {
    setObjectName("LinkForm");
    // A cover never takes the keyboard focus from its host: shown without activation (a
    // user time of 0 on X11); only a click gives it the focus. Set before the window is
    // created, which is when the toolkit reads it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Links are managed from the main window only: their buttons here look as they act.
    panel()->createButton()->setEnabled(false);
    panel()->activateButton()->setEnabled(false);
    const auto hostRect = env_.windows->rect(line.hostWindow);
    state_ = makeLinkState(line, hostRect.value_or(Rect{}));
    tracker_ = std::make_unique<HostTracker>(*env_.windows, *this, state_);
    commands_ = std::make_unique<LinkCommands>(*env_.windows, *this, state_, *env_.store);
    timer4_.setObjectName("Timer4");
    timer4_.setTimerType(Qt::PreciseTimer);
    connect(&timer4_, &QTimer::timeout, this, &LinkForm::tick);
    timer9_.setObjectName("Timer9");
    connect(&timer9_, &QTimer::timeout, this, [this] { tracker_->refreshHostTitleCaption(); });
}

LinkForm::~LinkForm() = default;

void LinkForm::load() {
    messages().program = ProgramRole::Link;
    state_.osVersion40 = env_.osVersion40;
    setApplicationTitle(state_.names.applicationTitle);
    computeCaptionAllowance();

    const Twips t = twips();
    const QRect desk = virtualScreenRect();
    LoadContext ctx;
    ctx.mode = PrefMode::Link;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(desk.width());
    ctx.screenHeightTwips = t.fromPixelsY(desk.height());
    ctx.hostLeftPx = state_.recordedHostRect.left;
    ctx.hostTopPx = state_.recordedHostRect.top;
    ctx.appDirectory = env_.appDirectory.toStdString();
    LoadResult loaded = loadPreferences(*env_.store, state_.names.instanceAppName, ctx);
    prefs_ = std::move(loaded.prefs);
    if (loaded.error) reportError(*loaded.error);
    keepOnDesktop();
    messages().toolTips = prefs_.toolTips;  // this link's boxes follow its own option

    // Remembered for returning to Normal and for the position save.
    geometry_.normalWidth = prefs_.width;
    geometry_.normalHeight = prefs_.height;
    geometry_.startLeft = geometry_.panelLeft = prefs_.left;
    geometry_.startTop = prefs_.top;
    geometry_.offsetLeft = prefs_.offsetLeft;
    geometry_.offsetTop = prefs_.offsetTop;
    geometry_.offsetsHostLeftPx = state_.recordedHostRect.left;
    geometry_.offsetsHostTopPx = state_.recordedHostRect.top;
    geometry_.hostLeftTwips = t.wholeFromPixelsX(state_.recordedHostRect.left);
    geometry_.hostTopTwips = t.wholeFromPixelsY(state_.recordedHostRect.top);

    CoverWindow::setAlwaysOnTop(true);
    placeFrame(preferredFrame());
    applyBackground();
    updateWindowIcon();
    refreshCaption();
    if (prefs_.kickTimerOn) startKickTimer(prefs_.kickInterval);
    if (prefs_.captionMode == kHostTitleCaption) timer9_.start(1000);

    // The window exists from here on, so the main program can address it.
    create();
    listenForCommands();
}

// A link that would start partly or wholly off the desktop (a host near its edge, a
// changed monitor layout or scale) starts moved the least distance that puts it on it.
// The stored offsets stay as they are: they still name the place on the host.
void LinkForm::keepOnDesktop() {
    const QRect wanted = preferredFrame();
    const QRect desk = virtualScreenRect();
    const Rect fitted = fitOnDesktop(Rect{wanted.left(), wanted.top(), wanted.left() + wanted.width(),
                                          wanted.top() + wanted.height()},
                                     Rect{desk.left(), desk.top(), desk.left() + desk.width(), desk.top() + desk.height()});
    if (fitted.left == wanted.left() && fitted.top == wanted.top()) return;
    const Twips t = twips();
    prefs_.left = t.fromPixelsX(fitted.left);
    prefs_.top = t.fromPixelsY(fitted.top);
}

void LinkForm::listenForCommands() {
    const WindowId self = nativeId();
    state_.ownWindow = self;
    std::string error;
    if (!channel_.listen(self, [this](const ChannelMessage& m) { return handleMessage(m); }, &error))
        qWarning("kivlink: cannot receive commands: %s", error.c_str());
}

std::string LinkForm::handleMessage(const ChannelMessage& message) {
    if (message.kind == ChannelKind::CloseRequest) {
        // The closing steps, the save included, run before the sender hears back.
        unload();
        return {};
    }
    if (message.kind == ChannelKind::ReportLink) {
        // A main program that started after the one that started this link looks for it.
        const LinkReadyReport report{state_.ownWindow, static_cast<ProcessId>(QCoreApplication::applicationPid()),
                                     state_.hostWindow};
        std::string text = formatLinkReport(report, state_.names.keySafeTitle);
        // Asked to, it also sends the report to a window of the asker (answers may be short).
        if (const auto back = parseWindowId(message.payload))
            sendChannelMessage(*back, ChannelKind::LinkReport, text);
        return text;
    }
    commands_->handle(message.kind, message.payload);
    return {};
}

void LinkForm::firstActivation() {
    noteWindowFrame(this);
    try {
        state_.matchOptions = LoadLinkOptions(state_.names.instanceAppName, *env_.store);
    } catch (const KivraError& e) {
        reportError(e);
    }
    // The link window is this window, whatever has the focus at this moment.
    state_.ownWindow = nativeId();
    // Saves read the window system's rectangle, placements use Qt's frame: where the two
    // differ in size the system counts borders Qt does not, and saves take them off again,
    // or every run would move the link by the border.
    if (const auto r = env_.windows->rect(state_.ownWindow)) {
        const QRect f = frameGeometry();
        if (r->width() != f.width() || r->height() != f.height()) systemFrameShift_ = QPoint(r->left - f.x(), r->top - f.y());
    }
    env_.windows->watch(state_.hostWindow);
    desktopNotifier_ = std::make_unique<DesktopNotifier>(*env_.windows);
    connect(desktopNotifier_.get(), &DesktopNotifier::changed, this, &LinkForm::onDesktopNotification);
    connect(desktopNotifier_.get(), &DesktopNotifier::activated, this, &LinkForm::retimeTracking);
    connect(this, &CoverWindow::kickTimerChanged, this, &LinkForm::retimeTracking);
    retimeTracking();
    restorePicture();
    refreshCaption();
    finishFirstActivation();
    reportReadyToMain();
    // Start-up's temporaries (icon renderings, store reads) are freed by now; once the window
    // is painted, their pages go back to the system instead of staying with every link.
    QTimer::singleShot(1000, this, [] { releaseFreedMemory(); });
}

void LinkForm::reportReadyToMain() {
    if (!mainWindow_) return;
    const LinkReadyReport report{state_.ownWindow, static_cast<ProcessId>(QCoreApplication::applicationPid()),
                                 state_.hostWindow};
    // Sent without waiting for the answer, which nothing here uses: the main program
    // may find this window on the desktop first and send it a command at this very
    // moment (its foreground watcher does as the new window takes the focus); each
    // program waiting for the other would hold both until the channel's timeout.
    sendChannelMessage(mainWindow_, ChannelKind::LinkReady, formatLinkReady(report), std::chrono::milliseconds(0));
}

void LinkForm::onDesktopNotification() {
    // A move, resize, title or state change of the host runs the tick at once.
    if (unloading_) return;
    quietTicks_ = 0;
    tracker_->tick();
}

// Where the desktop tells of the host's changes, `Timer4` is only a slow safety net, so an
// idle link does not wake; the kick step needs the 5 ms tick while the kick timer runs.
void LinkForm::retimeTracking() {
    if (unloading_) return;
    const bool slow = notified() && !kickTimerOn() && !DesktopNotifier::fixedIntervals();
    const int interval = slow ? DesktopNotifier::kSafetyPollMs : 5;
    if (!timer4_.isActive() || timer4_.interval() != interval) timer4_.start(interval);
}

void LinkForm::tick() {
    if (unloading_) return;
    if (notified() && timer4_.interval() < DesktopNotifier::kSafetyPollMs) {
        if (env_.windows->takeNotifications()) {
            quietTicks_ = 0;
        } else if (++quietTicks_ < kQuietTicksBeforeRead) {
            // Nothing changed on the desktop; only the kick step has work.
            if (state() == OwnWindowState::Normal && kickTimerOn()) ensureAlwaysOnTop(*this);
            return;
        } else {
            quietTicks_ = 0;
        }
    }
    tracker_->tick();
}

void LinkForm::refreshCaption() {
    // Host Title follows the host once a second through `Timer9`; other modes stop it.
    if (prefs_.captionMode != kHostTitleCaption) timer9_.stop();
    else if (!timer9_.isActive() && !unloading_) timer9_.start(1000);
    switch (prefs_.captionMode) {
    case CaptionMode::Custom: setWindowTitle(formatCustomCaption()); break;
    case kHostTitleCaption: setWindowTitle(toQ(env_.windows->title(state_.hostWindow))); break;
    case kLinkTitleCaption: setWindowTitle(toQ(state_.names.linkTitle)); break;
    case CaptionMode::Blank: setWindowTitle(QString()); break;
    }
}

// --- OwnWindow ---------------------------------------------------------------

OwnWindowState LinkForm::state() const {
    if (windowState() & Qt::WindowMinimized) return OwnWindowState::Minimized;
    if (windowState() & Qt::WindowMaximized) return OwnWindowState::Maximized;
    return OwnWindowState::Normal;
}

void LinkForm::minimize() { showMinimized(); }

void LinkForm::restoreNormal() {
    // Back with its host, leaving the focus where the host's restore put it.
    const WindowId id = nativeId();
    if (id && onNativeDesktop() && (windowState() & Qt::WindowMinimized)) {
        env_.windows->restoreWithoutFocus(id);
        return;
    }
    showNormal();
}

AlwaysOnTop LinkForm::alwaysOnTop() const { return prefs_.alwaysOnTop ? AlwaysOnTop::Yes : AlwaysOnTop::No; }

void LinkForm::setAlwaysOnTop(AlwaysOnTop choice) { CoverWindow::setAlwaysOnTop(choice == AlwaysOnTop::Yes); }

bool LinkForm::kickTimerOn() const { return kickTimerRunning(); }

void LinkForm::setIcon(LinkIcon icon) {
    const CaptionSize caption = displayMetrics().caption.wideCaption ? CaptionSize::Wide : CaptionSize::Normal;
    const IconRole role = icon == LinkIcon::Bright ? IconRole::Active : IconRole::Inactive;
    showWindowIcon(windowIconNumber(IconOwner::LinkWindow, role, caption));
}

CaptionMode LinkForm::captionMode() const { return prefs_.captionMode; }

void LinkForm::setCaption(const std::string& caption) { setWindowTitle(toQ(caption)); }

void LinkForm::setApplicationTitle(const std::string& title) {
    // The name the desktop lists this process's windows under.
    setWindowIconText(toQ(title));
}

bool LinkForm::messageBoxOpen() const { return messages().boxOpen; }

void LinkForm::clearMessageBoxOpen() { messages().boxOpen = false; }

void LinkForm::saveSettings() { save(AfterSave::KeepRunning); }

bool LinkForm::save(AfterSave after) {
    const Twips t = twips();
    const QRect desk = virtualScreenRect();
    // Where the desktop has the window now: Qt learns of a move by the user or
    // by the tracking tick only once it has handled the window manager's
    // event, and a save may come first (a command, the host's end).
    QRect frame = frameGeometry();
    if (state() == OwnWindowState::Normal && state_.ownWindow)
        if (const auto r = env_.windows->rect(state_.ownWindow))
            frame = QRect(r->left - systemFrameShift_.x(), r->top - systemFrameShift_.y(), frame.width(), frame.height());
    prefs_.width = t.fromPixelsX(geometry_.normalWidth > 0 ? t.toPixelsX(geometry_.normalWidth) : frame.width());
    prefs_.height = t.fromPixelsY(geometry_.normalHeight > 0 ? t.toPixelsY(geometry_.normalHeight) : frame.height());
    prefs_.offsetLeft = geometry_.offsetLeft;
    prefs_.offsetTop = geometry_.offsetTop;
    prefs_.kickTimerOn = kickTimerRunning() || prefs_.kickTimerOn;
    SaveContext ctx;
    ctx.mode = PrefMode::Link;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(desk.width());
    ctx.screenHeightTwips = t.fromPixelsY(desk.height());
    ctx.windowRectPx = {frame.x(), frame.y(), frame.width(), frame.height()};
    ctx.hostLeftTwips = t.wholeFromPixelsX(state_.recordedHostRect.left);
    ctx.hostTopTwips = t.wholeFromPixelsY(state_.recordedHostRect.top);
    // Recorded here, written at once or, when another program holds the store, off this thread.
    SaveRecorder recorder(*env_.store);
    try {
        savePreferences(recorder, state_.names.instanceAppName, prefs_, ctx);
    } catch (const KivraError& e) {
        reportError(e);
        return false;
    }
    geometry_.offsetLeft = prefs_.offsetLeft;
    geometry_.offsetTop = prefs_.offsetTop;
    return saveWithoutWaiting(this, env_.store, recorder.changes(), after,
                              [this](const KivraError& e) { reportError(e); }) == SaveState::GoesOn;
}

void LinkForm::unload() {
    if (unloading_) return;
    close();
}

// The link window's failures are the store's: the main program reports them, once for the
// session (it works on the same store), so a link only notes them.
void LinkForm::reportError(const KivraError& error) {
    qWarning("kivlink: settings store error %d: %s", error.number(), error.description().c_str());
}

// --- Events ------------------------------------------------------------------

void LinkForm::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        // A save still waiting for the store ends the program itself.
        if (savingOn_) event->ignore();
        else event->accept();
        return;
    }
    // The closing steps: timers off, the kick timer's state remembered for the save,
    // Normal state so a normal position and size are saved, then the save.
    unloading_ = true;
    timer4_.stop();
    timer9_.stop();
    stopCaptionTimer();
    prefs_.kickTimerOn = kickTimerRunning();
    stopKickTimer();
    if (state() != OwnWindowState::Normal) showNormal();
    closePage();
    hideControls();
    const bool keep = prefs_.kickTimerOn;
    savingOn_ = save(AfterSave::EndProgram);
    prefs_.kickTimerOn = keep;
    channel_.stopWatching();
    // With the store locked the window is gone already and the program ends after the save.
    if (savingOn_) event->ignore();
    else event->accept();
}

void LinkForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange) keepBlankTitleBlank();
    if (event->type() == QEvent::WindowStateChange) relayoutPanel();
    if (event->type() == QEvent::ActivationChange && !firstActivation_) {
        setIcon(isActiveWindow() ? LinkIcon::Bright : LinkIcon::Grey);
    } else if (event->type() == QEvent::WindowStateChange) {
        if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) {
            wasMinOrMax_ = true;
        } else if (wasMinOrMax_) {
            wasMinOrMax_ = false;
            returnToNormal();
        }
    }
}

void LinkForm::resizeEvent(QResizeEvent* event) {
    CoverWindow::resizeEvent(event);
    if (!firstActivation_ && !unloading_ && state() == OwnWindowState::Normal && !wasMinOrMax_ &&
        !panelLayoutBusy() && !controlsShown() && !pageOpen()) {
        const QRect f = frameGeometry();
        geometry_.normalWidth = twips().fromPixelsX(f.width());
        geometry_.normalHeight = twips().fromPixelsY(f.height());
    }
}

// The Left and the offsets from the host, remembered for the return to Normal.
void LinkForm::panelShownAt(const TwipsRect& frame) {
    const Twips t = twips();
    geometry_.panelLeft = frame.left;
    geometry_.hostLeftTwips = t.wholeFromPixelsX(state_.recordedHostRect.left);
    geometry_.hostTopTwips = t.wholeFromPixelsY(state_.recordedHostRect.top);
    geometry_.offsetLeft = std::lround(frame.left - static_cast<double>(geometry_.hostLeftTwips));
    geometry_.offsetTop = std::lround(frame.top - static_cast<double>(geometry_.hostTopTwips));
    geometry_.offsetsHostLeftPx = state_.recordedHostRect.left;
    geometry_.offsetsHostTopPx = state_.recordedHostRect.top;
}

void LinkForm::returnToNormal() {
    const Twips t = twips();
    const QRect f = frameGeometry();
    const NormalPlacement p = placementOnReturnToNormal(geometry_, state_.hostState, t.fromPixelsX(f.x()),
                                                        t.fromPixelsY(f.y()), state_.recordedHostRect, t);
    QRect target(f.topLeft(), QSize(static_cast<int>(std::lround(t.toPixelsX(p.width))),
                                    static_cast<int>(std::lround(t.toPixelsY(p.height)))));
    if (p.left && p.top)
        target.moveTopLeft(QPoint(static_cast<int>(std::lround(t.toPixelsX(*p.left))),
                                  static_cast<int>(std::lround(t.toPixelsY(*p.top)))));
    placeFrame(target);
    refreshCaption();
}

}  // namespace kivra
