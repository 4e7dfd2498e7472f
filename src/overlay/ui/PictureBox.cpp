// Painting one picture box.
#include "PictureBox.h"

#include <QPainter>

namespace kivra {

PictureBox::PictureBox(BoxAppearance appearance, QWidget* parent) : QFrame(parent), appearance_(appearance) {
    setObjectName(appearance == BoxAppearance::ThreeD ? "Picture1" : "Picture2");
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    setBorder(false);
}

void PictureBox::setPicture(std::shared_ptr<LoadedPicture> picture) {
    followMovie(false);
    picture_ = std::move(picture);
    if (picture_ && picture_->movie())
        connect(picture_->movie(), &QMovie::frameChanged, this, qOverload<>(&QWidget::update));
    followMovie(isVisible());
    update();
}

void PictureBox::clearPicture() {
    followMovie(false);
    if (picture_ && picture_->movie()) disconnect(picture_->movie(), nullptr, this, nullptr);
    picture_.reset();
    update();
}

void PictureBox::setBorder(bool on) {
    border_ = on;
    if (!on) {
        setFrameStyle(QFrame::NoFrame);
    } else if (appearance_ == BoxAppearance::ThreeD) {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
}

QSize PictureBox::fittedSize() const {
    const int f = 2 * frameWidth();
    const QSize p = picture_ ? picture_->size() : QSize(0, 0);
    return QSize(p.width() + f, p.height() + f);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!picture_) return;
    QPainter p(this);
    p.setClipRect(contentsRect());
    const QPixmap frame = picture_->movie() ? picture_->movie()->currentPixmap() : picture_->still();
    p.drawPixmap(contentsRect().topLeft(), frame);
}

void PictureBox::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    followMovie(true);
}

void PictureBox::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    followMovie(false);
}

// An animation plays only while its box is shown.
void PictureBox::followMovie(bool running) {
    QMovie* movie = picture_ ? picture_->movie() : nullptr;
    if (!movie) return;
    if (running && movie->state() != QMovie::Running) movie->start();
    if (!running && movie->state() == QMovie::Running) movie->setPaused(true);
}

}  // namespace kivra
