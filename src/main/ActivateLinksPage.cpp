// Controls, captions and tool tips of the Activate Host Links page.
#include "ActivateLinksPage.h"

#include "FormControls.h"
#include "FormFont.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivra {

ActivateLinksPage::ActivateLinksPage(QWidget* parent) : QGroupBox(QStringLiteral("Activate Host Links"), parent) {
    setObjectName("ActivateLinksFrame");
    setFont(formFont());

    auto* label = new QLabel(QStringLiteral("Memorized Host Window Links List:"), this);
    label->setObjectName("ALLinkLabel");
    kvaList_ = new QListWidget(this);
    kvaList_->setObjectName("ALinksKVAList");
    kvaList_->setUniformItemSizes(true);
    setControlToolTip(kvaList_, QStringLiteral("To Activate/Deactivate a Host Link: select Link on this List, then click "
                                               "[Activ.] or [Deact.]"));
    statsLabel_ = new QLabel(this);
    statsLabel_->setObjectName("ALLinkStatsLabel");
    setControlToolTip(statsLabel_, QStringLiteral("Total Host Window Links currently Active.  Active Links are listed "
                                                  "first in alphabetical order, followed by Inactive Links."));

    activate_ = makeButton("ALinksCmd1", QStringLiteral("&Activ."),
                           QStringLiteral("Activate selected Memorized Host Window Link if not already active."), this);
    host_ = makeButton("ALinksCmd2", QStringLiteral("&Host"),
                       QStringLiteral("Bring selected Link's T.L. App. Host window to Top of Window Z-Order, or Child "
                                      "Host window to Top of Child Window Z-Order if Link's Host window is active."),
                       this);
    deactivate_ = makeButton("ALinksCmd3", QStringLiteral("&Deact."),
                             QStringLiteral("Deactivate selected Memorized Host Window Link if active."), this);
    close_ = makeButton("ALinksCmd4", QStringLiteral("&Close"), QStringLiteral("Close Activate Host Links window."), this);
    close_->setDefault(true);
    setCancelButton(close_, true);

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    buttons->addStretch();
    for (QPushButton* b : {activate_, host_, deactivate_, close_}) buttons->addWidget(b);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->addWidget(label, 0, 0);
    grid->addWidget(kvaList_, 1, 0);
    grid->addWidget(statsLabel_, 2, 0);
    grid->addLayout(buttons, 0, 1, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    setActiveCount(0);
}

void ActivateLinksPage::setStatusLines(const std::vector<std::string>& lines) {
    kvaList_->clear();
    for (const auto& l : lines) kvaList_->addItem(QString::fromStdString(l));
}

void ActivateLinksPage::setActiveCount(int count) {
    statsLabel_->setText(QStringLiteral("Total Links Active: ") + QString::number(count));
}

std::string ActivateLinksPage::selectedLine() const {
    const auto* item = kvaList_->currentItem();
    return item && item->isSelected() ? item->text().toStdString() : std::string();
}

}  // namespace kivra
