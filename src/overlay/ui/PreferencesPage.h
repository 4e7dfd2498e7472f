// The Set Preferences page (`SelectOptsFrame`): the Picture Box options, the Kivra
// Form options (start-up state, always on top, tool tips, colour palette and
// background colour), the colour selection page, "&Close" and "&Reset".
#pragma once

#include "OptionPairs.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

class QStackedLayout;

namespace kivra {

class ColorSelectPage;
class CoverWindow;
class PictureBoxOptions;

class PreferencesPage : public QGroupBox {
    Q_OBJECT
public:
    explicit PreferencesPage(CoverWindow* window);

    // `OptionsCommand1_Click`: the page takes the panel's place.
    void open();
    // `SelectPrefCmd1_Click`: closes the colour page when it is open, else the page.
    void close();
    // `SelectPrefCmd2_Click`: asks, then sets every option to its default.
    void reset();
    void openColorPage();  // `FormOptsFrameCmd1_Click`

    bool colorPageOpen() const;
    int helpContext() const { return colorPageOpen() ? 4030 : 4025; }

    QCheckBox* formOption(int n) const { return formOpts_[n - 1]; }  // `FormOptsOption1` ... 8
    QPushButton* closeButton() const { return closeCmd_; }            // `SelectPrefCmd1`
    QPushButton* resetButton() const { return resetCmd_; }            // `SelectPrefCmd2`
    QPushButton* selectColorButton() const { return selectColorCmd_; }  // `FormOptsFrameCmd1`
    QLabel* colorSample() const { return sample_; }                   // `SelFormOptsBColor`
    ColorSelectPage* colorPage() const { return colorPage_; }
    PictureBoxOptions* pictureOptions() const { return picOpts_; }

private:
    void showChoices();
    void startupClicked(StartupBox box);
    void topmostClicked(int box);
    void toolTipsClicked(int box);
    void paletteClicked(int box);
    void setTopmost(bool on);
    void setToolTips(bool on);
    void setPaletteA(bool a);
    void showBackground(int swatch);
    void closeColorPage();

    CoverWindow* window_;
    PictureBoxOptions* picOpts_;
    QGroupBox* formFrame_;
    QCheckBox* formOpts_[8];
    QLabel* sample_;
    QPushButton* selectColorCmd_;
    QPushButton* closeCmd_;
    QPushButton* resetCmd_;
    ColorSelectPage* colorPage_;
    QStackedLayout* leftSlot_;
};

}  // namespace kivra
