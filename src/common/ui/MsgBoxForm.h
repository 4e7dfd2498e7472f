// MsgBoxForm: the system's own modal message box. It lays itself out for the pending message
// kind when first shown, and its buttons write the message result and close it.
#pragma once

#include "MsgBoxKinds.h"
#include "MsgBoxPlacement.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kivra {

constexpr int MsgBoxHelpContext = 4005;

class MsgBoxForm : public QDialog {
    Q_OBJECT
public:
    // Loads the form for the pending kind of messages(): size, position and fixed texts.
    explicit MsgBoxForm(QWidget* owner, const MsgBoxPlacement& placement = {});
    ~MsgBoxForm() override;

    // The content applied at the first activation (the design-time layout before it).
    const MsgBoxContent& content() const { return content_; }
    int iconNumber() const { return iconNumber_; }
    Twips twips() const { return twips_; }
    // Pixels the designed layout is moved right by when a long caption widened the box.
    int layoutOffset() const { return xOffset_; }

    void setVisible(bool visible) override;
    void reject() override;  // Esc and the window's close button press the cancel button
    void done(int r) override;

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize sizeForPendingKind();
    void createControls();
    void firstActivation();
    void applyContent();
    void placeLabel();
    void setIcon(int number);
    void closeWith(int result);
    void unload();
    void Form_Click();
    QRect fromTwips(int left, int top, int width, int height) const;
    int clientWidthTwips() const;  // of the designed client area

    void MsgBoxCmd1_Click();
    void MsgBoxCmd2_Click();
    void MsgBoxCmd4_Click();
    void MsgBoxCheck1_Click();
    void MsgBoxCheck2_Click();

    Twips twips_;
    MsgBoxContent content_;
    int iconNumber_ = 0;
    int designClientWidth_ = 0;
    int xOffset_ = 0;
    bool unloaded_ = false;
    QLabel* label_ = nullptr;
    QLabel* image_ = nullptr;
    QPushButton* cmd1_ = nullptr;
    QPushButton* cmd2_ = nullptr;
    QPushButton* cmd4_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QCheckBox* check2_ = nullptr;
};

}  // namespace kivra
