// The picture features of a covering window: the display choice of the panel's
// Picture frame, the picture box options, the Select Picture File page, the
// viewed files with "Pre&v." and "&Next", and the picture restored at the first
// activation. Keeps the window's preferences up to date for the save.
#pragma once

#include "PictureDisplay.h"
#include "PictureFolder.h"
#include "PictureFrame.h"
#include "Preferences.h"
#include "SelectPicturePage.h"
#include "ViewedFiles.h"

#include <QObject>

namespace kivra {

class CoverWindow;

class PictureFeature : public QObject {
    Q_OBJECT
public:
    PictureFeature(CoverWindow* window, Preferences& prefs, PictureFrame* frame);

    PictureDisplay& display() { return *display_; }
    const PictureDisplay& display() const { return *display_; }
    PictureFrame* frame() const { return frame_; }
    SelectPicturePage* page() const { return page_; }
    const ViewedFiles& viewed() const { return viewed_; }
    PictureFolder& folder() { return folder_; }

    // First activation: the stored options, pattern and viewed files are applied
    // to the controls, then the current picture is loaded when the display choice
    // is "Sho&w" or "H&ide" (and shown for "Sho&w").
    void restoreAtStart();

    // The display choice (`PictureOption1_Click` ... `PictureOption3_Click`).
    void showPicture();
    void hidePicture();
    void unloadPicture();

    void openSelectPage();   // `PictureCommand1_Click`
    void closeSelectPage();  // `SelectPicCmd2_Click`
    void previous();         // `PictureCommand2_Click`, Page Up
    void next();             // `PictureCommand3_Click`, Page Down, right click

    // Effects of the picture box options (`PicOptsOption1_Click` ... `PicOptsOption10_Click`).
    void setAlignment(PicAlign align);
    void setAutoSize(bool on);
    void setBorder(bool on);
    void setAppearance3D(bool on);

    // Enables the panel's picture controls for the current state.
    void updatePanelControls();

signals:
    // The shown picture changed: captions that name it refresh.
    void pictureChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFromPage(int index);
    void showViewed(int row);
    bool loadCurrent();
    void reportFailure(const PictureLoadFailure& failure);
    void choose(PicOption option);
    void recordViewed(const std::string& path, const std::string& name);
    void openFolderOf(const QString& path);
    void driveListFocus(bool focused);
    void restoreKickTimer();

    CoverWindow* window_;
    Preferences& prefs_;
    PictureFrame* frame_;
    PictureDisplay* display_;
    SelectPicturePage* page_;
    PictureFolder folder_;
    ViewedFiles viewed_;
    bool kickSaved_ = false;
    bool kickWasRunning_ = false;
    KickInterval kickInterval_ = KickInterval::Ms250;
};

}  // namespace kivra
