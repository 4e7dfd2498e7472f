// Wiring of the link management rules.
#include "LinkManagement.h"

#include "LinkAdoption.h"
#include "MessageState.h"
#include "ShowMessage.h"

#include <QString>

namespace kivra {

int FormMessageSink::show(MessageKind kind, const std::string& text) {
    return ShowMessage(static_cast<int>(kind), QString::fromStdString(text), owner_);
}

bool FormMessageSink::resourceWarningOff() const { return messages().resourceWarningOff; }

void FormMessageSink::setResourceWarningOff(bool off) { messages().resourceWarningOff = off; }

LinkManagement::LinkManagement(QWidget* owner, WindowSystem& windows, LinkTable& table, SettingsStore& store,
                               std::shared_ptr<LinkLauncher> linkLauncher)
    : sink(owner),
      launcher(std::move(linkLauncher)),
      messenger(windows,
                [this](std::function<void()> f) { QMetaObject::invokeMethod(&answers, std::move(f), Qt::QueuedConnection); }),
      resources(sink),
      starts(windows, table, *launcher, resources),
      activation(windows, table, starts, sink),
      deactivation(windows, table, messenger, starts, sink),
      hostList(windows),
      create(windows, table, hostList, sink, messenger, deactivation, starts, store, InstanceSettingsOnDelete::Keep),
      autoExec(windows, table, starts, deactivation, hostList, status, watchers),
      foreground(windows, table, messenger, watchers),
      edit(windows, table, sink, messenger, store, create, hostList, watchers, deactivation,
           InstanceSettingsOnDelete::Keep),
      windows_(windows),
      table_(table) {
    hostList.setCheckActiveLinks([this] { deactivation.checkActiveLinks(); });
    status.setChecks({[this](const std::string& title) { return starts.isStarting(title); },
                      [this](WindowId linkWindow) { return messenger.responding(linkWindow); }});
}

}  // namespace kivra

namespace kivra {

LinkManagement::~LinkManagement() {
    if (finder_.joinable()) finder_.join();
}

void LinkManagement::adoptRunningLinks(WindowId self, std::function<void()> then) {
    if (finder_.joinable()) finder_.join();
    finder_ = std::thread([this, self, then = std::move(then)] {
        auto found = findRunningLinks(self);
        QMetaObject::invokeMethod(&answers, [this, found = std::move(found), then] {
            const AdoptionResult result =
                adoptLinks(found, table_, windows_, [this](ProcessId pid) { return starts.isStartingProcess(pid); });
            for (const WindowId window : result.toClose) deactivation.endLinkWindow(window);
            if (then) then();
        }, Qt::QueuedConnection);
    });
}

}  // namespace kivra
