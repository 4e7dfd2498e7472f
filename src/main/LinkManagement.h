// The main program's link management, assembled: the rules of src/main/core wired
// to the desktop, the message boxes, the link program and the command channel.
#pragma once

#include "AutoExecWatcher.h"
#include "CreateLinks.h"
#include "EditLink.h"
#include "ForegroundWatcher.h"
#include "HostListRefresh.h"
#include "LinkActivation.h"
#include "LinkDeactivation.h"
#include "LinkLauncher.h"
#include "LinkMessenger.h"
#include "LinkStarts.h"
#include "MessageSink.h"
#include "ResourceCheck.h"
#include "StatusList.h"
#include "WatcherState.h"

#include <QObject>

#include <functional>
#include <memory>
#include <thread>

class QWidget;

namespace kivra {

// Message boxes over the main window, answered by the message box form.
class FormMessageSink : public MessageSink {
public:
    explicit FormMessageSink(QWidget* owner) : owner_(owner) {}
    int show(MessageKind kind, const std::string& text) override;
    bool resourceWarningOff() const override;
    void setResourceWarningOff(bool off) override;

private:
    QWidget* owner_;
};

struct LinkManagement {
    LinkManagement(QWidget* owner, WindowSystem& windows, LinkTable& table, SettingsStore& store,
                   std::shared_ptr<LinkLauncher> launcher);
    ~LinkManagement();

    // Looks for link programs an earlier main program left running, off this thread; then
    // adopts those of memorized links, asks the others to close and runs `then`.
    void adoptRunningLinks(WindowId self, std::function<void()> then);

    FormMessageSink sink;
    std::shared_ptr<LinkLauncher> launcher;
    // Answers of link programs reach the user-interface thread through this object's
    // queue; destroyed after the messenger, it drops those that came too late.
    QObject answers;
    QueuedLinkMessenger messenger;
    ResourceCheck resources;
    LinkStarts starts;
    LinkActivation activation;
    LinkDeactivation deactivation;
    HostListRefresh hostList;
    CreateLinks create;
    StatusListRefresh status;
    WatcherState watchers;
    AutoExecWatcher autoExec;
    ForegroundWatcher foreground;
    EditLink edit;

private:
    WindowSystem& windows_;
    LinkTable& table_;
    std::thread finder_;
};

}  // namespace kivra
