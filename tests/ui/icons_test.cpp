// The icon resources: every number renders at the usual sizes, grey variants are grey.
#include "Icons.h"

#include <QtTest>

using namespace kivra;

namespace {

const QList<int> kAll{0, 1, 2, 3, 4, 5, 8, 9, 10, 12, 13, 14, 15};

struct PixelStats {
    double covered = 0;  // share of pixels that are not fully transparent
    int maxSaturation = 0;
    int colours = 0;
};

PixelStats statsOf(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    PixelStats s;
    int covered = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0)
                continue;
            ++covered;
            if (c.alpha() >= 200)  // blurred edges aside
                s.maxSaturation = std::max(s.maxSaturation, c.hsvSaturation());
            colours.insert(c.rgba());
        }
    s.covered = double(covered) / (image.width() * image.height());
    s.colours = int(colours.size());
    return s;
}

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT

private slots:
    void rendersEverySize_data() {
        QTest::addColumn<int>("number");
        for (int n : kAll)
            QTest::addRow("%d", n) << n;
    }

    void rendersEverySize() {
        QFETCH(int, number);
        QVERIFY(isKivraIcon(number));
        for (int size : {16, 32, 64}) {
            const QPixmap pixmap = kivraPixmap(number, size);
            QCOMPARE(pixmap.size(), QSize(size, size));
            const PixelStats s = statsOf(pixmap.toImage());
            QVERIFY2(s.covered > 0.3 && s.covered < 1.0, qPrintable(QStringLiteral("size %1 covered %2").arg(size).arg(s.covered)));
            QVERIFY2(s.colours >= 3, qPrintable(QStringLiteral("size %1").arg(size)));
        }
        const QIcon icon = kivraIcon(number);
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    }
    void greyVariantsAreGreyAndBrightOnesVivid() {
        for (int n : {3, 5, 13, 15})
            QVERIFY2(statsOf(kivraPixmap(n, 32).toImage()).maxSaturation < 40, qPrintable(QString::number(n)));
        for (int n : {1, 2, 4, 12, 14, 8, 9, 10})
            QVERIFY2(statsOf(kivraPixmap(n, 32).toImage()).maxSaturation > 150, qPrintable(QString::number(n)));
    }
};

QTEST_MAIN(IconsTest)
#include "icons_test.moc"
