// Change notifications to a signal: a socket notifier where the window system has a
// descriptor (X11), its callback where it calls back on this thread (Windows).
#include "DesktopNotifier.h"

#include <cstdlib>
#include <string_view>

namespace kivra {

bool DesktopNotifier::fixedIntervals() {
    const char* fixed = std::getenv("KIVRA_FIXED_TICKS");
    return fixed && *fixed && std::string_view(fixed) != "0";
}

DesktopNotifier::DesktopNotifier(WindowSystem& windows, QObject* parent) : QObject(parent), windows_(windows) {
    if (const int fd = windows_.notificationFd(); fd >= 0) {
        socket_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(socket_.get(), &QSocketNotifier::activated, this, &DesktopNotifier::take);
        active_ = true;
    } else {
        // Called back from inside the window system's own dispatch: the tick runs after it,
        // from the event loop, once for however many changes came in the meantime.
        active_ = windows_.notifyOnChange([this] {
            if (!active_) {
                active_ = true;
                emit activated();
            }
            if (queued_) return;
            queued_ = true;
            QMetaObject::invokeMethod(this, [this] { queued_ = false; take(); }, Qt::QueuedConnection);
        });
    }
}

DesktopNotifier::~DesktopNotifier() {
    if (!socket_) windows_.notifyOnChange({});
}

void DesktopNotifier::take() {
    if (windows_.takeNotifications()) emit changed();
}

}  // namespace kivra
