// The start-up refusal box, kept above every window.
#include "StartupRefusal.h"

namespace kivra {

void showStartupRefusal(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("Kivra"), text, QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

}  // namespace kivra
