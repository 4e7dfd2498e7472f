// Link commands and close requests over the link command channel.
#include "LinkMessenger.h"

namespace kivra {

bool ChannelLinkMessenger::sendCommand(WindowId linkWindow, std::string_view code) {
    if (linkWindow == 0) return false;
    return sendChannelMessage(linkWindow, ChannelKind::Command, code, timeout_) == SendResult::Delivered;
}

bool ChannelLinkMessenger::sendRename(WindowId linkWindow, std::string_view title) {
    if (linkWindow == 0) return false;
    return sendChannelMessage(linkWindow, ChannelKind::Rename, title, timeout_) == SendResult::Delivered;
}

bool ChannelLinkMessenger::sendReload(WindowId linkWindow) {
    if (linkWindow == 0) return false;
    return sendChannelMessage(linkWindow, ChannelKind::ReloadMatchOptions, "1", timeout_) == SendResult::Delivered;
}

CloseAnswer ChannelLinkMessenger::requestClose(WindowId linkWindow) {
    if (linkWindow == 0) return CloseAnswer::NotHandled;
    switch (sendChannelMessage(linkWindow, ChannelKind::CloseRequest, {}, timeout_)) {
    case SendResult::Delivered: return CloseAnswer::Handled;
    case SendResult::TimedOut: return CloseAnswer::NotHandled;  // hung: a window manager request would not help
    case SendResult::NoReceiver:
    case SendResult::Ignored:
    case SendResult::Failed: break;
    }
    windows_.requestClose(linkWindow);
    return CloseAnswer::NotHandled;
}

}  // namespace kivra
