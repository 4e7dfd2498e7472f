// The picture on the main window, offscreen: every format in both boxes, the display
// choice, load failures that leave the window running, the Select Picture File page with
// its viewed files, the stepping keys, and what is saved and restored; a link window's own.
#include "LinkForm.h"
#include "PictureFeature.h"
#include "UiHarness.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace kivra;

namespace {

class PictureTest : public QObject, test::MainFormFixture {
    Q_OBJECT

    QTemporaryDir scratch;
    QString samples;

    // A window without the welcome box whose viewed files are `viewed`, the most recent first.
    void startViewing(const QStringList& viewed, std::shared_ptr<MemoryStore> store = test::quietStore()) {
        for (int i = 0; i < viewed.size(); ++i)
            store->write(kMainAppName, "PictureFiles", "PrevFile" + std::to_string(i + 1), viewed[i].toStdString());
        start(store);
    }

    // A directory of its own with copies of samples: "name" or "name=sample".
    QString folderWith(const QString& name, const QStringList& files) {
        const QString dir = scratch.filePath(name);
        QDir().mkpath(dir);
        for (const QString& f : files)
            QFile::copy(samples + "/" + (f.contains('=') ? f.section('=', 1) : f), dir + "/" + f.section('=', 0, 0));
        return dir;
    }

private slots:
    void initTestCase() {
        samples = qEnvironmentVariable("KIVRA_TEST_DATA") + "/pictures";  // made by scripts/make-picture-samples
        QVERIFY2(QFile::exists(samples + "/sample.png"), qPrintable(samples));
    }
    void init() { answerBoxes(); }
    void cleanup() { end(); }

    void everyFormatShowsInBothBoxes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        for (const char* f : {"sample.gif", "animated.gif", "sample.bmp", "sample.jpg", "sample.jpeg", "sample.png"})
            QTest::newRow(f) << f << QSize(200, 120);
        QTest::newRow("ico: the largest of 16, 48, 32") << "sample.ico" << QSize(48, 48);
        QTest::newRow("cur") << "sample.cur" << QSize(32, 32);
        QTest::newRow("emf: the header's frame") << "sample.emf" << QSize(240, 160);
        QTest::newRow("wmf: 240 x 160 and the pen's overhang") << "sample.wmf" << QSize(243, 163);
    }
    void everyFormatShowsInBothBoxes() {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        startViewing({samples + "/" + file});
        PictureFeature& p = *form->pictures();
        for (bool threeD : {true, false}) {
            p.setAppearance3D(threeD);
            p.display().setCurrentPath(samples + "/" + file);
            QVERIFY(!p.display().loadAndShow());
            PictureBox* target = threeD ? p.display().picture1() : p.display().picture2();
            QVERIFY(target->isVisible() && target->isEnabled() && target->hasPicture());
            QCOMPARE(target->picture()->size(), size);
            QCOMPARE(target->size(), size);  // no border: the box is the picture
        }
        QVERIFY(kinds.isEmpty());
    }

    void loadFailuresLeaveTheWindowRunning_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("listed");  // chosen on the page; otherwise restored at the start
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("detail");  // in the report's text
        QTest::newRow("text file named .gif") << "not-a-picture.gif" << true << MsgPictureLoadFailure << "";
        QTest::newRow("30000 x 30000") << "huge.gif" << true << MsgErrorReport << "30000x30000 px";
        QTest::newRow("missing") << "missing.gif" << false << MsgErrorReport << "File not found";
    }
    void loadFailuresLeaveTheWindowRunning() {
        QFETCH(QString, file);
        QFETCH(bool, listed);
        QFETCH(int, kind);
        QFETCH(QString, detail);
        const QString dir = folderWith(QStringLiteral("bad-") + QTest::currentDataTag(),
            {"good.png=sample.png", "not-a-picture.gif", "huge.gif=huge.png"});
        startViewing({dir + "/" + (listed ? QStringLiteral("good.png") : file)});
        if (listed) {
            form->pictures()->display().setCurrentPath(dir + "/" + file);
            form->showControls();
            form->pictures()->openSelectPage();
            form->pictures()->page()->showButton()->click();
        }
        QCOMPARE(kinds, QList<int>{kind});
        QVERIFY2(bodies.first().contains(detail), qPrintable(bodies.first()));
        const PictureDisplay& d = form->pictures()->display();
        QVERIFY(!d.pictureLoaded() && d.loadFailed());
        QVERIFY(!d.picture1()->isVisible() && !d.picture2()->isVisible());
        if (listed) QVERIFY(form->pictures()->page()->isVisible());  // the page stays open
        // Still running: the next picture loads.
        form->pictures()->display().setCurrentPath(dir + "/good.png");
        QVERIFY(!form->pictures()->display().loadAndShow());
    }

    // The listing and stepping rules are the picture library's; here the page, its viewed
    // list, Page Down, the right button, Page Up and the display choice reach them.
    void selectPageViewedFilesSteppingAndDisplayChoice() {
        const QString dir = folderWith("select", {"a.gif=sample.gif", "b.bmp=sample.bmp", "c.gif=sample.gif",
                                                  "d.txt=not-a-picture.gif"});
        startViewing({dir + "/a.gif"});
        form->showControls();
        PictureFeature* p = form->pictures();
        p->openSelectPage();
        SelectPicturePage* page = p->page();
        QVERIFY(page->isVisible() && !form->controlsShown());
        QCOMPARE(page->fileNames(), (QStringList{"a.gif", "b.bmp", "c.gif"}));
        page->fileList()->setCurrentIndex(page->fileList()->model()->index(1, 0));
        QTest::keyClick(page, Qt::Key_Return);  // "&Show" is the default button
        QVERIFY(!page->isVisible() && form->controlsShown());
        QCOMPARE(p->display().currentPath(), dir + "/b.bmp");
        QCOMPARE(p->viewed().displayNames(), (std::vector<std::string>{"b.bmp", "a.gif"}));

        QTest::keyClick(form.get(), Qt::Key_PageDown);
        QTest::mouseClick(p->display().picture1(), Qt::RightButton, {}, QPoint(2, 2));  // wraps to the first
        QCOMPARE(p->viewed().displayNames(), (std::vector<std::string>{"a.gif", "c.gif", "b.bmp", "a.gif"}));
        QTest::keyClick(form.get(), Qt::Key_PageUp);  // the most recent first: the one shown
        QTest::keyClick(form.get(), Qt::Key_PageUp);
        QCOMPARE(p->display().currentPath(), dir + "/c.gif");

        // A viewed file is shown only once the box asking for it is answered Yes.
        p->openSelectPage();
        QListWidget* viewed = page->viewedList();
        answers[MsgShowPictureFile] = {MsgResultSecond};
        emit viewed->itemClicked(viewed->item(2));
        QCOMPARE(kinds, QList<int>{MsgShowPictureFile});
        QCOMPARE(p->display().currentPath(), dir + "/c.gif");
        emit viewed->itemClicked(viewed->item(2));
        QCOMPARE(p->display().currentPath(), dir + "/b.bmp");

        // Hide keeps the picture loaded; None lets it go, and Show has nothing to show.
        p->frame()->option(PicOption::Hide)->click();
        QVERIFY(!p->display().picture1()->isVisible() && p->display().pictureLoaded());
        p->frame()->option(PicOption::Show)->click();
        QVERIFY(p->display().picture1()->isVisible());
        p->frame()->option(PicOption::None)->click();
        QVERIFY(!p->display().pictureLoaded() && !p->display().picture1()->hasPicture());
        QVERIFY(!p->frame()->option(PicOption::Show)->isEnabled());
    }

    void viewedFilesAndPatternAreSavedAndRestored() {
        const QString dir = folderWith("saved", {"1.gif=sample.gif", "2.gif=sample.gif"});
        auto store = test::quietStore();
        store->write(kMainAppName, "PictureFiles", "PicFileTypes", "*.gif");
        startViewing({dir + "/1.gif"}, store);
        form->pictures()->next();
        form->pictures()->setAppearance3D(false);
        form->close();
        for (int i = 1; i <= 2; ++i)  // the most recent first
            QCOMPARE(store->read(kMainAppName, "PictureFiles", "PrevFile" + std::to_string(i), "-1"),
                     (dir + QStringLiteral("/%1.gif").arg(3 - i)).toStdString());
        QCOMPARE(store->read(kMainAppName, "PictureFiles", "PicFileTypes", "-1"), std::string("*.gif"));
        startViewing({}, store);
        const PictureDisplay& d = form->pictures()->display();
        QCOMPARE(d.currentPath(), dir + "/2.gif");
        QVERIFY(d.picture2()->isVisible() && !d.picture1()->isVisible());
    }

    // A link window's own picture and options, restored at its first activation; its tick
    // runs on the desktop's notification, so that it ends as soon as its host is gone, saving them.
    void aLinkWindowRestoresItsPictureAndSavesItWhenItsHostEnds() {
        const QString picture = samples + "/sample.bmp";
        LinkCommandLine line;
        line.hostWindow = desktop.addWindow({.title = "Mail", .rect = {100, 100, 600, 500}});
        line.titleLength = 4;
        line.names = makeLinkNames("Mail", 1, 1);
        const std::string app = line.names.instanceAppName;
        auto store = std::make_shared<MemoryStore>();
        store->write(app, "PictureFiles", "PrevFile1", picture.toStdString());
        store->write(app, "MainOptions", "PicOptN", "1");  // a link's default is "N&one"
        store->write(app, "PicturePrefs", "PicAppear", "2");
        store->write(app, "PicturePrefs", "PicAlign", "2");
        store->write(kMainAppName, "PicturePrefs", "PicAppear", "1");  // the main program's keys are not the link's

        LinkEnvironment env;
        env.windows = &desktop;
        env.store = store;
        env.appDirectory = scratch.path() + "/";  // no welcome picture
        LinkForm link(std::move(env), line);
        link.load();
        QSignalSpy done(&link, &LinkForm::firstActivationFinished);
        link.show();
        QVERIFY(link.firstActivationDone() || done.wait(3000));
        const PictureDisplay& d = link.pictures()->display();
        QVERIFY(d.pictureLoaded());
        QVERIFY(d.picture2()->isVisible() && !d.picture1()->isVisible());  // flat
        QCOMPARE(d.picture2()->geometry().right(), link.width() - 1);  // docked to the right edge
        link.pictures()->setAlignment(PicAlign::Bottom);

        // Posted events only: no timer runs.
        desktop.destroy(line.hostWindow);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!link.isVisible());
        QCOMPARE(store->read(app, "PictureFiles", "PrevFile1", "-1"), picture.toStdString());
        QCOMPARE(store->read(app, "PicturePrefs", "PicAlign", "-1"), std::string("3"));
    }
};

}  // namespace

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
