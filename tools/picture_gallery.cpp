// Shows the main window's picture in every state worth a look and shoots the
// screen with ImageMagick's `import -window root` after each, on whatever X
// display it runs (scripts/picture-screenshots gives it a private one):
//   picture_gallery <samples directory> <output directory>
// Per sample: both appearances (border on) in all four alignments, one sheet per
// format; then the first start with welcome.gif, the controls panel, and the
// Select Picture File page.
#include "AppStyle.h"
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "PictureFeature.h"
#include "PictureLoader.h"
#include "SelectPicturePage.h"
#include "ShowMessage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <cstdio>

using namespace kivra;

namespace {

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        std::fprintf(stderr, "picture_gallery: %s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return false;
    }
    return true;
}

// The window's frame as the desktop shows it, cut from a shot of the whole screen.
bool shoot(QWidget* window, const QString& file) {
    settle(250);
    const QRect f = window->frameGeometry();
    const QString crop = QStringLiteral("%1x%2+%3+%4").arg(f.width()).arg(f.height()).arg(f.x()).arg(f.y());
    return run("import", {"-window", "root", "-crop", crop, "+repage", file});
}

const char* alignName(PicAlign a) {
    switch (a) {
    case PicAlign::Top: return "Top (Left)";
    case PicAlign::Right: return "Right (Top)";
    case PicAlign::Bottom: return "Bottom (Left)";
    case PicAlign::None: return "None";
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    applyAppStyle(app);  // the programs' own look
    if (argc < 3) {
        std::fprintf(stderr, "usage: picture_gallery <samples directory> <output directory>\n");
        return 2;
    }
    const QDir samples(QString::fromLocal8Bit(argv[1]));
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(out.path());
    const QDir shots(out.filePath("shots"));
    QDir().mkpath(shots.path());
    setMessageResponder([](MessageRequest& r) -> std::optional<int> {
        std::fprintf(stderr, "picture_gallery: message kind %d: %s\n", r.content.kind, qPrintable(r.content.body));
        return MsgResultFirst;
    });

    FakeDesktop desktop;
    const QString bin = QCoreApplication::applicationDirPath() + "/";
    auto start = [&](std::shared_ptr<MemoryStore> store) {
        MainEnvironment env;
        env.windows = &desktop;
        env.store = std::move(store);
        env.appDirectory = bin;
        auto form = std::make_unique<MainForm>(std::move(env));
        form->load();
        QSignalSpy done(form.get(), &MainForm::firstActivationFinished);
        form->show();
        if (!form->firstActivationDone()) done.wait(3000);
        settle(300);
        return form;
    };

    int failures = 0;
    // The first start: default size, welcome.gif.
    {
        auto store = std::make_shared<MemoryStore>();
        auto form = start(store);
        failures += !shoot(form.get(), out.filePath("first-start-welcome.png"));
        form->showControls();
        failures += !shoot(form.get(), out.filePath("controls-panel.png"));
        form->close();
    }

    auto store = std::make_shared<MemoryStore>();
    store->write(kMainAppName, "MainOptions", "StartupMsg", "0");
    auto form = start(store);
    form->placeFrame(QRect(40, 40, 420, 280));
    settle(300);
    PictureFeature* pictures = form->pictures();
    pictures->setBorder(true);

    const QStringList files = samples.entryList({"sample.*", "animated.gif"}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QStringList sheet;
        for (bool threeD : {true, false}) {
            pictures->setAppearance3D(threeD);
            for (PicAlign align : {PicAlign::Top, PicAlign::Right, PicAlign::Bottom, PicAlign::None}) {
                pictures->setAlignment(align);
                pictures->display().setCurrentPath(samples.filePath(name));
                if (auto failure = pictures->display().loadAndShow()) {
                    std::fprintf(stderr, "picture_gallery: %s: %d %s\n", qPrintable(name), failure->number,
                                 qPrintable(failure->description));
                    ++failures;
                }
                const QString label = QStringLiteral("%1 %2 %3").arg(name, threeD ? "3D" : "Flat", alignName(align));
                const QString shot =
                    shots.filePath(QStringLiteral("%1-%2-%3.png").arg(name, threeD ? "3d" : "flat").arg(int(align)));
                failures += !shoot(form.get(), shot);
                sheet << "-label" << label << shot;
            }
        }
        const QString target = out.filePath(QStringLiteral("sheet-%1.png").arg(QString(name).replace('.', '-')));
        failures += !run("montage", sheet + QStringList{"-tile", "4x2", "-geometry", "+6+6", "-pointsize", "11", target});
        std::printf("%s\n", qPrintable(target));
    }

    // Border off in both appearances: the boxes look alike on the background.
    pictures->setBorder(false);
    pictures->setAlignment(PicAlign::None);
    pictures->display().setCurrentPath(samples.filePath("sample.png"));
    pictures->display().loadAndShow();
    failures += !shoot(form.get(), out.filePath("border-off.png"));

    // How long loading takes, including the refusals that must come quickly.
    {
        QImage big(6000, 4000, QImage::Format_RGB32);
        big.fill(QColor(0x40, 0x80, 0xC0));
        big.save(out.filePath("big-6000x4000.jpg"), "JPG", 85);
        QStringList timed = samples.entryList(QDir::Files, QDir::Name);
        timed << "big-6000x4000.jpg";
        for (const QString& name : timed) {
            QElapsedTimer t;
            t.start();
            const QString path = samples.exists(name) ? samples.filePath(name) : out.filePath(name);
            const PictureLoadResult r = loadPictureFile(path, 96);
            const double ms = t.nsecsElapsed() / 1e6;
            const auto* f = std::get_if<PictureLoadFailure>(&r);
            std::printf("load %-22s %8.2f ms  %s\n", qPrintable(name), ms,
                        f ? qPrintable(QStringLiteral("refused: %1 %2").arg(f->number).arg(f->description)) : "ok");
        }
        // The page on a directory of 10000 files.
        QDir many(out.filePath("many"));
        QDir().mkpath(many.path());
        for (int i = 0; i < 10000; ++i) QFile(many.filePath(QStringLiteral("p%1.gif").arg(i, 5, 10, QLatin1Char('0')))).open(QIODevice::WriteOnly);
        QFile::remove(many.filePath("p00000.gif"));
        QFile::copy(samples.filePath("sample.gif"), many.filePath("p00000.gif"));
        pictures->display().setCurrentPath(many.filePath("p00000.gif"));
        form->showControls();
        QElapsedTimer t;
        t.start();
        pictures->openSelectPage();
        const double listed = t.nsecsElapsed() / 1e6;
        QApplication::processEvents();
        std::printf("Select Picture File page on 10000 files: %.1f ms to list, %.1f ms to the first events handled\n",
                    listed, t.nsecsElapsed() / 1e6);
        failures += !shoot(form.get(), out.filePath("select-picture-page-10000.png"));
        pictures->closeSelectPage();
        QDir(many).removeRecursively();
    }

    form->close();
    form.reset();

    // A window of the default size on a picture of the samples, three "&Next"
    // steps later: the panel over the picture, then the Select Picture File page.
    auto again = std::make_shared<MemoryStore>();
    again->write(kMainAppName, "MainOptions", "StartupMsg", "0");
    again->write(kMainAppName, "PictureFiles", "PrevFile1", samples.filePath("sample.bmp").toStdString());
    form = start(again);
    for (int i = 0; i < 3; ++i) form->pictures()->next();
    form->showControls();
    failures += !shoot(form.get(), out.filePath("panel-with-picture.png"));
    form->pictures()->openSelectPage();
    failures += !shoot(form.get(), out.filePath("select-picture-page.png"));
    form->pictures()->closeSelectPage();
    form->close();
    std::printf("%s\n", qPrintable(out.path()));
    return failures == 0 ? 0 : 1;
}
