// At 144 logical DPI, beyond the large-font class, the shown panel still holds every frame
// and the Hide Controls button inside the window.
#include "UiHarness.h"

#include <QScreen>
#include <QtTest>

using namespace kivra;

class PanelHighDpiTest : public QObject, test::MainFormFixture {
    Q_OBJECT

private slots:
    void cleanup() { end(); }
    void everyPanelControlLiesInsideTheWindow() {
        QCOMPARE(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()), 144);
        answerBoxes();
        start(std::make_shared<MemoryStore>());
        form->resize(100, 60);  // smaller than the panel: showing it enlarges the window
        form->showControls();
        QVERIFY(form->controlsShown());
        for (const char* name :
             {"LinksFrame", "OptionsFrame", "PictureFrame", "TitleBarCapFrame", "TimerFrame", "HideControlsCmd"}) {
            auto* w = form->findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(w && form->rect().contains(QRect(w->mapTo(form.get(), QPoint(0, 0)), w->size())), name);
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
