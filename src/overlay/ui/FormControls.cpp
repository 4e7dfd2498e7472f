// Builders for named controls.
#include "FormControls.h"

#include "ToolTips.h"

#include <QApplication>
#include <QPushButton>

namespace kivra {

QPushButton* makeButton(const char* name, const QString& caption, const QString& tip, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    setControlToolTip(b, tip);
    return b;
}

namespace {
constexpr const char* kCancelRole = "kivraCancelButton";

bool usable(const QPushButton* b) { return b && b->isVisible() && b->isEnabled(); }

QPushButton* findButton(QWidget* page, bool (*role)(const QPushButton*)) {
    for (QPushButton* b : page->findChildren<QPushButton*>())
        if (usable(b) && role(b)) return b;
    return nullptr;
}
}  // namespace

void setCancelButton(QPushButton* button, bool cancel) { button->setProperty(kCancelRole, cancel); }

bool pageKey(QWidget* page, int key) {
    QPushButton* target = nullptr;
    if (key == Qt::Key_Escape) {
        target = findButton(page, [](const QPushButton* b) { return b->property(kCancelRole).toBool(); });
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (usable(focused) && page->isAncestorOf(focused)) target = focused;
        else target = findButton(page, [](const QPushButton* b) { return b->isDefault(); });
    }
    if (!target) return false;
    target->click();
    return true;
}

}  // namespace kivra
