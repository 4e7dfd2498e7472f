// Windows metafiles on Windows, drawn by GDI itself: an EMF is played with PlayEnhMetaFile, a
// WMF is first turned into an enhanced metafile by SetWinMetaFileBits. GDI knows no alpha, so
// the picture is played twice, on black and on white, and the difference gives its coverage:
// what the metafile does not draw stays transparent.
#include "MetafileRenderer.h"

#include <QtEndian>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kivra {

namespace {

constexpr int kPlaceableHeader = 22;

struct EnhMetafile {
    HENHMETAFILE handle = nullptr;
    ~EnhMetafile() {
        if (handle) DeleteEnhMetaFile(handle);
    }
};

// One play of `mf` stretched over w x h pixels on `background`, as 0xAARRGGBB words.
bool play(HENHMETAFILE mf, int w, int h, COLORREF background, std::vector<quint32>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all{0, 0, w, h};
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        ok = PlayEnhMetaFile(dc, mf, &all) != FALSE;
        GdiFlush();
        pixels.assign(static_cast<const quint32*>(bits), static_cast<const quint32*>(bits) + qint64(w) * h);
        SelectObject(dc, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
    return ok;
}

MetafileImage render(HENHMETAFILE mf, double dpi, qint64 maxPixels) {
    MetafileImage out;
    ENHMETAHEADER header{};
    if (!mf || GetEnhMetaFileHeader(mf, sizeof header, &header) < sizeof header) return out;
    // The frame (0.01 mm) gives the size on this screen; without one, the bounds in pixels.
    const double frameW = (double(header.rclFrame.right) - header.rclFrame.left) / 2540.0 * dpi;
    const double frameH = (double(header.rclFrame.bottom) - header.rclFrame.top) / 2540.0 * dpi;
    const double boundsW = double(header.rclBounds.right) - header.rclBounds.left + 1;
    const double boundsH = double(header.rclBounds.bottom) - header.rclBounds.top + 1;
    const double w = std::round(frameW >= 1 ? frameW : boundsW), h = std::round(frameH >= 1 ? frameH : boundsH);
    if (!(w >= 1) || !(h >= 1) || !std::isfinite(w) || !std::isfinite(h)) return out;
    out.size = QSize(int(std::min(w, double(1 << 30))), int(std::min(h, double(1 << 30))));
    if (w * h > double(maxPixels)) {
        out.status = MetafileImage::Status::TooLarge;
        return out;
    }
    std::vector<quint32> onBlack, onWhite;
    if (!play(mf, int(w), int(h), RGB(0, 0, 0), onBlack) || !play(mf, int(w), int(h), RGB(255, 255, 255), onWhite))
        return out;
    QImage image(out.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return out;
    auto* dst = reinterpret_cast<quint32*>(image.bits());
    for (size_t i = 0; i < onBlack.size(); ++i) {
        const quint32 b = onBlack[i], white = onWhite[i];
        // Coverage is what the white background lost; the black play is the premultiplied colour.
        const int alpha = 255 - std::clamp(int((white >> 8) & 0xFF) - int((b >> 8) & 0xFF), 0, 255);
        const auto channel = [&](int shift) { return quint32(std::min(int((b >> shift) & 0xFF), alpha)) << shift; };
        dst[i] = quint32(alpha) << 24 | channel(16) | channel(8) | channel(0);
    }
    out.image = image;
    out.status = MetafileImage::Status::Ok;
    return out;
}

}  // namespace

MetafileImage renderEmf(const QByteArray& data, double dpi, qint64 maxPixels) {
    if (metafileKind(data) != MetafileKind::Emf) return {};
    EnhMetafile mf;
    mf.handle = SetEnhMetaFileBits(UINT(data.size()), reinterpret_cast<const BYTE*>(data.constData()));
    return render(mf.handle, dpi, maxPixels);
}

MetafileImage renderWmf(const QByteArray& data, double dpi, qint64 maxPixels) {
    if (metafileKind(data) != MetafileKind::Wmf) return {};
    const auto* bytes = reinterpret_cast<const BYTE*>(data.constData());
    EnhMetafile mf;
    if (qFromLittleEndian<quint32>(bytes) == 0x9AC6CDD7u) {
        // The placeable header: bounding box in metafile units and units per inch.
        const auto i16 = [&](int at) { return int(qFromLittleEndian<qint16>(bytes + at)); };
        const int inch = qFromLittleEndian<quint16>(bytes + 14);
        if (inch == 0 || data.size() <= kPlaceableHeader) return {};
        METAFILEPICT picture{};
        picture.mm = MM_ANISOTROPIC;
        picture.xExt = LONG(std::abs(i16(10) - i16(6)) * 2540LL / inch);
        picture.yExt = LONG(std::abs(i16(12) - i16(8)) * 2540LL / inch);
        mf.handle = SetWinMetaFileBits(UINT(data.size() - kPlaceableHeader), bytes + kPlaceableHeader, nullptr, &picture);
    } else {
        mf.handle = SetWinMetaFileBits(UINT(data.size()), bytes, nullptr, nullptr);
    }
    return render(mf.handle, dpi, maxPixels);
}

}  // namespace kivra
