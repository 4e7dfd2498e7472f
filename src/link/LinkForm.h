// The link window: one covering window on one host window, following it every
// 5 ms, steered by the main program over the link command channel.
#pragma once

#include "CoverWindow.h"
#include "ChannelListener.h"
#include "DesktopNotifier.h"
#include "HostTracker.h"
#include "LinkChannel.h"
#include "LinkCommandLine.h"
#include "LinkCommands.h"
#include "LinkState.h"
#include "OwnWindow.h"
#include "SaveWithoutWaiting.h"
#include "SettingsStore.h"

#include <QTimer>

#include <memory>

namespace kivra {

struct LinkEnvironment {
    WindowSystem* windows = nullptr;
    std::shared_ptr<SettingsStore> store;
    QString appDirectory;  // with a trailing '/'
    OsVersion40 osVersion40 = OsVersion40::No;  // command "2" leaves the host alone on version 4.0
};

class LinkForm : public CoverWindow, public OwnWindow {
    Q_OBJECT
public:
    LinkForm(LinkEnvironment env, const LinkCommandLine& line);
    ~LinkForm() override;

    // Start-up from the host rectangle on: preferences in link mode, remembered
    // geometry, icon, the window itself and its command channel.
    void load();

    const LinkState& linkState() const { return state_; }
    HostTracker& tracker() { return *tracker_; }

    // OwnWindow: what the link logic asks of this window.
    OwnWindowState state() const override;
    void minimize() override;
    void restoreNormal() override;
    AlwaysOnTop alwaysOnTop() const override;
    void setAlwaysOnTop(AlwaysOnTop choice) override;
    bool kickTimerOn() const override;
    void setIcon(LinkIcon icon) override;
    CaptionMode captionMode() const override;
    void setCaption(const std::string& caption) override;
    void setApplicationTitle(const std::string& title) override;
    bool messageBoxOpen() const override;
    void clearMessageBoxOpen() override;
    void saveSettings() override;
    // The save of saveSettings; true when it goes on in the background (see SaveWithoutWaiting.h).
    bool save(AfterSave after);
    void unload() override;
    void reportError(const KivraError& error) override;

protected:
    void firstActivation() override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void listenForCommands();
    void keepOnDesktop();
    std::string handleMessage(const ChannelMessage& message);
    void tick();
    void onDesktopNotification();
    void retimeTracking();
    bool notified() const { return desktopNotifier_ && desktopNotifier_->active(); }
    void reportReadyToMain();
    void returnToNormal();
    void panelShownAt(const TwipsRect& frame) override;
    void refreshCaption() override;

    LinkEnvironment env_;
    LinkState state_;
    RememberedGeometry geometry_;
    // The window system's rectangle of this window less Qt's frame: non-zero where the system
    // counts borders Qt does not (the invisible resize borders of Windows).
    QPoint systemFrameShift_;
    std::unique_ptr<HostTracker> tracker_;
    std::unique_ptr<LinkCommands> commands_;
    ChannelListener channel_;
    std::unique_ptr<DesktopNotifier> desktopNotifier_;  // runs the tick when the host changes
    QTimer timer4_;  // host tracking: 5 ms, or the safety poll while notifications run the tick
    QTimer timer9_;  // host title into the caption, 1000 ms
    WindowId mainWindow_ = 0;
    bool unloading_ = false;
    bool savingOn_ = false;  // the exit save waits for the store in the background
    bool wasMinOrMax_ = false;
    int quietTicks_ = 0;
};

}  // namespace kivra
