// Windows metafiles as images at their own size. On Windows GDI plays both kinds; elsewhere
// libwmf plays WMF records onto a QPainter and libemf2svg converts EMF to SVG for Qt SVG.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace kivra {

enum class MetafileKind { None, Wmf, Emf };

// Recognises a metafile by its first bytes (placeable or plain WMF header, EMF header record).
MetafileKind metafileKind(const QByteArray& data);

struct MetafileImage {
    enum class Status { Ok, Invalid, TooLarge };
    Status status = Status::Invalid;
    QImage image;  // transparent where the metafile draws nothing
    QSize size;    // the picture's own size in pixels (also when too large)
};

// Renders at `dpi` pixels per inch; a picture of more than `maxPixels` pixels is
// not drawn and reports TooLarge.
MetafileImage renderWmf(const QByteArray& data, double dpi, qint64 maxPixels);
MetafileImage renderEmf(const QByteArray& data, double dpi, qint64 maxPixels);

}  // namespace kivra
