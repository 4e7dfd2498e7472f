// The Picture Box option groups, their captions, tool tips and radio behaviour.
#include "PictureBoxOptions.h"

#include "FormFont.h"
#include "OptionGroups.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QLabel>

namespace kivra {

namespace {

struct Option {
    const char* caption;
    const char* tip;
};

constexpr Option kOptions[10] = {
    {"&Left", "Align Picture Box to the Top, Left side of Form."},
    {"Rig&ht", "Align Picture Box to the Top, Right side of Form."},
    {"Lef&t", "Align Picture Box to the Bottom, Left side of Form."},
    {"Non&e", "Reset Picture Box Alignment to no alignment selected."},
    {"&On", "Enable Picture Box Auto-Sizing feature."},
    {"O&ff", "Disable Picture Box Auto-Sizing feature."},
    {"On", "Show the Picture Box Border."},
    {"Off", "Hide the Picture Box Border."},
    {"&3D", "Set Picture Box Appearance to 3D."},
    {"F&lat", "Set Picture Box Appearance to Flat."},
};

// The groups as (first box number, size).
struct Group {
    int first, count;
    OptionGroupKind kind;
};
constexpr Group kAlignment{1, 4, OptionGroupKind::KeepChecked};
constexpr Group kAutoSize{5, 2, OptionGroupKind::Pair};
constexpr Group kBorder{7, 2, OptionGroupKind::Pair};
constexpr Group kAppearance{9, 2, OptionGroupKind::Pair};

Group groupOf(int number) {
    for (const Group& g : {kAlignment, kAutoSize, kBorder, kAppearance})
        if (number >= g.first && number < g.first + g.count) return g;
    return kAlignment;
}

}  // namespace

PictureBoxOptions::PictureBoxOptions(QWidget* parent) : QGroupBox(QStringLiteral("Picture Box"), parent) {
    setObjectName("PicOptsFrame");
    setFont(formFont());
    for (int i = 0; i < 10; ++i) {
        boxes_[i] = new QCheckBox(QString::fromUtf8(kOptions[i].caption), this);
        boxes_[i]->setObjectName(QStringLiteral("PicOptsOption%1").arg(i + 1));
        setControlToolTip(boxes_[i], QString::fromUtf8(kOptions[i].tip));
        connect(boxes_[i], &QCheckBox::clicked, this, [this, i] { clicked(i + 1); });
    }
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 0, 4, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(0);
    const char* labels[5] = {"Align Top:", "   Bottom:", "Auto Size:", "Border:", "Appearance:"};
    for (int row = 0; row < 5; ++row) grid->addWidget(new QLabel(QString::fromUtf8(labels[row]), this), row, 0);
    grid->addWidget(boxes_[0], 0, 1);
    grid->addWidget(boxes_[1], 0, 2);
    grid->addWidget(boxes_[2], 1, 1);
    grid->addWidget(boxes_[3], 1, 2);
    for (int row = 2; row < 5; ++row) {
        grid->addWidget(boxes_[2 * row], row, 1);
        grid->addWidget(boxes_[2 * row + 1], row, 2);
    }
}

void PictureBoxOptions::checkOnly(int first, int count, int number) {
    for (int n = first; n < first + count; ++n) boxes_[n - 1]->setChecked(n == number);
}

void PictureBoxOptions::showChoices(const Preferences& prefs) {
    checkOnly(kAlignment.first, kAlignment.count, static_cast<int>(prefs.picAlign));
    checkOnly(kAutoSize.first, kAutoSize.count, prefs.picAutosize ? 5 : 6);
    checkOnly(kBorder.first, kBorder.count, prefs.picBorder ? 7 : 8);
    checkOnly(kAppearance.first, kAppearance.count, prefs.picAppear3D ? 9 : 10);
}

void PictureBoxOptions::clicked(int number) {
    const Group g = groupOf(number);
    // The box's own toggle has already happened; the group's state before it is
    // the clicked box's old state plus the others.
    int before = -1;
    for (int n = g.first; n < g.first + g.count; ++n) {
        const bool wasChecked = n == number ? !boxes_[n - 1]->isChecked() : boxes_[n - 1]->isChecked();
        if (wasChecked) before = n - g.first;
    }
    const OptionClick click = clickOption(g.kind, before, number - g.first);
    checkOnly(g.first, g.count, g.first + click.checked);
    if (!click.runEffect) return;
    const int chosen = g.first + click.checked;
    if (g.first == kAlignment.first) emit alignmentChosen(static_cast<PicAlign>(chosen));
    if (g.first == kAutoSize.first) emit autoSizeChosen(chosen == 5);
    if (g.first == kBorder.first) emit borderChosen(chosen == 7);
    if (g.first == kAppearance.first) emit appearanceChosen(chosen == 9);
}

}  // namespace kivra
