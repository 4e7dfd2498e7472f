// Controls, captions and tool tips of the Create Host Links page.
#include "CreateLinksPage.h"

#include "FormControls.h"
#include "FormFont.h"
#include "ToolTips.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kivra {

namespace {
QListWidget* makeList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setUniformItemSizes(true);
    return list;
}
}  // namespace

CreateLinksPage::CreateLinksPage(QWidget* parent) : QGroupBox(QStringLiteral("Create Host Links"), parent) {
    setObjectName("CreateLinksFrame");
    setFont(formFont());

    auto* hostLabel = new QLabel(QStringLiteral("Available Host Window Titles List:"), this);
    hostLabel->setObjectName("CLHostLabel");
    hostsList_ = makeList("CLinksHostsList", this);
    setControlToolTip(hostsList_, QStringLiteral("To Add a Link: run targeted Host App. and/or Window, select its Host "
                                                 "Window Title on this List, then click [Add >]."));
    auto* legend = new QLabel(QStringLiteral("\"T:\" = Top Level Win. \"+ C:\" = Child"), this);
    legend->setObjectName("CLHostLegendLabel");
    setControlToolTip(legend, QStringLiteral("Each List entry is either a Top Level Window or a Child Window.  Entry at "
                                             "Top of List is current Host App. at Top of Window Z-Order."));

    auto* linkLabel = new QLabel(QStringLiteral("Memorized Host Window Links List:"), this);
    linkLabel->setObjectName("CLLinkLabel");
    kvaList_ = makeList("CLinksKVAList", this);
    setControlToolTip(kvaList_, QStringLiteral("To Delete a Link: select Memorized Host Window Link on this List, then "
                                               "click [Delete]."));
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName("CLLinkCountLabel");
    setControlToolTip(countLabel_, QStringLiteral("Total Host Window Links Defined and Memorized out of 32767 Links "
                                                  "possible."));

    add_ = makeButton("CLinksCmd2", QStringLiteral("&Add >"),
                      QStringLiteral("Add selected Host Window Title to the Memorized Host Window Links List."), this);
    edit_ = makeButton("CLinksCmd3", QStringLiteral("&Edit"), QStringLiteral("Edit the selected Memorized Host Window Link."),
                       this);
    delete_ = makeButton("CLinksCmd4", QStringLiteral("&Delete"),
                         QStringLiteral("Delete selected Host Window Link on the Memorized Host Window Links List."), this);
    close_ = makeButton("CLinksCmd1", QStringLiteral("&Close"), QStringLiteral("Close Create Host Links window."), this);
    close_->setDefault(true);
    setCancelButton(close_, true);
    pick_ = makeButton("CLinksPickCmd", QStringLiteral("&Pick"),
                       QStringLiteral("Select a Host Window Title by clicking on its window: click [Pick], then click "
                                      "on the Host Window (Esc or a right click cancels)."),
                       this);

    // Pick heads the button column, in the room the lists leave above Add.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    buttons->addStretch();
    for (QPushButton* b : {pick_, add_, edit_, delete_, close_}) buttons->addWidget(b);
    buttons->addStretch();

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->addWidget(hostLabel, 0, 0);
    grid->addWidget(hostsList_, 1, 0);
    grid->addWidget(legend, 2, 0);
    grid->addLayout(buttons, 0, 1, 3, 1);
    grid->addWidget(linkLabel, 0, 2);
    grid->addWidget(kvaList_, 1, 2);
    grid->addWidget(countLabel_, 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    setLinkCount(0);
}

void CreateLinksPage::setHostEntries(const std::vector<std::string>& entries) {
    hostsList_->clear();
    for (const auto& e : entries) hostsList_->addItem(QString::fromStdString(e));
}

void CreateLinksPage::setLinkTitles(const std::vector<std::string>& titles, int selected) {
    kvaList_->clear();
    for (const auto& t : titles) kvaList_->addItem(QString::fromStdString(t));
    if (selected >= 0 && selected < kvaList_->count()) {
        kvaList_->setCurrentRow(selected);
        kvaList_->scrollToItem(kvaList_->item(selected));
    }
}

void CreateLinksPage::selectHost(int row) {
    if (row < 0 || row >= hostsList_->count()) return;
    hostsList_->setCurrentRow(row);
    hostsList_->scrollToItem(hostsList_->item(row));
}

void CreateLinksPage::setLinkCount(int count) {
    countLabel_->setText(QStringLiteral("Total Links Defined: ") + QString::number(count));
}

}  // namespace kivra
