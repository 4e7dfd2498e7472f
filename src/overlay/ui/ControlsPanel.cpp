// Panel frames and their fixed positions.
#include "ControlsPanel.h"

#include "FormFont.h"
#include "PictureFrame.h"
#include "TimerFrame.h"
#include "TitleBarCapFrame.h"
#include "ToolTips.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace kivra {

namespace {

// Design positions and sizes in twips from the client area's top-left corner.
struct Place {
    double left, top, width, height;
};
constexpr Place kLinksFrame{90, 405, 1380, 930};
constexpr Place kPictureFrame{1545, 405, 1380, 1620};
constexpr Place kOptionsFrame{90, 1395, 1380, 630};
constexpr Place kCaptionFrame{2955, 405, 1500, 1620};
constexpr Place kTimerFrame{4470, 405, 1560, 1215};
constexpr Place kHideControls{4485, 1665, 1545, 360};

QRect toPixels(const Place& p, QPoint origin, double tx, double ty) {
    return QRect(origin.x() + static_cast<int>(std::lround(p.left / tx)),
                 origin.y() + static_cast<int>(std::lround(p.top / ty)),
                 static_cast<int>(std::lround(p.width / tx)), static_cast<int>(std::lround(p.height / ty)));
}

}  // namespace

QSize ControlsPanel::basePanelSize(bool largeFonts) { return largeFonts ? QSize(512, 200) : QSize(410, 160); }

ControlsPanel::ControlsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("ControlsPanel");
    // The frames keep the application's colours, whatever the window's background
    // colour, so that disabled captions stay readable.
    setPalette(QApplication::palette(this));
    linksFrame_ = new QGroupBox(QStringLiteral("Links"), this);
    linksFrame_->setObjectName("LinksFrame");
    linksFrame_->setAutoFillBackground(true);  // frames cover the picture behind them
    linksFrame_->setFont(formFont(8));
    linksCommand2_ = new QPushButton(QStringLiteral("&Create"), linksFrame_);
    linksCommand2_->setObjectName("LinksCommand2");
    linksCommand1_ = new QPushButton(QStringLiteral("&Activate"), linksFrame_);
    linksCommand1_->setObjectName("LinksCommand1");
    auto* links = new QVBoxLayout(linksFrame_);
    links->setContentsMargins(6, 2, 6, 4);
    links->setSpacing(3);
    links->addWidget(linksCommand2_);
    links->addWidget(linksCommand1_);

    hideControlsCmd_ = new QPushButton(QStringLiteral("&Hide Controls"), this);
    hideControlsCmd_->setObjectName("HideControlsCmd");
    setControlToolTip(hideControlsCmd_,
                      QStringLiteral("Hide all visible User Controls.  Left Click the Kivra Form or type <Enter> to "
                                     "show User Controls again."));

    pictureFrame_ = new PictureFrame(this);
    timerFrame_ = new TimerFrame(this);
    captionFrame_ = new TitleBarCapFrame(this);

    optionsFrame_ = new QGroupBox(QStringLiteral("Preferences"), this);
    optionsFrame_->setObjectName("OptionsFrame");
    optionsFrame_->setFont(formFont(8));
    optionsFrame_->setAutoFillBackground(true);
    optionsCommand1_ = new QPushButton(QStringLiteral("Se&t "), optionsFrame_);
    optionsCommand1_->setObjectName("OptionsCommand1");
    setControlToolTip(optionsCommand1_, QStringLiteral("Set Preferences for the Picture Box or the Kivra Form."));
    auto* options = new QVBoxLayout(optionsFrame_);
    options->setContentsMargins(6, 2, 6, 4);
    options->addWidget(optionsCommand1_);
    connect(optionsCommand1_, &QPushButton::clicked, this, &ControlsPanel::preferencesRequested);

    connect(hideControlsCmd_, &QPushButton::clicked, this, &ControlsPanel::hideRequested);
    connect(linksCommand2_, &QPushButton::clicked, this, &ControlsPanel::createRequested);
    connect(linksCommand1_, &QPushButton::clicked, this, &ControlsPanel::activateRequested);
}

void ControlsPanel::layoutAt(QPoint origin, double tx, double ty) {
    linksFrame_->setGeometry(toPixels(kLinksFrame, origin, tx, ty));
    pictureFrame_->setGeometry(toPixels(kPictureFrame, origin, tx, ty));
    hideControlsCmd_->setGeometry(toPixels(kHideControls, origin, tx, ty));
    timerFrame_->setGeometry(toPixels(kTimerFrame, origin, tx, ty));
    captionFrame_->setGeometry(toPixels(kCaptionFrame, origin, tx, ty));
    optionsFrame_->setGeometry(toPixels(kOptionsFrame, origin, tx, ty));
}

void ControlsPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(childrenRect(), palette().window());
}

}  // namespace kivra
