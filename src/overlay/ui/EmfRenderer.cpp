// EMF pictures: libemf2svg turns the records into SVG, Qt SVG draws it at the
// size of the header's bounds.
#include "MetafileRenderer.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <emf2svg.h>

#include <cstdlib>
#include <memory>

namespace kivra {

namespace {

qint32 i32At(const QByteArray& d, int at) { return qFromLittleEndian<qint32>(d.constData() + at); }

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

}  // namespace

MetafileImage renderEmf(const QByteArray& data, double dpi, qint64 maxPixels) {
    MetafileImage out;
    if (metafileKind(data) != MetafileKind::Emf) return out;
    // The header's bounds are inclusive device pixels of the reference device;
    // the frame (0.01 mm) gives the size on another screen.
    const qint64 boundsW = qint64(i32At(data, 16)) - i32At(data, 8) + 1;
    const qint64 boundsH = qint64(i32At(data, 20)) - i32At(data, 12) + 1;
    const double frameW = (double(i32At(data, 32)) - i32At(data, 24)) / 2540.0 * dpi;
    const double frameH = (double(i32At(data, 36)) - i32At(data, 28)) / 2540.0 * dpi;
    qint64 w = frameW >= 1 ? qint64(frameW + 0.5) : boundsW;
    qint64 h = frameH >= 1 ? qint64(frameH + 0.5) : boundsH;
    if (boundsW < 1 || boundsH < 1 || w < 1 || h < 1) return out;
    out.size = QSize(int(std::min<qint64>(w, 1 << 30)), int(std::min<qint64>(h, 1 << 30)));
    if (w * h > maxPixels || boundsW * boundsH > maxPixels) {
        out.status = MetafileImage::Status::TooLarge;
        return out;
    }

    generatorOptions options{};
    options.nameSpace = nullptr;  // plain element names; a prefix would be allocated and never freed
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    char* svgText = nullptr;
    size_t svgLength = 0;
    QByteArray copy = data;  // the converter may touch its input
    const int ok = emf2svg(copy.data(), static_cast<size_t>(copy.size()), &svgText, &svgLength, &options);
    std::unique_ptr<char, FreeDeleter> owned(svgText);
    if (!ok || !svgText || svgLength == 0) return out;

    QSvgRenderer svg(QByteArray(svgText, static_cast<qsizetype>(svgLength)));
    if (!svg.isValid()) return out;
    // The SVG is in reference-device pixels from the bounds' corner; show all of them.
    svg.setViewBox(QRectF(0, 0, double(boundsW), double(boundsH)));
    QImage image(out.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return out;
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(out.size)));
    p.end();
    out.image = image;
    out.status = MetafileImage::Status::Ok;
    return out;
}

}  // namespace kivra
