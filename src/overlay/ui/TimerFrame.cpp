// Kick timer controls: an interval click always starts the timer, the button toggles it.
#include "TimerFrame.h"

#include "CoverWindow.h"
#include "FormFont.h"
#include "OptionPairs.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QPainter>

namespace kivra {

namespace {

// A small green lamp: the timer is running.
QPixmap indicatorPixmap() {
    QPixmap pm(10, 10);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 96, 0), 1));
    p.setBrush(QColor(0, 200, 0));
    p.drawEllipse(QRectF(0.5, 0.5, 9, 9));
    return pm;
}

}  // namespace

TimerFrame::TimerFrame(QWidget* parent) : QGroupBox(QStringLiteral("Kick Timer"), parent) {
    setObjectName("TimerFrame");
    setFont(formFont(8));
    setAutoFillBackground(true);
    const char* names[4] = {"TimerOption1", "TimerOption2", "TimerOption3", "TimerOption4"};
    const QString captions[4] = {QStringLiteral(".&25"), QStringLiteral(".&10"), QStringLiteral(".&010"),
                                 QStringLiteral("&.001")};
    const QString seconds[4] = {QStringLiteral("0.25"), QStringLiteral("0.10"), QStringLiteral("0.010"),
                                QStringLiteral("0.001")};
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(captions[i], this);
        options_[i]->setObjectName(names[i]);
        setControlToolTip(options_[i], QStringLiteral("Enable Kick Timer with an Interval setting of %1 seconds.")
                                           .arg(seconds[i]));
        const auto interval = static_cast<KickInterval>(i + 1);
        connect(options_[i], &QRadioButton::clicked, this, [this, interval] { intervalClicked(interval); });
    }
    textBox1_ = new QLabel(QStringLiteral("Interval (.Sec):"), this);
    textBox1_->setObjectName("TimerTextBox1");
    command1_ = new QPushButton(QString::fromLatin1(timerCommandCaption(false)), this);
    command1_->setObjectName("TimerCommand1");
    setControlToolTip(command1_,
                      QStringLiteral("Enable the optional Kick Timer with the selected Refresh Interval or Disable it."));
    connect(command1_, &QPushButton::clicked, this, &TimerFrame::commandClicked);
    image1_ = new QLabel(this);
    image1_->setObjectName("Image1");
    image1_->setPixmap(indicatorPixmap());
    image1_->setFixedSize(10, 10);
    image1_->hide();

    for (QWidget* w : std::initializer_list<QWidget*>{options_[0], options_[1], options_[2], options_[3], textBox1_,
                                                      command1_})
        w->setFont(formFont(6));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(3, 0, 3, 3);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(1);
    grid->addWidget(textBox1_, 0, 0, 1, 2);
    grid->addWidget(options_[0], 1, 0);
    grid->addWidget(options_[1], 1, 1);
    grid->addWidget(options_[2], 2, 0);
    grid->addWidget(options_[3], 2, 1);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(command1_, 1);
    row->addWidget(image1_, 0, Qt::AlignVCenter);
    grid->addLayout(row, 3, 0, 1, 2);
    option(KickInterval::Ms250)->setChecked(true);
}

void TimerFrame::attach(CoverWindow* window) {
    window_ = window;
    connect(window, &CoverWindow::kickTimerChanged, this, &TimerFrame::showState);
    showState();
}

void TimerFrame::showState() {
    if (!window_) return;
    option(window_->preferences().kickInterval)->setChecked(true);
    const bool running = window_->kickTimerRunning();
    command1_->setText(QString::fromLatin1(timerCommandCaption(running)));
    image1_->setVisible(running);
}

KickInterval TimerFrame::checkedInterval() const {
    for (int i = 0; i < 4; ++i)
        if (options_[i]->isChecked()) return static_cast<KickInterval>(i + 1);
    return KickInterval::Ms250;
}

void TimerFrame::intervalClicked(KickInterval interval) {
    if (!window_ || !window_->firstActivationDone()) return;
    window_->ensureTopmost();
    window_->startKickTimer(interval);
}

void TimerFrame::commandClicked() {
    if (!window_ || !window_->firstActivationDone()) return;
    if (window_->kickTimerRunning()) {
        window_->stopKickTimer();
        return;
    }
    window_->ensureTopmost();
    window_->startKickTimer(checkedInterval());
}

}  // namespace kivra
