// The main program's messages to a link window: reload the match options, rename
// the link, and the command codes "0" to "6" that set its topmost state and icon,
// put it on the host's corner or save its settings.
#pragma once

#include "LinkChannel.h"
#include "LinkState.h"
#include "OwnWindow.h"
#include "SettingsStore.h"
#include "WindowSystem.h"

#include <string_view>

namespace kivra {

enum class CommandResult {
    Done,     // the message was acted on (for "2" and "4" with the message box open: the flag cleared)
    Ignored,  // unknown kind or code, or a code the open message box holds back
};

// The command code: the leading decimal number of the text (blanks skipped,
// optional sign and fraction); an empty or non-numeric text is 0. Codes other than
// the whole numbers 0 to 6 select nothing.
double commandCode(std::string_view payload);

class LinkCommands {
public:
    // Everything given must outlive the handler.
    LinkCommands(WindowSystem& windows, OwnWindow& own, LinkState& state, SettingsStore& store)
        : windows_(windows), own_(own), state_(state), store_(store) {}

    // Handles one message of kind 1 (reload), 2 (rename) or 3 (command); any other
    // kind is ignored (a close request is the window's own business).
    CommandResult handle(ChannelKind kind, std::string_view payload);

    // Kind 1: the match options from `LinkOptions` of the instance application name.
    // A store failure is reported and the options stay as they were.
    void reloadMatchOptions();
    // Kind 2: the new title; names and application title rebuilt, the match options
    // read from the new instance name, the caption changed only in the Link Title
    // caption mode. Nothing is written to the store.
    void rename(std::string_view payload);
    // Kind 3.
    CommandResult command(std::string_view payload);

private:
    enum class HostFocus { Give, Keep };
    void raiseHost(HostFocus focus);
    void moveOntoHostCorner();

    WindowSystem& windows_;
    OwnWindow& own_;
    LinkState& state_;
    SettingsStore& store_;
};

}  // namespace kivra
