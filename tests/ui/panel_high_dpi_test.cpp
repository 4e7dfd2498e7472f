// At 144 logical DPI, beyond the large-font class, the shown panel still holds every frame
// and the Hide Controls button inside the window.
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "ShowMessage.h"
#include "UiHarness.h"

#include <QScreen>
#include <QtTest>

using namespace kivra;

class PanelHighDpiTest : public QObject {
    Q_OBJECT

private slots:
    void everyPanelControlLiesInsideTheWindow() {
        QCOMPARE(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()), 144);
        test::MessageBoxes boxes;
        FakeDesktop desktop;
        auto started = test::startMainForm(desktop, std::make_shared<MemoryStore>());
        MainForm& form = *started;
        form.resize(100, 60);  // smaller than the panel: showing it enlarges the window
        form.showControls();
        QVERIFY(form.controlsShown());
        for (const char* name :
             {"LinksFrame", "OptionsFrame", "PictureFrame", "TitleBarCapFrame", "TimerFrame", "HideControlsCmd"}) {
            auto* w = form.findChild<QWidget*>(QLatin1String(name));
            QVERIFY(w);
            const QRect r(w->mapTo(&form, QPoint(0, 0)), w->size());
            QVERIFY2(form.rect().contains(r),
                     qPrintable(QString("%1 at %2,%3 %4x%5 outside %6x%7")
                                    .arg(name).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                                    .arg(form.width()).arg(form.height())));
        }
    }
};

int main(int argc, char** argv) {
    // Qt takes the logical DPI from these before the application exists.
    qputenv("QT_FONT_DPI", "144");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    PanelHighDpiTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "panel_high_dpi_test.moc"
