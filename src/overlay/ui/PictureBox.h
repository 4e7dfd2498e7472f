// A picture box: shows one picture (or the frames of an animated GIF) at its own
// size from the box's top-left corner, on the window's background colour, with an
// optional border drawn three-dimensional (`Picture1`) or flat (`Picture2`).
#pragma once

#include "PictureLoader.h"

#include <QFrame>

#include <memory>

namespace kivra {

enum class BoxAppearance { ThreeD, Flat };

class PictureBox : public QFrame {
    Q_OBJECT
public:
    PictureBox(BoxAppearance appearance, QWidget* parent);

    void setPicture(std::shared_ptr<LoadedPicture> picture);
    void clearPicture();
    bool hasPicture() const { return picture_ != nullptr; }
    const LoadedPicture* picture() const { return picture_.get(); }
    std::shared_ptr<LoadedPicture> sharedPicture() const { return picture_; }

    void setBorder(bool on);
    bool border() const { return border_; }
    BoxAppearance appearance() const { return appearance_; }
    // The size that shows the whole picture inside the border.
    QSize fittedSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followMovie(bool running);

    BoxAppearance appearance_;
    bool border_ = false;
    std::shared_ptr<LoadedPicture> picture_;
};

}  // namespace kivra
