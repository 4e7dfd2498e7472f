// The Create and Activate Host Links pages on the main window, offscreen, over the
// fake desktop with a pretend link launcher and scripted message box answers.
#include "../unit/LinkTestDoubles.h"

#include "ActivateLinksPage.h"
#include "CreateLinksPage.h"
#include "LinkManagement.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "ShowMessage.h"
#include "UiHarness.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace kivra;

namespace {

HostLink titled(const std::string& title) {
    HostLink link;
    link.title = title;
    return link;
}

class LinkPagesTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    std::shared_ptr<test::FakeLauncher> launcher;
    std::shared_ptr<MemoryStore> store;
    std::unique_ptr<MainForm> form;
    std::unique_ptr<test::MessageBoxes> boxes;
    QList<int> answers;  // consumed in order; 6 when empty

    void start() {
        store = test::quietStore();
        launcher = std::make_shared<test::FakeLauncher>();
        form = test::startMainForm(desktop, store, [&](MainEnvironment& env) { env.launcher = launcher; });
        QVERIFY(form->firstActivationDone());
        form->showControls();
    }

    // Returns after `count` more walks of the desktop: the refreshes a change would have shown in.
    void waitForWalks(int count) {
        int walks = 0;
        desktop.onCall(SeamCall::TopLevelWindows, [&](WindowId) { ++walks; }, HookRepeat::Always);
        QTRY_VERIFY(walks >= count);
        desktop.clearHooks();
    }

    static QStringList items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }

    static void select(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), qPrintable(text));
        list->setCurrentItem(found.first());
    }

private slots:
    void init() {
        desktop = FakeDesktop{};
        answers.clear();
        boxes = std::make_unique<test::MessageBoxes>([this](MessageRequest&) -> std::optional<int> {
            if (answers.isEmpty()) return std::nullopt;
            return answers.takeFirst();
        });
    }
    void cleanup() {
        form.reset();
        boxes.reset();
    }

    void createPageListsTheDesktopAndAddsTheSelectedWindow() {
        desktop.addWindow({.title = "Report - Editor  ", .className = "Editor"});
        desktop.addWindow({.title = "Mail - Inbox", .className = "Mailer"});
        start();
        form->openCreatePage();
        QVERIFY(form->createPage()->isVisible());
        QVERIFY(!form->panel()->isVisible());
        QCOMPARE(items(form->createPage()->hostList()), (QStringList{"T: Mail - Inbox", "T: Report - Editor"}));

        select(form->createPage()->hostList(), "T: Report - Editor");
        form->addLink();
        select(form->createPage()->hostList(), "T: Mail - Inbox");
        form->addLink();
        QCOMPARE(items(form->createPage()->linkList()), (QStringList{"Mail - Inbox", "Report - Editor"}));
        QCOMPARE(form->createPage()->linkList()->currentRow(), 0);  // the new link is selected
        QCOMPARE(form->createPage()->linkCountLabel()->text(), QStringLiteral("Total Links Defined: 2"));
        const HostLink& mail = form->links().at(0);
        QCOMPARE(mail.winClass, std::string("Mailer"));
        QCOMPARE(mail.matchMethod, MatchMethod::Exact);
        QVERIFY(mail.autoExec && mail.autoTerminate && !mail.matchClass && !mail.terminateHost);
        QVERIFY(boxes->kinds.isEmpty());
        QCOMPARE(store->writeCount(), 1);  // only the StartupMsg of the test; Add writes nothing
        // Esc from the list that has the focus closes the page, back to the controls.
        QTest::keyClick(form->createPage()->linkList(), Qt::Key_Escape);
        QVERIFY(!form->pageOpen() && form->controlsShown());
    }
    void activateStartsTheLinkProgramAndThePageShowsItActiveFirst() {
        const WindowId host = desktop.addWindow({.title = "Mail", .pid = 100});
        start();
        form->links().insert(titled("Alpha"));
        form->links().insert(titled("Mail"));
        form->openActivatePage();
        QCOMPARE(items(form->activatePage()->statusList()), (QStringList{"Inactive: Alpha", "Inactive: Mail"}));

        select(form->activatePage()->statusList(), "Inactive: Mail");
        form->activateLink();
        QCOMPARE(launcher->arguments.size(), size_t(1));
        const std::string expected = std::to_string(host) + "\t1\t1\t" + std::to_string(form->nativeId()) + "\t4\tMail";
        QCOMPARE(launcher->arguments.front(), expected);

        // The started program shows its window: identified, recorded, counted.
        const ProcessId pid = *launcher->running.begin();
        const WindowId linkWindow = desktop.addWindow({.title = "Mail", .className = "QbaseRT5-Kivlink", .pid = pid});
        QTRY_COMPARE(form->links().activeLinkCount(), 1);
        QCOMPARE(form->links().at(1).linkWindow, linkWindow);
        QTRY_COMPARE(items(form->activatePage()->statusList()), (QStringList{"Active  : Mail", "Inactive: Alpha"}));
        QCOMPARE(form->activatePage()->statsLabel()->text(), QStringLiteral("Total Links Active: 1"));

        // Activating it again starts nothing.
        select(form->activatePage()->statusList(), "Active  : Mail");
        form->activateLink();
        QCOMPARE(boxes->kinds, QList<int>{MsgLinkAlreadyActive});
        QCOMPARE(launcher->arguments.size(), size_t(1));

        // The host closes: the link is inactive and the count drops once.
        desktop.destroy(host);
        desktop.destroy(linkWindow);
        QTRY_COMPARE(items(form->activatePage()->statusList()), (QStringList{"Inactive: Alpha", "Inactive: Mail"}));
        QCOMPARE(form->links().activeLinkCount(), 0);
        waitForWalks(2);
        QCOMPARE(form->links().activeLinkCount(), 0);
    }
    // The desktop's notification runs the auto-execute watcher: posted events only, no timer runs.
    void aWindowThatAppearsStartsItsAutomaticLinkAtOnce() {
        start();
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
        start();
        for (auto [title, host, linkWin] : {std::tuple{"A", h1, WindowId(0)}, std::tuple{"B", h2, WindowId(0)}}) {
            HostLink link = titled(title);
            link.active = true;
            link.hostWindow = host;
            link.linkWindow = desktop.addWindow({.title = title, .className = "QbaseRT5-Kivlink", .pid = 9});
            form->links().insert(link);
            form->links().incrementActiveLinkCount();
            (void)linkWin;
        }
        answers << MsgResultSecond;
        QVERIFY(!form->close());
        QCOMPARE(boxes->kinds, QList<int>{MsgExitMain});
        QVERIFY(form->isVisible());
        QCOMPARE(store->read("Kivra\\Kivra [ Main ]", "HostLinks", "HLinkCnt", "-1"), std::string("-1"));

        boxes->kinds.clear();
        QVERIFY(form->close());
        QCOMPARE(boxes->kinds, QList<int>{MsgExitMain});
        QCOMPARE(store->read("Kivra\\Kivra [ Main ]", "HostLinks", "HLinkCnt", "-1"), std::string("2"));
        QCOMPARE(store->read("Kivra\\Kivra [ Main ]", "HostLinks", "Link1", "-1"), std::string("A"));
    }
};

}  // namespace

QTEST_MAIN(LinkPagesTest)
#include "link_pages_test.moc"
