// The link command channel read by the Qt event loop.
#include "ChannelListener.h"

namespace kivra {

bool ChannelListener::listen(WindowId window, ChannelHandler handler, std::string* error) {
    notifier_.reset();
    receiver_ = ChannelReceiver::listen(window, std::move(handler), error);
    if (!receiver_) return false;
    if (receiver_->fd() < 0) return true;
    notifier_ = std::make_unique<QSocketNotifier>(receiver_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { receiver_->dispatch(); });
    return true;
}

}  // namespace kivra
