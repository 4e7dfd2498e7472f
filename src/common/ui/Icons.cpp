// Icon resources by number, rendered from SVG so that every size stays sharp (on Windows,
// without Qt SVG, from PNG files rendered from the same SVG at build time).
#include "Icons.h"

#include <QPainter>
#ifdef KIVRA_ICONS_PNG
#include <QImage>
#else
#include <QSvgRenderer>
#endif

#include <array>
#include <map>
#include <utility>

// Resources compiled into a static library need an explicit initializer, at global scope.
static void initKivraIconResources() { Q_INIT_RESOURCE(icons); }

namespace kivra {

namespace {

constexpr std::array<std::pair<int, const char*>, 13> kFiles{{
    {IconDesignTime, "information.svg"},
    {IconProgram, "program.svg"},
    {IconLinkBright, "link-bright.svg"},
    {IconLinkGrey, "link-grey.svg"},
    {IconMainActive, "main-active.svg"},
    {IconMainInactive, "main-inactive.svg"},
    {IconRefusal, "refusal.svg"},
    {IconWarning, "warning.svg"},
    {IconQuestion, "question.svg"},
    {IconLinkBrightLarge, "link-bright-large.svg"},
    {IconLinkGreyLarge, "link-grey-large.svg"},
    {IconMainActiveLarge, "main-active-large.svg"},
    {IconMainInactiveLarge, "main-inactive-large.svg"},
}};

const char* fileFor(int resourceNumber) {
    for (const auto& [number, file] : kFiles)
        if (number == resourceNumber)
            return file;
    return nullptr;
}

// The 32-pixel designs blur at title-bar size; below 24 pixels they are drawn from the
// 16-pixel design of the same role.
int smallCompanion(int resourceNumber, int sizePx) {
    if (sizePx >= 24)
        return resourceNumber;
    switch (resourceNumber) {
    case IconProgram: return IconMainActive;
    case IconLinkBrightLarge: return IconLinkBright;
    case IconLinkGreyLarge: return IconLinkGrey;
    case IconMainActiveLarge: return IconMainActive;
    case IconMainInactiveLarge: return IconMainInactive;
    default: return resourceNumber;
    }
}

void ensureResources() {
    static const bool done = (initKivraIconResources(), true);
    (void)done;
}

}  // namespace

bool isKivraIcon(int resourceNumber) { return fileFor(resourceNumber) != nullptr; }

QPixmap kivraPixmap(int resourceNumber, int sizePx) {
    const char* file = fileFor(smallCompanion(resourceNumber, sizePx));
    if (!file || sizePx <= 0)
        return {};
    ensureResources();
#ifdef KIVRA_ICONS_PNG
    // The smallest rendering at least as large as asked, scaled down when it is larger.
    QString name = QLatin1String(file);
    name.chop(4);  // ".svg"
    int rendered = 128;
    for (int size : {16, 20, 24, 32, 48, 64, 128}) {
        if (size >= sizePx) {
            rendered = size;
            break;
        }
    }
    QImage image(QStringLiteral(":/kivra/icons/%1-%2.png").arg(name).arg(rendered));
    if (image.isNull())
        return {};
    if (image.width() != sizePx)
        image = image.scaled(sizePx, sizePx, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(image);
#else
    QSvgRenderer renderer(QStringLiteral(":/kivra/icons/") + QLatin1String(file));
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(sizePx, sizePx);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, sizePx, sizePx));
    return pixmap;
#endif
}

QIcon kivraIcon(int resourceNumber) {
    if (!isKivraIcon(resourceNumber))
        return {};
    // Rendered once per number and shared: a window's icon changes on every window switch,
    // and every new icon would leave its own renderings in Qt's pixmap cache for good. Kept
    // to the end of the process (never destroyed after the application object).
    static auto* rendered = new std::map<int, QIcon>;
    auto [it, isNew] = rendered->try_emplace(resourceNumber);
    if (isNew)
        for (int size : {16, 20, 24, 32, 48, 64, 128})
            it->second.addPixmap(kivraPixmap(resourceNumber, size));
    return it->second;
}

int windowIconNumber(IconOwner owner, IconRole role, CaptionSize caption) {
    const bool active = role == IconRole::Active;
    const bool wide = caption == CaptionSize::Wide;
    if (owner == IconOwner::MainWindow)
        return active ? (wide ? IconMainActiveLarge : IconMainActive)
                      : (wide ? IconMainInactiveLarge : IconMainInactive);
    return active ? (wide ? IconLinkBrightLarge : IconLinkBright)
                  : (wide ? IconLinkGreyLarge : IconLinkGrey);
}

}  // namespace kivra
