// Where the window goes when its controls panel is shown and hidden: enlarged to
// hold the panel, kept on the screen, and given back its size (and, unless the
// user moved it meanwhile, its position) afterwards. All values in twips.
#pragma once

namespace kivra {

struct TwipsRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipsRect&) const = default;
};

class PanelLayout {
public:
    // Show: remembers the normal geometry, grows the window to at least the panel's
    // size and keeps it on the screen. Returns the window's new geometry.
    TwipsRect show(const TwipsRect& window, double panelWidth, double panelHeight, double screenWidth,
                   double screenHeight);
    // Hide: the remembered size, and the remembered position when the window is
    // still where showing the panel put it.
    TwipsRect hide(const TwipsRect& window) const;

    const TwipsRect& before() const { return before_; }
    double shownLeft() const { return shownLeft_; }
    double shownTop() const { return shownTop_; }

private:
    TwipsRect before_;
    double shownLeft_ = 0, shownTop_ = 0;
};

}  // namespace kivra
