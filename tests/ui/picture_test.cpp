// The picture on the main window, offscreen: every format in both boxes, the
// display choice and the box options with their radio behaviour, load failures
// that leave the window running, the Select Picture File page, viewed files,
// the stepping keys, and what is saved and restored.
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "PictureBoxOptions.h"
#include "PictureFeature.h"
#include "PicturePaths.h"
#include "ReportError.h"
#include "ShowMessage.h"
#include "UiHarness.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kivra;

namespace {

const QString kLoadFailure = QStringLiteral(
    "Cannot load Picture file because either it is not a picture file format supported by Qbase 5.0, or you tried to "
    "load a non-picture type file.  Pick another picture file format or avoid loading non-picture type files.");

// The superuser opens everything; permission cases run as "nobody" meanwhile.
struct ActAsNobody {
    bool switched = false;
    ActAsNobody() { switched = geteuid() == 0 && seteuid(65534) == 0; }
    ~ActAsNobody() {
        if (switched && seteuid(0) != 0) std::abort();
    }
};

class PictureTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir scratch;
    QString samples;
    QString bin;
    std::unique_ptr<test::MessageBoxes> boxes;
    QList<int> replies;  // answers to kind 20, in order; Yes when empty

    std::unique_ptr<MainForm> start(std::shared_ptr<MemoryStore> store) {
        return test::startMainForm(desktop, std::move(store), [&](MainEnvironment& env) { env.appDirectory = bin; });
    }

    // A store without the welcome box whose viewed files are `viewed`, the most recent first.
    static std::shared_ptr<MemoryStore> viewing(const QStringList& viewed) {
        auto store = test::quietStore();
        for (int i = 0; i < viewed.size(); ++i)
            store->write(kMainAppName, "PictureFiles", "PrevFile" + std::to_string(i + 1), viewed[i].toStdString());
        return store;
    }
    // A window without the welcome box; `first` becomes the restored picture.
    std::unique_ptr<MainForm> startQuiet(const QString& first = {}) {
        return start(viewing(first.isEmpty() ? QStringList{} : QStringList{first}));
    }

    QString sample(const char* name) const { return samples + "/" + name; }

    // A directory of its own with copies of samples: "name" or "name=sample".
    QString folderWith(const QString& name, const QStringList& files) {
        const QString dir = scratch.filePath(name);
        QDir().mkpath(dir);
        for (const QString& f : files) {
            const QString source = f.contains('=') ? f.section('=', 1) : f;
            const QString target = dir + "/" + f.section('=', 0, 0);
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(samples + "/" + source, target);
        }
        return dir;
    }

    static int lastErrorNumber(const QString& caption) { return caption.section(':', -1).trimmed().toInt(); }

    // Opens the page on `path`'s directory with its file selected and clicks "&Show".
    static void showThroughPage(MainForm& form, const QString& path) {
        form.pictures()->display().setCurrentPath(path);
        form.showControls();
        form.pictures()->openSelectPage();
        form.pictures()->page()->showButton()->click();
    }

private slots:
    void initTestCase() {
        QVERIFY(scratch.isValid());
        // Permission cases act as another user, who must reach everything else.
        QFile::setPermissions(scratch.path(), QFile::permissions(scratch.path()) | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
        bin = qEnvironmentVariable("KIVRA_BIN_DIR", QCoreApplication::applicationDirPath()) + "/";
        samples = qEnvironmentVariable("KIVRA_TEST_DATA") + "/pictures";  // made by scripts/make-picture-samples
        QVERIFY2(QFile::exists(sample("sample.png")), qPrintable(samples));
    }

    void init() {
        replies.clear();
        boxes = std::make_unique<test::MessageBoxes>([this](MessageRequest& r) -> std::optional<int> {
            if (r.content.kind == MsgShowPictureFile && !replies.isEmpty()) return replies.takeFirst();
            return std::nullopt;
        });
    }
    void cleanup() { boxes.reset(); }

    void firstStartShowsTheWelcomePicture() {
        auto form = start(std::make_shared<MemoryStore>());
        const PictureDisplay& d = form->pictures()->display();
        QCOMPARE(boxes->kinds, QList<int>{MsgWelcome});
        QVERIFY(d.pictureLoaded());
        QCOMPARE(d.currentPath(), bin + "welcome.gif");
        QVERIFY(form->pictures()->display().picture1()->isVisible());  // 3D by default
        QCOMPARE(d.picture1()->geometry(), QRect(QPoint(0, 0), QSize(288, 66)));  // auto size, no alignment
        QCOMPARE(form->pictures()->frame()->option(PicOption::None)->text(), QStringLiteral("&Unload"));
    }

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
        auto form = startQuiet(samples + "/" + file);
        PictureFeature& p = *form->pictures();
        for (bool threeD : {true, false}) {
            p.setAppearance3D(threeD);
            p.display().setCurrentPath(samples + "/" + file);
            QVERIFY(!p.display().loadAndShow());
            PictureBox* target = threeD ? p.display().picture1() : p.display().picture2();
            PictureBox* spare = threeD ? p.display().picture2() : p.display().picture1();
            QVERIFY(target->isVisible() && target->isEnabled() && target->hasPicture());
            QVERIFY(!spare->isVisible() && !spare->isEnabled() && !spare->hasPicture());
            QCOMPARE(target->picture()->size(), size);
            QCOMPARE(target->size(), size);  // no border: the box is the picture
        }
        QVERIFY(boxes->kinds.isEmpty());
    }
    void hideKeepsThePictureAndUnloadLetsItGo() {
        auto form = startQuiet(sample("sample.png"));
        form->showControls();
        PictureFrame* frame = form->pictures()->frame();
        PictureDisplay& d = form->pictures()->display();
        frame->option(PicOption::Hide)->click();
        QVERIFY(!d.picture1()->isVisible() && d.picture1()->hasPicture() && d.pictureLoaded());
        frame->option(PicOption::Show)->click();
        QVERIFY(d.picture1()->isVisible());
        frame->option(PicOption::Show)->click();  // the checked option again: stays, nothing runs
        QVERIFY(frame->option(PicOption::Show)->isChecked());
        frame->option(PicOption::None)->click();
        QVERIFY(!d.pictureLoaded() && !d.picture1()->hasPicture());
        QVERIFY(!frame->option(PicOption::Show)->isEnabled() && !frame->option(PicOption::Hide)->isEnabled());
        QCOMPARE(frame->option(PicOption::None)->text(), QStringLiteral("N&one"));
        QCOMPARE(d.currentPath(), sample("sample.png"));
    }
    void loadFailuresLeaveTheWindowRunning_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("listed");  // chosen on the page; otherwise restored at the start
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("detail");
        QTest::newRow("text file named .gif") << "not-a-picture.gif" << true << MsgPictureLoadFailure << 0 << "";
        QTest::newRow("30000 x 30000") << "huge.gif" << true << MsgErrorReport << 7 << "Too large: 30000x30000 px";
        QTest::newRow("unreadable") << "locked.gif" << true << MsgErrorReport << 70 << "ermission denied";
        QTest::newRow("missing") << "missing.gif" << false << MsgErrorReport << 53 << "File not found";
    }
    void loadFailuresLeaveTheWindowRunning() {
        QFETCH(QString, file);
        QFETCH(bool, listed);
        QFETCH(int, kind);
        QFETCH(int, number);
        QFETCH(QString, detail);
        const QString dir = folderWith(QStringLiteral("bad-") + QTest::currentDataTag(),
                                       {"good.png=sample.png", "not-a-picture.gif", "huge.gif=huge.png", "locked.gif=sample.gif"});
        chmod(QFile::encodeName(dir + "/locked.gif").constData(), 0);
        auto form = startQuiet(listed ? dir + "/good.png" : dir + "/" + file);
        if (listed) {
            QVERIFY(form->pictures()->display().pictureLoaded());
            form->pictures()->display().setCurrentPath(dir + "/" + file);
            form->showControls();
            form->pictures()->openSelectPage();
            SelectPicturePage* page = form->pictures()->page();
            QCOMPARE(page->fileList()->currentIndex().data().toString(), file);
            ActAsNobody nobody;
            page->showButton()->click();
        }
        QCOMPARE(boxes->kinds.size(), 1);
        QCOMPARE(boxes->kinds.first(), kind);
        if (kind == MsgPictureLoadFailure) QCOMPARE(boxes->bodies.first(), kLoadFailure);
        if (kind == MsgErrorReport) {
            QCOMPARE(lastErrorNumber(boxes->captions.first()), number);
            QVERIFY2(boxes->bodies.first().contains(detail), qPrintable(boxes->bodies.first()));
        }
        const PictureDisplay& d = form->pictures()->display();
        QVERIFY(!d.pictureLoaded() && d.loadFailed());
        QVERIFY(!d.picture1()->isVisible() && !d.picture2()->isVisible());
        if (listed) QVERIFY(form->pictures()->page()->isVisible());  // the page stays open
        // Still running: the next picture loads.
        form->pictures()->display().setCurrentPath(dir + "/good.png");
        QVERIFY(!form->pictures()->display().loadAndShow());
    }
    void selectPageShowsTheChosenFileAndRecordsIt() {
        const QString dir = folderWith("select", {"a.gif=sample.gif", "b.bmp=sample.bmp", "c.txt=not-a-picture.gif"});
        auto form = startQuiet(dir + "/a.gif");
        form->showControls();
        PictureFeature* p = form->pictures();
        p->openSelectPage();
        SelectPicturePage* page = p->page();
        QVERIFY(page->isVisible() && !form->controlsShown());
        QCOMPARE(page->fileNames(), (QStringList{"a.gif", "b.bmp"}));
        QCOMPARE(page->fileList()->currentIndex().row(), 0);
        QCOMPARE(page->directoryList()->currentItem()->text().trimmed(), QStringLiteral("select"));
        page->fileList()->setCurrentIndex(page->fileList()->model()->index(1, 0));
        QCOMPARE(page->pathText()->text(), dir + "/b.bmp");
        QTest::keyClick(page, Qt::Key_Return);  // "&Show" is the default button
        QVERIFY(!page->isVisible() && form->controlsShown());
        QCOMPARE(p->display().currentPath(), dir + "/b.bmp");
        QCOMPARE(p->viewed().displayNames(), (std::vector<std::string>{"b.bmp", "a.gif"}));
        QCOMPARE(form->preferences().viewedFiles.front(), (dir + "/b.bmp").toStdString());
        QCOMPARE(p->frame()->selected(), PicOption::Show);
    }
    void viewedListAsksBeforeShowing() {
        const QString longDir = folderWith(QString(150, 'd'), {"x.png=sample.png", "y.gif=sample.gif"});
        auto form = start(viewing({longDir + "/x.png", longDir + "/y.gif"}));
        form->showControls();
        form->pictures()->openSelectPage();
        QListWidget* viewed = form->pictures()->page()->viewedList();
        QCOMPARE(viewed->count(), 2);
        replies = {MsgResultSecond};
        emit viewed->itemClicked(viewed->item(1));
        QCOMPARE(boxes->kinds, QList<int>{MsgShowPictureFile});
        const QString path = longDir + "/y.gif";
        QCOMPARE(boxes->bodies.first(), QString::fromStdString(formatPathForConfirmation(path.toStdString())));
        QCOMPARE(boxes->bodies.first().count("\r\n"), 3);
        QCOMPARE(form->pictures()->display().currentPath(), longDir + "/x.png");  // No: nothing changed
        emit viewed->itemClicked(viewed->item(1));
        QCOMPARE(form->pictures()->display().currentPath(), path);
        QVERIFY(form->pictures()->page()->isVisible());
        QCOMPARE(viewed->item(0)->text(), QStringLiteral("x.png"));  // the list keeps its order
    }

    // The stepping rules are the picture library's; here Page Down, the right button and Page Up reach them.
    void pageKeysAndTheRightButtonStep() {
        const QString dir = folderWith("steps", {"a.gif=sample.gif", "b.gif=sample.gif", "c.gif=sample.gif"});
        auto form = startQuiet();
        showThroughPage(*form, dir + "/b.gif");
        PictureFeature* p = form->pictures();
        QTest::keyClick(form.get(), Qt::Key_PageDown);
        QTest::mouseClick(p->display().picture1(), Qt::RightButton, {}, QPoint(2, 2));  // wraps to the first
        QCOMPARE(p->viewed().displayNames(), (std::vector<std::string>{"a.gif", "c.gif", "b.gif"}));
        QTest::keyClick(form.get(), Qt::Key_PageUp);  // the most recent first: the one shown
        QTest::keyClick(form.get(), Qt::Key_PageUp);
        QCOMPARE(QFileInfo(p->display().currentPath()).fileName(), QStringLiteral("c.gif"));
    }
    void viewedFilesAndPatternAreSavedAndRestored() {
        const QString dir = folderWith("saved", {"1.gif=sample.gif", "2.gif=sample.gif", "3.gif=sample.gif",
                                                 "4.gif=sample.gif", "5.gif=sample.gif", "6.gif=sample.gif"});
        auto store = viewing({dir + "/1.gif"});
        store->write(kMainAppName, "PictureFiles", "PicFileTypes", "*.gif");
        {
            auto form = start(store);
            for (int i = 0; i < 5; ++i) form->pictures()->next();  // 2 ... 6
            form->pictures()->setAppearance3D(false);
            form->close();
        }
        for (int i = 1; i <= 5; ++i)
            QCOMPARE(store->read(kMainAppName, "PictureFiles", "PrevFile" + std::to_string(i), "-1"),
                     (dir + QStringLiteral("/%1.gif").arg(7 - i)).toStdString());
        QCOMPARE(store->read(kMainAppName, "PictureFiles", "PicFileTypes", "-1"), std::string("*.gif"));
        QCOMPARE(store->read(kMainAppName, "PicturePrefs", "PicAppear", "-1"), std::string("2"));
        auto again = start(store);
        const PictureDisplay& d = again->pictures()->display();
        QCOMPARE(d.currentPath(), dir + "/6.gif");
        QVERIFY(d.picture2()->isVisible() && !d.picture1()->isVisible());
        QCOMPARE(again->pictures()->viewed().count(), 5);
        again->pictures()->next();  // goes on after the restored picture, wrapping
        QCOMPARE(d.currentPath(), dir + "/1.gif");
    }
};

}  // namespace

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
