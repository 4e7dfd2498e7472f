// The start-up fit onto the desktop and the remembered normal frame.
#include "WindowPlacement.h"

#include <algorithm>

namespace kivra {

namespace {

// The shift along one axis that brings [low, high) inside [min, max), the low edge first.
int shiftInto(int low, int high, int min, int max) {
    if (low < min) return min - low;
    if (high > max) return std::max(max - high, min - low);
    return 0;
}

}  // namespace

Rect fitOnDesktop(const Rect& window, const Rect& desktop) {
    if (desktop.width() <= 0 || desktop.height() <= 0) return window;
    const int dx = shiftInto(window.left, window.right, desktop.left, desktop.right);
    const int dy = shiftInto(window.top, window.bottom, desktop.top, desktop.bottom);
    return Rect{window.left + dx, window.top + dy, window.right + dx, window.bottom + dy};
}

void NormalFrame::seen(const Rect& frame, FrameState state) {
    if (state == FrameState::Normal) candidate_ = frame;
    else candidate_.reset();  // whatever came just before the state was its geometry, not a normal one
}

void NormalFrame::settle() {
    if (candidate_) frame_ = *candidate_;
    candidate_.reset();
}

void NormalFrame::set(const Rect& frame) {
    frame_ = frame;
    candidate_.reset();
}

}  // namespace kivra
