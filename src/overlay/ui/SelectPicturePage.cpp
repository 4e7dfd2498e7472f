// The Select Picture File page's controls and its browsing.
#include "SelectPicturePage.h"

#include "DirectoryListing.h"
#include "FormFont.h"
#include "PicturePaths.h"
#include "ToolTips.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QStringListModel>
#include <QStyle>

namespace kivra {

namespace {

constexpr int kPathRole = Qt::UserRole;

const QString kShowTip = QStringLiteral("Show the Picture File List's current selected File.");
const QString kOkTip = QStringLiteral("Accept any changes made to the File Pattern list.");
const QString kCloseTip = QStringLiteral("Close Select Picture File window.");
const QString kCancelTip = QStringLiteral("Cancel any changes made to the File Pattern list.");

QString q(const std::string& s) { return QString::fromStdString(s); }

QLabel* makeLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

SelectPicturePage::SelectPicturePage(PictureFolder& folder, QWidget* parent)
    : QGroupBox(QStringLiteral("Select Picture File"), parent), folder_(folder) {
    setObjectName("SelectPicFrame");
    setFont(formFont());

    drive_ = new QComboBox(this);
    drive_->setObjectName("SelectPicDrive1");
    setControlToolTip(drive_, QStringLiteral("Select and set current active Drive or Device."));
    drive_->installEventFilter(this);
    drive_->setIconSize(QSize(12, 12));

    dir_ = new QListWidget(this);
    dir_->setObjectName("SelectPicDir1");
    dir_->setUniformItemSizes(true);
    dir_->setIconSize(QSize(12, 12));
    setControlToolTip(dir_, QStringLiteral("Select and set current active Picture File Directory."));

    file_ = new QListView(this);
    file_->setObjectName("SelectPicFile1");
    file_->setUniformItemSizes(true);
    file_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    file_->setLayoutMode(QListView::Batched);  // a large directory lists without stalling the window
    file_->setBatchSize(200);
    fileModel_ = new QStringListModel(this);
    file_->setModel(fileModel_);
    setControlToolTip(file_, QStringLiteral("Select a Picture File from File List.  To show it, double-click Filename or "
                                            "click [Show] button after a Filename has been selected."));

    text_ = new QLineEdit(this);
    text_->setObjectName("SelectPicText1");
    text_->setReadOnly(true);

    viewed_ = new QListWidget(this);
    viewed_->setObjectName("SelPicFileMRUList");
    viewed_->setUniformItemSizes(true);
    setControlToolTip(viewed_, QStringLiteral("Show a previously viewed Picture File.  The first item in this list is the "
                                              "most recently viewed File."));

    pattern_ = new QLineEdit(this);
    pattern_->setObjectName("SelPicOptsFileTypes");
    setControlToolTip(pattern_, QStringLiteral("Edit the Picture File Type Pattern list string to specify which File "
                                               "Types to list in the Picture File Listbox."));

    cmd1_ = new QPushButton(this);
    cmd1_->setObjectName("SelectPicCmd1");
    cmd2_ = new QPushButton(this);
    cmd2_->setObjectName("SelectPicCmd2");
    setEditing(false);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 3);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->addWidget(drive_, 0, 0);
    grid->addWidget(dir_, 1, 0, 3, 1);
    grid->addWidget(file_, 0, 1, 4, 1);
    grid->addWidget(makeLabel(QStringLiteral("Viewed Files List:"), viewed_, this), 0, 2, 1, 2);
    grid->addWidget(viewed_, 1, 2, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("Picture File Types:"), pattern_, this), 2, 2, 1, 2);
    grid->addWidget(pattern_, 3, 2, 1, 2);
    grid->addWidget(text_, 4, 0, 1, 2);
    grid->addWidget(cmd1_, 4, 2);
    grid->addWidget(cmd2_, 4, 3);
    grid->setColumnStretch(0, 4);
    grid->setColumnStretch(1, 4);
    grid->setColumnStretch(2, 2);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(1, 1);

    connect(drive_, qOverload<int>(&QComboBox::activated), this, &SelectPicturePage::driveChanged);
    connect(dir_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { changeDirectory(item->data(kPathRole).toString().toStdString()); });
    connect(file_, &QListView::clicked, this, &SelectPicturePage::fileClicked);
    connect(file_->selectionModel(), &QItemSelectionModel::currentChanged, this, &SelectPicturePage::fileClicked);
    connect(file_, &QListView::doubleClicked, this, [this](const QModelIndex& index) { emit showRequested(index.row()); });
    connect(viewed_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { emit viewedFileClicked(viewed_->row(item)); });
    connect(pattern_, &QLineEdit::textEdited, this, &SelectPicturePage::patternEdited);
    connect(cmd1_, &QPushButton::clicked, this, &SelectPicturePage::command1);
    connect(cmd2_, &QPushButton::clicked, this, &SelectPicturePage::command2);
}

QStringList SelectPicturePage::fileNames() const { return fileModel_->stringList(); }

void SelectPicturePage::report(const KivraError& e) {
    if (report_) report_(e);
}

void SelectPicturePage::fillDrives() {
    fillingDrives_ = true;
    volumes_ = readMountedVolumes();
    drive_->clear();
    for (const MountedVolume& v : volumes_)
        drive_->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), q(v.mountPoint));
    fillingDrives_ = false;
}

void SelectPicturePage::openAt(const std::string& path) {
    fillDrives();
    const std::string wanted = path.empty() ? folder_.directory() : directoryPart(path);
    const bool opened = !wanted.empty() && changeDirectory(wanted);
    if (!opened && !folder_.isOpen()) {
        // Nothing to show yet: start at the first drive.
        if (!volumes_.empty()) changeDirectory(volumes_.front().mountPoint);
    } else if (!opened) {
        refreshLists();
    }
    const int drive = volumeIndexFor(volumes_, folder_.directory());
    if (drive >= 0) {
        drive_->setCurrentIndex(drive);
        lastGoodDrive_ = drive;
    }
    if (!path.empty()) selectFile(fileNamePart(path));
    setEditing(false);
    pattern_->setText(appliedPattern_);
    cmd1_->setFocus();
}

void SelectPicturePage::selectFile(const std::string& name) {
    const int row = folder_.indexOf(name);
    if (row < 0) return;
    const QModelIndex index = fileModel_->index(row);
    file_->setCurrentIndex(index);
    file_->scrollTo(index);
}

void SelectPicturePage::driveChanged(int index) {
    if (fillingDrives_ || index < 0 || index >= static_cast<int>(volumes_.size())) return;
    cmd1_->setEnabled(false);
    if (changeDirectory(volumes_[static_cast<std::size_t>(index)].mountPoint)) {
        lastGoodDrive_ = index;
    } else {
        restoreLastGoodDrive();
    }
}

void SelectPicturePage::restoreLastGoodDrive() {
    if (lastGoodDrive_ < 0 || lastGoodDrive_ >= static_cast<int>(volumes_.size())) return;
    drive_->setCurrentIndex(lastGoodDrive_);
    const std::string& mount = volumes_[static_cast<std::size_t>(lastGoodDrive_)].mountPoint;
    // The drive that worked may have failed since; then the lists stay as they are.
    if (volumeIndexFor(volumes_, folder_.directory()) != lastGoodDrive_) {
        try {
            folder_.open(mount);
        } catch (const KivraError&) {
        }
    }
    refreshLists();
}

bool SelectPicturePage::changeDirectory(const std::string& directory) {
    try {
        folder_.open(directory);
    } catch (const KivraError& e) {
        report(e);
        refreshLists();
        return false;
    }
    refreshLists();
    return true;
}

void SelectPicturePage::refreshLists() {
    dir_->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const std::vector<std::string> ancestors = directoryAncestors(folder_.directory());
    int depth = 0;
    for (const std::string& a : ancestors) {
        const QString name = a == "/" ? QStringLiteral("/") : q(fileNamePart(a));
        auto* item = new QListWidgetItem(open, QString(depth, QLatin1Char(' ')) + name, dir_);
        item->setData(kPathRole, q(a));
        ++depth;
    }
    if (!ancestors.empty()) dir_->setCurrentRow(static_cast<int>(ancestors.size()) - 1);
    for (const std::string& sub : folder_.listing().subdirectories) {
        auto* item = new QListWidgetItem(closed, QString(depth, QLatin1Char(' ')) + q(sub), dir_);
        item->setData(kPathRole, q(joinDirectoryFile(folder_.directory(), sub)));
    }
    QStringList names;
    names.reserve(folder_.fileCount());
    for (const std::string& f : folder_.listing().files) names << q(f);
    fileModel_->setStringList(names);
    text_->setText(q(folder_.directory()));
    cmd1_->setEnabled(editing_ || folder_.fileCount() > 0);
}

void SelectPicturePage::fileClicked() {
    const QModelIndex index = file_->currentIndex();
    if (!index.isValid()) return;
    text_->setText(q(joinDirectoryFile(folder_.directory(), index.data().toString().toStdString())));
}

void SelectPicturePage::setViewedNames(const std::vector<std::string>& names) {
    viewed_->clear();
    for (const std::string& n : names) viewed_->addItem(q(n));
}

void SelectPicturePage::setPatternText(const QString& text) {
    appliedPattern_ = text;
    pattern_->setText(text);
    setEditing(false);
}

void SelectPicturePage::patternEdited(const QString& text) { setEditing(text != appliedPattern_); }

void SelectPicturePage::setEditing(bool editing) {
    editing_ = editing;
    cmd1_->setText(editing ? QStringLiteral("&OK") : QStringLiteral("&Show"));
    cmd2_->setText(editing ? QStringLiteral("&Cancel") : QStringLiteral("&Close"));
    setControlToolTip(cmd1_, editing ? kOkTip : kShowTip);
    setControlToolTip(cmd2_, editing ? kCancelTip : kCloseTip);
    cmd1_->setEnabled(editing || folder_.fileCount() > 0);
}

void SelectPicturePage::command1() {
    if (editing_) {
        appliedPattern_ = pattern_->text();
        setEditing(false);
        try {
            folder_.setPattern(appliedPattern_.toStdString());
        } catch (const KivraError& e) {
            report(e);
        }
        refreshLists();
        emit patternApplied(appliedPattern_);
        return;
    }
    const QModelIndex index = file_->currentIndex();
    if (index.isValid()) emit showRequested(index.row());
}

void SelectPicturePage::command2() {
    if (editing_) {
        pattern_->setText(appliedPattern_);
        setEditing(false);
        return;
    }
    emit closeRequested();
}

void SelectPicturePage::keyPressEvent(QKeyEvent* event) {
    // "&Show"/"&OK" is the default button and "&Close"/"&Cancel" the cancel button;
    // Enter in the directory list opens the directory and nothing more.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (cmd1_->isEnabled() && !dir_->hasFocus()) cmd1_->click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        cmd2_->click();
        return;
    }
    QGroupBox::keyPressEvent(event);
}

bool SelectPicturePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == drive_) {
        if (event->type() == QEvent::FocusIn) emit driveListFocusChanged(true);
        if (event->type() == QEvent::FocusOut) emit driveListFocusChanged(false);
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace kivra
