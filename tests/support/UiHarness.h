// The ui tier's one harness: the main window over a fake desktop and a store of the
// test's choosing, started as kivra starts it, with message boxes answered at once
// and recorded.
#pragma once
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "ShowMessage.h"

#include <QAbstractButton>
#include <QList>
#include <QMap>
#include <QSignalSpy>
#include <QString>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace kivra::test {

// The programs' folder (it holds the picture a first start shows).
inline QString programFolder() { return qEnvironmentVariable("KIVRA_BIN_DIR", QStringLiteral("/opt/kivra")) + "/"; }

// A store in which the welcome box has been turned off.
inline std::shared_ptr<MemoryStore> quietStore() {
    auto store = std::make_shared<MemoryStore>();
    store->write(kMainAppName, "MainOptions", "StartupMsg", "0");
    return store;
}

// What a test class of the main window holds: its desktop, its window, and message boxes
// answered at once from `answers` (by kind, in turn; the first button once they run out),
// their check boxes ticked while `tickCheckBoxes` is set, and recorded.
struct MainFormFixture {
    FakeDesktop desktop;
    std::unique_ptr<MainForm> form;
    QMap<int, QList<int>> answers;
    bool tickCheckBoxes = false;
    QList<int> kinds;
    QList<QString> bodies;

    // For a test's init(): a fresh desktop and message boxes.
    void answerBoxes() {
        desktop = FakeDesktop{};
        answers.clear();
        tickCheckBoxes = false;
        forgetBoxes();
        messages() = MessageState{};
        setMessageResponder([this](MessageRequest& r) -> std::optional<int> {
            kinds << r.content.kind;
            bodies << r.content.body;
            r.tickCheckBox = tickCheckBoxes;
            QList<int>& queue = answers[r.content.kind];
            return queue.isEmpty() ? MsgResultFirst : queue.takeFirst();
        });
    }
    void forgetBoxes() {
        kinds.clear();
        bodies.clear();
    }
    // Builds, loads and shows the window (in place of the last one) and waits for its first
    // activation; `more` fills the rest of the environment (a launcher, a store-open error ...);
    // `shown` also shows its controls, with the boxes seen so far forgotten.
    void start(std::shared_ptr<SettingsStore> store, bool shown = false,
               const std::function<void(MainEnvironment&)>& more = {}) {
        form.reset();
        MainEnvironment env;
        env.windows = &desktop;
        env.store = std::move(store);
        env.appDirectory = programFolder();
        if (more) more(env);
        form = std::make_unique<MainForm>(std::move(env));
        form->load();
        QSignalSpy done(form.get(), &MainForm::firstActivationFinished);
        form->show();
        QVERIFY(form->firstActivationDone() || done.wait(3000));
        if (!shown) return;
        forgetBoxes();
        form->showControls();
    }
    // For a test's cleanup().
    void end() {
        form.reset();
        setMessageResponder({});
    }
};

// A click where a real one lands: a check box or radio button answers clicks on its box
// and caption, not on the rest of its cell.
inline void click(QAbstractButton* b) {
    const bool box = b->inherits("QCheckBox") || b->inherits("QRadioButton");
    QTest::mouseClick(b, Qt::LeftButton, {}, box ? QPoint(6, b->height() / 2) : b->rect().center());
}

}  // namespace kivra::test
