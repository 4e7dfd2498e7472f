// Small builders for the controls of the frames and pages: named, with their tool tip.
#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace kivra {

// A button with its design name as object name and its tool tip (shown while tool tips are on).
QPushButton* makeButton(const char* name, const QString& caption, const QString& tip, QWidget* parent);

// The page button that Esc clicks while its page is open (a page's default button,
// QPushButton::isDefault, answers Enter). A page may move the role between buttons.
void setCancelButton(QPushButton* button, bool cancel);
// Enter and Esc on an open page: Enter clicks the focused button, else the default
// button; Esc clicks the cancel button. True when a button was clicked.
bool pageKey(QWidget* page, int key);

}  // namespace kivra
