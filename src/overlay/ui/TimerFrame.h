// The panel's "Kick Timer" frame (`TimerFrame`): the interval options, the
// Enable/Disable button and the indicator shown while the kick timer runs.
#pragma once

#include "Preferences.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace kivra {

class CoverWindow;

class TimerFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit TimerFrame(QWidget* parent);

    // Connects the controls to the window whose kick timer they drive.
    void attach(CoverWindow* window);

    QRadioButton* option(KickInterval interval) const { return options_[static_cast<int>(interval) - 1]; }
    QPushButton* command() const { return command1_; }  // `TimerCommand1`
    QLabel* indicator() const { return image1_; }      // `Image1`

    // Shows the stored interval and whether the timer runs.
    void showState();

private:
    void intervalClicked(KickInterval interval);
    void commandClicked();
    KickInterval checkedInterval() const;

    CoverWindow* window_ = nullptr;
    QRadioButton* options_[4];
    QLabel* textBox1_;
    QPushButton* command1_;
    QLabel* image1_;
};

}  // namespace kivra
