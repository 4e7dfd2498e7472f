// Link commands and close requests over the link command channel.
#include "LinkMessenger.h"

namespace kivra {

bool ChannelLinkMessenger::sendCommand(WindowId linkWindow, std::string_view code) {
    if (linkWindow == 0) return false;
    return sendChannelMessage(linkWindow, ChannelKind::Command, code, timeout_) == SendResult::Delivered;
}

void ChannelLinkMessenger::requestClose(WindowId linkWindow) {
    if (linkWindow == 0) return;
    const SendResult result = sendChannelMessage(linkWindow, ChannelKind::CloseRequest, {}, timeout_);
    // A hung receiver (TimedOut) would not handle a window manager request either.
    if (result == SendResult::NoReceiver || result == SendResult::Failed) windows_.requestClose(linkWindow);
}

}  // namespace kivra
