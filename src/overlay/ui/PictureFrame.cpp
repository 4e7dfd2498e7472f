// The Picture frame's controls, captions and tool tips.
#include "PictureFrame.h"

#include "FormControls.h"
#include "FormFont.h"
#include "OptionGroups.h"
#include "ToolTips.h"

#include <QGridLayout>

namespace kivra {

namespace {

int indexOf(PicOption o) { return static_cast<int>(o) - 1; }
PicOption optionAt(int i) { return static_cast<PicOption>(i + 1); }

}  // namespace

PictureFrame::PictureFrame(QWidget* parent) : QGroupBox(QStringLiteral("Picture"), parent) {
    setObjectName("PictureFrame");
    setFont(formFont(8));
    setAutoFillBackground(true);
    const char* names[3] = {"PictureOption1", "PictureOption2", "PictureOption3"};
    const QString captions[3] = {QStringLiteral("Sho&w"), QStringLiteral("H&ide"), QStringLiteral("N&one")};
    for (int i = 0; i < 3; ++i) {
        options_[i] = new QCheckBox(captions[i], this);
        options_[i]->setObjectName(names[i]);
        connect(options_[i], &QCheckBox::clicked, this, [this, i] { onOptionClicked(optionAt(i)); });
    }
    setControlToolTip(options_[0], QStringLiteral("Show selected Picture File."));
    setControlToolTip(options_[1], QStringLiteral("Hide selected Picture File."));

    command1_ = makeButton("PictureCommand1", QStringLiteral("Se&lect"),
                           QStringLiteral("Select and show a Picture File "
                                          "(*.GIF;*.BMP;*.JPG;*.JPEG;*.PNG;*.ICO;*.CUR;*.WMF;*.EMF)."),
                           this);
    command2_ = makeButton("PictureCommand2", QStringLiteral("Pre&v."),
                           QStringLiteral("Show previous Picture File from the Most Recently Viewed Picture Files List."),
                           this);
    command3_ = makeButton("PictureCommand3", QStringLiteral("&Next"),
                           QStringLiteral("Show next Picture File in the current selected Picture File Directory."), this);
    connect(command1_, &QPushButton::clicked, this, &PictureFrame::selectClicked);
    connect(command2_, &QPushButton::clicked, this, &PictureFrame::previousClicked);
    connect(command3_, &QPushButton::clicked, this, &PictureFrame::nextClicked);

    // Three options beside three buttons in a frame under 100 pixels wide: a small
    // face inside the frame, the buttons as wide as their captions, the options the rest.
    for (QWidget* w : std::initializer_list<QWidget*>{options_[0], options_[1], options_[2], command1_, command2_, command3_})
        w->setFont(formFont(6));
    for (QPushButton* b : {command1_, command2_, command3_}) {
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("Select")) + 10);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(3, 0, 3, 3);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(3);
    for (int i = 0; i < 3; ++i) grid->addWidget(options_[i], i, 0);
    grid->addWidget(command1_, 0, 1);
    grid->addWidget(command2_, 1, 1);
    grid->addWidget(command3_, 2, 1);
    select(PicOption::None);
    updateForPicture(false);
}

QCheckBox* PictureFrame::option(PicOption which) const { return options_[indexOf(which)]; }

void PictureFrame::select(PicOption which) {
    selected_ = which;
    for (int i = 0; i < 3; ++i) options_[i]->setChecked(i == indexOf(which));
}

void PictureFrame::onOptionClicked(PicOption which) {
    const OptionClick click = clickOption(OptionGroupKind::KeepChecked, indexOf(selected_), indexOf(which));
    select(optionAt(click.checked));
    if (click.runEffect) emit optionChosen(optionAt(click.checked));
}

void PictureFrame::updateForPicture(bool loaded) {
    QCheckBox* none = options_[indexOf(PicOption::None)];
    none->setText(loaded ? QStringLiteral("&Unload") : QStringLiteral("N&one"));
    setControlToolTip(none, loaded ? QStringLiteral("Unload Picture File.  After choosing this option, a Picture File "
                                                    "must be re-selected.")
                                   : QStringLiteral("No Picture File is selected.  A Picture File must be selected."));
    options_[indexOf(PicOption::Show)]->setEnabled(loaded);
    options_[indexOf(PicOption::Hide)]->setEnabled(loaded);
}

}  // namespace kivra
