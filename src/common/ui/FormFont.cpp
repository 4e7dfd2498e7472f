// Form font with fallbacks.
#include "FormFont.h"

#include <QApplication>

namespace kivra {

QFont formFont(int pointSize) {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Small Fonts"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("Nimbus Sans Narrow"), QApplication::font().family()});
    font.setPointSize(pointSize);
    return font;
}

}  // namespace kivra
