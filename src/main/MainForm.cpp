// The main window's life: load, first activation, resize and move, close and save.
#include "MainForm.h"

#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "DisplayMetricsQt.h"
#include "EditLinksPage.h"
#include "LinkManagement.h"
#include "LinkStore.h"
#include "LinkTable.h"
#include "MessageState.h"
#include "PickedHost.h"
#include "ProgramPlaces.h"
#include "ReportError.h"
#include "SaveWithoutWaiting.h"
#include "ShowMessage.h"
#include "TrayIcon.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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
    if (!env_.launcher)
        env_.launcher = std::make_shared<ProcessLauncher>(
            linkProgramPath(programPlaces(env_.appDirectory.toStdString()).linkProgramFolder));
    manage_ = std::make_unique<LinkManagement>(this, *env_.windows, *links_, *env_.store, env_.launcher);

    createPage_ = new CreateLinksPage(this);
    createPage_->hide();
    activatePage_ = new ActivateLinksPage(this);
    activatePage_->hide();
    connect(panel(), &ControlsPanel::createRequested, this, &MainForm::openCreatePage);
    connect(panel(), &ControlsPanel::activateRequested, this, &MainForm::openActivatePage);
    connect(createPage_->closeButton(), &QPushButton::clicked, this, &MainForm::closeCreatePage);
    connect(createPage_->addButton(), &QPushButton::clicked, this, &MainForm::addLink);
    connect(createPage_->hostList(), &QListWidget::itemDoubleClicked, this, &MainForm::addLink);
    connect(createPage_->deleteButton(), &QPushButton::clicked, this, &MainForm::deleteLink);
    connect(createPage_->editButton(), &QPushButton::clicked, this, &MainForm::openEditPage);
    connect(createPage_->linkList(), &QListWidget::itemDoubleClicked, this, &MainForm::openEditPage);
    connect(createPage_->pickButton(), &QPushButton::clicked, this, &MainForm::pickHost);
    createPage_->pickButton()->setEnabled(env_.picker != nullptr);
    if (env_.picker && env_.picker->eventFd() >= 0) {
        pickNotifier_ = std::make_unique<QSocketNotifier>(env_.picker->eventFd(), QSocketNotifier::Read);
        connect(pickNotifier_.get(), &QSocketNotifier::activated, this, [this] { env_.picker->dispatch(); });
    }

    editPage_ = new EditLinksPage(this);
    editPage_->hide();
    connect(editPage_, &EditLinksPage::optionClicked, this, &MainForm::editOptionClicked);
    connect(editPage_->titleText(), &QLineEdit::textEdited, this, [this](const QString& t) {
        manage_->edit.titleTextChanged(t.toStdString());
        showEditState();
    });
    connect(editPage_->exclusionText(), &QLineEdit::textEdited, this, [this](const QString& t) {
        manage_->edit.exclusionTextChanged(t.toStdString());
        showEditState();
    });
    connect(editPage_->titleText(), &QLineEdit::editingFinished, this, [this] {
        if (manage_->edit.isOpen() && manage_->edit.titleLostFocus() == TitleCheck::Refused) {
            showEditState();
            editPage_->titleText()->setFocus();
        }
        manage_->edit.titleGotFocus();
    });
    connect(editPage_->recordButton(), &QPushButton::clicked, this, [this] {
        manage_->edit.recordClassName();
        showEditState();
    });
    connect(editPage_->homeButton(), &QPushButton::clicked, this, [this] {
        manage_->edit.resetPosition();
        showEditState();
    });
    connect(editPage_->closeButton(), &QPushButton::clicked, this, [this] { closeEditPage(false); });
    connect(editPage_->cancelButton(), &QPushButton::clicked, this, [this] { closeEditPage(true); });
    connect(activatePage_->closeButton(), &QPushButton::clicked, this, &MainForm::closeActivatePage);
    connect(activatePage_->activateButton(), &QPushButton::clicked, this, &MainForm::activateLink);
    connect(activatePage_->statusList(), &QListWidget::itemDoubleClicked, this, &MainForm::activateLink);
    connect(activatePage_->hostButton(), &QPushButton::clicked, this, &MainForm::bringHostToTop);
    connect(activatePage_->deactivateButton(), &QPushButton::clicked, this, &MainForm::deactivateLink);

    timer3_.setObjectName("Timer3");
    connect(&timer3_, &QTimer::timeout, this, &MainForm::refreshHostList);
    timer6_.setObjectName("Timer6");
    connect(&timer6_, &QTimer::timeout, this, &MainForm::refreshStatusList);
    connect(&startsTimer_, &QTimer::timeout, this, &MainForm::pollStarts);
    timer5_.setObjectName("Timer5");
    connect(&timer5_, &QTimer::timeout, this, &MainForm::autoExecTick);
    timer7_.setObjectName("Timer7");
    connect(&timer7_, &QTimer::timeout, this, &MainForm::foregroundTick);
    settleNormal_.setSingleShot(true);
    settleNormal_.setInterval(400);
    connect(&settleNormal_, &QTimer::timeout, this, [this] { normal_.settle(); });
    timer9_.setObjectName("Timer9");
    connect(&timer9_, &QTimer::timeout, this, [this] { manage_->edit.checkActiveLinksTick(); });
}

void MainForm::autoExecTick() {
    const bool started = manage_->autoExec.tick() == AutoExecOutcome::Started;
    if (started) startsTimer_.start(50);
    // At most one start per tick: after a start the next tick comes one design interval later.
    const int next = started ? 50 : watcherInterval(50);
    if (timer5_.isActive() && timer5_.interval() != next) timer5_.start(next);
}

void MainForm::foregroundTick() {
    const bool walking = timer5_.isActive() || timer3_.isActive();
    manage_->foreground.tick({messages().boxOpen ? MessageBoxState::Open : MessageBoxState::Closed,
                              walking ? HostWalk::Running : HostWalk::Stopped});
    // A tick sooner than the safety poll (after a change) leaves the pace to it again.
    if (timer7_.isActive() && timer7_.interval() != watcherInterval(100)) timer7_.start(watcherInterval(100));
}

// Where the desktop tells of its changes, the watchers run on them and their timers only
// poll slowly in case a notification is lost; otherwise they keep the design's intervals.
int MainForm::watcherInterval(int designMs) const {
    return desktopNotifier_ && desktopNotifier_->active() ? DesktopNotifier::kSafetyPollMs : designMs;
}

void MainForm::startWatchers() {
    env_.windows->watchDesktop();
    if (!DesktopNotifier::fixedIntervals()) {
        desktopNotifier_ = std::make_unique<DesktopNotifier>(*env_.windows);
        connect(desktopNotifier_.get(), &DesktopNotifier::changed, this, &MainForm::onDesktopChanged);
        connect(desktopNotifier_.get(), &DesktopNotifier::activated, this, [this] {
            if (timer5_.isActive()) timer5_.start(watcherInterval(50));
            if (timer7_.isActive()) timer7_.start(watcherInterval(100));
        });
    }
    timer7_.start(watcherInterval(100));
    timersRunning_ = true;
}

// A new foreground window, a window that came or went, a title or state that changed: each
// watcher that runs now ticks at once, in the order and by the rules of its timer tick.
void MainForm::onDesktopChanged() {
    if (!timersRunning_) return;
    if (timer5_.isActive()) autoExecTick();
    if (timer7_.isActive()) {
        foregroundTick();
        // The settled pass for a new foreground window follows one design interval later.
        timer7_.start(100);
    }
}

// --- Edit Host Link page ---------------------------------------------------------

void MainForm::openEditPage() {
    const int row = createPage_->linkList()->currentRow();
    const bool selected = row >= 0 && createPage_->linkList()->currentItem()->isSelected();
    if (!manage_->edit.open(selected ? std::optional<int>(row) : std::nullopt)) return;
    // Nothing starts by itself and the host list stands still while a link is edited.
    cancelPick();
    timer3_.stop();
    timer5_.stop();
    timer9_.start(1000);
    closePage();
    panel()->hide();
    openPage(editPage_);
    showEditState();
    editPage_->titleText()->setFocus();
}

void MainForm::showEditState() { editPage_->showState(manage_->edit); }

void MainForm::editOptionClicked(EditOption option) {
    const FocusRequest focus = manage_->edit.click(option);
    showEditState();
    if (focus == FocusRequest::ExclusionText) editPage_->exclusionText()->setFocus();
    if (focus == FocusRequest::TitleText) editPage_->titleText()->setFocus();
}

void MainForm::closeEditPage(bool cancel) {
    computeCaptionAllowance();
    timer9_.stop();
    int index = manage_->edit.editIndex();
    try {
        index = (cancel ? manage_->edit.cancel() : manage_->edit.close()).editIndex;
    } catch (const KivraError& e) {
        report(e);
    }
    closePage();
    editPage_->titleText()->clear();
    editPage_->exclusionText()->clear();
    panel()->hide();
    openPage(createPage_);
    refreshHostList();
    timer3_.start(50);
    createPage_->setLinkTitles(links_->titles(), index);
    createPage_->editButton()->setFocus();
    if (timersRunning_) timer5_.start(watcherInterval(50));
}

MainForm::~MainForm() { cancelPick(); }

void MainForm::load() {
    messages().program = ProgramRole::Main;
    messages().versionText = versionText();
    // Application title: the time of day in the platform's default format, set once.
    appTitle_ = QStringLiteral("Kivra [Main] @") +
                QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat);
    setWindowIconText(appTitle_);  // the name the desktop lists the program's windows under

    const Twips t = twips();
    LoadContext ctx;
    ctx.mode = PrefMode::Main;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(screenRect().width());
    ctx.screenHeightTwips = t.fromPixelsY(screenRect().height());
    ctx.appDirectory = programPlaces(env_.appDirectory.toStdString()).dataFolder;  // welcome.gif
    LoadResult loaded = loadPreferences(*env_.store, kMainAppName, ctx);
    prefs_ = std::move(loaded.prefs);
    pendingLoadError_ = loaded.error;

    setAlwaysOnTop(prefs_.alwaysOnTop);
    // A stored `TimerState` "1" (kept only with always on top) runs the kick timer from the start.
    if (prefs_.kickTimerOn) startKickTimer(prefs_.kickInterval);
    // A stored position that is not wholly on the desktop (another monitor layout, or
    // another scale) is moved the least distance that puts the window on it.
    const QRect wanted = preferredFrame();
    const QRect desk = virtualScreenRect();
    const Rect fitted = fitOnDesktop(Rect{wanted.left(), wanted.top(), wanted.left() + wanted.width(),
                                          wanted.top() + wanted.height()},
                                     Rect{desk.left(), desk.top(), desk.left() + desk.width(), desk.top() + desk.height()});
    normal_.set(fitted);
    placeFrame(QRect(fitted.left, fitted.top, fitted.width(), fitted.height()));
    computeCaptionAllowance();
    updateWindowIcon();
    manage_->resources.startUp(prefs_.memTestOff);
}

MainWindowState MainForm::mainState() const {
    if (isMinimized()) return MainWindowState::Minimized;
    if (isMaximized()) return MainWindowState::Maximized;
    return MainWindowState::Normal;
}

void MainForm::listenForLinks() {
    // Started link programs report their window here.
    const WindowId self = nativeId();
    manage_->starts.setMainWindow(self);
    manage_->foreground.setMainWindow(self);
    std::string error;
    const bool listening = channel_.listen(
        self,
        [this](const ChannelMessage& m) -> std::string {
            // A close request (on Windows also the title bar's close box, Alt+F4 and the task
            // bar) runs the ordinary close, with its question, once the request is answered.
            if (m.kind == ChannelKind::CloseRequest) {
                QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
                return {};
            }
            if (m.kind != ChannelKind::LinkReady) return {};
            std::string answer = manage_->starts.handleLinkReady(m);
            if (activatePage_->isVisible()) refreshStatusList();
            return answer;
        },
        &error);
    if (!listening) qWarning("kivra: link programs cannot report to this window: %s", error.c_str());
}

void MainForm::pollStarts() {
    manage_->starts.poll(LinkStarts::Clock::now());
    if (manage_->starts.pendingCount() == 0) startsTimer_.stop();
}

// --- Create Host Links page ------------------------------------------------------

void MainForm::openCreatePage() {
    if (pageOpen()) return;
    computeCaptionAllowance();
    openPage(createPage_);
    manage_->create.open();
    manage_->hostList.open();
    refreshHostList();
    timer3_.start(50);
    createPage_->setLinkTitles(links_->titles(), -1);
    createPage_->setLinkCount(links_->linkCount());
    createPage_->closeButton()->setFocus();
}

void MainForm::closeCreatePage() {
    cancelPick();
    timer3_.stop();
    closePage();
    panel()->createButton()->setFocus();
}

void MainForm::refreshHostList() {
    if (manage_->hostList.refresh() == RefreshOutcome::Rebuilt)
        createPage_->setHostEntries(manage_->hostList.hostListTexts());
    createPage_->setLinkCount(links_->linkCount());
}

void MainForm::pickHost() {
    if (!env_.picker || !createPage_->isVisible()) return;
    std::string error;
    const bool started = env_.picker->start(
        [this](PickEnd end, WindowId window) {
            // Out of the picker's input handling: the message box runs an event loop of its own.
            QTimer::singleShot(0, this, [this, end, window] { hostPicked(end, window); });
        },
        &error);
    if (!started) qWarning("kivra: cannot pick a window: %s", error.c_str());
}

void MainForm::hostPicked(PickEnd end, WindowId window) {
    if (end == PickEnd::Cancelled || !createPage_->isVisible()) return;
    // The list as it is now: the picked window may have come up since the last tick.
    refreshHostList();
    const PickSelection pick = selectPickedWindow(*env_.windows, manage_->hostList.hostList(), window);
    if (pick.outcome != PickOutcome::Selected) {
        manage_->sink.show(MessageKind::CantPick, pickRefusalText(pick.outcome));
        return;
    }
    createPage_->selectHost(pick.hostIndex);
    createPage_->addButton()->setFocus();
}

void MainForm::cancelPick() {
    if (env_.picker) env_.picker->cancel();
}

void MainForm::addLink() {
    const int row = createPage_->hostList()->currentRow();
    const bool selected = row >= 0 && createPage_->hostList()->currentItem()->isSelected();
    const AddResult result = manage_->create.add(selected ? std::optional<int>(row) : std::nullopt, mainState());
    if (result.outcome == AddOutcome::Added || result.outcome == AddOutcome::Duplicate) {
        createPage_->setLinkTitles(links_->titles(), result.selectedLink.value_or(-1));
        createPage_->linkList()->setFocus();
    }
    createPage_->setLinkCount(links_->linkCount());
}

void MainForm::deleteLink() {
    const int row = createPage_->linkList()->currentRow();
    const bool selected = row >= 0 && createPage_->linkList()->currentItem()->isSelected();
    try {
        if (manage_->create.remove(selected ? std::optional<int>(row) : std::nullopt) == DeleteOutcome::Deleted)
            createPage_->setLinkTitles(links_->titles(), -1);
    } catch (const KivraError& e) {
        report(e);
    }
    createPage_->setLinkCount(links_->linkCount());
}

// --- Activate Host Links page ----------------------------------------------------

void MainForm::openActivatePage() {
    if (pageOpen()) return;
    computeCaptionAllowance();
    openPage(activatePage_);
    manage_->status.open();
    refreshStatusList();
    timer6_.start(50);
    activatePage_->closeButton()->setFocus();
}

void MainForm::closeActivatePage() {
    timer6_.stop();
    closePage();
    panel()->activateButton()->setFocus();
}

void MainForm::refreshStatusList() {
    auto outcome = manage_->status.refresh(*links_, [this] { manage_->deactivation.checkActiveLinks(); });
    // The check runs after the lines are built: when it changed a link, show that now
    // rather than one tick later.
    if (outcome != StatusRefreshOutcome::Busy &&
        statusLines(*links_, manage_->status.checks()) != manage_->status.lines())
        outcome = manage_->status.refresh(*links_, [] {});
    if (outcome == StatusRefreshOutcome::Rebuilt) activatePage_->setStatusLines(manage_->status.lines());
    activatePage_->setActiveCount(links_->activeLinkCount());
}

std::optional<std::string> MainForm::selectedStatusLine() const {
    const std::string line = activatePage_->selectedLine();
    return line.empty() ? std::nullopt : std::optional<std::string>(line);
}

void MainForm::activateLink() {
    const auto outcome = manage_->activation.activate(selectedStatusLine(), mainState(), ActivationMode::Activate);
    if (outcome == ActivationOutcome::Started) startsTimer_.start(50);
}

void MainForm::activateStatusLine(const std::string& line) {
    const auto outcome = manage_->activation.activate(line, mainState(), ActivationMode::Activate);
    if (outcome == ActivationOutcome::Started) startsTimer_.start(50);
}

void MainForm::deactivateStatusLine(const std::string& line) { manage_->deactivation.deactivate(line); }

void MainForm::bringHostToTop() {
    manage_->activation.activate(selectedStatusLine(), mainState(), ActivationMode::HostOnly);
}

void MainForm::deactivateLink() { manage_->deactivation.deactivate(selectedStatusLine()); }

void MainForm::stopTimers() {
    timersRunning_ = false;
    timer7_.stop();
    timer6_.stop();
    timer5_.stop();
    timer3_.stop();
    stopCaptionTimer();
    timer9_.stop();
    prefs_.kickTimerOn = kickTimerRunning();
    stopKickTimer();
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
    case CaptionMode::Custom: setWindowTitle(formatCustomCaption()); break;
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
    listenForLinks();
    if (prefs_.startup == StartupState::Maximized) showMaximized();
    if (prefs_.startup == StartupState::Minimized) showMinimized();  // before the welcome box
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
    restorePicture();
    refreshCaption();

    // The watchers: links follow the foreground from here on, and start by themselves once
    // the links an earlier run left behind are known (none is started twice).
    startWatchers();
    manage_->adoptRunningLinks(nativeId(), [this] {
        if (timersRunning_ && !editPage_->isVisible()) timer5_.start(watcherInterval(50));
    });

    if (prefs_.startup == StartupState::Minimized && !isMinimized()) showMinimized();
    TrayIcon::attach(this);
    finishFirstActivation();
}

// Every failure the main window reports is the store's.
void MainForm::report(const KivraError& error) { ReportStoreError(error, isVisible() ? this : nullptr); }

void MainForm::rememberNormalGeometry() {
    if (exiting_ || firstActivation_) return;
    const QRect f = frameGeometry();
    const bool minOrMax = windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    // The panel and the pages change the size for their own needs; a state change counts always.
    if (!minOrMax && (panelLayoutBusy() || controlsShown() || pageOpen())) return;
    normal_.seen(Rect{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()},
                 minOrMax ? FrameState::MinimizedOrMaximized : FrameState::Normal);
    if (normal_.pending()) settleNormal_.start();
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
    cancelPick();
    if (exiting_) {
        event->accept();
        return;
    }
    if (waitingForLinks_) {
        event->ignore();
        return;
    }
    // Links still running are ended first; the user may keep everything running instead.
    bool timersStopped = false;
    if (links_->linkCount() > 0 && links_->activeLinkCount() > 0) {
        const auto decision = manage_->deactivation.endAllLinksOnExit([&] {
            stopTimers();
            timersStopped = true;
        });
        if (decision == ExitDecision::Cancel) {
            event->ignore();
            return;
        }
        waitForClosingLinks();
    }
    exiting_ = true;
    if (!timersStopped) stopTimers();
    manage_->starts.cancelAll();
    // A minimized or maximized window saves its remembered normal position and size:
    // the window manager restores it only after this handler has returned.
    const bool minOrMax = windowState() & (Qt::WindowMinimized | Qt::WindowMaximized);
    if (minOrMax) showNormal();
    // The bare window's size is saved, not the size the panel or a page needed.
    closePage();
    hideControls();
    settleNormal_.stop();
    if (!minOrMax) {
        const QRect f = frameGeometry();
        normal_.set(Rect{f.left(), f.top(), f.left() + f.width(), f.top() + f.height()});
    }
    if (saveAllSettings()) {
        event->ignore();  // the window is gone; the program ends after the save
        return;
    }
    event->accept();
}

// The close requests and their answers travel off this thread; the exit waits for them
// (each bounded by the channel's timeout, a hung link ended on the way) so that no link
// is left behind. The window keeps painting meanwhile.
void MainForm::waitForClosingLinks() {
    if (manage_->deactivation.closesUnderWay() == 0) return;
    waitingForLinks_ = true;
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (manage_->deactivation.closesUnderWay() == 0) loop.quit();
    });
    check.start(20);
    QTimer::singleShot(std::chrono::seconds(5), &loop, &QEventLoop::quit);
    loop.exec();
    waitingForLinks_ = false;
}

bool MainForm::saveAllSettings() {
    const Twips t = twips();
    const Rect& normal = normal_.frame();
    prefs_.left = t.fromPixelsX(normal.left);
    prefs_.top = t.fromPixelsY(normal.top);
    prefs_.width = t.fromPixelsX(normal.width());
    prefs_.height = t.fromPixelsY(normal.height());
    SaveContext ctx;
    ctx.mode = PrefMode::Main;
    ctx.twips = t;
    ctx.screenWidthTwips = t.fromPixelsX(screenRect().width());
    ctx.screenHeightTwips = t.fromPixelsY(screenRect().height());
    // Recorded here, written at once or, when another program holds the store, off this thread.
    SaveRecorder recorder(*env_.store);
    try {
        savePreferences(recorder, kMainAppName, prefs_, ctx, [&] { SaveHostLinks(*links_, recorder); });
    } catch (const KivraError& e) {
        report(e);
        return false;
    }
    return saveWithoutWaiting(this, env_.store, recorder.changes(), AfterSave::EndProgram,
                              [this](const KivraError& e) { report(e); }) == SaveState::GoesOn;
}

}  // namespace kivra
