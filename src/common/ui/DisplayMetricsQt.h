// The display metrics measured through Qt: the title bar height the window manager draws and the
// height of the desktop's text, fed into the shared caption allowance and font-size class.
#pragma once

#include <QMargins>

class QWidget;

namespace kivra {

// Records the frame a window manager drew around a shown window; later measurements use it.
// Returns false when the window has no frame (yet), as on the offscreen platform.
bool noteWindowFrame(const QWidget* shownWindow);

// The caption height in pixels: the title bar of the last noted window (or of the first shown
// top-level window that has a frame), else the style's title bar height.
int systemCaptionHeight();

// The frame around a window's client area: measured, or estimated from the caption height.
QMargins windowFrameMargins();

// Recomputes the caption allowance (before every layout of a main form or message box).
void computeCaptionAllowance();

// Recomputes the font-size class from the application's default font (once, at first activation).
void computeFontSizeClass();

}  // namespace kivra
