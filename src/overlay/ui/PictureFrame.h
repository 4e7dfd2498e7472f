// The controls panel's "Picture" frame: the display choice "Sho&w", "H&ide" and
// "N&one"/"&Unload" (check boxes that act as radio buttons) and the commands
// "Se&lect", "Pre&v." and "&Next".
#pragma once

#include "Preferences.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace kivra {

class PictureFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit PictureFrame(QWidget* parent);

    QCheckBox* option(PicOption which) const;              // `PictureOption1` ... `PictureOption3`
    QPushButton* selectButton() const { return command1_; }  // `PictureCommand1`
    QPushButton* previousButton() const { return command2_; }  // `PictureCommand2`
    QPushButton* nextButton() const { return command3_; }    // `PictureCommand3`

    // Checks one option and unchecks the others, without running any effect.
    void select(PicOption which);
    PicOption selected() const { return selected_; }
    // "N&one" and its tool tip while no picture is loaded, "&Unload" while one is;
    // "Sho&w" and "H&ide" are enabled only while one is.
    void updateForPicture(bool loaded);

signals:
    // A click chose `which` under the radio rule; its effect is to run.
    void optionChosen(PicOption which);
    void selectClicked();
    void previousClicked();
    void nextClicked();

private:
    void onOptionClicked(PicOption which);

    QCheckBox* options_[3];
    QPushButton* command1_;
    QPushButton* command2_;
    QPushButton* command3_;
    PicOption selected_ = PicOption::None;
};

}  // namespace kivra
