// Caption height and text height from Qt. X11 has no system caption metric: the window manager's
// frame extents (which Qt reads from _NET_FRAME_EXTENTS) of a shown window tell the title bar.
#include "DisplayMetricsQt.h"

#include "DisplayMetrics.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPalette>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace kivra {

namespace {
constexpr int kEstimatedBorder = 3;  // a fixed dialog frame

std::optional<QMargins>& measuredFrame() {
    static std::optional<QMargins> frame;
    return frame;
}
}  // namespace

bool noteWindowFrame(const QWidget* shownWindow) {
    if (!shownWindow || !shownWindow->windowHandle())
        return false;
    const QMargins m = shownWindow->windowHandle()->frameMargins();
    // A frame with a title bar has a top taller than its side border. (The bottom may carry a
    // resize handle, as openbox's does, so the side tells the border width.)
    if (m.top() <= m.left())
        return false;
    measuredFrame() = m;
    return true;
}

int systemCaptionHeight() {
    if (!measuredFrame()) {
        const auto windows = QApplication::topLevelWidgets();
        for (const QWidget* w : windows)
            if (w->isVisible() && noteWindowFrame(w))
                break;
    }
    if (const auto& m = measuredFrame())
        return m->top() - m->left();
    const QStyle* style = QApplication::style();
    return style ? style->pixelMetric(QStyle::PM_TitleBarHeight) : 19;
}

QMargins windowFrameMargins() {
    if (const auto& m = measuredFrame())
        return *m;
    return {kEstimatedBorder, systemCaptionHeight() + kEstimatedBorder, kEstimatedBorder, kEstimatedBorder};
}

void computeCaptionAllowance() {
    const QColor shadow = QApplication::palette().color(QPalette::Active, QPalette::Dark);
    updateCaptionMetrics(systemCaptionHeight(), shadow.rgb() & 0xFFFFFFu);
}

void computeFontSizeClass() {
    updateFontSizeClass(QFontMetrics(QApplication::font()).height());
}

}  // namespace kivra
