// Acting on the main program's messages to a link window.
#include "LinkCommands.h"

#include "LinkStore.h"
#include "StoredValue.h"

namespace kivra {

double commandCode(std::string_view payload) { return leadingNumber(payload); }

CommandResult LinkCommands::handle(ChannelKind kind, std::string_view payload) {
    switch (kind) {
    case ChannelKind::ReloadMatchOptions:
        reloadMatchOptions();
        return CommandResult::Done;
    case ChannelKind::Rename:
        rename(payload);
        return CommandResult::Done;
    case ChannelKind::Command:
        return command(payload);
    default:
        return CommandResult::Ignored;
    }
}

void LinkCommands::reloadMatchOptions() {
    try {
        state_.matchOptions = LoadLinkOptions(state_.names.instanceAppName, store_);
    } catch (const KivraError& error) {
        own_.reportError(error);
    }
}

void LinkCommands::rename(std::string_view payload) {
    state_.names = makeLinkNames(payload, state_.instance, state_.count);
    // The main program writes the renamed link's options under the new name before
    // it sends the rename, and sends the reload after it. Reading them now keeps a
    // tick that runs between the two messages from testing the host against the new
    // title with the old match method (a link renamed to a shorter title as it turns
    // Fuzzy would end itself).
    reloadMatchOptions();
    if (own_.captionMode() == kLinkTitleCaption) own_.setCaption(state_.names.linkTitle);
    own_.setApplicationTitle(state_.names.applicationTitle);
}

CommandResult LinkCommands::command(std::string_view payload) {
    const double code = commandCode(payload);
    const bool boxOpen = own_.messageBoxOpen();
    if (code == 0 || code == 1 || code == 3) {
        if (boxOpen) return CommandResult::Ignored;
        if (code == 1) raiseHost(HostFocus::Give);
        setAlwaysOnTopIfDifferent(own_, code == 0 ? AlwaysOnTop::No : AlwaysOnTop::Yes);
        own_.setIcon(LinkIcon::Grey);
        return CommandResult::Done;
    }
    if (code == 2 || code == 4) {
        if (boxOpen) {
            own_.clearMessageBoxOpen();
            return CommandResult::Done;
        }
        // "2" answers a click on this window, which keeps the focus the click gave it.
        if (code == 2 && state_.osVersion40 == OsVersion40::No) raiseHost(HostFocus::Keep);
        setAlwaysOnTopIfDifferent(own_, AlwaysOnTop::Yes);
        own_.setIcon(LinkIcon::Bright);
        return CommandResult::Done;
    }
    if (code == 5) {
        if (own_.state() != OwnWindowState::Normal) return CommandResult::Ignored;
        moveOntoHostCorner();
        return CommandResult::Done;
    }
    if (code == 6) {
        own_.saveSettings();
        return CommandResult::Done;
    }
    return CommandResult::Ignored;
}

// The host comes up first so that the link window, made topmost next, lands above it;
// with "1" (the host is in front) it gets the keyboard focus too, as on Windows. (No
// pause after it: the window manager handles both requests in order.)
void LinkCommands::raiseHost(HostFocus focus) {
    if (focus == HostFocus::Give) windows_.raiseWithFocus(state_.hostWindow);
    else windows_.raise(state_.hostWindow);
}

// The link window keeps its size and takes the recorded host rectangle's top-left;
// the tick follows the host from there.
void LinkCommands::moveOntoHostCorner() {
    const std::optional<Rect> own = windows_.rect(state_.ownWindow);
    if (!own) return;
    const Rect& host = state_.recordedHostRect;
    windows_.move(state_.ownWindow, Rect{host.left, host.top, host.left + own->width(), host.top + own->height()});
}

}  // namespace kivra
