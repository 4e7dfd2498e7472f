// The Kick Timer frame, the Set Preferences page with the colour page, and the
// custom caption's refresh timer, on the main form, offscreen.
#include "ColorSelectPage.h"
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "Palettes.h"
#include "PreferencesPage.h"
#include "ShowMessage.h"
#include "TimerFrame.h"
#include "TitleBarCapFrame.h"
#include "UiHarness.h"

#include <QtTest>

using namespace kivra;

namespace {

QColor swatch(bool paletteA, int n) { return QColor::fromRgb(bgrToRgb(swatchColor(paletteA, n))); }

}  // namespace

class PreferencesPageTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    std::unique_ptr<MainForm> form;
    int resetAnswer = MsgResultFirst;
    std::unique_ptr<test::MessageBoxes> boxes;

    TitleBarCapFrame* caption() { return form->panel()->captionFrame(); }
    TimerFrame* timer() { return form->panel()->timerFrame(); }
    PreferencesPage* page() { return form->preferencesPage(); }
    QColor background() const { return form->palette().color(QPalette::Window); }
    // A check box answers clicks on its box and caption, not on the rest of its cell.
    void click(QAbstractButton* b) {
        const bool box = qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b);
        QTest::mouseClick(b, Qt::LeftButton, {}, box ? QPoint(6, b->height() / 2) : b->rect().center());
    }
    void clickSwatch(int n) { QTest::mouseClick(page()->colorPage()->swatch(n), Qt::LeftButton); }

private slots:
    void init() {
        resetAnswer = MsgResultFirst;
        boxes = std::make_unique<test::MessageBoxes>([this](MessageRequest& r) -> std::optional<int> {
            return r.content.kind == 22 ? std::optional<int>(resetAnswer) : std::nullopt;
        });
        form = test::startMainForm(desktop, std::make_shared<MemoryStore>());
        QVERIFY(form->firstActivationDone());
        boxes->clear();
        form->showControls();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void intervalClickStartsTheTimerAndMakesTheWindowTopmost() {
        form->setAlwaysOnTop(false);
        click(timer()->option(KickInterval::Ms10));
        QVERIFY(form->kickTimerRunning());
        QCOMPARE(form->preferences().kickInterval, KickInterval::Ms10);
        QVERIFY(form->preferences().alwaysOnTop);
        QCOMPARE(timer()->command()->text(), QStringLiteral("&Disable"));
        QVERIFY(!timer()->indicator()->isHidden());

        click(timer()->command());
        QVERIFY(!form->kickTimerRunning());
        QCOMPARE(timer()->command()->text(), QStringLiteral("&Enable"));
        QVERIFY(timer()->indicator()->isHidden());

        click(timer()->command());  // enables again at the checked interval
        QVERIFY(form->kickTimerRunning());
        QCOMPARE(form->preferences().kickInterval, KickInterval::Ms10);
    }

    void noStopsTheKickTimerInTheMainProgram() {
        click(timer()->option(KickInterval::Ms250));
        click(form->panel()->optionsButton());
        QVERIFY(form->pageOpen());
        QVERIFY(page()->formOption(3)->isChecked());
        click(page()->formOption(3));  // the checked "Yes": the check moves to "No"
        QVERIFY(!form->preferences().alwaysOnTop);
        QVERIFY(page()->formOption(4)->isChecked() && !page()->formOption(3)->isChecked());
        QVERIFY(!form->kickTimerRunning());
        QCOMPARE(timer()->command()->text(), QStringLiteral("&Enable"));
        click(page()->closeButton());
        QVERIFY(!form->pageOpen());
        QVERIFY(form->controlsShown());
    }
    void swatchChosenInBIsRememberedAcrossPaletteSwitches() {
        click(form->panel()->optionsButton());
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));  // palette B, never opened: its swatch 47
        QCOMPARE(background(), swatch(false, 47));
        click(page()->selectColorButton());
        QVERIFY(page()->colorPageOpen());
        QCOMPARE(page()->colorPage()->title(), QStringLiteral("Select Color - B"));
        QCOMPARE(page()->helpContext(), 4030);
        clickSwatch(12);
        QCOMPARE(background(), swatch(false, 12));
        QCOMPARE(page()->colorSample()->palette().color(QPalette::Window), swatch(false, 12));
        for (const char* box : {"Picture1", "Picture2"})
            QCOMPARE(form->findChild<QWidget*>(box)->palette().color(QPalette::Window), swatch(false, 12));
        const QRect marked = page()->colorPage()->swatch(12)->geometry();
        QVERIFY(page()->colorPage()->marker()->geometry().contains(marked));
        click(page()->closeButton());  // closes the colour page only
        QVERIFY(!page()->colorPageOpen());
        QVERIFY(form->pageOpen());
        click(page()->formOption(7));
        QCOMPARE(background(), swatch(true, 47));
        click(page()->formOption(8));
        QCOMPARE(background(), swatch(false, 12));
        QCOMPARE(form->preferences().pal2Color, 12);
    }

    void resetAnsweredNoChangesNothingAndYesRestoresDefaults() {
        click(form->panel()->optionsButton());
        click(page()->formOption(8));
        click(page()->formOption(6));
        click(page()->formOption(1));
        resetAnswer = 7;
        boxes->kinds.clear();
        click(page()->resetButton());
        QCOMPARE(boxes->kinds, QList<int>{22});
        QVERIFY(!form->preferences().paletteA);
        QVERIFY(!form->preferences().toolTips);
        QCOMPARE(form->preferences().startup, StartupState::Maximized);

        resetAnswer = MsgResultFirst;
        form->preferencesForEdit().pal1Color = 3;
        click(page()->resetButton());
        QVERIFY(form->preferences().paletteA);
        QVERIFY(form->preferences().toolTips);
        QVERIFY(form->preferences().alwaysOnTop);
        QCOMPARE(form->preferences().startup, StartupState::Normal);
        QCOMPARE(form->preferences().pal1Color, 47);
        QCOMPARE(background(), swatch(true, 47));
        QVERIFY(page()->formOption(7)->isChecked() && page()->formOption(5)->isChecked());
    }

    void captionModesAndTheTextEntry() {
        QCOMPARE(caption()->option(CaptionMode::WindowTitle)->text(), QStringLiteral("Main'&s Title"));
        click(caption()->option(CaptionMode::Blank));
        QCOMPARE(form->windowTitle(), QString());
        QVERIFY(!caption()->command()->isEnabled());
        click(caption()->option(CaptionMode::PositionTitle));
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("X:")));
        click(caption()->option(CaptionMode::Custom));
        QVERIFY(caption()->command()->isEnabled());
        QCOMPARE(caption()->command()->text(), QStringLiteral("Enter Te&xt"));

        click(caption()->command());
        QVERIFY(form->pageOpen());
        QTest::keyClicks(caption()->entryBox(), QStringLiteral("Today %DATE%"));
        click(caption()->cancelButton());  // Cancel changes nothing
        QVERIFY(!form->pageOpen());
        QCOMPARE(form->preferences().captionText, std::string());

        click(caption()->command());
        QTest::keyClicks(caption()->entryBox(), QStringLiteral("Today %DATE%"));
        click(caption()->okButton());
        QCOMPARE(form->preferences().captionText, std::string("Today %DATE%"));  // the template is kept
        QCOMPARE(form->preferences().captionMode, CaptionMode::Custom);
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("Today ")));
        QVERIFY(!form->windowTitle().contains(QLatin1Char('%')));
        QVERIFY(form->captionTimerRunning());
        QCOMPARE(caption()->command()->text(), QStringLiteral("Edit Te&xt"));
        click(caption()->command());
        QCOMPARE(caption()->entryBox()->text(), QStringLiteral("Today %DATE%"));  // pre-filled
        click(caption()->cancelButton());

        click(caption()->option(CaptionMode::WindowTitle));
        QCOMPARE(form->windowTitle(), QStringLiteral("Kivra [Main]"));
        QTRY_VERIFY_WITH_TIMEOUT(!form->captionTimerRunning(), 2500);
    }
};

QTEST_MAIN(PreferencesPageTest)
#include "preferences_page_test.moc"
