// The covering window both programs show: preferences applied to a top-level
// window whose stored geometry is its outer frame, background colour, window
// icons, always-on-top through the desktop, and the first activation once framed.
#pragma once

#include "Icons.h"
#include "Preferences.h"
#include "Twips.h"
#include "WindowSystem.h"

#include <QDateTime>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace kivra {

class CoverWindow : public QWidget {
    Q_OBJECT
public:
    CoverWindow(WindowSystem* windows, IconOwner owner, QWidget* parent = nullptr);

    const Preferences& preferences() const { return prefs_; }
    bool firstActivationDone() const { return !firstActivation_; }
    // The id the desktop knows this window by (0 before it exists).
    WindowId nativeId() const;
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
    void updateWindowIcon();

    // The kick timer `Timer1`: while it runs the window is raised above all others
    // at its interval.
    void startKickTimer(KickInterval interval);
    void stopKickTimer();
    bool kickTimerRunning() const { return timer1_.isActive(); }

signals:
    void firstActivationFinished();

protected:
    // Runs once, after the window is shown and the window manager has framed it.
    virtual void firstActivation() = 0;
    void finishFirstActivation();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    WindowSystem* windows_;
    Preferences prefs_;
    bool firstActivation_ = true;

private:
    void waitForFrame();

    void kick();

    IconOwner iconOwner_;
    QTimer timer1_;
    QRect wantedFrame_;
    QDateTime frameWaitStarted_;
    bool firstActivationQueued_ = false;
    bool tracePaint_ = false;
};

}  // namespace kivra
