// The controls panel: the frames of user controls shown over the covering window
// on demand, at their fixed positions, and hidden again.
#pragma once

#include <QPushButton>
#include <QWidget>

class QGroupBox;

namespace kivra {

class PictureFrame;
class TimerFrame;
class TitleBarCapFrame;

class ControlsPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlsPanel(QWidget* parent);

    // Places every frame at its design position (twips from the client's top-left),
    // offset by `origin` in pixels (the bottom-right block of a maximized window).
    void layoutAt(QPoint origin, double twipsPerPixelX, double twipsPerPixelY);

    QGroupBox* linksFrame() const { return linksFrame_; }
    QPushButton* createButton() const { return linksCommand2_; }    // `LinksCommand2`
    QPushButton* activateButton() const { return linksCommand1_; }  // `LinksCommand1`
    QPushButton* hideButton() const { return hideControlsCmd_; }    // `HideControlsCmd`
    PictureFrame* pictureFrame() const { return pictureFrame_; }     // `PictureFrame`
    TimerFrame* timerFrame() const { return timerFrame_; }           // `TimerFrame`
    TitleBarCapFrame* captionFrame() const { return captionFrame_; } // `TitleBarCapFrame`
    QGroupBox* optionsFrame() const { return optionsFrame_; }        // `OptionsFrame`
    QPushButton* optionsButton() const { return optionsCommand1_; }  // `OptionsCommand1`

    // The panel's size in pixels for the normal or large font class.
    static QSize basePanelSize(bool largeFonts);

protected:
    // The block of frames is one surface: the picture never shows between frames.
    void paintEvent(QPaintEvent* event) override;

signals:
    void hideRequested();
    void createRequested();
    void activateRequested();
    void preferencesRequested();

private:
    QGroupBox* linksFrame_;
    QPushButton* linksCommand2_;
    QPushButton* linksCommand1_;
    QPushButton* hideControlsCmd_;
    PictureFrame* pictureFrame_;
    TimerFrame* timerFrame_;
    TitleBarCapFrame* captionFrame_;
    QGroupBox* optionsFrame_;
    QPushButton* optionsCommand1_;
};

}  // namespace kivra
