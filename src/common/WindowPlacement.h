// Where a window of ours may stand: wholly on the desktop at start, and the
// normal (not maximized, not minimized) frame to remember for the save.
#pragma once

#include "WindowSystem.h"

#include <optional>

namespace kivra {

// The rectangle moved the least distance that puts it wholly inside `desktop`. One
// larger than the desktop keeps its top-left corner on it; an empty (unknown)
// desktop moves nothing. The size never changes.
Rect fitOnDesktop(const Rect& window, const Rect& desktop);

// The window's normal frame, remembered for the save. Window managers announce a
// maximize or minimize after the new geometry: a frame seen in Normal state is only
// a candidate until it has stood for a moment (`settle`) without a state change.
enum class FrameState { Normal, MinimizedOrMaximized };

class NormalFrame {
public:
    explicit NormalFrame(const Rect& start = {}) : frame_(start) {}
    // A move or resize; `state` is the window's state as known at this moment.
    void seen(const Rect& frame, FrameState state);
    // The candidate has stood long enough: it is the normal frame.
    void settle();
    // Known for certain (at start, or when closing from Normal state).
    void set(const Rect& frame);
    bool pending() const { return candidate_.has_value(); }
    const Rect& frame() const { return frame_; }

private:
    Rect frame_;
    std::optional<Rect> candidate_;
};

}  // namespace kivra
