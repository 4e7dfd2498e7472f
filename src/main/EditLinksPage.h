// The Edit Host Link page: one link's title and options, Rec., Home, Close/Apply and Cancel.
// The rules live in EditLink; this page shows its state and forwards the user's events.
#pragma once

#include "EditLink.h"

#include <QGroupBox>

#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kivra {

class EditLinksPage : public QGroupBox {
    Q_OBJECT
public:
    explicit EditLinksPage(QWidget* parent = nullptr);

    // Shows the state of `edit` in the controls (after it opened or changed).
    void showState(const EditLink& edit);

    QLineEdit* titleText() const { return text1_; }      // `EditLinksText1`
    QLineEdit* exclusionText() const { return text2_; }  // `EditLinksText2`
    QCheckBox* option(EditOption o) const { return options_.at(o); }
    QPushButton* closeButton() const { return cmd1_; }   // `ELinksCmd1` "&Close" / "&Apply"
    QPushButton* cancelButton() const { return cmd2_; }  // `ELinksCmd2`
    QPushButton* recordButton() const { return cmd3_; }  // `ELinksCmd3` "&Rec."
    QPushButton* homeButton() const { return cmd4_; }    // `ELinksCmd4` "&Home"

signals:
    void optionClicked(kivra::EditOption option);

private:
    QLineEdit* text1_;
    QLineEdit* text2_;
    QLabel* label5_;
    std::map<EditOption, QCheckBox*> options_;
    QPushButton* cmd1_;
    QPushButton* cmd2_;
    QPushButton* cmd3_;
    QPushButton* cmd4_;
};

}  // namespace kivra
