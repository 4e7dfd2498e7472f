// The "Select Picture File" page: drive, directory and file lists over the picture
// folder, the selected path, the viewed files list, the file-type pattern with
// OK and Cancel while it is edited, and "&Show" and "&Close".
#pragma once

#include "KivraError.h"
#include "MountedVolumes.h"
#include "PictureFolder.h"

#include <QGroupBox>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStringListModel;

namespace kivra {

class SelectPicturePage : public QGroupBox {
    Q_OBJECT
public:
    SelectPicturePage(PictureFolder& folder, QWidget* parent);

    // How the page reports a drive or directory that cannot be read.
    void setErrorReporter(std::function<void(const KivraError&)> report) { report_ = std::move(report); }

    // Points the drive, directory and file lists at the directory of `path` (or
    // keeps the folder's directory when `path` is empty) and selects its file.
    void openAt(const std::string& path);
    // Selects `name` in the file list when it is listed.
    void selectFile(const std::string& name);
    void setViewedNames(const std::vector<std::string>& names);
    // The applied pattern text.
    void setPatternText(const QString& text);
    QString patternText() const { return appliedPattern_; }
    bool editingPattern() const { return editing_; }
    // Puts the drive list back on the last drive that could be read.
    void restoreLastGoodDrive();

    QComboBox* driveList() const { return drive_; }         // `SelectPicDrive1`
    QListWidget* directoryList() const { return dir_; }     // `SelectPicDir1`
    QListView* fileList() const { return file_; }           // `SelectPicFile1`
    QLineEdit* pathText() const { return text_; }           // `SelectPicText1`
    QListWidget* viewedList() const { return viewed_; }     // `SelPicFileMRUList`
    QLineEdit* patternEdit() const { return pattern_; }     // `SelPicOptsFileTypes`
    QPushButton* showButton() const { return cmd1_; }       // `SelectPicCmd1`
    QPushButton* closeButton() const { return cmd2_; }      // `SelectPicCmd2`
    QStringList fileNames() const;

signals:
    // "&Show" or a double click chose the file at `index` of the folder's listing.
    void showRequested(int index);
    void closeRequested();
    void viewedFileClicked(int row);
    void driveListFocusChanged(bool focused);
    void patternApplied(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillDrives();
    void driveChanged(int index);                      // `SelectPicDrive1_Change`
    bool changeDirectory(const std::string& directory);  // `SelectPicDir1_Change`
    void refreshLists();
    void fileClicked();                                // `SelectPicFile1_Click`
    void command1();                                   // `SelectPicCmd1_Click`
    void command2();                                   // `SelectPicCmd2_Click`
    void patternEdited(const QString& text);
    void setEditing(bool editing);
    void report(const KivraError& e);

    PictureFolder& folder_;
    std::function<void(const KivraError&)> report_;
    std::vector<MountedVolume> volumes_;
    int lastGoodDrive_ = 0;
    bool fillingDrives_ = false;
    QString appliedPattern_;
    bool editing_ = false;

    QComboBox* drive_;
    QListWidget* dir_;
    QListView* file_;
    QStringListModel* fileModel_;
    QLineEdit* text_;
    QListWidget* viewed_;
    QLineEdit* pattern_;
    QPushButton* cmd1_;
    QPushButton* cmd2_;
};

}  // namespace kivra
