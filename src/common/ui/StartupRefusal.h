// The platform's own message box for the refusals at start (an old system, a second
// instance, no safe runtime folder): shown before any window of ours exists.
#pragma once

#include <QMessageBox>
#include <QString>

namespace kivra {

// Modal and above every window, Kivra's always-on-top windows too: with no owner it
// would otherwise open under the running instance's main window.
void showStartupRefusal(QMessageBox::Icon icon, const QString& text);

}  // namespace kivra
