// Fusion style and palette for both programs.
#include "AppStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace kivra {

void applyAppStyle(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
        app.setPalette(fusion->standardPalette());
    }
}

}  // namespace kivra
