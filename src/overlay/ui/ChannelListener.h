// The link command channel under one of our windows, read by the Qt event loop: where the
// channel is a socket a notifier dispatches it; window messages need nothing.
#pragma once

#include "LinkChannel.h"

#include <QSocketNotifier>

#include <memory>
#include <string>

namespace kivra {

class ChannelListener {
public:
    // Listens under `window`; false, with the reason in `error`, when that cannot be done.
    bool listen(WindowId window, ChannelHandler handler, std::string* error);
    // Stops taking messages off a socket (the window is closing); the receiver stays, so the
    // message in hand is still answered.
    void stopWatching() { notifier_.reset(); }

private:
    std::unique_ptr<ChannelReceiver> receiver_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kivra
