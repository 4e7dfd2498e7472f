// Marks top-level windows through the seam just before they appear.
#include "OwnWindowMarker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace kivra {

namespace {

class OwnWindowMarker : public QObject {
public:
    OwnWindowMarker(QObject* parent, WindowSystem& windows) : QObject(parent), windows_(windows) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // A widget's show event comes before its native window is shown.
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && widget->windowHandle())
                windows_.markOwnWindow(static_cast<WindowId>(widget->windowHandle()->winId()));
        }
        return false;
    }

private:
    WindowSystem& windows_;
};

}  // namespace

void installOwnWindowMarker(QApplication& app, WindowSystem& windows) {
    // Only Windows needs it (on X11 the application name puts the marker into WM_CLASS), so
    // elsewhere no filter sits in the path of every event.
    if (QGuiApplication::platformName() != QLatin1String("windows")) return;
    app.installEventFilter(new OwnWindowMarker(&app, windows));
}

}  // namespace kivra
