// The Activate Host Links page: the memorized links with their state, and
// Activate, Host, Deactivate and Close.
#pragma once

#include <QGroupBox>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace kivra {

class ActivateLinksPage : public QGroupBox {
    Q_OBJECT
public:
    explicit ActivateLinksPage(QWidget* parent = nullptr);

    QListWidget* statusList() const { return kvaList_; }    // `ALinksKVAList`
    QLabel* statsLabel() const { return statsLabel_; }      // `ALLinkStatsLabel`
    QPushButton* activateButton() const { return activate_; }      // `ALinksCmd1`
    QPushButton* hostButton() const { return host_; }              // `ALinksCmd2`
    QPushButton* deactivateButton() const { return deactivate_; }  // `ALinksCmd3`
    QPushButton* closeButton() const { return close_; }            // `ALinksCmd4`

    void setStatusLines(const std::vector<std::string>& lines);
    void setActiveCount(int count);
    // The selected status line, empty when nothing is selected.
    std::string selectedLine() const;

private:
    QListWidget* kvaList_;
    QLabel* statsLabel_;
    QPushButton* activate_;
    QPushButton* host_;
    QPushButton* deactivate_;
    QPushButton* close_;
};

}  // namespace kivra
