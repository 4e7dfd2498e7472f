// Small builders for the controls of the frames and pages: named, with their tool tip.
#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace kivra {

// A button with its design name as object name and its tool tip (shown while tool tips are on).
QPushButton* makeButton(const char* name, const QString& caption, const QString& tip, QWidget* parent);

}  // namespace kivra
