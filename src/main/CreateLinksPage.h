// The Create Host Links page: the live host window list, the memorized links,
// and Add, Edit, Delete and Close; Pick selects a host by a click on its window.
#pragma once

#include <QGroupBox>

class QLabel;
class QListWidget;
class QPushButton;

namespace kivra {

class CreateLinksPage : public QGroupBox {
    Q_OBJECT
public:
    explicit CreateLinksPage(QWidget* parent = nullptr);

    QListWidget* hostList() const { return hostsList_; }    // `CLinksHostsList`
    QListWidget* linkList() const { return kvaList_; }      // `CLinksKVAList`
    QLabel* linkCountLabel() const { return countLabel_; }  // `CLLinkCountLabel`
    QPushButton* addButton() const { return add_; }         // `CLinksCmd2`
    QPushButton* editButton() const { return edit_; }       // `CLinksCmd3`
    QPushButton* deleteButton() const { return delete_; }   // `CLinksCmd4`
    QPushButton* closeButton() const { return close_; }     // `CLinksCmd1`
    QPushButton* pickButton() const { return pick_; }

    // Replaces the host list's entries (the selection goes with them).
    void setHostEntries(const std::vector<std::string>& entries);
    // Replaces the link list's entries, keeping the selection on `selected` (-1: none).
    void setLinkTitles(const std::vector<std::string>& titles, int selected);
    void setLinkCount(int count);
    // Selects host list entry `row` and brings it into view.
    void selectHost(int row);

private:
    QListWidget* hostsList_;
    QListWidget* kvaList_;
    QLabel* countLabel_;
    QPushButton* add_;
    QPushButton* edit_;
    QPushButton* delete_;
    QPushButton* close_;
    QPushButton* pick_;
};

}  // namespace kivra
