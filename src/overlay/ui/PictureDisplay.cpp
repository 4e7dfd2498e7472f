// Showing, hiding, unloading and placing the window's picture.
#include "PictureDisplay.h"

#include "PictureBoxLayout.h"

#include <QEvent>

namespace kivra {

PictureDisplay::PictureDisplay(QWidget* window) : QObject(window), window_(window) {
    boxes_[0] = new PictureBox(BoxAppearance::ThreeD, window);
    boxes_[1] = new PictureBox(BoxAppearance::Flat, window);
    for (PictureBox* box : boxes_) {
        box->hide();
        box->setEnabled(false);
        box->lower();
    }
    window->installEventFilter(this);
}

std::optional<PictureLoadFailure> PictureDisplay::loadAndShow() {
    PictureBox* spareBox = spare();
    spareBox->hide();
    spareBox->setEnabled(false);
    spareBox->clearPicture();
    PictureBox* box = target();
    box->setEnabled(true);
    PictureLoadResult result = loadPictureFile(currentPath_, dpi_);
    std::optional<PictureLoadFailure> failure;
    if (auto* picture = std::get_if<std::shared_ptr<LoadedPicture>>(&result)) {
        box->setPicture(*picture);
        box->show();
        loaded_ = true;
        loadFailed_ = false;
    } else {
        box->clearPicture();
        box->hide();
        loaded_ = false;
        loadFailed_ = true;
        failure = std::get<PictureLoadFailure>(result);
    }
    layout();
    emit pictureChanged();
    return failure;
}

bool PictureDisplay::show(std::optional<PictureLoadFailure>* failure) {
    if (!loaded_) return false;
    std::optional<PictureLoadFailure> f = loadAndShow();
    if (failure) *failure = f;
    return true;
}

bool PictureDisplay::hide() {
    if (!loaded_) return false;
    target()->hide();
    emit pictureChanged();
    return true;
}

void PictureDisplay::unload() {
    target()->clearPicture();
    loaded_ = false;
    layout();
    emit pictureChanged();
}

void PictureDisplay::setAlignment(PicAlign align) {
    // "Non&e" docks the boxes to the top and undocks them again: they keep the
    // width docking gave them, at the top-left corner.
    if (align == PicAlign::None && align_ != PicAlign::None)
        for (QSize& own : ownSize_)
            if (own.isValid()) own.setWidth(window_->width());
    align_ = align;
    layout();
}

void PictureDisplay::setAutoSize(bool on) {
    autoSize_ = on;
    layout();
}

void PictureDisplay::setBorder(bool on) {
    border_ = on;
    for (PictureBox* box : boxes_) box->setBorder(on);
    layout();
}

void PictureDisplay::setAppearance3D(bool on) {
    if (on == appear3D_) return;
    PictureBox* from = target();
    const bool move = loaded_ && from->isVisible() && from->hasPicture();
    appear3D_ = on;
    if (!move) return;
    // The picture already in memory moves; the file is not read again.
    PictureBox* to = target();
    to->setEnabled(true);
    to->setPicture(from->sharedPicture());
    from->hide();
    from->setEnabled(false);
    from->clearPicture();
    to->show();
    layout();
    emit pictureChanged();
}

void PictureDisplay::layout() {
    for (PictureBox* box : boxes_) placeBox(box);
}

void PictureDisplay::placeBox(PictureBox* box) {
    const int i = box == boxes_[0] ? 0 : 1;
    const QSize client = window_->size();
    if (!ownSize_[i].isValid()) ownSize_[i] = client;
    std::optional<BoxSize> fitted;
    if (autoSize_ && box->hasPicture()) fitted = BoxSize{box->fittedSize().width(), box->fittedSize().height()};
    const BoxRect r = placePictureBox(align_, {client.width(), client.height()},
                                      {ownSize_[i].width(), ownSize_[i].height()}, fitted);
    box->setGeometry(r.x, r.y, r.width, r.height);
    ownSize_[i] = QSize(r.width, r.height);
}

bool PictureDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize) layout();
    return QObject::eventFilter(watched, event);
}

}  // namespace kivra
