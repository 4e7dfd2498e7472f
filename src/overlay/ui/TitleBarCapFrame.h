// The panel's "Title Bar Caption" frame (`TitleBarCapFrame`): the four caption
// modes, "Enter Te&xt", and the title text entry (`SelectPicText1` with "&OK" and
// "&Cancel") that takes the panel's place while the custom text is edited.
#pragma once

#include "Preferences.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kivra {

class CoverWindow;

class TitleBarCapFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit TitleBarCapFrame(QWidget* parent);

    // Gives the options the window's program captions and connects them to it.
    void attach(CoverWindow* window);
    // Shows the stored mode; the button reads "Edit Te&xt" once there is a text.
    void showState();

    QRadioButton* option(CaptionMode mode) const { return options_[static_cast<int>(mode) - 1]; }
    QPushButton* command() const { return command1_; }  // `TitleBarCapCommand1`
    QWidget* entryPage() const { return entry_; }
    QLineEdit* entryBox() const { return text1_; }       // `SelectPicText1`
    QPushButton* okButton() const { return ok_; }        // `EnterTextCmd1`
    QPushButton* cancelButton() const { return cancel_; }  // `EnterTextCmd2`

private:
    void modeClicked(CaptionMode mode);
    void openEntry();
    void acceptEntry();
    void closeEntry();

    CoverWindow* window_ = nullptr;
    QRadioButton* options_[4];
    QPushButton* command1_;
    QWidget* entry_;
    QLineEdit* text1_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QString pending_;
};

}  // namespace kivra
