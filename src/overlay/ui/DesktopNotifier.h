// The window system's change notifications as a Qt signal on the user-interface thread,
// so that ticks run when the desktop changes instead of on a fast clock.
#pragma once

#include "WindowSystem.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace kivra {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(WindowSystem& windows, QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // False while the window system cannot tell of changes: the caller then keeps its fast
    // clock, until activated() says the system has started telling.
    bool active() const { return active_; }

    // The ticks' slow safety poll while notifications run them: a lost event costs at most this.
    static constexpr int kSafetyPollMs = 250;
    // KIVRA_FIXED_TICKS is set: the ticks keep their fixed intervals as well, for benchmarks
    // that measure both ways side by side.
    static bool fixedIntervals();

signals:
    // Watched windows, or the desktop when it is watched, may have changed.
    void changed();
    // The window system has shown that it tells of changes (Windows: its first WinEvent).
    void activated();

private:
    void take();

    WindowSystem& windows_;
    std::unique_ptr<QSocketNotifier> socket_;
    bool active_ = false;
    bool queued_ = false;
};

}  // namespace kivra
