// Show and hide geometry of the controls panel.
#include "PanelLayout.h"

namespace kivra {

namespace {
// Keeps [pos, pos + size) on [0, screen): a window past the far edge is moved back
// until its far edge meets the screen's; one before the near edge goes to 0.
double keepOnScreen(double pos, double size, double screen) {
    if (pos >= 0 && pos + size > screen) pos = screen - size;
    if (pos < 0) pos = 0;
    return pos;
}
}  // namespace

TwipsRect PanelLayout::show(const TwipsRect& window, double panelWidth, double panelHeight, double screenWidth,
                            double screenHeight) {
    before_ = window;
    TwipsRect r = window;
    if (r.width < panelWidth) r.width = panelWidth;
    if (r.height < panelHeight) r.height = panelHeight;
    r.left = keepOnScreen(r.left, r.width, screenWidth);
    r.top = keepOnScreen(r.top, r.height, screenHeight);
    shownLeft_ = r.left;
    shownTop_ = r.top;
    return r;
}

TwipsRect PanelLayout::hide(const TwipsRect& window) const {
    TwipsRect r = window;
    r.width = before_.width;
    r.height = before_.height;
    if (window.left == shownLeft_ && window.top == shownTop_) {
        r.left = before_.left;
        r.top = before_.top;
    }
    return r;
}

}  // namespace kivra
