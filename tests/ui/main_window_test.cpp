// The main window, offscreen, over the fake desktop with a pretend link launcher: first
// start, welcome box, close-and-save and the next start; stored preferences shaping the
// window; store failures; message boxes clear of open pages; the Create and Activate Host
// Links pages; automatic starts; closing with active links.
#include "../unit/LinkTestDoubles.h"

#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "HostListRefresh.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "MsgBoxPlacement.h"
#include "Palettes.h"
#include "PictureFeature.h"
#include "StoredValue.h"
#include "UiHarness.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QtTest>

using namespace kivra;

namespace {

const char* kMain = test::kMainSection;

HostLink titled(const std::string& title, WindowId host = 0, WindowId linkWindow = 0) {
    HostLink link;
    link.title = title;
    link.active = host != 0;
    link.hostWindow = host;
    link.linkWindow = linkWindow;
    return link;
}

QStringList items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

void select(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}

class MainWindowTest : public QObject, test::MainFormFixture {
    Q_OBJECT

    std::shared_ptr<test::FakeLauncher> launcher;
    std::shared_ptr<MemoryStore> store;

    void startWithLauncher() {
        store = test::quietStore();
        launcher = std::make_shared<test::FakeLauncher>();
        start(store, true, [&](MainEnvironment& env) { env.launcher = launcher; });
    }

private slots:
    void init() { answerBoxes(); }
    void cleanup() { end(); }

    void firstStartCloseSavesAndTheNextStartAppliesIt() {
        auto store = std::make_shared<MemoryStore>();
        tickCheckBoxes = true;  // "Don't show this again."
        start(store);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form->frameGeometry(),
                 QRect(QPoint((screen.width() - 300) / 2, (screen.height() - 100) / 2), QSize(300, 100)));
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(kinds, QList<int>{MsgWelcome});
        const PictureDisplay& d = form->pictures()->display();  // the welcome picture, 3D by default
        QCOMPARE(d.currentPath(), test::programFolder() + "welcome.gif");
        QVERIFY(d.picture1()->isVisible());
        QCOMPARE(d.picture1()->geometry(), QRect(0, 0, 288, 66));  // auto size, no alignment
        QCOMPARE(store->writeCount(), 0);
        form->move(40, 30);
        QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(40, 30));
        form->close();

        // Every key's round trip is the preferences library's; here the close saves them.
        const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
        QCOMPARE(store->read(kMain, "MainOptions", "StartupMsg", "-1"), std::string("0"));
        QCOMPARE(store->read(kMain, "HostLinks", "HLinkCnt", "-1"), std::string("0"));
        QCOMPARE(store->read(kMain, "FormPosSize", "Left", "-1"), twipsText(40 * 15.0 * 96 / dpi));
        forgetBoxes();
        start(store);
        QVERIFY(kinds.isEmpty());  // the welcome box stays away
        QCOMPARE(form->frameGeometry(), QRect(40, 30, 300, 100));
    }

    // Stored preferences shape the window, and a box over an open page keeps clear of it.
    void storedPreferencesShapeTheWindowAndPlaceItsBoxes() {
        auto store = test::quietStore();
        store->write(kMain, "FormPrefs", "FormKVA", "2");
        store->write(kMain, "MainOptions", "TBCapOptN", "3");
        store->write(kMain, "FormPrefs", "FormColorPal", "2");
        store->write(kMain, "FormPrefs", "FormPal2Color", "1");
        store->write(kMain, "HostLinks", "HLinkCnt", "2");
        store->write(kMain, "HostLinks", "Link1", "beta");
        store->write(kMain, "HostLinks", "Link2", "Alpha");
        store->write(kMain, "PicturePrefs", "PicAlign", "2");
        start(store);
        QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("X:")));
        QCOMPARE(form->palette().color(QPalette::Window), QColor::fromRgb(bgrToRgb(swatchColor(false, 1))));
        QCOMPARE(form->links().linkCount(), 2);
        QCOMPARE(form->links().at(0).title, std::string("Alpha"));

        const QSize box(300, 120);
        const QPoint centred = placeMsgBox(placementFor(form.get()), box, form->twips());
        QCOMPARE(placementFor(form.get()).pictureAlignment, 2);
        form->showControls();
        form->openCreatePage();
        QCOMPARE(placementFor(form.get()).page, OpenPage::Links);
        QVERIFY(placeMsgBox(placementFor(form.get()), box, form->twips()) != centred);
        form->closeCreatePage();
        form->pictures()->openSelectPage();
        QCOMPARE(placementFor(form.get()).page, OpenPage::SelectPicture);
    }

    void storeFailuresAreReportedAndTheWindowStillCloses() {
        start(test::quietStore(), false,
              [](MainEnvironment& env) { env.storeOpenError = KivraError(70, "Permission denied"); });
        QCOMPARE(kinds, QList<int>{MsgErrorReport});

        class FailingStore : public MemoryStore {
        public:
            void write(std::string_view, std::string_view, std::string_view, std::string_view) override {
                throw KivraError(70, "Permission denied");
            }
        };
        start(std::make_shared<FailingStore>());
        forgetBoxes();
        QVERIFY(form->close());
        QCOMPARE(kinds, QList<int>{MsgErrorReport});
    }

    void createPageListsTheDesktopAndAddsTheSelectedWindow() {
        desktop.addWindow({.title = "Report - Editor  ", .className = "Editor"});
        desktop.addWindow({.title = "Mail - Inbox", .className = "Mailer"});
        startWithLauncher();
        form->openCreatePage();
        CreateLinksPage* page = form->createPage();
        QVERIFY(page->isVisible() && !form->panel()->isVisible());
        QCOMPARE(items(page->hostList()), (QStringList{"T: Mail - Inbox", "T: Report - Editor"}));
        select(page->hostList(), "T: Report - Editor");
        form->addLink();
        select(page->hostList(), "T: Mail - Inbox");
        form->addLink();
        QCOMPARE(items(page->linkList()), (QStringList{"Mail - Inbox", "Report - Editor"}));
        QCOMPARE(page->linkList()->currentRow(), 0);  // the new link is selected
        QCOMPARE(page->linkCountLabel()->text(), QString::fromStdString(linkCountLabelText(2)));
        QCOMPARE(form->links().at(0).winClass, std::string("Mailer"));
        QVERIFY(kinds.isEmpty());
        QCOMPARE(store->writeCount(), 1);  // only the StartupMsg of the test; Add writes nothing
        // Esc from the list that has the focus closes the page, back to the controls.
        QTest::keyClick(page->linkList(), Qt::Key_Escape);
        QVERIFY(!form->pageOpen() && form->controlsShown());
    }

    void activateStartsTheLinkProgramAndThePageShowsItActiveFirst() {
        const WindowId host = desktop.addWindow({.title = "Mail", .pid = 100});
        startWithLauncher();
        form->links().insert(titled("Alpha"));
        form->links().insert(titled("Mail"));
        form->openActivatePage();
        ActivateLinksPage* page = form->activatePage();
        QCOMPARE(items(page->statusList()), (QStringList{"Inactive: Alpha", "Inactive: Mail"}));
        select(page->statusList(), "Inactive: Mail");
        form->activateLink();
        QCOMPARE(launcher->arguments, std::vector<std::string>{linkArgumentString(host, form->nativeId(), "Mail")});

        // The started program shows its window: identified, recorded, counted.
        const ProcessId pid = *launcher->running.begin();
        const WindowId linkWindow = desktop.addWindow({.title = "Mail", .className = "QbaseRT5-Kivlink", .pid = pid});
        QTRY_COMPARE(form->links().activeLinkCount(), 1);
        QCOMPARE(form->links().at(1).linkWindow, linkWindow);
        QTRY_COMPARE(items(page->statusList()), (QStringList{"Active  : Mail", "Inactive: Alpha"}));
        QCOMPARE(page->statsLabel()->text(), QStringLiteral("Total Links Active: 1"));

        // Activating it again starts nothing.
        select(page->statusList(), "Active  : Mail");
        form->activateLink();
        QCOMPARE(kinds, QList<int>{MsgLinkAlreadyActive});
        QCOMPARE(launcher->arguments.size(), size_t(1));

        // The host closes: the link is inactive and the count drops once, also after two
        // more walks of the desktop (the refreshes a second drop would have shown in).
        desktop.destroy(host);
        desktop.destroy(linkWindow);
        QTRY_COMPARE(items(page->statusList()), (QStringList{"Inactive: Alpha", "Inactive: Mail"}));
        int walks = 0;
        desktop.onCall(SeamCall::TopLevelWindows, [&](WindowId) { ++walks; }, HookRepeat::Always);
        QTRY_VERIFY(walks >= 2);
        desktop.clearHooks();
        QCOMPARE(form->links().activeLinkCount(), 0);
    }

    // The desktop's notification runs the auto-execute watcher: posted events only, no timer runs.
    void aWindowThatAppearsStartsItsAutomaticLinkAtOnce() {
        startWithLauncher();
        // Automatic starts begin once the scan for links left running has come back.
        QTRY_VERIFY(form->autoStartsRunning());
        form->links().insert(titled("Mail"));
        desktop.addWindow({.title = "Mail", .pid = 100});
        QCoreApplication::sendPostedEvents();
        QCOMPARE(launcher->arguments.size(), size_t(1));
    }

    void closingWithActiveLinksAsksOnceAndNoKeepsThemRunning() {
        const WindowId h1 = desktop.addWindow({.title = "A"});
        const WindowId h2 = desktop.addWindow({.title = "B"});
        startWithLauncher();
        for (auto [title, host] : {std::pair{"A", h1}, std::pair{"B", h2}}) {
            form->links().insert(
                titled(title, host, desktop.addWindow({.title = title, .className = "QbaseRT5-Kivlink", .pid = 9})));
            form->links().incrementActiveLinkCount();
        }
        answers[MsgExitMain] = {MsgResultSecond};
        QVERIFY(!form->close());
        QCOMPARE(kinds, QList<int>{MsgExitMain});
        QVERIFY(form->isVisible());
        QCOMPARE(store->read(test::kMainSection, "HostLinks", "HLinkCnt", "-1"), std::string("-1"));

        kinds.clear();
        QVERIFY(form->close());
        QCOMPARE(kinds, QList<int>{MsgExitMain});
        QCOMPARE(store->read(test::kMainSection, "HostLinks", "Link1", "-1"), std::string("A"));
    }
};

}  // namespace

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
