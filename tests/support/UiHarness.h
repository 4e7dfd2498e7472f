// The ui tier's one harness: the main window over a fake desktop and a store of the
// test's choosing, started as kivra starts it, and message boxes answered at once
// and recorded while a MessageBoxes object lives.
#pragma once
#include "FakeDesktop.h"
#include "MainForm.h"
#include "MemoryStore.h"
#include "MessageState.h"
#include "ShowMessage.h"

#include <QList>
#include <QSignalSpy>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kivra::test {

inline constexpr const char* kMainSection = "Kivra\\Kivra [ Main ]";

// The programs' folder (it holds the picture a first start shows).
inline QString programFolder() { return qEnvironmentVariable("KIVRA_BIN_DIR", QStringLiteral("/opt/kivra")) + "/"; }

// A store in which the welcome box has been turned off.
inline std::shared_ptr<MemoryStore> quietStore() {
    auto store = std::make_shared<MemoryStore>();
    store->write(kMainSection, "MainOptions", "StartupMsg", "0");
    return store;
}

// Builds, loads and shows the main window; returns once its first activation has run.
// `more` fills the rest of the environment (a launcher, a store-open error ...).
inline std::unique_ptr<MainForm> startMainForm(WindowSystem& windows, std::shared_ptr<SettingsStore> store,
                                               const std::function<void(MainEnvironment&)>& more = {}) {
    MainEnvironment env;
    env.windows = &windows;
    env.store = std::move(store);
    env.appDirectory = programFolder();
    if (more) more(env);
    auto form = std::make_unique<MainForm>(std::move(env));
    form->load();
    QSignalSpy done(form.get(), &MainForm::firstActivationFinished);
    form->show();
    if (!form->firstActivationDone()) done.wait(3000);
    return form;
}

// Answers every message box at once, by `answer` (the first button where it has no
// answer), and records what was asked.
class MessageBoxes {
public:
    explicit MessageBoxes(std::function<std::optional<int>(MessageRequest&)> answer = {}) : answer_(std::move(answer)) {
        messages() = MessageState{};
        setMessageResponder([this](MessageRequest& r) -> std::optional<int> {
            kinds << r.content.kind;
            captions << r.content.caption;
            bodies << r.content.body;
            const std::optional<int> a = answer_ ? answer_(r) : std::nullopt;
            return a ? a : std::optional<int>(MsgResultFirst);
        });
    }
    ~MessageBoxes() { setMessageResponder({}); }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;
    void clear() {
        kinds.clear();
        captions.clear();
        bodies.clear();
    }
    QList<int> kinds;
    QList<QString> captions, bodies;

private:
    std::function<std::optional<int>(MessageRequest&)> answer_;
};

}  // namespace kivra::test
