// Swatches six to a row, as the palettes are built, with a frame around the chosen one.
#include "ColorSelectPage.h"

#include "Palettes.h"
#include "ToolTips.h"

#include <QMouseEvent>

namespace kivra {

namespace {
constexpr int kColumns = 6;
constexpr int kRows = 10;
constexpr int kMarkerMargin = 2;  // the marker is this much larger than a swatch on each side
}  // namespace

ColorSelectPage::ColorSelectPage(QWidget* parent) : QGroupBox(QStringLiteral("Select Color - A"), parent) {
    setObjectName("ColorSelectFrame");
    setAutoFillBackground(true);
    image2_ = new QLabel(this);
    image2_->setObjectName("Image2");
    image2_->setStyleSheet(QStringLiteral("border: 2px solid black; background: transparent;"));
    for (int i = 0; i < 60; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QStringLiteral("CSLabel%1").arg(i + 1));
        labels_[i]->setAutoFillBackground(true);
        labels_[i]->setFrameShape(QFrame::Box);
        labels_[i]->installEventFilter(this);
        setControlToolTip(labels_[i],
                          QStringLiteral("Select a Background color from Palette A or B by clicking on the color you want."));
    }
    image2_->lower();  // behind the swatches, showing around the selected one
    setMinimumSize(kColumns * 22 + 12, kRows * 12 + 24);
}

void ColorSelectPage::showPalette(bool paletteA, int swatch) {
    paletteA_ = paletteA;
    setTitle(paletteA ? QStringLiteral("Select Color - A") : QStringLiteral("Select Color - B"));
    for (int n = 1; n <= 60; ++n) {
        QPalette pal = labels_[n - 1]->palette();
        pal.setColor(QPalette::Window, QColor::fromRgb(bgrToRgb(swatchColor(paletteA, n))));
        labels_[n - 1]->setPalette(pal);
    }
    if (swatch >= 1 && swatch <= 60) selected_ = swatch;
    mark(selected_);
}

bool ColorSelectPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < 60; ++i) {
            if (watched == labels_[i]) {
                selected_ = i + 1;
                mark(selected_);
                emit swatchClicked(selected_);
                return true;
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void ColorSelectPage::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    placeSwatches();
}

void ColorSelectPage::placeSwatches() {
    const QRect area = contentsRect().adjusted(6, 2, -6, -2);
    const int cellW = std::max(8, area.width() / kColumns);
    const int cellH = std::max(6, area.height() / kRows);
    for (int i = 0; i < 60; ++i) {
        const int row = i / kColumns, col = i % kColumns;
        labels_[i]->setGeometry(area.left() + col * cellW + 3, area.top() + row * cellH + 1, cellW - 6, cellH - 2);
    }
    mark(selected_);
}

void ColorSelectPage::mark(int n) {
    const QRect r = labels_[n - 1]->geometry();
    image2_->setGeometry(r.adjusted(-kMarkerMargin - 1, -kMarkerMargin - 1, kMarkerMargin + 1, kMarkerMargin + 1));
}

}  // namespace kivra
