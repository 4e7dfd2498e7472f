// The Activate and Host buttons of the Activate Host Links page: find the first
// window whose title matches the selected link, then start a link program over it
// (Activate) or only bring it to the top (Host).
#pragma once

#include "LinkStarts.h"
#include "LinkTable.h"
#include "MainWindowState.h"
#include "MessageSink.h"
#include "Pause.h"
#include "WindowSystem.h"

#include <optional>
#include <string>

namespace kivra {

enum class ActivationMode { Activate, HostOnly };

enum class ActivationOutcome {
    Nothing,         // no selection, no links, or the selected title names no link
    NoWindow,        // nothing listed or nothing matches: kind 11 (Host: 37)
    MainNotNormal,   // the main window is minimized or maximized: kind 38
    AlreadyActive,   // active or starting: kind 17
    Mismatch,        // the first matching window fails the single-character or class test: kind 27
    HostRaised,      // Host: the host window was brought to the top
    Started,         // a link program was started; it is recorded once identified
    NotStarted,      // the program could not be started (no message)
};

// Restores a minimized host, raises it and pauses a moment: the first steps of
// every launch and all of what the Host button does.
void bringHostToTop(WindowSystem& windows, WindowId host, const Pause& pause);

// The title the link program is given: the host's title for an Exact link (equal
// to the link title then), otherwise the link title.
std::string titleSent(const HostLink& link, const std::string& hostTitle);

class LinkActivation {
public:
    // Everything given must outlive this object.
    LinkActivation(WindowSystem& windows, LinkTable& table, LinkStarts& starts, MessageSink& messages,
                   Pause pause = sleepPause())
        : windows_(windows), table_(table), starts_(starts), messages_(messages), pause_(std::move(pause)) {}

    // `ALinksCmd1_Click` (Activate) and `ALinksCmd2_Click` (Host) for the selected
    // status line, over a fresh walk of the desktop.
    ActivationOutcome activate(const std::optional<std::string>& selectedStatusLine, MainWindowState mainState,
                               ActivationMode mode, LinkStarts::Clock::time_point now = LinkStarts::Clock::now());

private:
    ActivationOutcome launchLink(WindowId host, const std::string& hostTitle, int record, ActivationMode mode,
                                 LinkStarts::Clock::time_point now);
    ActivationOutcome refuse(ActivationOutcome outcome, ActivationMode mode);

    WindowSystem& windows_;
    LinkTable& table_;
    LinkStarts& starts_;
    MessageSink& messages_;
    Pause pause_;
};

}  // namespace kivra
