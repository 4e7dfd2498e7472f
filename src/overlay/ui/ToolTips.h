// Tool tips that follow the window's tool-tips option: each control keeps its text
// and shows it only while the option is on.
#pragma once

#include <QString>

class QWidget;

namespace kivra {

// Gives `control` its tool-tip text, shown at once when tool tips are on.
void setControlToolTip(QWidget* control, const QString& text);
// Assigns every control under `root` its text, or clears them all.
void applyToolTips(QWidget* root, bool on);
// Whether tool tips are on for the window that holds `control`.
bool toolTipsOn(const QWidget* control);

}  // namespace kivra
