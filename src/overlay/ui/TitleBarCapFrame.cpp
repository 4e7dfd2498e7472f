// Caption mode options and the custom text entry.
#include "TitleBarCapFrame.h"

#include "CoverWindow.h"
#include "FormFont.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

namespace kivra {

TitleBarCapFrame::TitleBarCapFrame(QWidget* parent) : QGroupBox(QStringLiteral("Title Bar Caption"), parent) {
    setObjectName("TitleBarCapFrame");
    setAutoFillBackground(true);
    // The frame is narrower than its title in the panel's face: a smaller face keeps it whole.
    setFont(formFont(8));
    const char* names[4] = {"TitleBarCapOption1", "TitleBarCapOption2", "TitleBarCapOption3", "TitleBarCapOption4"};
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(3, 0, 3, 3);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(this);
        options_[i]->setObjectName(names[i]);
        options_[i]->setFont(formFont(6));
        const auto mode = static_cast<CaptionMode>(i + 1);
        connect(options_[i], &QRadioButton::clicked, this, [this, mode] { modeClicked(mode); });
        grid->addWidget(options_[i], i, 0);
    }
    options_[0]->setText(QStringLiteral("Custo&m Text"));
    options_[3]->setText(QStringLiteral("&Blank"));
    setControlToolTip(options_[0], QStringLiteral("Display Custom Text in Title Bar Caption."));
    setControlToolTip(options_[3], QStringLiteral("Display a Blank Title Bar Caption."));
    command1_ = new QPushButton(QStringLiteral("Enter Te&xt"), this);
    command1_->setObjectName("TitleBarCapCommand1");
    command1_->setFont(formFont(6));
    setControlToolTip(command1_, QStringLiteral("Enter or Edit a Title Bar Caption string.  String can contain "
                                                "modifiers: %Time%, %Date%, %Picturename% and %Picturepath%."));
    grid->addWidget(command1_, 4, 0);
    connect(command1_, &QPushButton::clicked, this, &TitleBarCapFrame::openEntry);

    entry_ = new QWidget(parent);
    entry_->setObjectName("TitleTextEntry");
    text1_ = new QLineEdit(entry_);
    text1_->setObjectName("SelectPicText1");
    ok_ = new QPushButton(QStringLiteral("&OK"), entry_);
    ok_->setObjectName("EnterTextCmd1");
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), entry_);
    cancel_->setObjectName("EnterTextCmd2");
    setControlToolTip(ok_, QStringLiteral("Accept any changes made to the Title Bar Caption string and close Edit window."));
    setControlToolTip(cancel_, QStringLiteral("Cancel any changes made to the Title Bar Caption string and close Edit window."));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* column = new QVBoxLayout(entry_);
    column->addWidget(text1_);
    column->addLayout(buttons);
    column->addStretch(1);
    entry_->hide();
    connect(text1_, &QLineEdit::textChanged, this, [this](const QString& t) { pending_ = t; });
    connect(text1_, &QLineEdit::returnPressed, this, &TitleBarCapFrame::acceptEntry);  // OK is the default
    connect(ok_, &QPushButton::clicked, this, &TitleBarCapFrame::acceptEntry);
    connect(cancel_, &QPushButton::clicked, this, &TitleBarCapFrame::closeEntry);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), entry_);
    esc->setContext(Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, &TitleBarCapFrame::closeEntry);  // Cancel is the cancel button
}

void TitleBarCapFrame::attach(CoverWindow* window) {
    window_ = window;
    if (window->programKind() == ProgramKind::Main) {
        options_[1]->setText(QStringLiteral("Main'&s Title"));
        options_[2]->setText(QStringLiteral("&Form Pos/Size"));
        setControlToolTip(options_[1], QStringLiteral("Display Main's Window Title in Title Bar Caption."));
        setControlToolTip(options_[2],
                          QStringLiteral("Display Main Form's Screen Position and Size in Title Bar Caption."));
    } else {
        options_[1]->setText(QStringLiteral("Ho&st Title"));
        options_[2]->setText(QStringLiteral("Lin&k Title"));
        setControlToolTip(options_[1], QStringLiteral("Display Host's Window Title in Title Bar Caption."));
        setControlToolTip(options_[2], QStringLiteral("Display Link's Window Title in Title Bar Caption."));
    }
    showState();
}

void TitleBarCapFrame::showState() {
    if (!window_) return;
    const Preferences& p = window_->preferences();
    option(p.captionMode)->setChecked(true);
    command1_->setEnabled(p.captionMode == CaptionMode::Custom);
    command1_->setText(p.captionText.empty() ? QStringLiteral("Enter Te&xt") : QStringLiteral("Edit Te&xt"));
}

void TitleBarCapFrame::modeClicked(CaptionMode mode) {
    if (!window_ || !window_->firstActivationDone()) {
        showState();
        return;
    }
    window_->preferencesForEdit().captionMode = mode;
    window_->refreshCaption();
    command1_->setEnabled(mode == CaptionMode::Custom);
    if (mode == CaptionMode::Custom) command1_->setFocus();
}

void TitleBarCapFrame::openEntry() {
    text1_->clear();
    text1_->setText(QString::fromStdString(window_->preferences().captionText));
    pending_ = text1_->text();
    window_->openPage(entry_);
    ok_->setDefault(true);
    text1_->setFocus();
}

void TitleBarCapFrame::acceptEntry() {
    Preferences& p = window_->preferencesForEdit();
    p.captionText = pending_.toStdString();
    p.captionMode = CaptionMode::Custom;
    window_->refreshCaption();
    closeEntry();
}

void TitleBarCapFrame::closeEntry() {
    window_->closePage();
    showState();
    command1_->setFocus();
}

}  // namespace kivra
