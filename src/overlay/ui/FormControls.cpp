// Builders for named controls.
#include "FormControls.h"

#include "ToolTips.h"

#include <QPushButton>

namespace kivra {

QPushButton* makeButton(const char* name, const QString& caption, const QString& tip, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    setControlToolTip(b, tip);
    return b;
}

}  // namespace kivra
