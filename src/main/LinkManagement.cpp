// Wiring of the link management rules.
#include "LinkManagement.h"

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
      messenger(windows),
      resources(sink),
      starts(windows, table, *launcher, resources),
      activation(windows, table, starts, sink),
      deactivation(windows, table, messenger, starts, sink),
      hostList(windows),
      create(windows, table, hostList, sink, messenger, deactivation, starts, store, InstanceSettingsOnDelete::Keep),
      autoExec(windows, table, starts, deactivation, hostList, status, watchers),
      foreground(windows, table, messenger, watchers),
      edit(windows, table, sink, messenger, store, create, hostList, watchers, deactivation,
           InstanceSettingsOnDelete::Keep) {
    hostList.setCheckActiveLinks([this] { deactivation.checkActiveLinks(); });
}

}  // namespace kivra
