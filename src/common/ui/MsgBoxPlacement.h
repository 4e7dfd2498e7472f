// Where the message box appears: centred on the main form, beside an open page, near the screen's
// corner while the main form is maximized, and always entirely on the screen.
#pragma once

#include "Twips.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace kivra {

enum class OwnerState { Normal, Minimized, Maximized };

// The main form's pages. The box keeps clear of an open page: below the top-left block for the
// picture, preferences and caption text pages, to the right of it for the host link pages.
enum class OpenPage { None, SelectPicture, Preferences, TitleTextEntry, Links };

struct MsgBoxPlacement {
    QRect ownerFrame;                      // the main form's frame rectangle in pixels; empty: none
    OwnerState ownerState = OwnerState::Normal;
    OpenPage page = OpenPage::None;
    int pictureAlignment = 4;              // 1 top, 2 right, 3 bottom, 4 none
    QRect screen;                          // available screen area in pixels; empty: the owner's screen

    // Frame, state and screen of a window; the page and alignment stay as they are.
    static MsgBoxPlacement fromOwner(const QWidget* owner);
};

// The box's frame position in pixels for a box frame of the given size.
QPoint placeMsgBox(const MsgBoxPlacement& placement, QSize boxFrame, const Twips& twips);

}  // namespace kivra
