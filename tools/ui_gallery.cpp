// Shoots the main window's client area with the controls panel, the Set Preferences page,
// the colour page and the title text entry to PNG files: ui_gallery <output directory>.
// Run it on X11 at several DPI settings to see how the layout takes larger fonts.
#include "AppStyle.h"
#include "ColorSelectPage.h"
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "PreferencesPage.h"
#include "CreateLinksPage.h"
#include "SelectPicturePage.h"
#include <QListWidget>
#include "ShowMessage.h"
#include "TitleBarCapFrame.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <cstdio>
#include <memory>

using namespace kivra;

namespace {

// Shows Pick enabled, as in kivra; nothing is picked in a gallery.
class IdlePicker : public WindowPicker {
public:
    bool start(Done, std::string*) override { return false; }
    void cancel() override {}
    bool picking() const override { return false; }
};

void settle(int ms = 150) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void shoot(QWidget* w, const QString& dir, const QString& name) {
    settle();
    const QString path = QDir(dir).filePath(name + ".png");
    w->grab().save(path);
    std::printf("%s %dx%d\n", qPrintable(path), w->width(), w->height());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    applyAppStyle(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("ui-gallery");
    QDir().mkpath(out);
    const QScreen* screen = QGuiApplication::primaryScreen();
    std::printf("logical DPI %.0f, physical DPI %.0f, device pixel ratio %.2f\n", screen->logicalDotsPerInch(),
                screen->physicalDotsPerInch(), screen->devicePixelRatio());

    setMessageResponder([](MessageRequest&) -> std::optional<int> { return MsgResultFirst; });
    FakeDesktop desktop;
    desktop.addWindow({.title = "Mail - Inbox", .rect = {100, 100, 700, 500}});
    MainEnvironment env;
    env.windows = &desktop;
    env.picker = std::make_shared<IdlePicker>();
    auto store = std::make_shared<MemoryStore>();
    store->write("Kivra\\Kivra [ Main ]", "MainOptions", "StartupMsg", "0");
    env.store = store;
    env.appDirectory = QCoreApplication::applicationDirPath() + "/";
    MainForm form(std::move(env));
    form.load();
    form.show();
    settle(600);

    // Named after the DPI the screen stands for: Qt scales a 144 DPI screen by 1.5 at 96 logical DPI.
    QString prefix = QString::number(qRound(screen->logicalDotsPerInch() * screen->devicePixelRatio())) + "dpi-";
    if (qEnvironmentVariable("QT_ENABLE_HIGHDPI_SCALING") == QLatin1String("0")) prefix += "unscaled-";
    form.showControls();
    shoot(&form, out, prefix + "panel");

    form.panel()->optionsButton()->click();
    shoot(&form, out, prefix + "preferences");
    form.preferencesPage()->openColorPage();
    shoot(&form, out, prefix + "colour");
    form.preferencesPage()->closeButton()->click();  // closes the colour page
    settle();
    if (form.pageOpen()) form.preferencesPage()->closeButton()->click();
    settle();

    form.panel()->captionFrame()->option(CaptionMode::Custom)->click();  // enables Enter Text
    form.panel()->captionFrame()->command()->click();
    form.panel()->captionFrame()->entryBox()->setText(QStringLiteral("Quarterly figures %t"));
    shoot(&form, out, prefix + "caption-entry");
    form.panel()->captionFrame()->cancelButton()->click();
    settle();
    // The link pages and the picture page, then the panel once they are closed.
    form.openCreatePage();
    settle();
    form.createPage()->hostList()->setCurrentRow(0);
    form.addLink();
    shoot(&form, out, prefix + "create");
    form.createPage()->linkList()->setCurrentRow(0);
    form.openEditPage();
    shoot(&form, out, prefix + "edit");
    form.closeEditPage(true);
    form.closeCreatePage();
    form.openActivatePage();
    shoot(&form, out, prefix + "activate");
    form.closeActivatePage();
    form.pictures()->openSelectPage();
    shoot(&form, out, prefix + "select");
    form.pictures()->page()->closeButton()->click();
    shoot(&form, out, prefix + "panel-after-pages");
    setMessageResponder({});
    return 0;
}
