// Disabled captions on the panel stay readable on every background colour the palettes offer.
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "Palettes.h"
#include "PictureFrame.h"
#include "ShowMessage.h"
#include "UiHarness.h"

#include <QCheckBox>
#include <QtTest>

using namespace kivra;

namespace {
int luma(const QColor& c) { return (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000; }
}  // namespace

class CoverPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void disabledTextContrastsWithEverySwatch() {
        test::MessageBoxes boxes;
        FakeDesktop desktop;
        MainEnvironment env;
        env.windows = &desktop;
        env.store = std::make_shared<MemoryStore>();
        MainForm form(std::move(env));
        QCheckBox* show = form.panel()->pictureFrame()->option(PicOption::Show);
        QVERIFY(!show->isEnabled());  // no picture loaded
        for (bool paletteA : {true, false}) {
            for (int n = 1; n <= 60; ++n) {
                const QColor bg = QColor::fromRgb(bgrToRgb(swatchColor(paletteA, n)));
                form.applyBackgroundColor(bg);
                const QColor text = show->palette().color(QPalette::Disabled, QPalette::WindowText);
                QVERIFY2(std::abs(luma(text) - luma(bg)) >= 60,
                         qPrintable(QString("palette %1 swatch %2").arg(paletteA ? "A" : "B").arg(n)));
            }
        }
    }
};

QTEST_MAIN(CoverPaletteTest)
#include "cover_palette_test.moc"
