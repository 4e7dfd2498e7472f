// The main window, offscreen, over the fake desktop with a pretend link launcher: the
// welcome at a first start; store failures; message boxes clear of open pages; the Create
// and Activate Host Links pages; closing with an active link.
#include "../unit/LinkTestDoubles.h"

#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "LinkStarts.h"
#include "LinkTable.h"
#include "MsgBoxPlacement.h"
#include "PictureFeature.h"
#include "UiHarness.h"

#include <QListWidget>
#include <QtTest>

using namespace kivra;

namespace {

HostLink titled(const std::string& title) {
    HostLink link;
    link.title = title;
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

    // A first start shows the welcome box and picture; the box's tick, saved at the close,
    // keeps the box away from the next start. Placement and topmost are the x11 tier's.
    void firstStartWelcomesAndTheTickKeepsTheNextStartQuiet() {
        auto store = std::make_shared<MemoryStore>();
        tickCheckBoxes = true;  // "Don't show this again."
        start(store);
        QCOMPARE(kinds, QList<int>{MsgWelcome});
        const PictureDisplay& d = form->pictures()->display();  // the welcome picture, 3D by default
        QCOMPARE(d.currentPath(), test::programFolder() + "welcome.gif");
        QVERIFY(d.picture1()->isVisible());
        QCOMPARE(d.picture1()->geometry(), QRect(0, 0, 288, 66));  // auto size, no alignment
        form->close();
        QCOMPARE(store->read(kMainAppName, "MainOptions", "StartupMsg", "-1"), std::string("0"));
        forgetBoxes();
        start(store);
        QVERIFY(kinds.isEmpty());
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

    // The page lists the desktop and adds the selected window; a box over it keeps clear of it.
    void createPageListsTheDesktopAndAddsTheSelectedWindow() {
        desktop.addWindow({.title = "Report - Editor  ", .className = "Editor"});
        desktop.addWindow({.title = "Mail - Inbox", .className = "Mailer"});
        startWithLauncher();
        const QSize box(300, 120);
        const QPoint centred = placeMsgBox(placementFor(form.get()), box, form->twips());
        form->openCreatePage();
        CreateLinksPage* page = form->createPage();
        QVERIFY(page->isVisible() && !form->panel()->isVisible());
        QVERIFY(placeMsgBox(placementFor(form.get()), box, form->twips()) != centred);
        QCOMPARE(items(page->hostList()), (QStringList{"T: Mail - Inbox", "T: Report - Editor"}));
        select(page->hostList(), "T: Report - Editor");
        form->addLink();
        QCOMPARE(items(page->linkList()), QStringList{"Report - Editor"});
        // Esc from the list that has the focus closes the page, back to the controls.
        QTest::keyClick(page->linkList(), Qt::Key_Escape);
        QVERIFY(!form->pageOpen() && form->controlsShown());
    }

    void activateStartsTheLinkProgramAndTheWindowKeepsTrackOfIt() {
        const WindowId host = desktop.addWindow({.title = "Mail", .pid = 100});
        startWithLauncher();
        form->links().insert(titled("Alpha"));
        form->links().insert(titled("Mail"));
        form->openActivatePage();
        ActivateLinksPage* page = form->activatePage();
        select(page->statusList(), "Inactive: Mail");
        form->activateLink();
        const std::string argument = linkArgumentString(host, form->nativeId(), "Mail");
        QCOMPARE(launcher->arguments, std::vector<std::string>{argument});

        // The started program shows its window: identified, recorded, listed first.
        const ProcessId pid = *launcher->running.begin();
        const WindowId linkWindow =
            desktop.addWindow({.title = "Mail", .className = "QbaseRT5-Kivlink", .pid = pid});
        QTRY_COMPARE(items(page->statusList()), (QStringList{"Active  : Mail", "Inactive: Alpha"}));
        QCOMPARE(form->links().at(1).linkWindow, linkWindow);

        // Closing with an active link asks first; No keeps the window open and saves nothing.
        answers[MsgExitMain] = {MsgResultSecond};
        QVERIFY(!form->close());
        QCOMPARE(kinds, QList<int>{MsgExitMain});
        QVERIFY(form->isVisible());
        QCOMPARE(store->read(kMainAppName, "HostLinks", "HLinkCnt", "-1"), std::string("-1"));

        // The host closes: the link is inactive again.
        desktop.destroy(host);
        desktop.destroy(linkWindow);
        QTRY_COMPARE(items(page->statusList()), (QStringList{"Inactive: Alpha", "Inactive: Mail"}));
        QCOMPARE(form->links().activeLinkCount(), 0);
    }
};

}  // namespace

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
