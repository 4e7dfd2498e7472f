// The message box form kind by kind on the offscreen platform: layout, tool tips, keys, results,
// check boxes, placement, help, the scripted responder and the error report.
#include "DisplayMetrics.h"
#include "DisplayMetricsQt.h"
#include "KivraError.h"
#include "MessageState.h"
#include "MsgBoxForm.h"
#include "ReportError.h"
#include "ShowMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace kivra;

namespace {

const QString kCaller = QStringLiteral("Caller text\r\nsecond line");
const QString kCallerShown = QStringLiteral("Caller text\nsecond line");
const QString kErrorCaption = QStringLiteral("[Kivra] Qbase 5.0 Error Number: 53");

enum Second { NoSecond, NoButton, CancelButton, InfoButton };
enum Check { NoCheck, StartupCheck, ResourceCheck };

// Shows `kind` through ShowMessage, lets `act` work on the shown form, returns the result.
// A form that `act` leaves open is closed after a while so that a failing test cannot hang.
int showAndAct(int kind, const QString& text, const std::function<void(MsgBoxForm&)>& act,
               const MsgBoxPlacement& placement = {}, const QString& caption = {}) {
    QTimer::singleShot(0, [act] {
        auto* form = qobject_cast<MsgBoxForm*>(QApplication::activeModalWidget());
        if (!form) {
            qWarning("no modal message box");
            return;
        }
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form))
            qWarning("message box not active");
        act(*form);
        QTimer::singleShot(2000, form, [form] {
            qWarning("message box left open");
            messages().result = -1;
            form->done(-1);
        });
    });
    return ShowMessage(kind, text, nullptr, placement, caption);
}

QPushButton* button(QWidget& form, const char* name) { return form.findChild<QPushButton*>(QLatin1String(name)); }
QCheckBox* checkBox(QWidget& form, const char* name) { return form.findChild<QCheckBox*>(QLatin1String(name)); }
QLabel* label(QWidget& form) { return form.findChild<QLabel*>(QStringLiteral("MsgBoxLabel")); }

int px(double twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

void prepare(int kind, const QString& text, const QString& caption = {}) {
    messages().pendingKind = kind;
    messages().pendingText = text;
    messages().pendingCaption = caption;
}

}  // namespace

class MsgBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void kindLayout_data();
    void kindLayout();
    void toolTipsOn_data();
    void toolTipsOn();
    void toolTipsOffLeaveNone();
    void escape_data();
    void escape();
    void enterAndButtons_data();
    void enterAndButtons();
    void closeButtonActsAsCancel();
    void checkBoxesInvertTheirFlags_data();
    void checkBoxesInvertTheirFlags();
    void openFlagPerProgram();
    void confirmationsOverwriteThePendingText();
    void placement_data();
    void placement();
    void formIsPlacedOnTheScreen();
    void helpOnLeftClick();
    void fontSizeClassSizesTheForm();
    void longCaptionWidensTheBox();
    void responderAnswersWithoutAForm();
    void responderCanLetTheFormShow();
    void reportErrorShowsKind12();
};

void MsgBoxTest::init() {
    setMessageResponder({});
    setHelpHook({});
    setPictureSelectionRestorer({});
    messages() = MessageState{};
    QApplication::setFont(QFont(QApplication::font().family(), 9));
    computeFontSizeClass();
}

void MsgBoxTest::kindLayout_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("body");  // empty: the caller's text
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("cmd1");
    QTest::addColumn<int>("cmd1Left");  // twips; -1: where the form was designed to have it
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("labelTop");  // twips; -1: not fixed by the kind
    QTest::addColumn<bool>("wrap");

    const QString none;
    // clang-format off
    QTest::newRow("1 About")      << 1  << "About Kivra" << none << 1 << "&Close" << 1560 << int(InfoButton) << int(NoCheck) << -1 << true;
    QTest::newRow("10 picture")   << 10 << "[Kivra] Picture File Load Failure" << none << 9 << "&OK" << 95 << int(NoSecond) << int(NoCheck) << 160 << true;
    QTest::newRow("12 report")    << 12 << kErrorCaption << none << 9 << "&OK" << -1 << int(NoSecond) << int(NoCheck) << -1 << true;
    QTest::newRow("19")           << 19 << "Host Class Name Recorded" << none << 0 << "&OK" << -1 << int(NoSecond) << int(NoCheck) << 315 << true;
    QTest::newRow("20 picture?")  << 20 << "Show this selected Picture File?" << none << 10 << "&Yes" << 1560 << int(NoButton) << int(NoCheck) << 90 << false;
    QTest::newRow("22 reset")     << 22 << "Reset Preferences?" << "Confirm [Yes] to Reset Preferences to Default settings." << 10 << "&Yes" << 1560 << int(NoButton) << int(NoCheck) << 270 << true;
    QTest::newRow("23 exit")      << 23 << "Exit Kivra Main?" << none << 10 << "&Yes" << 1560 << int(CancelButton) << int(NoCheck) << -1 << true;
    QTest::newRow("28 resources") << 28 << "[Kivra] Warning: Resources May Be Low!" << none << 9 << "&OK" << 95 << int(NoSecond) << int(ResourceCheck) << -1 << true;
    QTest::newRow("99 unlisted")  << 99 << "Kivra Message Box" << none << 0 << "&OK" << -1 << int(NoSecond) << int(NoCheck) << -1 << true;
    QTest::newRow("3 welcome")    << 3  << "Kivra 2.00  (C) The Kivra Authors" << none << 1 << "&OK" << 95 << int(NoSecond) << int(StartupCheck) << 90 << true;
    // clang-format on
}

void MsgBoxTest::kindLayout() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, body);
    QFETCH(int, icon);
    QFETCH(QString, cmd1);
    QFETCH(int, cmd1Left);
    QFETCH(int, second);
    QFETCH(int, check);
    QFETCH(int, labelTop);
    QFETCH(bool, wrap);

    messages().versionText = QStringLiteral("2.00");
    prepare(kind, kCaller, kind == 12 ? kErrorCaption : QString());
    MsgBoxForm form(nullptr);
    form.show();
    const double dpi = form.twips().dpiX;

    QCOMPARE(form.windowTitle(), caption);
    QCOMPARE(label(form)->text(), body.isEmpty() ? kCallerShown : body);
    QCOMPARE(label(form)->wordWrap(), wrap);
    QCOMPARE(form.iconNumber(), icon);
    QVERIFY(!form.findChild<QLabel*>(QStringLiteral("MsgBoxImage"))->pixmap().isNull());

    QPushButton* first = button(form, "MsgBoxCmd1");
    QCOMPARE(first->text(), cmd1);
    QVERIFY(first->isVisible() && first->isDefault());
    QCOMPARE(form.focusWidget(), first);
    const int offset = form.layoutOffset();
    if (cmd1Left >= 0)
        QCOMPARE(first->x(), offset + px(cmd1Left, dpi));

    QPushButton* no = button(form, "MsgBoxCmd2");
    QPushButton* info = button(form, "MsgBoxCmd4");
    QCOMPARE(no->isVisible(), second == NoButton || second == CancelButton);
    QCOMPARE(info->isVisible(), second == InfoButton);
    if (second == NoButton || second == CancelButton) {
        QCOMPARE(no->text(), second == CancelButton ? QStringLiteral("&Cancel") : QStringLiteral("&No"));
        QVERIFY(no->isEnabled());
        QCOMPARE(no->x(), offset + px(2260, dpi));
    }
    if (second == InfoButton) {
        QCOMPARE(info->text(), QStringLiteral("&Info"));
        QCOMPARE(info->x(), offset + px(2260, dpi));
    }

    QCheckBox* startup = checkBox(form, "MsgBoxCheck1");
    QCheckBox* resources = checkBox(form, "MsgBoxCheck2");
    QCOMPARE(startup->isVisible(), check == StartupCheck);
    QCOMPARE(resources->isVisible(), check == ResourceCheck);
    if (check == StartupCheck) {
        QCOMPARE(startup->text(), QStringLiteral("&Don't show this again."));
        QCOMPARE(startup->y(), px(820, dpi));
    }
    if (check == ResourceCheck) {
        QCOMPARE(resources->text(), QStringLiteral("&Don't show this Warning again this session."));
        QCOMPARE(resources->y(), px(820, dpi));
    }
    if (labelTop >= 0)
        QCOMPARE(label(form)->y(), px(labelTop, dpi));

    // Nothing the kind shows is hidden under another control or outside the box.
    const QRect client = form.rect();
    QList<QWidget*> shown;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (w->isVisible()) {
            QVERIFY2(client.contains(w->geometry()), qPrintable(w->objectName()));
            shown << w;
        }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                     qPrintable(shown[i]->objectName() + QLatin1String(" / ") + shown[j]->objectName()));
    form.done(6);
}

void MsgBoxTest::toolTipsOn_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("cmd1Tip");
    QTest::addColumn<QString>("secondTip");  // MsgBoxCmd2, or MsgBoxCmd4 in the About box
    QTest::addColumn<QString>("checkTip");
    const QString none;
    QTest::newRow("1") << 1 << none << "Product Support Contact Information." << none;
    QTest::newRow("3") << 3 << "Close Kivra Message Box window." << none << "Check this box to disable the Kivra Startup Message.";
    QTest::newRow("10") << 10 << none << none << none;
    QTest::newRow("20") << 20 << "Show the selected Picture File." << "Do not show the selected Picture File." << none;
    QTest::newRow("28") << 28 << none << none
                        << "Check this box to prevent seeing this Warning Message Box again this session.";
}

void MsgBoxTest::toolTipsOn() {
    QFETCH(int, kind);
    QFETCH(QString, cmd1Tip);
    QFETCH(QString, secondTip);
    QFETCH(QString, checkTip);
    messages().toolTips = true;
    prepare(kind, kCaller);
    MsgBoxForm form(nullptr);
    form.show();
    QCOMPARE(button(form, "MsgBoxCmd1")->toolTip(), cmd1Tip);
    QCOMPARE(button(form, kind == 1 ? "MsgBoxCmd4" : "MsgBoxCmd2")->toolTip(), secondTip);
    QCOMPARE(checkBox(form, kind == 28 ? "MsgBoxCheck2" : "MsgBoxCheck1")->toolTip(), checkTip);
    // The welcome text describes the product on hover; no other text has a tip.
    const QString labelTip = label(form)->toolTip();
    QCOMPARE(labelTip.startsWith(QStringLiteral("Kivra")), kind == 3);
    form.done(6);
}

void MsgBoxTest::toolTipsOffLeaveNone() {
    messages().toolTips = false;
    for (int kind : {1, 3, 20, 28}) {
        prepare(kind, kCaller);
        MsgBoxForm form(nullptr);
        form.show();
        for (const QWidget* w : form.findChildren<QWidget*>())
            QVERIFY2(w->toolTip().isEmpty(), qPrintable(QStringLiteral("kind %1, %2: %3")
                                                            .arg(kind)
                                                            .arg(w->objectName(), w->toolTip())));
        QVERIFY(form.toolTip().isEmpty());
        form.done(6);
    }
}

void MsgBoxTest::escape_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    for (int kind : {20, 23})
        QTest::addRow("%d two buttons", kind) << kind << 7;
    for (int kind : {1, 12, 28})
        QTest::addRow("%d single button", kind) << kind << 6;
}

void MsgBoxTest::escape() {
    QFETCH(int, kind);
    QFETCH(int, result);
    messages().result = -5;
    const int answer = showAndAct(kind, kCaller, [](MsgBoxForm& form) { QTest::keyClick(&form, Qt::Key_Escape); });
    QCOMPARE(answer, result);
    QCOMPARE(messages().result, result);
    QVERIFY(!QApplication::activeModalWidget());
}

void MsgBoxTest::enterAndButtons_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter in a confirmation") << 23 << "enter" << 6;
    QTest::newRow("Enter in an error box") << 12 << "enter" << 6;
    QTest::newRow("Enter in the About box") << 1 << "enter" << 6;
    QTest::newRow("Yes") << 24 << "MsgBoxCmd1" << 6;
    QTest::newRow("No") << 24 << "MsgBoxCmd2" << 7;
    QTest::newRow("Cancel of the exit box") << 23 << "MsgBoxCmd2" << 7;
    QTest::newRow("Close of the About box") << 1 << "MsgBoxCmd1" << 6;
    QTest::newRow("Info of the About box") << 1 << "MsgBoxCmd4" << 1;
    QTest::newRow("Alt+N picks No") << 26 << "alt+n" << 7;
}

void MsgBoxTest::enterAndButtons() {
    QFETCH(int, kind);
    QFETCH(QString, action);
    QFETCH(int, result);
    const int answer = showAndAct(kind, kCaller, [action](MsgBoxForm& form) {
        if (action == QLatin1String("enter")) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
            QTest::keyClick(target, Qt::Key_Return);
        } else if (action == QLatin1String("alt+n")) {
            QTest::keyClick(&form, Qt::Key_N, Qt::AltModifier);
        } else {
            QTest::mouseClick(button(form, action.toLatin1().constData()), Qt::LeftButton);
        }
    });
    QCOMPARE(answer, result);
}

void MsgBoxTest::closeButtonActsAsCancel() {
    QCOMPARE(showAndAct(23, kCaller, [](MsgBoxForm& form) { form.close(); }), 7);
    QCOMPARE(showAndAct(12, kCaller, [](MsgBoxForm& form) { form.close(); }), 6);
}

void MsgBoxTest::checkBoxesInvertTheirFlags_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("clicks");
    QTest::newRow("welcome, ticked") << 3 << 1;
    QTest::newRow("welcome, ticked and unticked") << 3 << 2;
    QTest::newRow("resources, ticked") << 28 << 1;
    QTest::newRow("resources, untouched") << 28 << 0;
}

void MsgBoxTest::checkBoxesInvertTheirFlags() {
    QFETCH(int, kind);
    QFETCH(int, clicks);
    messages().startupMessage = true;
    messages().resourceWarningOff = false;
    showAndAct(kind, kCaller, [kind, clicks](MsgBoxForm& form) {
        QCheckBox* box = checkBox(form, kind == 3 ? "MsgBoxCheck1" : "MsgBoxCheck2");
        for (int i = 0; i < clicks; ++i)  // on the box itself, at its left end
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    const bool inverted = clicks % 2 == 1;
    QCOMPARE(messages().startupMessage, !(kind == 3 && inverted));
    QCOMPARE(messages().resourceWarningOff, kind == 28 && inverted);
}

void MsgBoxTest::openFlagPerProgram() {
    for (ProgramRole role : {ProgramRole::Main, ProgramRole::Link}) {
        messages().program = role;
        messages().boxOpen = false;
        bool openWhileShown = false, firstActivationWhileShown = true;
        showAndAct(12, kCaller, [&](MsgBoxForm& form) {
            openWhileShown = messages().boxOpen;
            firstActivationWhileShown = messages().firstActivation;
            form.done(6);
        });
        QVERIFY(openWhileShown);
        QVERIFY(!firstActivationWhileShown);
        // The main program clears the flag when the box closes; the link program keeps it.
        QCOMPARE(messages().boxOpen, role == ProgramRole::Link);
    }
}

void MsgBoxTest::confirmationsOverwriteThePendingText() {
    showAndAct(24, kCaller, [](MsgBoxForm& form) { form.done(6); });
    QCOMPARE(messages().pendingText, QStringLiteral("Confirm [Yes] to delete the selected Host Link."));
    showAndAct(38, kCaller, [](MsgBoxForm& form) { form.done(6); });
    QCOMPARE(messages().pendingText, kCaller);
}

void MsgBoxTest::placement_data() {
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1920, 1080);
    const int normal = int(OwnerState::Normal), maximized = int(OwnerState::Maximized),
              minimized = int(OwnerState::Minimized);
    const int none = int(OpenPage::None), links = int(OpenPage::Links), picture = int(OpenPage::SelectPicture);
    // Box frame 300 x 100 px; at 96 dpi a pixel is 15 twips.
    QTest::newRow("centred on the main form") << QRect(100, 100, 600, 400) << normal << none << 4 << screen
                                              << QPoint(250, 250);
    QTest::newRow("beside the links page") << QRect(100, 100, 600, 400) << normal << links << 4 << screen
                                           << QPoint(505, 151);  // 1500+6080, 1500+760 twips
    QTest::newRow("below the picture page") << QRect(100, 100, 600, 400) << normal << picture << 4 << screen
                                            << QPoint(157, 256);  // 1500+850, 1500+2335 twips
    QTest::newRow("page while minimized: centred") << QRect(100, 100, 600, 400) << minimized << links << 4
                                                   << screen << QPoint(250, 250);
    QTest::newRow("maximized, no alignment") << QRect(0, 0, 1920, 1080) << maximized << none << 4 << screen
                                             << QPoint(1563, 929);  // 850 and 760 twips from the edges
    QTest::newRow("maximized, picture right") << QRect(0, 0, 1920, 1080) << maximized << links << 2 << screen
                                              << QPoint(1544, 929);  // 1135 from the right
    QTest::newRow("maximized, picture bottom") << QRect(0, 0, 1920, 1080) << maximized << none << 3 << screen
                                               << QPoint(1563, 683);  // 4460 from the bottom
    QTest::newRow("past right and bottom: moved back") << QRect(1800, 1000, 400, 300) << normal << none << 4
                                                       << screen << QPoint(1620, 980);
    QTest::newRow("page offset past the edge: moved back") << QRect(1700, 900, 200, 150) << normal << links << 4
                                                           << screen << QPoint(1620, 951);
    QTest::newRow("past left and top: moved on") << QRect(-500, -300, 400, 300) << normal << none << 4 << screen
                                                 << QPoint(0, 0);
    QTest::newRow("screen below a top panel") << QRect(500, 0, 400, 60) << normal << none << 4
                                              << QRect(0, 30, 1920, 1050) << QPoint(550, 30);
    QTest::newRow("no owner: centred on the screen") << QRect() << normal << none << 4 << screen
                                                     << QPoint(810, 490);
}

void MsgBoxTest::placement() {
    QFETCH(QRect, owner);
    QFETCH(int, state);
    QFETCH(int, page);
    QFETCH(int, alignment);
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    MsgBoxPlacement p;
    p.ownerFrame = owner;
    p.ownerState = OwnerState(state);
    p.page = OpenPage(page);
    p.pictureAlignment = alignment;
    p.screen = screen;
    const QPoint at = placeMsgBox(p, QSize(300, 100), Twips{96, 96});
    QCOMPARE(at, expected);
    QVERIFY(screen.contains(QRect(at, QSize(300, 100))));
}

void MsgBoxTest::formIsPlacedOnTheScreen() {
    MsgBoxPlacement p;
    p.ownerFrame = QRect(1700, 950, 300, 200);
    p.screen = QRect(0, 0, 1920, 1080);
    prepare(MsgCantExecute, kCaller);
    MsgBoxForm form(nullptr, p);
    form.show();
    const QMargins m = windowFrameMargins();
    const QRect frame(form.pos(), form.size().grownBy(m));
    QVERIFY2(p.screen.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                      .arg(frame.x()).arg(frame.y())
                                                      .arg(frame.width()).arg(frame.height())));
    QCOMPARE(frame.right(), p.screen.right());
    QCOMPARE(frame.bottom(), p.screen.bottom());
    QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form.done(6);
}

void MsgBoxTest::helpOnLeftClick() {
    QList<int> contexts;
    QWidget owner;
    QWidget* seenOwner = nullptr;
    setHelpHook([&](int id, QWidget* w) {
        contexts << id;
        seenOwner = w;
    });
    prepare(MsgErrorReport, kCaller);
    MsgBoxForm form(&owner);
    form.show();
    QTest::mouseClick(label(form), Qt::LeftButton);
    QCOMPARE(contexts, QList<int>{4005});
    QCOMPARE(seenOwner, &owner);
    QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(2, form.height() - 2));
    QCOMPARE(contexts.size(), 2);
    QTest::mouseClick(label(form), Qt::RightButton);
    QCOMPARE(contexts.size(), 2);
    // Where the operating system's class suppresses help, a click opens nothing.
    messages().helpSuppressed = true;
    QTest::mouseClick(label(form), Qt::LeftButton);
    QCOMPARE(contexts.size(), 2);
    QVERIFY(form.isVisible());
    form.done(6);
}

void MsgBoxTest::fontSizeClassSizesTheForm() {
    for (int pixels : {20, 12}) {
        QFont font = QApplication::font();
        font.setPixelSize(pixels);
        QApplication::setFont(font);
        computeFontSizeClass();
        const bool large = QFontMetrics(font).height() > 16;
        QCOMPARE(displayMetrics().fontClass, large ? FontSizeClass::Large : FontSizeClass::Normal);
        prepare(MsgErrorReport, kCaller, QStringLiteral("E"));  // a caption that needs no room
        MsgBoxForm form(nullptr);
        const QMargins m = windowFrameMargins();
        QCOMPARE(form.width() + m.left() + m.right(), large ? 375 : 300);
        QCOMPARE(form.layoutOffset(), 0);
        QCOMPARE(form.height() + m.top() + m.bottom(),
                 (large ? 125 : 100) + displayMetrics().caption.captionAllowance);
    }
    QVERIFY(displayMetrics().fontClass == FontSizeClass::Normal);
}

void MsgBoxTest::longCaptionWidensTheBox() {
    // A caption too long for any title bar of the designed width: the box grows to its limit,
    // 1.6 times the designed width, and the designed layout stays centred in it.
    prepare(MsgErrorReport, kCaller, QStringLiteral("[Kivra] Qbase 5.0 Error Number: ") + QString(60, QLatin1Char('9')));
    MsgBoxForm form(nullptr);
    form.show();
    const QMargins m = windowFrameMargins();
    QCOMPARE(form.width() + m.left() + m.right(), 480);
    QCOMPARE(form.layoutOffset(), 90);
    const double dpi = form.twips().dpiX;
    QCOMPARE(button(form, "MsgBoxCmd1")->x(), 90 + px(1880, dpi));
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("MsgBoxImage"))->x(), 90 + px(120, dpi));
    QVERIFY(form.rect().contains(label(form)->geometry()));
    form.done(6);
}

void MsgBoxTest::responderAnswersWithoutAForm() {
    QList<MsgBoxContent> seen;
    bool formSeen = false;
    setMessageResponder([&](MessageRequest& request) -> std::optional<int> {
        seen << request.content;
        formSeen = formSeen || QApplication::activeModalWidget();
        if (request.content.kind == MsgWelcome)
            request.tickCheckBox = true;
        return request.content.kind == MsgExitMain ? 7 : 6;
    });
    messages().versionText = QStringLiteral("2.00");
    messages().toolTips = false;
    QCOMPARE(ShowMessage(MsgExitMain, kCaller, nullptr), 7);
    QCOMPARE(messages().result, 7);
    QCOMPARE(messages().boxOpen, false);
    QCOMPARE(ShowMessage(MsgWelcome, kCaller, nullptr), 6);
    QCOMPARE(messages().startupMessage, false);  // the responder ticked "Don't show this again."
    QCOMPARE(ShowMessage(MsgErrorReport, kCaller, nullptr, {}, kErrorCaption), 6);

    QCOMPARE(seen.size(), 3);
    QVERIFY(!formSeen);
    QCOMPARE(seen[0].caption, QStringLiteral("Exit Kivra Main?"));
    QCOMPARE(seen[0].body, kCaller);
    QCOMPARE(seen[0].icon, 10);
    QCOMPARE(seen[0].cmd2.caption, QStringLiteral("&Cancel"));
    QCOMPARE(seen[0].cancelResult, 7);
    QVERIFY(seen[0].cmd1.toolTip.isEmpty());
    QCOMPARE(seen[1].check, MsgBoxCheck::StartupMessage);
    QCOMPARE(seen[2].caption, kErrorCaption);

    // The link program keeps its open flag after a box answered this way too.
    messages().program = ProgramRole::Link;
    ShowMessage(MsgCantExecute, kCaller, nullptr);
    QVERIFY(messages().boxOpen);
}

void MsgBoxTest::responderCanLetTheFormShow() {
    int asked = 0;
    setMessageResponder([&](MessageRequest&) -> std::optional<int> {
        ++asked;
        return std::nullopt;
    });
    const int answer = showAndAct(MsgDeleteLink, kCaller, [](MsgBoxForm& form) {
        QTest::mouseClick(button(form, "MsgBoxCmd2"), Qt::LeftButton);
    });
    QCOMPARE(asked, 1);
    QCOMPARE(answer, 7);
}

void MsgBoxTest::reportErrorShowsKind12() {
    struct Shown {
        int kind;
        QString caption, body;
    };
    QList<Shown> shown;
    QStringList events;
    setMessageResponder([&](MessageRequest& r) -> std::optional<int> {
        shown << Shown{r.content.kind, r.content.caption, r.content.body};
        events << QStringLiteral("box");
        return 6;
    });
    setPictureSelectionRestorer([&] { events << QStringLiteral("restore"); });

    ReportError(KivraError(errnum::FileNotFound, "No such file or directory"), nullptr);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, 12);
    QCOMPARE(shown[0].caption, kErrorCaption);
    QCOMPARE(shown[0].body, QStringLiteral("Description: File not found\r\nCause: file is missing or filename "
                                           "invalid\r\nRemedy: correct filename or select another file"));
    QCOMPARE(events, QStringList{QStringLiteral("box")});

    // After a drive failure the picture selection is restored, once the box is closed.
    ReportError(errnum::DiskNotReady, QStringLiteral("Disk not ready"), nullptr);
    QCOMPARE(shown[1].caption, QStringLiteral("[Kivra] Qbase 5.0 Error Number: 71"));
    QCOMPARE(events, (QStringList{QStringLiteral("box"), QStringLiteral("box"), QStringLiteral("restore")}));

    // Without a restorer a drive failure shows its box and nothing more.
    setPictureSelectionRestorer({});
    ReportError(errnum::DeviceIO, QStringLiteral("Input/output error"), nullptr);
    QCOMPARE(shown.size(), 3);
}

QTEST_MAIN(MsgBoxTest)
#include "msgbox_test.moc"
