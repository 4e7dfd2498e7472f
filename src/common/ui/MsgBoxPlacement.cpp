// Placement of the message box, computed in twips as the form's layout is.
#include "MsgBoxPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace kivra {

namespace {

// Offsets from the main form's top-left corner while a page is open.
constexpr long kBelowPageRight = 850, kBelowPageDown = 2335;
constexpr long kBesidePageRight = 6080, kBesidePageDown = 760;
// Distances from the screen's right and bottom edges while the main form is maximized;
// the larger one of each pair keeps the box away from a picture docked to that edge.
constexpr long kRightDistance = 850, kRightDistanceAwayFromPicture = 1135;
constexpr long kBottomDistance = 760, kBottomDistanceAwayFromPicture = 4460;

struct TwipRect {
    long left, top, width, height;
    long right() const { return left + width; }
    long bottom() const { return top + height; }
};

TwipRect toTwips(const QRect& r, const Twips& t) {
    return {std::lround(t.fromPixelsX(r.x())), std::lround(t.fromPixelsY(r.y())),
            std::lround(t.fromPixelsX(r.width())), std::lround(t.fromPixelsY(r.height()))};
}

QRect screenFor(const MsgBoxPlacement& p) {
    if (!p.screen.isEmpty())
        return p.screen;
    const QScreen* s = p.ownerFrame.isEmpty() ? nullptr : QGuiApplication::screenAt(p.ownerFrame.center());
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Moves the box left and up until it fits, then right and down should it start off the screen.
long keepOnScreen(long pos, long size, long screenStart, long screenEnd) {
    if (pos + size > screenEnd)
        pos = screenEnd - size;
    return std::max(pos, screenStart);
}

}  // namespace

MsgBoxPlacement MsgBoxPlacement::fromOwner(const QWidget* owner) {
    MsgBoxPlacement p;
    if (!owner)
        return p;
    const QWidget* window = owner->window();
    p.ownerFrame = window->frameGeometry();
    if (window->isMaximized())
        p.ownerState = OwnerState::Maximized;
    else if (window->isMinimized())
        p.ownerState = OwnerState::Minimized;
    if (const QScreen* s = window->screen())
        p.screen = s->availableGeometry();
    return p;
}

QPoint placeMsgBox(const MsgBoxPlacement& p, QSize boxFrame, const Twips& t) {
    const TwipRect screen = toTwips(screenFor(p), t);
    const long boxW = std::lround(t.fromPixelsX(boxFrame.width()));
    const long boxH = std::lround(t.fromPixelsY(boxFrame.height()));

    long left = screen.left + (screen.width - boxW) / 2;
    long top = screen.top + (screen.height - boxH) / 2;
    if (!p.ownerFrame.isEmpty()) {
        const TwipRect main = toTwips(p.ownerFrame, t);
        left = main.left + (main.width - boxW) / 2;
        top = main.top + (main.height - boxH) / 2;
        if (p.ownerState == OwnerState::Normal && p.page != OpenPage::None) {
            const bool beside = p.page == OpenPage::Links;
            left = main.left + (beside ? kBesidePageRight : kBelowPageRight);
            top = main.top + (beside ? kBesidePageDown : kBelowPageDown);
        }
    }
    if (p.ownerState == OwnerState::Maximized) {
        const long right = p.pictureAlignment == 2 ? kRightDistanceAwayFromPicture : kRightDistance;
        const long bottom = p.pictureAlignment == 3 ? kBottomDistanceAwayFromPicture : kBottomDistance;
        left = screen.right() - boxW - right;
        top = screen.bottom() - boxH - bottom;
    }
    left = keepOnScreen(left, boxW, screen.left, screen.right());
    top = keepOnScreen(top, boxH, screen.top, screen.bottom());
    // Once more in pixels, so that rounding between the units cannot leave a pixel outside.
    const QRect px = screenFor(p);
    const int x = static_cast<int>(std::lround(t.toPixelsX(static_cast<double>(left))));
    const int y = static_cast<int>(std::lround(t.toPixelsY(static_cast<double>(top))));
    return {static_cast<int>(keepOnScreen(x, boxFrame.width(), px.left(), px.left() + px.width())),
            static_cast<int>(keepOnScreen(y, boxFrame.height(), px.top(), px.top() + px.height()))};
}

}  // namespace kivra
