// The picture of a covering window: the current picture path, the two picture
// boxes (`Picture1` 3D, `Picture2` flat) of which the one of the current
// appearance holds the picture, their shared options, and show, hide, unload and
// load as the display choice and the picture selection ask for them.
#pragma once

#include "PictureBox.h"
#include "PictureLoader.h"
#include "Preferences.h"

#include <QObject>
#include <QString>

#include <optional>

namespace kivra {

class PictureDisplay : public QObject {
    Q_OBJECT
public:
    // Creates both boxes in `window`, below everything else in it, hidden and empty.
    explicit PictureDisplay(QWidget* window);

    PictureBox* picture1() const { return boxes_[0]; }
    PictureBox* picture2() const { return boxes_[1]; }
    // The box of the current appearance, and the other one.
    PictureBox* target() const { return appear3D_ ? boxes_[0] : boxes_[1]; }
    PictureBox* spare() const { return appear3D_ ? boxes_[1] : boxes_[0]; }

    const QString& currentPath() const { return currentPath_; }
    void setCurrentPath(const QString& path) { currentPath_ = path; }
    bool pictureLoaded() const { return loaded_; }
    bool loadFailed() const { return loadFailed_; }
    bool pictureShown() const { return loaded_ && target()->isVisible(); }

    // Loads the file at the current picture path into the target box and shows
    // it; the spare box is emptied, hidden and disabled. A failure leaves no
    // picture shown and is returned for the caller to report.
    std::optional<PictureLoadFailure> loadAndShow();
    // "Sho&w": false when no picture is loaded (nothing changes then).
    bool show(std::optional<PictureLoadFailure>* failure);
    // "H&ide": the target box is hidden, its picture stays loaded. False when none is loaded.
    bool hide();
    // "&Unload": the target box lets go of its picture; its visibility stays.
    void unload();

    // The options both boxes carry.
    void setAlignment(PicAlign align);
    void setAutoSize(bool on);
    void setBorder(bool on);
    // Switches the appearance; a shown picture moves to the other box as it is.
    void setAppearance3D(bool on);
    bool appearance3D() const { return appear3D_; }
    PicAlign alignment() const { return align_; }
    bool autoSize() const { return autoSize_; }
    bool border() const { return border_; }

    // Places both boxes for the window's current client size.
    void layout();
    // Pixels per inch used for metafiles.
    void setDpi(double dpi) { dpi_ = dpi; }

signals:
    // The shown picture changed (loaded, moved, unloaded or failed).
    void pictureChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBox(PictureBox* box);

    QWidget* window_;
    PictureBox* boxes_[2];
    QSize ownSize_[2];
    QString currentPath_;
    bool loaded_ = false;
    bool loadFailed_ = false;
    bool appear3D_ = true;
    PicAlign align_ = PicAlign::None;
    bool autoSize_ = true;
    bool border_ = false;
    double dpi_ = 96;
};

}  // namespace kivra
