// Writes sample pictures of every format the picture box shows (GIF still and
// animated, BMP, JPG, JPEG, PNG, ICO, CUR, WMF, EMF) and the bad inputs the loader
// must survive (a text file named .gif, a truncated JPEG, a 30000 x 30000 PNG, a
// metafile cut short) into a directory: picture_samples <directory>.
// The GIF, CUR, WMF and EMF writers are the minimum these samples need.
#include <QByteArray>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// --- little-endian writer -----------------------------------------------------------

struct Bytes {
    QByteArray data;
    void u8(int v) { data.append(static_cast<char>(v & 0xFF)); }
    void u16(int v) { u8(v); u8(v >> 8); }
    void u32(quint32 v) { u16(static_cast<int>(v & 0xFFFF)); u16(static_cast<int>(v >> 16)); }
    void i16(int v) { u16(v & 0xFFFF); }
    void i32(qint32 v) { u32(static_cast<quint32>(v)); }
    void f32(float v) {
        quint32 bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void setU32(int at, quint32 v) {
        for (int i = 0; i < 4; ++i) data[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void setU16(int at, int v) {
        data[at] = static_cast<char>(v & 0xFF);
        data[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    int size() const { return static_cast<int>(data.size()); }
};

bool save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "picture_samples: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// --- the drawing every raster sample carries -----------------------------------------

QImage drawing(QSize size, const QString& label, int phase = 0) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(QColor(0x2E, 0x6F, 0xB5));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    // sky, sun, hills
    p.fillRect(QRectF(0, 0, w, h * 0.62), QColor(0x8E, 0xC9, 0xF0));
    p.setBrush(QColor(0xFF, 0xC8, 0x3C));
    p.setPen(Qt::NoPen);
    const double sunX = w * (0.70 + 0.08 * phase);
    p.drawEllipse(QPointF(sunX, h * 0.28), h * 0.16, h * 0.16);
    QPainterPath hills;
    hills.moveTo(0, h * 0.70);
    hills.cubicTo(w * 0.25, h * 0.45, w * 0.45, h * 0.80, w * 0.65, h * 0.58);
    hills.cubicTo(w * 0.80, h * 0.48, w * 0.90, h * 0.60, w, h * 0.55);
    hills.lineTo(w, h);
    hills.lineTo(0, h);
    hills.closeSubpath();
    p.setBrush(QColor(0x3F, 0x9A, 0x4A));
    p.drawPath(hills);
    // frame and label
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));
    QFont f("DejaVu Sans");
    f.setPixelSize(std::max(8, static_cast<int>(h * 0.2)));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, h * 0.62, w, h * 0.38), Qt::AlignCenter, label);
    return img;
}

// --- GIF --------------------------------------------------------------------------

// LZW-compresses 8-bit indices the GIF way (minimum code size 8, clear when full).
QByteArray gifLzw(const QByteArray& indices) {
    const int minCode = 8, clear = 1 << minCode, eoi = clear + 1;
    QByteArray out;
    quint32 bitBuffer = 0;
    int bitCount = 0, codeSize = minCode + 1, next = eoi + 1;
    auto put = [&](int code) {
        bitBuffer |= static_cast<quint32>(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            out.append(static_cast<char>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    QHash<quint32, int> table;
    put(clear);
    int prefix = -1;
    for (char ch : indices) {
        const int c = static_cast<unsigned char>(ch);
        if (prefix < 0) {
            prefix = c;
            continue;
        }
        const quint32 key = (static_cast<quint32>(prefix) << 8) | static_cast<quint32>(c);
        const auto found = table.constFind(key);
        if (found != table.constEnd()) {
            prefix = found.value();
            continue;
        }
        put(prefix);
        if (next < 4096) {
            table.insert(key, next++);
            if (next > (1 << codeSize) && codeSize < 12) ++codeSize;
        } else {
            put(clear);
            table.clear();
            next = eoi + 1;
            codeSize = minCode + 1;
        }
        prefix = c;
    }
    if (prefix >= 0) put(prefix);
    put(eoi);
    if (bitCount > 0) out.append(static_cast<char>(bitBuffer & 0xFF));
    return out;
}

QByteArray gif(const std::vector<QImage>& frames, int delayCs) {
    Bytes b;
    const QSize size = frames.front().size();
    b.data.append("GIF89a");
    b.u16(size.width());
    b.u16(size.height());
    b.u8(0x00);  // no global colour table
    b.u8(0);
    b.u8(0);
    if (frames.size() > 1) {
        b.u8(0x21); b.u8(0xFF); b.u8(11);
        b.data.append("NETSCAPE2.0");
        b.u8(3); b.u8(1); b.u16(0); b.u8(0);  // loop forever
    }
    for (const QImage& frame : frames) {
        const QImage indexed = frame.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        b.u8(0x21); b.u8(0xF9); b.u8(4); b.u8(0x04); b.u16(delayCs); b.u8(0); b.u8(0);
        b.u8(0x2C);
        b.u16(0); b.u16(0); b.u16(size.width()); b.u16(size.height());
        b.u8(0x80 | 7);  // local colour table of 256 entries
        QVector<QRgb> colours = indexed.colorTable();
        colours.resize(256);
        for (QRgb c : colours) {
            b.u8(qRed(c)); b.u8(qGreen(c)); b.u8(qBlue(c));
        }
        QByteArray indices;
        for (int y = 0; y < indexed.height(); ++y)
            indices.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), indexed.width());
        b.u8(8);
        const QByteArray packed = gifLzw(indices);
        for (int at = 0; at < packed.size(); at += 255) {
            const int n = std::min<int>(255, static_cast<int>(packed.size()) - at);
            b.u8(n);
            b.data.append(packed.constData() + at, n);
        }
        b.u8(0);
    }
    b.u8(0x3B);
    return b.data;
}

// --- ICO and CUR ------------------------------------------------------------------

QByteArray ico(const std::vector<QImage>& sizes) {
    Bytes b;
    b.u16(0); b.u16(1); b.u16(static_cast<int>(sizes.size()));
    std::vector<QByteArray> pngs;
    for (const QImage& img : sizes) {
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        pngs.push_back(png);
    }
    int offset = 6 + 16 * static_cast<int>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        b.u8(sizes[i].width() >= 256 ? 0 : sizes[i].width());
        b.u8(sizes[i].height() >= 256 ? 0 : sizes[i].height());
        b.u8(0); b.u8(0); b.u16(1); b.u16(32);
        b.u32(static_cast<quint32>(pngs[i].size()));
        b.u32(static_cast<quint32>(offset));
        offset += static_cast<int>(pngs[i].size());
    }
    for (const QByteArray& png : pngs) b.data.append(png);
    return b.data;
}

// A cursor is an icon file of type 2 whose planes and bit count hold the hot spot.
QByteArray cur(const QImage& image) {
    QByteArray bmpIco;
    QBuffer buf(&bmpIco);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "ICO");
    Bytes b{bmpIco};
    b.setU16(2, 2);
    b.setU16(6 + 4, 2);  // hot spot x
    b.setU16(6 + 6, 2);  // hot spot y
    return b.data;
}

// --- WMF --------------------------------------------------------------------------

struct Wmf {
    Bytes rec;
    int records = 0, maxRecord = 0, objects = 0;
    void record(int function, const std::vector<int>& words, const QByteArray& tail = {}) {
        const int size = 3 + static_cast<int>(words.size()) + static_cast<int>(tail.size() + 1) / 2;
        rec.u32(static_cast<quint32>(size));
        rec.u16(function);
        for (int w : words) rec.i16(w);
        rec.data.append(tail);
        if (tail.size() % 2) rec.u8(0);
        maxRecord = std::max(maxRecord, size);
        ++records;
    }
    static std::vector<int> colour(QRgb c) { return {qRed(c) | (qGreen(c) << 8), qBlue(c)}; }
    int brush(QRgb c) {
        std::vector<int> w{0};
        for (int x : colour(c)) w.push_back(x);
        w.push_back(0);
        record(0x02FC, w);
        return objects++;
    }
    int pen(QRgb c, int width) {
        std::vector<int> w{0, width, 0};
        for (int x : colour(c)) w.push_back(x);
        record(0x02FA, w);
        return objects++;
    }
    int font(int height, const char* face) {
        Bytes lf;
        lf.i16(-height); lf.i16(0); lf.i16(0); lf.i16(0); lf.i16(700);
        for (int i = 0; i < 8; ++i) lf.u8(0);
        QByteArray name(face);
        name.resize(32, '\0');
        lf.data.append(name);
        record(0x02FB, {}, lf.data);
        return objects++;
    }
    void select(int index) { record(0x012D, {index}); }
    void rectangle(int l, int t, int r, int bt) { record(0x041B, {bt, r, t, l}); }
    void ellipse(int l, int t, int r, int bt) { record(0x0418, {bt, r, t, l}); }
    void polygon(const std::vector<QPoint>& pts) {
        std::vector<int> w{static_cast<int>(pts.size())};
        for (QPoint p : pts) {
            w.push_back(p.x());
            w.push_back(p.y());
        }
        record(0x0324, w);
    }
    void textOut(int x, int y, const QByteArray& text) {
        Bytes t;
        t.data = text;
        if (t.data.size() % 2) t.u8(0);
        t.i16(y);
        t.i16(x);
        rec.u32(static_cast<quint32>(3 + 1 + t.size() / 2));
        rec.u16(0x0521);
        rec.i16(static_cast<int>(text.size()));
        rec.data.append(t.data);
        maxRecord = std::max(maxRecord, 4 + t.size() / 2);
        ++records;
    }
    QByteArray file(int width, int height, int inch) {
        record(0x0000, {});
        Bytes out;
        out.u32(0x9AC6CDD7u);
        out.u16(0);
        out.i16(0); out.i16(0); out.i16(width); out.i16(height);
        out.u16(inch);
        out.u32(0);
        int checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= static_cast<unsigned char>(out.data[2 * i]) | (static_cast<unsigned char>(out.data[2 * i + 1]) << 8);
        out.u16(checksum);
        out.u16(1); out.u16(9); out.u16(0x0300);
        out.u32(static_cast<quint32>(9 + rec.size() / 2));
        out.u16(objects);
        out.u32(static_cast<quint32>(maxRecord));
        out.u16(0);
        out.data.append(rec.data);
        return out.data;
    }
};

QByteArray wmfSample() {
    Wmf m;
    const int w = 240, h = 160;
    m.record(0x020B, {0, 0});      // window origin
    m.record(0x020C, {h, w});      // window extent
    m.record(0x0102, {1});         // transparent text background
    const int sky = m.brush(qRgb(0xF4, 0xE2, 0xA8));
    const int none = m.pen(qRgb(0x60, 0x40, 0x20), 3);
    m.select(sky);
    m.select(none);
    m.rectangle(0, 0, w, h);
    const int red = m.brush(qRgb(0xD0, 0x40, 0x30));
    m.select(red);
    m.ellipse(150, 20, 220, 90);
    const int green = m.brush(qRgb(0x30, 0x90, 0x50));
    m.select(green);
    m.polygon({{0, 150}, {60, 70}, {110, 130}, {160, 90}, {240, 150}});
    const int font = m.font(28, "Helvetica");
    m.select(font);
    m.record(0x0209, Wmf::colour(qRgb(0x20, 0x20, 0x80)));
    m.textOut(14, 14, "WMF");
    return m.file(w, h, 96);
}

// --- EMF --------------------------------------------------------------------------

struct Emf {
    Bytes rec;
    int records = 0, handles = 1;
    int begin(int type) {
        const int at = rec.size();
        rec.u32(static_cast<quint32>(type));
        rec.u32(0);
        return at;
    }
    void end(int at) {
        while (rec.size() % 4) rec.u8(0);
        rec.setU32(at + 4, static_cast<quint32>(rec.size() - at));
        ++records;
    }
    static quint32 colour(QRgb c) { return static_cast<quint32>(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16)); }
    int brush(QRgb c) {
        const int at = begin(39);
        const int h = handles++;
        rec.u32(static_cast<quint32>(h)); rec.u32(0); rec.u32(colour(c)); rec.u32(0);
        end(at);
        return h;
    }
    int pen(QRgb c, int width) {
        const int at = begin(38);
        const int h = handles++;
        rec.u32(static_cast<quint32>(h)); rec.u32(0); rec.i32(width); rec.i32(0); rec.u32(colour(c));
        end(at);
        return h;
    }
    void select(int h) {
        const int at = begin(37);
        rec.u32(static_cast<quint32>(h));
        end(at);
    }
    void box(int type, int l, int t, int r, int b) {
        const int at = begin(type);
        rec.i32(l); rec.i32(t); rec.i32(r); rec.i32(b);
        end(at);
    }
    void polygon(const std::vector<QPoint>& pts) {
        const int at = begin(86);
        rec.i32(0); rec.i32(0); rec.i32(240); rec.i32(160);
        rec.u32(static_cast<quint32>(pts.size()));
        for (QPoint p : pts) {
            rec.i16(p.x());
            rec.i16(p.y());
        }
        end(at);
    }
    void simple(int type, quint32 value) {
        const int at = begin(type);
        rec.u32(value);
        end(at);
    }
    int font(int height, const QString& face) {
        const int at = begin(82);
        const int h = handles++;
        rec.u32(static_cast<quint32>(h));
        rec.i32(-height); rec.i32(0); rec.i32(0); rec.i32(0); rec.i32(700);
        for (int i = 0; i < 8; ++i) rec.u8(0);
        for (int i = 0; i < 32; ++i) rec.u16(i < face.size() ? face.at(i).unicode() : 0);
        end(at);
        return h;
    }
    void text(int x, int y, const QString& s) {
        const int at = begin(84);
        rec.i32(0); rec.i32(0); rec.i32(-1); rec.i32(-1);  // bounds
        rec.u32(1); rec.f32(1.0f); rec.f32(1.0f);        // graphics mode, scales
        rec.i32(x); rec.i32(y);
        rec.u32(static_cast<quint32>(s.size()));
        const int offString = 76;
        const int offDx = offString + ((static_cast<int>(s.size()) * 2 + 3) / 4) * 4;
        rec.u32(offString);
        rec.u32(0);
        rec.i32(0); rec.i32(0); rec.i32(-1); rec.i32(-1);
        rec.u32(static_cast<quint32>(offDx));
        for (QChar c : s) rec.u16(c.unicode());
        while (rec.size() - at < offDx) rec.u8(0);
        for (int i = 0; i < s.size(); ++i) rec.u32(22);
        end(at);
    }
    QByteArray file(int width, int height) {
        const int at = begin(14);
        rec.u32(0); rec.u32(16); rec.u32(20);
        end(at);
        Bytes h;
        const int headerSize = 108;
        h.u32(1); h.u32(headerSize);
        h.i32(0); h.i32(0); h.i32(width - 1); h.i32(height - 1);
        // frame in 0.01 mm at 96 dpi
        h.i32(0); h.i32(0); h.i32(width * 2540 / 96); h.i32(height * 2540 / 96);
        h.u32(0x464D4520u); h.u32(0x10000u);
        h.u32(static_cast<quint32>(headerSize + rec.size()));
        h.u32(static_cast<quint32>(records + 1));
        h.u16(handles); h.u16(0);
        h.u32(0); h.u32(0); h.u32(0);
        h.i32(1024); h.i32(768);    // reference device, pixels
        h.i32(271); h.i32(203);     // and millimetres (96 dpi)
        h.u32(0); h.u32(0); h.u32(0);
        h.i32(271000); h.i32(203000);
        h.data.append(rec.data);
        return h.data;
    }
};

QByteArray emfSample() {
    Emf m;
    m.simple(17, 1);  // MM_TEXT
    m.simple(18, 1);  // transparent text background
    m.select(m.pen(qRgb(0x20, 0x30, 0x60), 3));
    m.select(m.brush(qRgb(0xD8, 0xEE, 0xF8)));
    m.box(43, 0, 0, 240, 160);
    m.select(m.brush(qRgb(0x7A, 0x3C, 0xC8)));
    m.box(42, 20, 20, 100, 100);
    m.select(m.brush(qRgb(0xE8, 0x8A, 0x20)));
    m.polygon({{120, 140}, {180, 40}, {230, 140}});
    m.select(m.font(28, QStringLiteral("DejaVu Sans")));
    m.simple(24, Emf::colour(qRgb(0x10, 0x10, 0x10)));
    m.text(30, 112, QStringLiteral("EMF"));
    return m.file(240, 160);
}

// --- a 30000 x 30000 PNG of 1-bit pixels (about 110 KB) -----------------------------

QByteArray hugePng() {
    const quint32 side = 30000;
    auto chunk = [](Bytes& out, const char* type, const QByteArray& body) {
        QByteArray be;
        QDataStream s(&be, QIODevice::WriteOnly);
        s << static_cast<quint32>(body.size());
        out.data.append(be);
        QByteArray typed(type);
        typed.append(body);
        out.data.append(typed);
        // CRC-32 of type and body
        quint32 crc = 0xFFFFFFFFu;
        for (char ch : typed) {
            crc ^= static_cast<unsigned char>(ch);
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        crc ^= 0xFFFFFFFFu;
        QByteArray c;
        QDataStream cs(&c, QIODevice::WriteOnly);
        cs << crc;
        out.data.append(c);
    };
    Bytes png;
    png.data.append("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    QDataStream s(&ihdr, QIODevice::WriteOnly);
    s << side << side << quint8(1) << quint8(0) << quint8(0) << quint8(0) << quint8(0);
    chunk(png, "IHDR", ihdr);
    QByteArray raw(static_cast<qsizetype>(side) * (1 + side / 8), '\0');
    QByteArray z = qCompress(raw, 9);
    chunk(png, "IDAT", z.mid(4));  // qCompress prefixes the length; the rest is a zlib stream
    chunk(png, "IEND", {});
    return png.data;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: picture_samples <directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    bool ok = true;

    const QSize size(200, 120);
    ok &= drawing(size, "BMP").convertToFormat(QImage::Format_RGB32).save(path("sample.bmp"), "BMP");
    ok &= drawing(size, "JPG").save(path("sample.jpg"), "JPG", 90);
    ok &= drawing(size, "JPEG").save(path("sample.jpeg"), "JPG", 90);
    ok &= drawing(size, "PNG").save(path("sample.png"), "PNG");
    ok &= save(path("sample.gif"), gif({drawing(size, "GIF")}, 0));
    ok &= save(path("animated.gif"), gif({drawing(size, "GIF 1", 0), drawing(size, "GIF 2", 1), drawing(size, "GIF 3", 2)}, 40));
    ok &= save(path("sample.ico"), ico({drawing({16, 16}, ""), drawing({48, 48}, "ICO"), drawing({32, 32}, "")}));
    ok &= save(path("sample.cur"), cur(drawing({32, 32}, "C")));
    const QByteArray wmf = wmfSample();
    const QByteArray emf = emfSample();
    ok &= save(path("sample.wmf"), wmf);
    ok &= save(path("sample.emf"), emf);

    // Bad inputs.
    ok &= save(path("not-a-picture.gif"), "This is a text file, not a picture.\n");
    QByteArray jpg;
    {
        QBuffer buf(&jpg);
        buf.open(QIODevice::WriteOnly);
        drawing(size, "CUT").save(&buf, "JPG", 90);
    }
    ok &= save(path("truncated.jpg"), jpg.left(jpg.size() / 2));
    ok &= save(path("truncated.wmf"), wmf.left(wmf.size() / 2));
    ok &= save(path("truncated.emf"), emf.left(emf.size() / 2));
    ok &= save(path("empty.bmp"), {});
    ok &= save(path("huge.png"), hugePng());
    return ok ? 0 : 1;
}
