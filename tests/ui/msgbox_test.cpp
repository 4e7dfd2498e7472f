// The message box form kind by kind on the offscreen platform: layout, keys, results,
// check boxes and the error report.
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
    void enterAndButtons_data();
    void enterAndButtons();
    void checkBoxesInvertTheirFlags_data();
    void checkBoxesInvertTheirFlags();
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
    QTest::addColumn<QString>("body");  // empty: the caller's text
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("cmd1");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("check");
    QTest::addColumn<bool>("wrap");

    const QString none;
    // clang-format off
    QTest::newRow("1 About")      << 1  << none << 1 << "&Close" << int(InfoButton) << int(NoCheck) << true;
    QTest::newRow("10 picture")   << 10 << none << 9 << "&OK" << int(NoSecond) << int(NoCheck) << true;
    QTest::newRow("12 report")    << 12 << none << 9 << "&OK" << int(NoSecond) << int(NoCheck) << true;
    QTest::newRow("19")           << 19 << none << 0 << "&OK" << int(NoSecond) << int(NoCheck) << true;
    QTest::newRow("20 picture?")  << 20 << none << 10 << "&Yes" << int(NoButton) << int(NoCheck) << false;
    QTest::newRow("22 reset")     << 22 << "Confirm [Yes] to Reset Preferences to Default settings." << 10 << "&Yes" << int(NoButton) << int(NoCheck) << true;
    QTest::newRow("23 exit")      << 23 << none << 10 << "&Yes" << int(CancelButton) << int(NoCheck) << true;
    QTest::newRow("28 resources") << 28 << none << 9 << "&OK" << int(NoSecond) << int(ResourceCheck) << true;
    QTest::newRow("99 unlisted")  << 99 << none << 0 << "&OK" << int(NoSecond) << int(NoCheck) << true;
    QTest::newRow("3 welcome")    << 3  << none << 1 << "&OK" << int(NoSecond) << int(StartupCheck) << true;
    // clang-format on
}

void MsgBoxTest::kindLayout() {
    QFETCH(int, kind);
    QFETCH(QString, body);
    QFETCH(int, icon);
    QFETCH(QString, cmd1);
    QFETCH(int, second);
    QFETCH(int, check);
    QFETCH(bool, wrap);

    messages().versionText = QStringLiteral("2.00");
    prepare(kind, kCaller, kind == 12 ? kErrorCaption : QString());
    MsgBoxForm form(nullptr);
    form.show();

    QVERIFY(!form.windowTitle().isEmpty());
    QCOMPARE(label(form)->text(), body.isEmpty() ? kCallerShown : body);
    QCOMPARE(label(form)->wordWrap(), wrap);
    QCOMPARE(form.iconNumber(), icon);
    QVERIFY(!form.findChild<QLabel*>(QStringLiteral("MsgBoxImage"))->pixmap().isNull());

    QPushButton* first = button(form, "MsgBoxCmd1");
    QCOMPARE(first->text(), cmd1);
    QVERIFY(first->isVisible() && first->isDefault());
    QCOMPARE(form.focusWidget(), first);

    QPushButton* no = button(form, "MsgBoxCmd2");
    QPushButton* info = button(form, "MsgBoxCmd4");
    QCOMPARE(no->isVisible(), second == NoButton || second == CancelButton);
    QCOMPARE(info->isVisible(), second == InfoButton);
    if (second == NoButton || second == CancelButton) {
        QCOMPARE(no->text(), second == CancelButton ? QStringLiteral("&Cancel") : QStringLiteral("&No"));
        QVERIFY(no->isEnabled());
    }

    QCheckBox* startup = checkBox(form, "MsgBoxCheck1");
    QCheckBox* resources = checkBox(form, "MsgBoxCheck2");
    QCOMPARE(startup->isVisible(), check == StartupCheck);
    QCOMPARE(resources->isVisible(), check == ResourceCheck);

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
void MsgBoxTest::enterAndButtons_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");
    QTest::newRow("Enter in a confirmation") << 23 << "enter" << 6;
    QTest::newRow("Enter in the About box") << 1 << "enter" << 6;
    QTest::newRow("Yes") << 24 << "MsgBoxCmd1" << 6;
    QTest::newRow("No") << 24 << "MsgBoxCmd2" << 7;
    QTest::newRow("Info of the About box") << 1 << "MsgBoxCmd4" << 1;
    QTest::newRow("Alt+N picks No") << 26 << "alt+n" << 7;
    for (int kind : {20, 23})
        QTest::addRow("Esc: %d, No or Cancel", kind) << kind << "escape" << 7;
    for (int kind : {1, 12, 28})
        QTest::addRow("Esc: %d, a single button", kind) << kind << "escape" << 6;
}

void MsgBoxTest::enterAndButtons() {
    QFETCH(int, kind);
    QFETCH(QString, action);
    QFETCH(int, result);
    messages().result = -5;
    const int answer = showAndAct(kind, kCaller, [action](MsgBoxForm& form) {
        if (action == QLatin1String("escape")) {
            QTest::keyClick(&form, Qt::Key_Escape);
        } else if (action == QLatin1String("enter")) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
            QTest::keyClick(target, Qt::Key_Return);
        } else if (action == QLatin1String("alt+n")) {
            QTest::keyClick(&form, Qt::Key_N, Qt::AltModifier);
        } else {
            QTest::mouseClick(button(form, action.toLatin1().constData()), Qt::LeftButton);
        }
    });
    QCOMPARE(answer, result);
    QCOMPARE(messages().result, result);
    QVERIFY(!QApplication::activeModalWidget());
}
void MsgBoxTest::checkBoxesInvertTheirFlags_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("welcome") << 3;
    QTest::newRow("resources") << 28;
}

void MsgBoxTest::checkBoxesInvertTheirFlags() {
    QFETCH(int, kind);
    messages().startupMessage = true;
    messages().resourceWarningOff = false;
    showAndAct(kind, kCaller, [kind](MsgBoxForm& form) {
        QCheckBox* box = checkBox(form, kind == 3 ? "MsgBoxCheck1" : "MsgBoxCheck2");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));  // on the box, at its left end
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QCOMPARE(messages().startupMessage, kind != 3);
    QCOMPARE(messages().resourceWarningOff, kind == 28);
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
    QVERIFY(shown[0].body.startsWith(QStringLiteral("Description: File not found\r\nCause: ")));
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
