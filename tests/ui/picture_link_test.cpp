// The link window offscreen: its own stored picture and picture box options restored
// at the first activation and saved again when it closes; its tick run by the desktop.
#include "FakeDesktop.h"
#include "LinkForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "PictureFeature.h"
#include "ShowMessage.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace kivra;

namespace {

class PictureLinkTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    QList<int> kinds;

    std::unique_ptr<LinkForm> start(FakeDesktop& desktop, std::shared_ptr<MemoryStore> store, const LinkCommandLine& line) {
        LinkEnvironment env;
        env.windows = &desktop;
        env.store = std::move(store);
        env.appDirectory = scratch.path() + "/";
        auto form = std::make_unique<LinkForm>(std::move(env), line);
        form->load();
        QSignalSpy done(form.get(), &LinkForm::firstActivationFinished);
        form->show();
        if (!form->firstActivationDone()) done.wait(3000);
        return form;
    }

private slots:
    void init() {
        kinds.clear();
        setMessageResponder([this](MessageRequest& r) -> std::optional<int> {
            kinds << r.content.kind;
            return MsgResultFirst;
        });
    }
    void cleanup() { setMessageResponder({}); }

    void aLinkWindowRestoresAndSavesItsOwnPicture() {
        QImage img(60, 40, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        const QString picture = scratch.filePath("host-cover.bmp");
        QVERIFY(img.save(picture, "BMP"));

        FakeDesktop desktop;
        const WindowId host = desktop.addWindow({.title = "Mail", .rect = {100, 100, 600, 500}});
        LinkCommandLine line;
        line.hostWindow = host;
        line.titleLength = 4;
        line.names = makeLinkNames("Mail", 1, 1);
        const std::string app = line.names.instanceAppName;
        auto store = std::make_shared<MemoryStore>();
        store->write(app, "PictureFiles", "PrevFile1", picture.toStdString());
        store->write(app, "MainOptions", "PicOptN", "1");  // a link's default is "N&one"
        store->write(app, "PicturePrefs", "PicAppear", "2");
        store->write(app, "PicturePrefs", "PicAlign", "2");
        store->write(app, "PicturePrefs", "PicBorder", "1");
        // The main program's keys are not the link's.
        store->write(kMainAppName, "PicturePrefs", "PicAppear", "1");
        {
            auto form = start(desktop, store, line);
            QVERIFY(kinds.isEmpty());
            const PictureDisplay& d = form->pictures()->display();
            QVERIFY(d.pictureLoaded());
            QVERIFY(d.picture2()->isVisible() && !d.picture1()->isVisible());  // flat
            QVERIFY(d.picture2()->border());
            const QRect box = d.picture2()->geometry();
            QCOMPARE(box.right(), form->width() - 1);  // docked to the right edge
            QCOMPARE(box.height(), form->height());
            QCOMPARE(box.width(), 60 + 2 * d.picture2()->frameWidth());  // auto size with the border
            form->pictures()->setAlignment(PicAlign::Bottom);
            form->close();
        }
        QCOMPARE(store->read(app, "PictureFiles", "PrevFile1", "-1"), picture.toStdString());
        QCOMPARE(store->read(app, "PicturePrefs", "PicAlign", "-1"), std::string("3"));
        QCOMPARE(store->read(app, "MainOptions", "PicOptN", "-1"), std::string("1"));
    }

    // The desktop's notification runs the tracking tick: posted events only, no timer runs.
    void aLinkEndsAsSoonAsTheDesktopTellsItsHostIsGone() {
        FakeDesktop desktop;
        const WindowId host = desktop.addWindow({.title = "Mail", .rect = {100, 100, 600, 500}});
        LinkCommandLine line;
        line.hostWindow = host;
        line.titleLength = 4;
        line.names = makeLinkNames("Mail", 1, 1);
        auto form = start(desktop, std::make_shared<MemoryStore>(), line);
        QVERIFY(form->firstActivationDone() && form->isVisible());
        desktop.destroy(host);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!form->isVisible());
    }
};

}  // namespace

QTEST_MAIN(PictureLinkTest)
#include "picture_link_test.moc"
