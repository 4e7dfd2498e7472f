// Set Preferences: each option pair's click rule, its effect on the window, and Reset.
#include "PreferencesPage.h"

#include "ColorSelectPage.h"
#include "CoverWindow.h"
#include "FormControls.h"
#include "FormFont.h"
#include "MessageState.h"
#include "OptionGroups.h"
#include "Palettes.h"
#include "PictureBoxOptions.h"
#include "ShowMessage.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace kivra {

namespace {

constexpr int kMsgReset = 22;
constexpr int kAnswerNo = 7;
constexpr int kDefaultSwatch = 47;
const QString kCloseTip = QStringLiteral("Close Set Preferences window.");
const QString kCloseColorTip = QStringLiteral("Close Select Color - A or B window.");

QCheckBox* makeBox(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

PreferencesPage::PreferencesPage(CoverWindow* window)
    : QGroupBox(QStringLiteral("Set Preferences"), window), window_(window) {
    setObjectName("SelectOptsFrame");
    setFont(formFont());  // its caption and buttons in the face of the other pages'
    const bool main = window->programKind() == ProgramKind::Main;

    picOpts_ = new PictureBoxOptions(this);
    PictureFeature* pictures = window->pictures();
    connect(picOpts_, &PictureBoxOptions::alignmentChosen, pictures, &PictureFeature::setAlignment);
    connect(picOpts_, &PictureBoxOptions::autoSizeChosen, pictures, &PictureFeature::setAutoSize);
    connect(picOpts_, &PictureBoxOptions::borderChosen, pictures, &PictureFeature::setBorder);
    connect(picOpts_, &PictureBoxOptions::appearanceChosen, pictures, &PictureFeature::setAppearance3D);
    colorPage_ = new ColorSelectPage(this);
    colorPage_->setFont(formFont());
    connect(colorPage_, &ColorSelectPage::swatchClicked, this, &PreferencesPage::showBackground);

    formFrame_ = new QGroupBox(QStringLiteral("Kivra Form"), this);
    formFrame_->setObjectName("FormOptsFrame");
    formFrame_->setFont(formFont());  // the same face as the Picture Box frame beside it
    const char* names[8] = {"FormOptsOption1", "FormOptsOption2", "FormOptsOption3", "FormOptsOption4",
                            "FormOptsOption5", "FormOptsOption6", "FormOptsOption7", "FormOptsOption8"};
    const QString captions[8] = {QStringLiteral("&Max"), QStringLiteral("M&in"), QStringLiteral("&Yes"),
                                 QStringLiteral("&No"),  QStringLiteral("On"),   QStringLiteral("Off"),
                                 QStringLiteral("&A"),   QStringLiteral("&B")};
    for (int i = 0; i < 8; ++i) formOpts_[i] = makeBox(names[i], captions[i], formFrame_);
    if (main) {
        setControlToolTip(formOpts_[0], QStringLiteral("Set Kivra Form Startup window state to Maximized.  De-select to set to Normal."));
        setControlToolTip(formOpts_[1], QStringLiteral("Set Kivra Form Startup window state to Minimized.  De-select to set to Normal."));
        setControlToolTip(formOpts_[2], QStringLiteral("Enable Kivra Form Always-on-Top behavior."));
        setControlToolTip(formOpts_[3], QStringLiteral("Disable Kivra Form Always-on-Top behavior.  Turns Kick Timer off if enabled."));
    }
    setControlToolTip(formOpts_[4], QStringLiteral("Show Kivra Form Tool Tips Text."));
    setControlToolTip(formOpts_[5], QStringLiteral("Hide Kivra Form Tool Tips Text.  Recommended setting."));
    setControlToolTip(formOpts_[6], QStringLiteral("Set Palette A as the current active Color Palette."));
    setControlToolTip(formOpts_[7], QStringLiteral("Set Palette B as the current active Color Palette."));
    sample_ = new QLabel(formFrame_);
    sample_->setObjectName("SelFormOptsBColor");
    sample_->setAutoFillBackground(true);
    sample_->setFrameShape(QFrame::Box);
    sample_->setMinimumSize(24, 16);
    setControlToolTip(sample_, QStringLiteral("Current Background color for Kivra Form or Picture Box."));
    selectColorCmd_ = new QPushButton(QStringLiteral("&Select"), formFrame_);
    selectColorCmd_->setObjectName("FormOptsFrameCmd1");

    auto* grid = new QGridLayout(formFrame_);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(1);
    const QString labels[5] = {QStringLiteral("Start Up State:"), QStringLiteral("Always On Top:"),
                               QStringLiteral("Tool Tips Text:"), QStringLiteral("Color Palette:"),
                               QStringLiteral("Background Color:")};
    const char* labelNames[5] = {"FormOptsText1", "FormOptsText2", "FormOptsText3", "FormOptsText5", "FormOptsText4"};
    for (int row = 0; row < 5; ++row) {
        auto* label = new QLabel(labels[row], formFrame_);
        label->setObjectName(labelNames[row]);
        grid->addWidget(label, row, 0);
        if (row < 4) {
            grid->addWidget(formOpts_[2 * row], row, 1);
            grid->addWidget(formOpts_[2 * row + 1], row, 2);
        }
        // The link program always starts Normal: its start-up pair is not offered.
        if (row == 0 && !main) {
            label->hide();
            formOpts_[0]->hide();
            formOpts_[1]->hide();
        }
    }
    grid->addWidget(sample_, 4, 1);
    grid->addWidget(selectColorCmd_, 4, 2);

    closeCmd_ = new QPushButton(QStringLiteral("&Close"), this);
    closeCmd_->setObjectName("SelectPrefCmd1");
    setControlToolTip(closeCmd_, kCloseTip);
    resetCmd_ = new QPushButton(QStringLiteral("&Reset"), this);
    resetCmd_->setObjectName("SelectPrefCmd2");
    setControlToolTip(resetCmd_, QStringLiteral("Reset Preference Options to their Default settings."));

    auto* left = new QWidget(this);
    leftSlot_ = new QStackedLayout(left);
    leftSlot_->addWidget(picOpts_);
    leftSlot_->addWidget(colorPage_);
    auto* frames = new QHBoxLayout;
    frames->addWidget(left, 1);
    frames->addWidget(formFrame_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(resetCmd_);
    buttons->addWidget(closeCmd_);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 4, 6, 6);
    page->addLayout(frames, 1);
    page->addLayout(buttons);

    connect(formOpts_[0], &QCheckBox::clicked, this, [this] { startupClicked(StartupBox::Max); });
    connect(formOpts_[1], &QCheckBox::clicked, this, [this] { startupClicked(StartupBox::Min); });
    for (int box = 0; box < 2; ++box) {
        connect(formOpts_[2 + box], &QCheckBox::clicked, this, [this, box] { topmostClicked(box); });
        connect(formOpts_[4 + box], &QCheckBox::clicked, this, [this, box] { toolTipsClicked(box); });
        connect(formOpts_[6 + box], &QCheckBox::clicked, this, [this, box] { paletteClicked(box); });
    }
    connect(selectColorCmd_, &QPushButton::clicked, this, &PreferencesPage::openColorPage);
    connect(closeCmd_, &QPushButton::clicked, this, &PreferencesPage::close);
    connect(resetCmd_, &QPushButton::clicked, this, &PreferencesPage::reset);
    connect(window, &CoverWindow::alwaysOnTopChanged, this, &PreferencesPage::showChoices);
    hide();
}

void PreferencesPage::showChoices() {
    const Preferences& p = window_->preferences();
    const StartupBoxes s = startupBoxesFor(p.startup);
    formOpts_[0]->setChecked(s.max);
    formOpts_[1]->setChecked(s.min);
    formOpts_[2]->setChecked(p.alwaysOnTop);
    formOpts_[3]->setChecked(!p.alwaysOnTop);
    formOpts_[4]->setChecked(p.toolTips);
    formOpts_[5]->setChecked(!p.toolTips);
    formOpts_[6]->setChecked(p.paletteA);
    formOpts_[7]->setChecked(!p.paletteA);
    picOpts_->showChoices(p);
    showBackground(p.paletteA ? p.pal1Color : p.pal2Color);
}

void PreferencesPage::open() {
    showChoices();
    leftSlot_->setCurrentWidget(picOpts_);
    window_->openPage(this);
    closeCmd_->setDefault(true);
    setCancelButton(closeCmd_, true);
    closeCmd_->setFocus();
}

void PreferencesPage::close() {
    if (colorPageOpen()) {
        closeColorPage();
        return;
    }
    window_->closePage();
    window_->panel()->optionsButton()->setFocus();
}

bool PreferencesPage::colorPageOpen() const { return leftSlot_->currentWidget() == colorPage_; }

void PreferencesPage::startupClicked(StartupBox box) {
    // The box has toggled already; rebuild the pair from before the click.
    StartupBoxes before{formOpts_[0]->isChecked(), formOpts_[1]->isChecked()};
    (box == StartupBox::Max ? before.max : before.min) ^= true;
    const StartupBoxes after = clickStartup(before, box);
    formOpts_[0]->setChecked(after.max);
    formOpts_[1]->setChecked(after.min);
    window_->preferencesForEdit().startup = startupStateOf(after);
}

void PreferencesPage::topmostClicked(int box) {
    const int before = window_->preferences().alwaysOnTop ? 0 : 1;
    setTopmost(clickOption(OptionGroupKind::Pair, before, box).checked == 0);
}

void PreferencesPage::setTopmost(bool on) {
    if (!on && notTopmostStopsKickTimer(window_->programKind())) window_->stopKickTimer();
    window_->setAlwaysOnTop(on);
    formOpts_[2]->setChecked(on);
    formOpts_[3]->setChecked(!on);
}

void PreferencesPage::toolTipsClicked(int box) {
    const int before = window_->preferences().toolTips ? 0 : 1;
    setToolTips(clickOption(OptionGroupKind::Pair, before, box).checked == 0);
}

void PreferencesPage::setToolTips(bool on) {
    window_->preferencesForEdit().toolTips = on;
    messages().toolTips = on;  // the message boxes follow the option too
    applyToolTips(window_, on);
    formOpts_[4]->setChecked(on);
    formOpts_[5]->setChecked(!on);
}

void PreferencesPage::paletteClicked(int box) {
    const int before = window_->preferences().paletteA ? 0 : 1;
    setPaletteA(clickOption(OptionGroupKind::Pair, before, box).checked == 0);
}

void PreferencesPage::setPaletteA(bool a) {
    Preferences& p = window_->preferencesForEdit();
    p.paletteA = a;
    formOpts_[6]->setChecked(a);
    formOpts_[7]->setChecked(!a);
    showBackground(a ? p.pal1Color : p.pal2Color);
}

void PreferencesPage::showBackground(int swatch) {
    const QColor colour = QColor::fromRgb(bgrToRgb(swatchColor(window_->preferences().paletteA, swatch)));
    window_->applyBackgroundColor(colour);
    QPalette pal = sample_->palette();
    pal.setColor(QPalette::Window, colour);
    sample_->setPalette(pal);
}

void PreferencesPage::openColorPage() {
    const Preferences& p = window_->preferences();
    colorPage_->showPalette(p.paletteA, p.paletteA ? p.pal1Color : p.pal2Color);
    leftSlot_->setCurrentWidget(colorPage_);
    formFrame_->setEnabled(false);  // the form options look inactive while a colour is chosen
    resetCmd_->setEnabled(false);
    setControlToolTip(closeCmd_, kCloseColorTip);
}

void PreferencesPage::closeColorPage() {
    Preferences& p = window_->preferencesForEdit();
    (colorPage_->showsPaletteA() ? p.pal1Color : p.pal2Color) = static_cast<std::int16_t>(colorPage_->selectedSwatch());
    leftSlot_->setCurrentWidget(picOpts_);
    formFrame_->setEnabled(true);
    resetCmd_->setEnabled(true);
    setControlToolTip(closeCmd_, kCloseTip);
    selectColorCmd_->setFocus();
}

void PreferencesPage::reset() {
    if (ShowMessage(kMsgReset, QString(), window_) == kAnswerNo) return;
    PictureFeature* pictures = window_->pictures();
    pictures->setAlignment(PicAlign::None);
    pictures->setAutoSize(true);
    pictures->setBorder(false);
    pictures->setAppearance3D(true);
    window_->preferencesForEdit().startup = StartupState::Normal;
    setTopmost(true);
    setToolTips(true);
    Preferences& p = window_->preferencesForEdit();
    p.pal1Color = kDefaultSwatch;
    p.pal2Color = kDefaultSwatch;
    setPaletteA(true);
    showChoices();
}

}  // namespace kivra
