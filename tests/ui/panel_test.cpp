// The controls panel on the main form, offscreen: the Kick Timer frame, the Set Preferences
// page with the colour page, the title bar caption and its text entry (which holds the other
// bindings off), readable disabled captions; the About box (Alt+F1, right click on a frame)
// with its Info loop, context help from left clicks on frames.
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

#include <QtTest>

using namespace kivra;
using test::click;

namespace {

QColor swatch(bool paletteA, int n) { return QColor::fromRgb(bgrToRgb(swatchColor(paletteA, n))); }
int luma(const QColor& c) { return (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000; }

}  // namespace

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
        click(timer()->command());
        QVERIFY(!form->kickTimerRunning());
        click(timer()->command());  // enables again at the checked interval
        QVERIFY(form->kickTimerRunning());

        click(form->panel()->optionsButton());
        click(page()->formOption(3));  // the checked "Yes": the check moves to "No"
        QVERIFY(!form->preferences().alwaysOnTop);
        QVERIFY(page()->formOption(4)->isChecked() && !page()->formOption(3)->isChecked());
        QVERIFY(!form->kickTimerRunning());
    }

    // A swatch chosen in palette B is remembered across palette switches, until a reset.
    void swatchesAcrossPaletteSwitchesAndReset() {
        click(form->panel()->optionsButton());
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));  // palette B, never opened: its swatch 47
        QCOMPARE(background(), swatch(false, 47));
        click(page()->selectColorButton());
        QTest::mouseClick(page()->colorPage()->swatch(60), Qt::LeftButton);
        QCOMPARE(background(), swatch(false, 60));
        click(page()->closeButton());  // closes the colour page only
        click(page()->formOption(7));
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));
        QCOMPARE(background(), swatch(false, 60));

        // Reset answered No changes nothing; Yes restores the defaults.
        click(page()->formOption(6));
        click(page()->formOption(1));
        form->pictures()->setAppearance3D(false);
        answers[22] = {7};
        click(page()->resetButton());
        QCOMPARE(kinds, QList<int>{22});
        QVERIFY(!form->preferences().paletteA && !form->preferences().toolTips);
        QCOMPARE(form->preferences().startup, StartupState::Maximized);

        click(page()->resetButton());
        QVERIFY(form->preferences().paletteA && form->preferences().toolTips && form->preferences().alwaysOnTop);
        QCOMPARE(form->preferences().startup, StartupState::Normal);
        QVERIFY(form->pictures()->display().appearance3D());
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));  // palette B's swatch is the default again
        QCOMPARE(background(), swatch(false, 47));
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
        click(caption()->command());
        QVERIFY(caption()->entryPage()->isVisible());
        QTest::keyClick(caption()->entryBox(), Qt::Key_F1, Qt::AltModifier);
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QTest::mouseClick(form.get(), Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(kinds.isEmpty() && helpIds.isEmpty());
        QTest::keyClicks(caption()->entryBox(), QStringLiteral("Today %DATE%"));
        click(caption()->okButton());
        QCOMPARE(form->preferences().captionText, std::string("Today %DATE%"));  // the template is kept
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("Today ")));
        QVERIFY(form->captionTimerRunning());
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);  // the bindings are back
        QCOMPARE(kinds, QList<int>{MsgAbout});

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

    // Alt+F1 shows About, whose Info button loops through the support box; a right click
    // on a frame shows About too, a left click opens the frame's help.
    void aboutFromAltF1AndFramesAndHelpFromFrames() {
        answers[MsgAbout] = {MsgResultInfo, MsgResultFirst};
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(kinds, (QList<int>{MsgAbout, 36, MsgAbout}));
        auto* frame = form->findChild<QWidget*>("LinksFrame");
        QTest::mouseClick(frame, Qt::RightButton, {}, bareSpot(frame));
        QCOMPARE(kinds, (QList<int>{MsgAbout, 36, MsgAbout, MsgAbout}));
        QVERIFY(helpIds.isEmpty());
        QTest::mouseClick(frame, Qt::LeftButton, {}, bareSpot(frame));
        QCOMPARE(helpIds, QList<int>{4010});
    }
};

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
