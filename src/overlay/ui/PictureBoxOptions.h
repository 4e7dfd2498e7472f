// The "Picture Box" frame of the Set Preferences page (`PicOptsFrame`): alignment,
// auto size, border and appearance, each a group of check boxes that act as radio
// buttons. It reports the choice a click makes; the picture feature applies it.
#pragma once

#include "Preferences.h"

#include <QCheckBox>
#include <QGroupBox>

namespace kivra {

class PictureBoxOptions : public QGroupBox {
    Q_OBJECT
public:
    explicit PictureBoxOptions(QWidget* parent);

    // `PicOptsOption1` ... `PicOptsOption10`.
    QCheckBox* option(int number) const { return boxes_[number - 1]; }
    // Checks the boxes for the stored choices without reporting anything.
    void showChoices(const Preferences& prefs);

signals:
    void alignmentChosen(PicAlign align);
    void autoSizeChosen(bool on);
    void borderChosen(bool on);
    void appearanceChosen(bool threeD);

private:
    void clicked(int number);
    void checkOnly(int first, int count, int number);

    QCheckBox* boxes_[10];
};

}  // namespace kivra
