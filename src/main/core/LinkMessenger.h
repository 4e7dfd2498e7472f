// The main program's messages to a link window: command codes, rename, reload of the
// match options and the close request.
// The real messenger uses the link command channel; tests record the messages.
#pragma once

#include "LinkChannel.h"
#include "WindowSystem.h"

#include <chrono>
#include <string_view>

namespace kivra {

// Whether the link window ran its closing steps on the request (a channel answer),
// or nobody can tell (a window manager request, no answer in time).
enum class CloseAnswer { Handled, NotHandled };

class LinkMessenger {
public:
    virtual ~LinkMessenger() = default;
    // Command code "0" to "6"; true when the link window handled it.
    virtual bool sendCommand(WindowId linkWindow, std::string_view code) = 0;
    // The link's new title (data kind 2); true when the link window handled it.
    virtual bool sendRename(WindowId linkWindow, std::string_view title) = 0;
    // Re-read `LinkOptions` (data kind 1, text "1"); true when the link window handled it.
    virtual bool sendReload(WindowId linkWindow) = 0;
    // Asks the link window to close, as its close box would, and returns once it
    // has handled the request (or the wait is over).
    virtual CloseAnswer requestClose(WindowId linkWindow) = 0;
};

// Over the channel: the close request is the channel's CloseRequest, which the link
// answers only after its closing steps (its save included) have run, as a sent
// WM_SYSCOMMAND would. A window nobody listens for gets the window manager's close
// request instead, so a link whose channel failed can still be closed.
// Handled means the link answered the CloseRequest.
class ChannelLinkMessenger : public LinkMessenger {
public:
    explicit ChannelLinkMessenger(WindowSystem& windows,
                                  std::chrono::milliseconds timeout = kDefaultChannelTimeout)
        : windows_(windows), timeout_(timeout) {}

    bool sendCommand(WindowId linkWindow, std::string_view code) override;
    bool sendRename(WindowId linkWindow, std::string_view title) override;
    bool sendReload(WindowId linkWindow) override;
    CloseAnswer requestClose(WindowId linkWindow) override;

private:
    WindowSystem& windows_;
    std::chrono::milliseconds timeout_;
};

}  // namespace kivra
