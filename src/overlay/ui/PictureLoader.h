// Loading a picture file for the picture boxes: GIF (animated ones as a movie),
// BMP, JPEG, PNG, ICO and CUR through Qt's readers, WMF and EMF through the
// metafile renderers; sizes are checked before anything is decoded.
#pragma once

#include <QByteArray>
#include <QBuffer>
#include <QMovie>
#include <QPixmap>
#include <QString>

#include <memory>
#include <variant>

namespace kivra {

// The loader's "not a picture it accepts" error.
inline constexpr int kInvalidPictureError = 481;

// A picture ready to show. An animated GIF keeps its bytes and plays as a movie.
class LoadedPicture {
public:
    LoadedPicture() = default;
    explicit LoadedPicture(QPixmap still) : still_(std::move(still)) {}
    static std::shared_ptr<LoadedPicture> animated(QByteArray bytes);

    const QPixmap& still() const { return still_; }
    QMovie* movie() const { return movie_.get(); }
    QSize size() const;

private:
    QPixmap still_;
    QByteArray bytes_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QMovie> movie_;
};

struct PictureLoadFailure {
    int number = kInvalidPictureError;  // an error number of the error report, or 481
    QString description;                // the platform's description
};

using PictureLoadResult = std::variant<std::shared_ptr<LoadedPicture>, PictureLoadFailure>;

struct PictureLimits {
    qint64 maxFileBytes = 256LL * 1024 * 1024;
    qint64 maxMetafileBytes = 32LL * 1024 * 1024;  // every record is played: keep the time bounded
    qint64 maxPixels = 64LL * 1024 * 1024;  // 256 MiB at four bytes a pixel
};

// Reads and decodes `path`. Never throws; every failure comes back as a number:
// 53 missing (also a link to nothing), 70 permission, 75 not a plain file,
// 76 path not found, 7 too large (the size is in the description), 481 not a picture.
PictureLoadResult loadPictureFile(const QString& path, double dpi, const PictureLimits& limits = {});

}  // namespace kivra
