// The colour selection page (`ColorSelectFrame`): the 60 swatches `CSLabel1` ...
// `CSLabel60` of one palette and the marker `Image2` framing the selected one.
#pragma once

#include <QGroupBox>
#include <QLabel>

namespace kivra {

class ColorSelectPage : public QGroupBox {
    Q_OBJECT
public:
    explicit ColorSelectPage(QWidget* parent);

    // Fills the swatches from palette A or B, captions the page after it and marks
    // `swatch` (numbers outside 1 to 60 leave the marker where it is).
    void showPalette(bool paletteA, int swatch);
    bool showsPaletteA() const { return paletteA_; }
    int selectedSwatch() const { return selected_; }
    QLabel* swatch(int n) const { return labels_[n - 1]; }
    QLabel* marker() const { return image2_; }

signals:
    void swatchClicked(int n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeSwatches();
    void mark(int n);

    QLabel* labels_[60];
    QLabel* image2_;
    bool paletteA_ = true;
    int selected_ = 47;
};

}  // namespace kivra
