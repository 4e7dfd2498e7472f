// The covering window both programs show: preferences applied to a top-level
// window whose stored geometry is its outer frame, background colour, window
// icons, always-on-top through the desktop, and the first activation once framed.
#pragma once

#include "CaptionFormatter.h"
#include "ControlsPanel.h"
#include "Icons.h"
#include "MsgBoxPlacement.h"
#include "OptionPairs.h"
#include "PanelLayout.h"
#include "PictureFeature.h"
#include "Preferences.h"
#include "Twips.h"
#include "WindowSystem.h"

#include <QDateTime>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace kivra {

class PreferencesPage;

class CoverWindow : public QWidget {
    Q_OBJECT
public:
    CoverWindow(WindowSystem* windows, IconOwner owner, QWidget* parent = nullptr);
    ~CoverWindow() override;

    const Preferences& preferences() const { return prefs_; }
    // For the option pages, which keep the preferences up to date for the save.
    Preferences& preferencesForEdit() { return prefs_; }
    bool firstActivationDone() const { return !firstActivation_; }
    // The id the desktop knows this window by (0 before it exists).
    WindowId nativeId() const;
    // True on a desktop whose windows the seam reaches (X11, Windows), not the offscreen platform.
    static bool onNativeDesktop();
    Twips twips() const;
    // The primary screen and the whole virtual desktop, in pixels.
    QRect screenRect() const;
    QRect virtualScreenRect() const;

    // Puts the window's outer frame (title bar and border included) at `frame`.
    void placeFrame(const QRect& frame);
    // The frame rectangle the preferences' twips describe.
    QRect preferredFrame() const;
    // Before the first show the window is created with the flag; afterwards the
    // desktop changes its state without recreating (and flashing) the window.
    void setAlwaysOnTop(bool on);
    bool alwaysOnTop() const { return prefs_.alwaysOnTop; }
    void applyBackground();
    // The background of the window and of both picture boxes, which show through to it.
    void applyBackgroundColor(const QColor& colour);
    // Made at its first use: most windows never open it, and every link program would
    // otherwise carry its controls.
    PreferencesPage* preferencesPage();
    void updateWindowIcon();

    // The controls panel: shown over the window on Enter or a left click, hidden
    // with Esc or `HideControlsCmd`. A page takes the panel's place while open.
    void showControls();
    void hideControls();
    bool controlsShown() const { return controlsShown_; }
    bool pageOpen() const { return openPage_ != nullptr; }
    // Which page is open, as the message box placement tells them apart.
    OpenPage openPageKind() const;
    ControlsPanel* panel() const { return panel_; }
    // Hides the panel and shows `page` at the pages' place; closing shows the panel again.
    void openPage(QWidget* page);
    void closePage();

    // The picture: display choice, picture box options, selection page, previous
    // and next. The first activation restores it with restorePicture().
    PictureFeature* pictures() const { return pictures_; }
    void restorePicture();

    // The kick timer `Timer1`: while it runs the window is raised above all others
    // at its interval.
    void startKickTimer(KickInterval interval);
    void stopKickTimer();
    bool kickTimerRunning() const { return timer1_.isActive(); }
    // Makes the window topmost when it is not ("&Yes" of Always On Top).
    void ensureTopmost();
    ProgramKind programKind() const {
        return iconOwner_ == IconOwner::LinkWindow ? ProgramKind::Link : ProgramKind::Main;
    }

    // The custom caption: `TBCapString` with its modifiers replaced by the current
    // time, date and picture. `Timer2` re-formats it once a second while the
    // caption is in Custom Text mode and shows a time or a date.
    QString formatCustomCaption();
    bool captionTimerRunning() const { return timer2_.isActive(); }
    void stopCaptionTimer() { timer2_.stop(); }  // at exit
    // Sets the caption for the current mode; each program says what its modes show.
    virtual void refreshCaption() {}

signals:
    void firstActivationFinished();
    void kickTimerChanged();
    void alwaysOnTopChanged();

protected:
    // Runs once, after the window is shown and the window manager has framed it.
    virtual void firstActivation() = 0;
    void finishFirstActivation();
    // Gives the window the icon of that resource number, unless it has it already.
    void showWindowIcon(int resourceNumber);
    // The panel was just shown in Normal state with the window's frame at `frame`.
    virtual void panelShownAt(const TwipsRect& /*frame*/) {}
    // Places the shown panel again for the window's size and state.
    void relayoutPanel();
    // Gives the window system a blank title where the caption is empty.
    void keepBlankTitleBlank();

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    WindowSystem* windows_;
    Preferences prefs_;
    bool firstActivation_ = true;
    // Set while the panel is shown or hidden: resize handling leaves the geometry alone.
    bool panelLayoutBusy() const { return layoutBusy_; }

private:
    void waitForFrame();
    void fitLateFrame();

    void kick();
    void refreshCustomCaption();
    void placePanelBlock(QWidget* block, QPoint designOrigin);
    QPoint panelOrigin() const;
    QSize panelSizePx() const;
    TwipsRect frameTwips() const;
    void placeFrameTwips(const TwipsRect& r);

    ControlsPanel* panel_ = nullptr;
    PanelLayout panelLayout_;
    TwipsRect panelFrameTwips_;  // the frame the panel was last shown in (normal state)
    bool controlsShown_ = false;
    bool layoutBusy_ = false;
    QWidget* openPage_ = nullptr;
    PictureFeature* pictures_ = nullptr;
    PreferencesPage* prefsPage_ = nullptr;

    IconOwner iconOwner_;
    int shownIcon_ = -1;
    QTimer timer1_;
    QTimer timer2_;
    FormattedCaption customCaption_;
    bool formatting_ = false;
    QRect wantedFrame_;
    QDateTime frameWaitStarted_;
    bool firstActivationQueued_ = false;
    bool tracePaint_ = false;
};

}  // namespace kivra
