// Picture files from disk to pixmaps, with every failure mapped to an error number.
#include "PictureLoader.h"

#include "ErrorReport.h"
#include "KivraError.h"
#include "MetafileRenderer.h"

#include <QFile>
#include <QImageReader>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kivra {

namespace {

namespace fs = std::filesystem;

PictureLoadFailure fromErrorCode(const std::error_code& ec) {
    return {errorNumberFromErrorCode(ec), QString::fromStdString(ec.message())};
}

PictureLoadFailure notAPicture(const QString& why) { return {kInvalidPictureError, why}; }

PictureLoadFailure tooLarge(QSize size) {
    // The description line has room for 27 characters after "Description: ".
    return {errnum::OutOfMemory, QStringLiteral("Too large: %1x%2 px").arg(size.width()).arg(size.height())};
}

bool acceptedFormat(const QByteArray& format) {
    for (const char* f : {"gif", "bmp", "jpeg", "jpg", "png", "ico", "cur"})
        if (format == f) return true;
    return false;
}

// The whole file, or the reason it cannot be read. Only plain files are opened:
// a pipe or a device named like a picture would block or never end.
std::variant<QByteArray, PictureLoadFailure> readPictureBytes(const QString& path, qint64 maxBytes) {
    const QByteArray native = QFile::encodeName(path);
    const fs::path p(native.toStdString());
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec) return fromErrorCode(ec);
    if (fs::is_directory(st)) return PictureLoadFailure{errnum::PathFileAccess, QStringLiteral("Is a directory")};
    if (!fs::is_regular_file(st)) return PictureLoadFailure{errnum::PathFileAccess, QStringLiteral("Not a plain file")};
    const auto size = fs::file_size(p, ec);
    if (ec) return fromErrorCode(ec);
    if (static_cast<qint64>(size) > maxBytes)
        return PictureLoadFailure{errnum::OutOfMemory, QStringLiteral("File too large: %1 MB").arg(size >> 20)};
    std::FILE* f = std::fopen(native.constData(), "rb");
    if (!f) return fromErrorCode(std::error_code(errno, std::generic_category()));
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    const size_t got = size ? std::fread(bytes.data(), 1, size, f) : 0;
    const int readError = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (readError) return fromErrorCode(std::error_code(readError, std::generic_category()));
    bytes.truncate(static_cast<qsizetype>(got));  // the file shrank while it was read
    return bytes;
}

PictureLoadResult fromMetafile(const QByteArray& bytes, MetafileKind kind, double dpi, qint64 maxPixels) {
    const MetafileImage m = kind == MetafileKind::Wmf ? renderWmf(bytes, dpi, maxPixels) : renderEmf(bytes, dpi, maxPixels);
    switch (m.status) {
    case MetafileImage::Status::Ok: return std::make_shared<LoadedPicture>(QPixmap::fromImage(m.image));
    case MetafileImage::Status::TooLarge: return tooLarge(m.size);
    case MetafileImage::Status::Invalid: break;
    }
    return notAPicture(QStringLiteral("Damaged metafile"));
}

// Icon files hold several sizes; the largest is the picture.
QImage largestIcon(QImageReader& reader) {
    QImage best;
    const int count = std::min(reader.imageCount(), 64);
    for (int i = 0; i < std::max(count, 1); ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        const QImage img = reader.read();
        if (!img.isNull() && (best.isNull() || img.width() * img.height() > best.width() * best.height())) best = img;
    }
    return best;
}

}  // namespace

std::shared_ptr<LoadedPicture> LoadedPicture::animated(QByteArray bytes) {
    auto p = std::make_shared<LoadedPicture>();
    p->bytes_ = std::move(bytes);
    p->buffer_ = std::make_unique<QBuffer>(&p->bytes_);
    p->buffer_->open(QIODevice::ReadOnly);
    p->movie_ = std::make_unique<QMovie>(p->buffer_.get(), QByteArray("gif"));
    if (!p->movie_->isValid() || !p->movie_->jumpToFrame(0)) return nullptr;
    p->still_ = p->movie_->currentPixmap();
    return p;
}

QSize LoadedPicture::size() const { return still_.size(); }

PictureLoadResult loadPictureFile(const QString& path, double dpi, const PictureLimits& limits) {
    // Qt refuses any single image above this many megabytes, whatever reads it.
    QImageReader::setAllocationLimit(static_cast<int>(std::max<qint64>(1, limits.maxPixels * 4 >> 20)));
    auto read = readPictureBytes(path, limits.maxFileBytes);
    if (auto* failure = std::get_if<PictureLoadFailure>(&read)) return *failure;
    QByteArray bytes = std::move(std::get<QByteArray>(read));

    if (const MetafileKind kind = metafileKind(bytes); kind != MetafileKind::None) {
        if (bytes.size() > limits.maxMetafileBytes)
            return PictureLoadFailure{errnum::OutOfMemory, QStringLiteral("File too large: %1 MB").arg(bytes.size() >> 20)};
        return fromMetafile(bytes, kind, dpi, limits.maxPixels);
    }

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    if (!acceptedFormat(format)) return notAPicture(QStringLiteral("Unsupported image format"));
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(true);
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > limits.maxPixels) return tooLarge(declared);

    if (format == "gif" && reader.supportsAnimation() && reader.imageCount() != 1) {
        buffer.close();
        if (auto movie = LoadedPicture::animated(bytes)) return movie;
        return notAPicture(QStringLiteral("Damaged animation"));
    }
    const QImage image = (format == "ico" || format == "cur") ? largestIcon(reader) : reader.read();
    if (image.isNull()) return notAPicture(reader.errorString());
    if (qint64(image.width()) * image.height() > limits.maxPixels) return tooLarge(image.size());
    return std::make_shared<LoadedPicture>(QPixmap::fromImage(image));
}

}  // namespace kivra
