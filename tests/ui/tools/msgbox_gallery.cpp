// Renders the icon set and the message box form for a few kinds to PNG files, so that a person
// can look at them: msgbox_gallery <output directory>. Run it on the offscreen platform.
#include "Icons.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

struct IconEntry {
    int number;
    const char* name;
};

const std::vector<IconEntry> kIcons{
    {0, "design"},      {1, "program"},     {2, "link"},         {3, "link grey"},
    {4, "main"},        {5, "main grey"},   {8, "refusal"},      {9, "warning"},
    {10, "question"},   {12, "link L"},     {13, "link grey L"}, {14, "main L"},
    {15, "main grey L"},
};

// One row per icon: 16, 32 and 64 px as rendered, then 16 px blown up 4x to show its pixels,
// on a light and on a dark background.
QImage contactSheet() {
    const int rowH = 76, cellW = 80, labelW = 90, cols = 8;
    QImage sheet(labelW + cols * cellW, 20 + rowH * int(kIcons.size()), QImage::Format_ARGB32);
    sheet.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&sheet);
    p.setFont(QFont(QApplication::font().family(), 9));
    const char* headers[] = {"16", "32", "64", "16 x4", "16", "32", "64", "16 x4"};
    for (int c = 0; c < cols; ++c)
        p.drawText(labelW + c * cellW + 4, 14, QString::fromLatin1(headers[c]));
    p.fillRect(labelW + 4 * cellW, 20, 4 * cellW, rowH * int(kIcons.size()), QColor(0x30, 0x30, 0x38));
    int y = 20;
    for (const auto& e : kIcons) {
        p.setPen(Qt::black);
        p.drawText(4, y + 20, QString::number(e.number) + QLatin1String(" ") + QLatin1String(e.name));
        for (int half = 0; half < 2; ++half) {
            const int x0 = labelW + half * 4 * cellW;
            int c = 0;
            for (int size : {16, 32, 64})
                p.drawPixmap(x0 + (c++) * cellW + 4, y + 4, kivra::kivraPixmap(e.number, size));
            const QImage small = kivra::kivraPixmap(e.number, 16).toImage();
            p.drawImage(QRect(x0 + 3 * cellW + 4, y + 4, 64, 64), small);
        }
        y += rowH;
    }
    return sheet;
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(out);
    bool ok = save(contactSheet(), out + QLatin1String("/icons.png"));
    for (const auto& e : kIcons)
        for (int size : {16, 32, 64})
            ok = kivra::kivraPixmap(e.number, size).save(
                     out + QStringLiteral("/icon-%1-%2.png").arg(e.number).arg(size)) && ok;
    return ok ? 0 : 1;
}
