// What the link logic asks of the link window it runs in: its state, the Always On
// Top option, the kick timer, icon, caption, application title, the message-box flag,
// saving and unloading. The Qt form implements it; tests record the calls.
#pragma once

#include "KivraError.h"
#include "Preferences.h"

#include <cstdint>
#include <string>

namespace kivra {

// The form's window state, numbered as the form reports it.
enum class OwnWindowState : std::int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

enum class AlwaysOnTop { Yes, No };
enum class LinkIcon { Bright, Grey };

// In a link window the second caption mode shows the host's title and the third the link title.
inline constexpr CaptionMode kHostTitleCaption = CaptionMode::WindowTitle;
inline constexpr CaptionMode kLinkTitleCaption = CaptionMode::PositionTitle;

class OwnWindow {
public:
    virtual ~OwnWindow() = default;

    virtual OwnWindowState state() const = 0;
    virtual void minimize() = 0;
    virtual void restoreNormal() = 0;  // set the window state to Normal

    // The Always On Top option of the form options. Setting it checks the option's
    // box and runs its handler, which makes the window topmost or not (through the
    // seam). Callers set it only when it differs.
    virtual AlwaysOnTop alwaysOnTop() const = 0;
    virtual void setAlwaysOnTop(AlwaysOnTop choice) = 0;
    virtual bool kickTimerOn() const = 0;  // `Timer1` enabled

    virtual void setIcon(LinkIcon icon) = 0;
    virtual CaptionMode captionMode() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // The name under which the platform lists the process's windows.
    virtual void setApplicationTitle(const std::string& title) = 0;

    // Set from the moment the link shows its own message box; in a link only the
    // main program's commands "2" and "4" clear it.
    virtual bool messageBoxOpen() const = 0;
    virtual void clearMessageBoxOpen() = 0;

    // SaveAllSettings under the link's current instance application name.
    virtual void saveSettings() = 0;
    // Runs the closing steps (settings saved) and ends the process. It may run other
    // events, but must not destroy the tracker or command handler that called it
    // before that call returns (close the form, delete later).
    virtual void unload() = 0;
    // ReportError: shows the error report for a store failure.
    virtual void reportError(const KivraError& error) = 0;
};

// Ensure always on top: the option becomes Yes when it is not.
inline void ensureAlwaysOnTop(OwnWindow& own) {
    if (own.alwaysOnTop() != AlwaysOnTop::Yes) own.setAlwaysOnTop(AlwaysOnTop::Yes);
}
inline void setAlwaysOnTopIfDifferent(OwnWindow& own, AlwaysOnTop choice) {
    if (own.alwaysOnTop() != choice) own.setAlwaysOnTop(choice);
}

}  // namespace kivra
