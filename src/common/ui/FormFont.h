// The font of the programs' forms: a small bitmap face where it exists,
// else a condensed face of about the same size, so designed line lengths still fit.
#pragma once

#include <QFont>

namespace kivra {

QFont formFont(int pointSize = 7);

}  // namespace kivra
