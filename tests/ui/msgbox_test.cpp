// The message box form on the offscreen platform, kind by kind: its controls laid out
// without overlap, the key or button that closes it, its check boxes; the error report;
// the icons, which render at the usual sizes, grey variants grey.
#include "DisplayMetricsQt.h"
#include "Icons.h"
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

using namespace kivra;

namespace {

// The second button a kind shows, and its check box.
constexpr int NoSecond = 0, NoOrCancel = 1, InfoButton = 2;
constexpr int NoCheck = 0, StartupCheck = 1, ResourceCheck = 2;

template <class W> W* child(QWidget& form, const char* name) {
    return form.findChild<W*>(QLatin1String(name));
}

// Every shown control lies inside the box, clear of every other one.
void checkNothingHidden(MsgBoxForm& form) {
    QList<QWidget*> shown;
    for (QWidget* w : form.findChildren<QWidget*>())
        if (w->isVisible()) {
            QVERIFY2(form.rect().contains(w->geometry()), qPrintable(w->objectName()));
            shown << w;
        }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j)
            QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                     qPrintable(shown[i]->objectName() + QLatin1String(" / ") + shown[j]->objectName()));
}

}  // namespace

class MsgBoxTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        setMessageResponder({});
        setPictureSelectionRestorer({});
        messages() = MessageState{};
        messages().versionText = QStringLiteral("2.00");
        QApplication::setFont(QFont(QApplication::font().family(), 9));
        computeFontSizeClass();
    }

    void eachKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("fixedBody");  // the kind's own text instead of the caller's
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("action");  // a key, a button's name, or "tick" the check box and Esc
        QTest::addColumn<int>("result");
        QTest::newRow("1 About, Info") << 1 << false << InfoButton << NoCheck << "MsgBoxCmd4" << 1;
        QTest::newRow("20 picture?") << 20 << false << NoOrCancel << NoCheck << "MsgBoxCmd2" << 7;
        QTest::newRow("23 exit, Esc") << 23 << false << NoOrCancel << NoCheck << "escape" << 7;
        QTest::newRow("26 Alt+N") << 26 << true << NoOrCancel << NoCheck << "alt+n" << 7;
        QTest::newRow("28 resources") << 28 << false << NoSecond << ResourceCheck << "tick" << 6;
        QTest::newRow("3 welcome") << 3 << false << NoSecond << StartupCheck << "tick" << 6;
        QTest::newRow("99 unlisted, Enter") << 99 << false << NoSecond << NoCheck << "enter" << 6;
    }
    void eachKind() {
        QFETCH(int, kind);
        QFETCH(bool, fixedBody);
        QFETCH(int, second);
        QFETCH(int, check);
        QFETCH(QString, action);
        QFETCH(int, result);
        messages().startupMessage = true;
        messages().resourceWarningOff = false;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<MsgBoxForm*>(QApplication::activeModalWidget());
            if (!form) {
                qWarning("no modal message box");
                return;
            }
            // A form left open is closed after a while so that a failing test cannot hang.
            QTimer::singleShot(2000, form, [form] {
                qWarning("message box left open");
                messages().result = -1;
                form->done(-1);
            });
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form));
            auto* label = child<QLabel>(*form, "MsgBoxLabel");
            QCOMPARE(label->text() == QStringLiteral("Caller text\nsecond line"), !fixedBody);
            QVERIFY(!child<QLabel>(*form, "MsgBoxImage")->pixmap().isNull());
            auto* first = child<QPushButton>(*form, "MsgBoxCmd1");
            QVERIFY(first->isVisible() && first->isDefault());
            QCOMPARE(child<QPushButton>(*form, "MsgBoxCmd2")->isVisible(), second == NoOrCancel);
            QCOMPARE(child<QPushButton>(*form, "MsgBoxCmd4")->isVisible(), second == InfoButton);
            auto* startupBox = child<QCheckBox>(*form, "MsgBoxCheck1");
            auto* resourceBox = child<QCheckBox>(*form, "MsgBoxCheck2");
            QCOMPARE(startupBox->isVisible(), check == StartupCheck);
            QCOMPARE(resourceBox->isVisible(), check == ResourceCheck);
            checkNothingHidden(*form);

            if (action == QLatin1String("tick")) {
                QCheckBox* box = check == StartupCheck ? startupBox : resourceBox;
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));  // on the box itself
                QTest::keyClick(form, Qt::Key_Escape);
            } else if (action == QLatin1String("escape")) {
                QTest::keyClick(form, Qt::Key_Escape);
            } else if (action == QLatin1String("enter")) {
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form, Qt::Key_Return);
            } else if (action == QLatin1String("alt+n")) {
                QTest::keyClick(form, Qt::Key_N, Qt::AltModifier);
            } else {
                QTest::mouseClick(child<QPushButton>(*form, action.toLatin1().constData()), Qt::LeftButton);
            }
        });
        QCOMPARE(ShowMessage(kind, QStringLiteral("Caller text\r\nsecond line"), nullptr, {}, {}), result);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(messages().startupMessage, check != StartupCheck);
        QCOMPARE(messages().resourceWarningOff, check == ResourceCheck);
    }

    // The report goes through kind 12; after a drive failure the picture selection is
    // restored once the box is closed, and without a restorer nothing more happens.
    void reportErrorShowsKind12() {
        QStringList events;
        setMessageResponder([&](MessageRequest& r) -> std::optional<int> {
            events << QString::number(r.content.kind);
            return 6;
        });
        setPictureSelectionRestorer([&] { events << QStringLiteral("restore"); });
        ReportError(KivraError(errnum::FileNotFound, "No such file or directory"), nullptr);
        ReportError(errnum::DiskNotReady, QStringLiteral("Disk not ready"), nullptr);
        QCOMPARE(events, (QStringList{"12", "12", "restore"}));
        setPictureSelectionRestorer({});
        ReportError(errnum::DeviceIO, QStringLiteral("Input/output error"), nullptr);
        QCOMPARE(events.size(), 4);
    }

    // The icon resources the boxes and windows show.
    void everyIconRendersAndGreyVariantsAreGrey() {
        const QList<int> grey{3, 5, 13, 15};
        for (int n : {0, 1, 2, 3, 4, 5, 8, 9, 10, 12, 13, 14, 15}) {
            QVERIFY(kivraIcon(n).availableSizes().contains(QSize(32, 32)));  // the windows' icon
            for (int size : {16, 32, 64}) {
                const QImage image = kivraPixmap(n, size).toImage().convertToFormat(QImage::Format_ARGB32);
                int covered = 0;
                int saturation = 0;  // the most of the opaque pixels (blurred edges aside)
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x) {
                        const QColor c = image.pixelColor(x, y);
                        covered += c.alpha() != 0;
                        if (c.alpha() >= 200) saturation = std::max(saturation, c.hsvSaturation());
                    }
                const QString where = QStringLiteral("icon %1 size %2").arg(n).arg(size);
                QVERIFY2(covered > 0.3 * size * size && covered < size * size, qPrintable(where));
                if (size == 32 && n != 0)
                    QVERIFY2(grey.contains(n) ? saturation < 40 : saturation > 150, qPrintable(where));
            }
        }
    }
};

QTEST_MAIN(MsgBoxTest)
#include "msgbox_test.moc"
