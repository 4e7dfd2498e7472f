// The controls panel on the main form, offscreen: the Kick Timer frame, the Set Preferences
// page with the colour page, the title bar caption and its text entry (which holds the other
// bindings off), readable disabled captions; the About box (Alt+F1, right click on a frame)
// with its Info loop, context help from left clicks on frames, the help hook and page.
#include "ColorSelectPage.h"
#include "MsgBoxForm.h"
#include "MsgBoxKinds.h"
#include "Palettes.h"
#include "PictureFeature.h"
#include "PictureFrame.h"
#include "PreferencesPage.h"
#include "TimerFrame.h"
#include "TitleBarCapFrame.h"
#include "UiHarness.h"
#include "WindowBindings.h"

#include <QDesktopServices>
#include <QtTest>

using namespace kivra;
using test::click;

namespace {

QColor swatch(bool paletteA, int n) { return QColor::fromRgb(bgrToRgb(swatchColor(paletteA, n))); }
int luma(const QColor& c) { return (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000; }

}  // namespace

// Receives the URLs the help hook asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class PanelTest : public QObject, test::MainFormFixture {
    Q_OBJECT

    QList<int> helpIds;

    TitleBarCapFrame* caption() { return form->panel()->captionFrame(); }
    TimerFrame* timer() { return form->panel()->timerFrame(); }
    PreferencesPage* page() { return form->preferencesPage(); }
    QColor background() const { return form->palette().color(QPalette::Window); }
    // A point of the widget that none of its children covers: its border or caption.
    static QPoint bareSpot(QWidget* w) {
        for (int y = w->height() - 2; y > 0; --y)
            for (int x = 1; x < w->width() - 1; ++x)
                if (!w->childAt(x, y)) return QPoint(x, y);
        return QPoint(1, 1);
    }

private slots:
    void init() {
        answerBoxes();
        helpIds.clear();
        setHelpHook([this](int id, QWidget*) { helpIds << id; });
        start(std::make_shared<MemoryStore>(), true);
    }
    void cleanup() {
        end();
        setHelpHook({});
    }

    // An interval starts the timer and makes the window topmost; "No" on the page stops it.
    void kickTimerFromTheFrameAndThePage() {
        form->setAlwaysOnTop(false);
        click(timer()->option(KickInterval::Ms10));
        QVERIFY(form->kickTimerRunning());
        QVERIFY(form->preferences().alwaysOnTop);
        QVERIFY(!timer()->indicator()->isHidden());
        click(timer()->command());
        QVERIFY(!form->kickTimerRunning());
        QVERIFY(timer()->indicator()->isHidden());
        click(timer()->command());  // enables again at the checked interval
        QVERIFY(form->kickTimerRunning());
        QCOMPARE(form->preferences().kickInterval, KickInterval::Ms10);

        click(form->panel()->optionsButton());
        QVERIFY(form->pageOpen());
        click(page()->formOption(3));  // the checked "Yes": the check moves to "No"
        QVERIFY(!form->preferences().alwaysOnTop);
        QVERIFY(page()->formOption(4)->isChecked() && !page()->formOption(3)->isChecked());
        QVERIFY(!form->kickTimerRunning());
        click(page()->closeButton());
        QVERIFY(!form->pageOpen() && form->controlsShown());
    }

    void swatchChosenInBIsRememberedAcrossPaletteSwitches() {
        click(form->panel()->optionsButton());
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));  // palette B, never opened: its swatch 47
        QCOMPARE(background(), swatch(false, 47));
        click(page()->selectColorButton());
        QVERIFY(page()->colorPageOpen());
        QTest::mouseClick(page()->colorPage()->swatch(60), Qt::LeftButton);
        for (QWidget* w : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(page()->colorSample()),
                           form->findChild<QWidget*>("Picture1"), form->findChild<QWidget*>("Picture2")})
            QCOMPARE(w->palette().color(QPalette::Window), swatch(false, 60));
        QVERIFY(page()->colorPage()->marker()->geometry().contains(page()->colorPage()->swatch(60)->geometry()));
        click(page()->closeButton());  // closes the colour page only
        QVERIFY(!page()->colorPageOpen() && form->pageOpen());
        click(page()->formOption(7));
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));
        QCOMPARE(background(), swatch(false, 60));
    }

    void resetAnsweredNoChangesNothingAndYesRestoresDefaults() {
        click(form->panel()->optionsButton());
        click(page()->formOption(8));
        click(page()->formOption(6));
        click(page()->formOption(1));
        form->pictures()->setAutoSize(false);
        form->pictures()->setAppearance3D(false);
        answers[22] = {7};
        click(page()->resetButton());
        QCOMPARE(kinds, QList<int>{22});
        QVERIFY(!form->preferences().paletteA && !form->preferences().toolTips);
        QCOMPARE(form->preferences().startup, StartupState::Maximized);

        form->preferencesForEdit().pal1Color = 3;
        click(page()->resetButton());
        QVERIFY(form->preferences().paletteA && form->preferences().toolTips && form->preferences().alwaysOnTop);
        QCOMPARE(form->preferences().startup, StartupState::Normal);
        QVERIFY(form->pictures()->display().autoSize() && form->pictures()->display().appearance3D());
        QCOMPARE(background(), swatch(true, 47));
        QVERIFY(page()->formOption(7)->isChecked() && page()->formOption(5)->isChecked());
    }

    // The title bar caption's modes and its text entry, which holds the window's other
    // bindings off while it is open.
    void captionModesAndTheTextEntry() {
        click(caption()->option(CaptionMode::Blank));
        QCOMPARE(form->windowTitle(), QString());
        QVERIFY(!caption()->command()->isEnabled());
        click(caption()->option(CaptionMode::PositionTitle));
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("X:")));
        click(caption()->option(CaptionMode::Custom));
        QVERIFY(caption()->command()->isEnabled());

        click(caption()->command());
        QVERIFY(caption()->entryPage()->isVisible());
        QTest::keyClick(caption()->entryBox(), Qt::Key_F1, Qt::AltModifier);
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QTest::mouseClick(form.get(), Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(kinds.isEmpty() && helpIds.isEmpty());
        QTest::keyClicks(caption()->entryBox(), QStringLiteral("Today %DATE%"));
        click(caption()->cancelButton());  // Cancel changes nothing
        QVERIFY(!form->pageOpen() && !caption()->entryPage()->isVisible());
        QCOMPARE(form->preferences().captionText, std::string());
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(kinds, QList<int>{MsgAbout});

        click(caption()->command());
        QTest::keyClicks(caption()->entryBox(), QStringLiteral("Today %DATE%"));
        click(caption()->okButton());
        QCOMPARE(form->preferences().captionText, std::string("Today %DATE%"));  // the template is kept
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("Today ")));
        QVERIFY(!form->windowTitle().contains(QLatin1Char('%')));
        QVERIFY(form->captionTimerRunning());
        click(caption()->command());
        QCOMPARE(caption()->entryBox()->text(), QStringLiteral("Today %DATE%"));  // pre-filled
        click(caption()->cancelButton());

        click(caption()->option(CaptionMode::WindowTitle));
        QCOMPARE(form->windowTitle(), QStringLiteral("Kivra [Main]"));
        QTRY_VERIFY_WITH_TIMEOUT(!form->captionTimerRunning(), 2500);
    }

    // Disabled captions on the panel stay readable on every background the palettes offer.
    void disabledTextContrastsWithEverySwatch() {
        form->pictures()->frame()->option(PicOption::None)->click();  // no picture: Show is disabled
        QCheckBox* show = form->pictures()->frame()->option(PicOption::Show);
        QVERIFY(!show->isEnabled());
        for (bool paletteA : {true, false})
            for (int n = 1; n <= 60; ++n) {
                form->applyBackgroundColor(swatch(paletteA, n));
                const QColor text = show->palette().color(QPalette::Disabled, QPalette::WindowText);
                QVERIFY2(std::abs(luma(text) - luma(swatch(paletteA, n))) >= 60,
                         qPrintable(QString("palette %1 swatch %2").arg(paletteA ? "A" : "B").arg(n)));
            }
    }

    void altF1ShowsAboutAndInfoLoopsThroughSupport() {
        answers[MsgAbout] = {MsgResultInfo, MsgResultInfo, MsgResultFirst};
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(kinds, (QList<int>{MsgAbout, 36, MsgAbout, 36, MsgAbout}));
        QCOMPARE(bodies[0], aboutText(ProgramKind::Main, messages().versionText));
    }

    // A right click on a frame shows About; a left click opens the frame's help (id 0: none).
    void clicksOnPanelFrames_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("id");
        QTest::newRow("right") << "LinksFrame" << int(Qt::RightButton) << 0;
        QTest::newRow("left") << "LinksFrame" << int(Qt::LeftButton) << 4010;
        QTest::newRow("timer label") << "TimerTextBox1" << int(Qt::LeftButton) << 4045;
    }
    void clicksOnPanelFrames() {
        QFETCH(QString, frame);
        QFETCH(int, button);
        QFETCH(int, id);
        auto* w = form->findChild<QWidget*>(frame);
        QVERIFY(w);
        QTest::mouseClick(w, Qt::MouseButton(button), {}, bareSpot(w));
        QCOMPARE(helpIds, id ? QList<int>{id} : QList<int>{});
        QCOMPARE(kinds, id ? QList<int>{} : QList<int>{MsgAbout});
        QVERIFY(form->controlsShown());
    }

    void helpHookOpensTheShippedPageAtTheContextAnchor() {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler("file", &recorder, "open");
        installHelpHook();
        // Without xdg-open on the path the page goes to the toolkit's URL handlers.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray());
        openContextHelp(4041, form.get());
        qputenv("PATH", path);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls[0].toLocalFile(), helpFilePath());
        QCOMPARE(recorder.urls[0].fragment(), QStringLiteral("context-4041"));
    }

    // Every context id a frame or the message box opens has its topic in the shipped page.
    void theShippedHelpHasATopicForEveryContext() {
        QFile page(qEnvironmentVariable("KIVRA_BIN_DIR") + "/help/index.html");
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        const QString html = QString::fromUtf8(page.readAll());
        QList<int> ids{MsgBoxHelpContext, frameHelpContext("SelectOptsFrame", 4030)};
        for (const char* f : {"LinksFrame", "ActivateLinksFrame", "CreateLinksFrame", "EditLinksFrame", "OptionsFrame",
                              "PicOptsFrame", "ColorSelectFrame", "SelectPicFrame", "PictureFrame", "TitleBarCapFrame",
                              "TimerFrame", "TimerTextBox1"})
            ids << frameHelpContext(f, 4025);
        for (int id : ids)
            QVERIFY2(id != 0 && html.contains(QString("id=\"context-%1\"").arg(id)), qPrintable(QString::number(id)));
    }
};

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
