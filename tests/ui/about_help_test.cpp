// About box (Alt+F1, right click on a frame) with its Info loop, context help from
// left clicks on frames and pages, and the rest of the bindings while the title text
// entry is open, on the main form, offscreen.
#include "ColorSelectPage.h"
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "MsgBoxForm.h"
#include "MsgBoxKinds.h"
#include "PreferencesPage.h"
#include "ShowMessage.h"
#include "UiHarness.h"
#include "TimerFrame.h"
#include "TitleBarCapFrame.h"
#include "WindowBindings.h"

#include <QDesktopServices>
#include <QtTest>

using namespace kivra;

// Receives the URLs the help hook asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class AboutHelpTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    std::unique_ptr<MainForm> form;
    std::unique_ptr<test::MessageBoxes> boxes;
    QList<int> answers;  // answers to the About boxes in turn; Close once they run out
    QList<int> helpIds;

    // A point of the widget that none of its children covers: its border or caption.
    static QPoint bareSpot(QWidget* w) {
        for (int y = w->height() - 2; y > 0; --y)
            for (int x = 1; x < w->width() - 1; ++x)
                if (!w->childAt(x, y)) return QPoint(x, y);
        return QPoint(1, 1);
    }
    QWidget* named(const char* name) {
        auto* w = form->findChild<QWidget*>(QLatin1String(name));
        if (!w) qWarning("no widget %s", name);
        return w;
    }
    void clickFrame(QWidget* frame, Qt::MouseButton button) {
        QTest::mouseClick(frame, button, {}, bareSpot(frame));
    }

private slots:
    void init() {
        answers.clear();
        helpIds.clear();
        boxes = std::make_unique<test::MessageBoxes>([this](MessageRequest& r) -> std::optional<int> {
            if (r.content.kind == MsgAbout && !answers.isEmpty()) return answers.takeFirst();
            return std::nullopt;
        });
        setHelpHook([this](int id, QWidget*) { helpIds << id; });
        form = test::startMainForm(desktop, std::make_shared<MemoryStore>());
        QVERIFY(form->firstActivationDone());
        boxes->clear();
        form->showControls();
    }
    void cleanup() {
        form.reset();
        boxes.reset();
        setHelpHook({});
    }
    void altF1ShowsAboutAndInfoLoopsThroughSupport() {
        answers = {MsgResultInfo, MsgResultInfo, MsgResultFirst};
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(boxes->kinds, (QList<int>{MsgAbout, 36, MsgAbout, 36, MsgAbout}));
        QCOMPARE(boxes->bodies[0], aboutText(ProgramKind::Main, messages().versionText));
        QVERIFY(boxes->bodies[0].contains(" Version " + messages().versionText + ".006"));
    }
    // A right click on a frame shows About; a left click opens the frame's help (id 0: none).
    void clicksOnPanelFrames_data() {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("id");
        for (const char* f : {"LinksFrame", "TimerFrame"})
            QTest::addRow("right on %s", f) << QString(f) << int(Qt::RightButton) << 0;
        QTest::newRow("links") << "LinksFrame" << int(Qt::LeftButton) << 4010;
        QTest::newRow("timer") << "TimerFrame" << int(Qt::LeftButton) << 4045;
        QTest::newRow("timer label") << "TimerTextBox1" << int(Qt::LeftButton) << 4045;
    }
    void clicksOnPanelFrames() {
        QFETCH(QString, frame);
        QFETCH(int, button);
        QFETCH(int, id);
        clickFrame(named(frame.toLatin1()), Qt::MouseButton(button));
        QCOMPARE(helpIds, id ? QList<int>{id} : QList<int>{});
        QCOMPARE(boxes->kinds, id ? QList<int>{} : QList<int>{MsgAbout});
        QVERIFY(form->controlsShown());
    }
    void nothingActsWhileTheTitleTextEntryIsOpen() {
        auto* caption = form->panel()->captionFrame();
        caption->option(CaptionMode::Custom)->click();  // Enter Text is enabled in Custom Text mode
        QTest::mouseClick(caption->command(), Qt::LeftButton);
        QVERIFY(caption->entryPage()->isVisible());
        QTest::keyClick(caption->entryBox(), Qt::Key_F1, Qt::AltModifier);
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QTest::mouseClick(form.get(), Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(form.get(), Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(boxes->kinds.isEmpty());
        QVERIFY(helpIds.isEmpty());
        QVERIFY(caption->entryPage()->isVisible());
        QTest::mouseClick(caption->cancelButton(), Qt::LeftButton);
        QVERIFY(!caption->entryPage()->isVisible());
        QTest::keyClick(form.get(), Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(boxes->kinds, QList<int>{MsgAbout});
    }
    void helpHookOpensTheShippedPageAtTheContextAnchor() {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler("file", &recorder, "open");
        installHelpHook();
        // Without xdg-open on the path the page goes to the toolkit's URL handlers.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray());
        openContextHelp(4041, form.get());
        qputenv("PATH", path);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls[0].toLocalFile(), helpFilePath());
        QCOMPARE(recorder.urls[0].fragment(), QStringLiteral("context-4041"));
        QVERIFY(helpFilePath().endsWith("/help/index.html"));
    }

    // Every context id a frame or the message box opens has its topic in the shipped page.
    void theShippedHelpHasATopicForEveryContext() {
        QFile page(qEnvironmentVariable("KIVRA_BIN_DIR") + "/help/index.html");
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        const QString html = QString::fromUtf8(page.readAll());
        QList<int> ids{MsgBoxHelpContext};
        for (const char* f : {"LinksFrame", "ActivateLinksFrame", "CreateLinksFrame", "EditLinksFrame", "OptionsFrame",
                              "PicOptsFrame", "ColorSelectFrame", "SelectPicFrame", "PictureFrame", "TitleBarCapFrame",
                              "TimerFrame", "TimerTextBox1"})
            ids << frameHelpContext(f, 4025);
        ids << frameHelpContext("SelectOptsFrame", 4030);
        for (int id : ids) {
            QVERIFY(id != 0);
            QVERIFY2(html.contains(QString("id=\"context-%1\"").arg(id)), qPrintable(QString::number(id)));
        }
    }
};

QTEST_MAIN(AboutHelpTest)
#include "about_help_test.moc"
