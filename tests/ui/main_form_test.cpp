// The main window's first start, welcome box, close-and-save and the next start, offscreen.
#include "FakeDesktop.h"
#include "LinkTable.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "ShowMessage.h"
#include "StoredValue.h"
#include "UiHarness.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace kivra;

namespace {

const char* kMain = "Kivra\\Kivra [ Main ]";

class MainFormTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    std::unique_ptr<test::MessageBoxes> answers;
    bool tickWelcome = false;

    std::unique_ptr<MainForm> start(std::shared_ptr<SettingsStore> store, std::optional<KivraError> openError = {}) {
        return test::startMainForm(desktop, std::move(store), [&](MainEnvironment& env) { env.storeOpenError = openError; });
    }

private slots:
    void init() {
        tickWelcome = false;
        answers = std::make_unique<test::MessageBoxes>([this](MessageRequest& r) -> std::optional<int> {
            if (r.content.kind == MsgWelcome && tickWelcome) r.tickCheckBox = true;
            return std::nullopt;
        });
    }
    void cleanup() { answers.reset(); }

    void firstStartIsCentredWithTheWelcomeBox() {
        auto store = std::make_shared<MemoryStore>();
        auto form = start(store);
        QVERIFY(form->firstActivationDone());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect f = form->frameGeometry();
        QCOMPARE(f.size(), QSize(300, 100));
        QCOMPARE(f.left(), (screen.width() - 300) / 2);
        QCOMPARE(f.top(), (screen.height() - 100) / 2);
        QVERIFY(form->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form->windowTitle(), QStringLiteral("Kivra [Main]"));
        QCOMPARE(answers->kinds, QList<int>{MsgWelcome});
        QVERIFY(answers->captions.first().startsWith(QStringLiteral("Kivra 2.00")));
        QCOMPARE(answers->bodies.first().count(QStringLiteral("\r\n")), 3);  // four lines
        QCOMPARE(store->writeCount(), 0);
        QCOMPARE(form->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    }

    void closeSavesAndTheNextStartAppliesIt() {
        auto store = std::make_shared<MemoryStore>();
        {
            tickWelcome = true;  // "Don't show this again."
            auto form = start(store);
            form->move(40, 30);
            QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(40, 30));
            form->close();
        }
        // Every key's round trip is the preferences library's; here the close saves them.
        QCOMPARE(store->read(kMain, "MainOptions", "StartupMsg", "-1"), std::string("0"));
        QCOMPARE(store->read(kMain, "HostLinks", "HLinkCnt", "-1"), std::string("0"));
        QCOMPARE(store->read(kMain, "FormPrefs", "FormKVA", "-1"), std::string("1"));
        QCOMPARE(store->read(kMain, "FormPosSize", "Left", "-1"), twipsText(40 * 15.0 * 96 / form96Dpi()));

        answers->clear();
        auto again = start(store);
        QVERIFY(answers->kinds.isEmpty());  // the welcome box stays away
        QCOMPARE(again->frameGeometry().topLeft(), QPoint(40, 30));
        QCOMPARE(again->frameGeometry().size(), QSize(300, 100));
    }

    void storedPreferencesShapeTheWindow() {
        auto store = std::make_shared<MemoryStore>();
        store->write(kMain, "FormPrefs", "FormKVA", "2");
        store->write(kMain, "MainOptions", "TBCapOptN", "3");
        store->write(kMain, "MainOptions", "StartupMsg", "0");
        store->write(kMain, "FormPrefs", "FormColorPal", "2");
        store->write(kMain, "FormPrefs", "FormPal2Color", "1");
        store->write(kMain, "HostLinks", "HLinkCnt", "2");
        store->write(kMain, "HostLinks", "Link1", "beta");
        store->write(kMain, "HostLinks", "Link2", "Alpha");
        auto form = start(store);
        QVERIFY(!(form->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("X:")));
        QCOMPARE(form->palette().color(QPalette::Window), QColor(0xFF, 0x60, 0x60));  // palette B swatch 1
        QCOMPARE(form->links().linkCount(), 2);
        QCOMPARE(form->links().at(0).title, std::string("Alpha"));
    }

    void aStoreThatCouldNotBeOpenedIsReportedOnce() {
        auto store = std::make_shared<MemoryStore>();
        store->write(kMain, "MainOptions", "StartupMsg", "0");
        auto form = start(store, KivraError(70, "Permission denied"));
        QCOMPARE(answers->kinds, QList<int>{MsgErrorReport});
        QCOMPARE(answers->captions.first(), QStringLiteral("[Kivra] Qbase 5.0 Error Number: 70"));
    }

    void aFailedSaveIsReportedAndTheWindowStillCloses() {
        class FailingStore : public MemoryStore {
        public:
            void write(std::string_view, std::string_view, std::string_view, std::string_view) override {
                throw KivraError(70, "Permission denied");
            }
        };
        auto store = std::make_shared<FailingStore>();
        auto form = start(store);
        answers->kinds.clear();
        QVERIFY(form->close());
        QCOMPARE(answers->kinds, QList<int>{MsgErrorReport});
    }

private:
    static double form96Dpi() { return QGuiApplication::primaryScreen()->logicalDotsPerInchX(); }
};

}  // namespace

QTEST_MAIN(MainFormTest)
#include "main_form_test.moc"
