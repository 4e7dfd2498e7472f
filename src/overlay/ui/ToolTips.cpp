// Tool-tip texts kept as a property of each control and applied per window.
#include "ToolTips.h"

#include <QVariant>
#include <QWidget>

namespace kivra {

namespace {
constexpr const char* kTextProperty = "kivraToolTip";
constexpr const char* kOnProperty = "kivraToolTipsOn";
}  // namespace

bool toolTipsOn(const QWidget* control) {
    const QWidget* w = control ? control->window() : nullptr;
    const QVariant on = w ? w->property(kOnProperty) : QVariant();
    return !on.isValid() || on.toBool();
}

void setControlToolTip(QWidget* control, const QString& text) {
    control->setProperty(kTextProperty, text);
    control->setToolTip(toolTipsOn(control) ? text : QString());
}

void applyToolTips(QWidget* root, bool on) {
    root->window()->setProperty(kOnProperty, on);
    const auto apply = [on](QWidget* w) {
        const QVariant text = w->property(kTextProperty);
        if (text.isValid()) w->setToolTip(on ? text.toString() : QString());
    };
    apply(root);
    for (QWidget* child : root->findChildren<QWidget*>()) apply(child);
}

}  // namespace kivra
