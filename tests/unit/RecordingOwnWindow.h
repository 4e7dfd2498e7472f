// A link window for tests of the link logic: keeps its state, records its calls in order and
// reflects minimize/restore and topmost onto a window of the fake desktop.
#pragma once

#include "FakeDesktop.h"
#include "LinkState.h"
#include "OwnWindow.h"

#include <functional>
#include <string>
#include <vector>

namespace kivra {

class RecordingOwnWindow : public OwnWindow {
public:
    RecordingOwnWindow(FakeDesktop& desktop, WindowId window) : desktop_(desktop), window_(window) {}

    OwnWindowState windowState = OwnWindowState::Normal;
    AlwaysOnTop onTop = AlwaysOnTop::Yes;
    bool kickTimer = false;
    CaptionMode mode = kLinkTitleCaption;
    std::string caption = "unchanged";
    bool boxOpen = false;
    std::vector<int> reportedErrors;
    std::vector<std::string> log;  // "minimize", "restore", "topmost:yes", "icon:grey", "save", ...

    std::function<void()> onAlwaysOnTop;  // runs inside the option's handler, as it may run events

    OwnWindowState state() const override { return windowState; }
    void minimize() override {
        log.push_back("minimize");
        windowState = OwnWindowState::Minimized;
        desktop_.setState(window_, FakeWindowState::Minimized);
    }
    void restoreNormal() override {
        log.push_back("restore");
        windowState = OwnWindowState::Normal;
        desktop_.setState(window_, FakeWindowState::Normal);
    }
    AlwaysOnTop alwaysOnTop() const override { return onTop; }
    void setAlwaysOnTop(AlwaysOnTop choice) override {
        log.push_back(choice == AlwaysOnTop::Yes ? "topmost:yes" : "topmost:no");
        onTop = choice;
        desktop_.setTopmost(window_, choice == AlwaysOnTop::Yes);
        if (onAlwaysOnTop) onAlwaysOnTop();
    }
    bool kickTimerOn() const override { return kickTimer; }
    void setIcon(LinkIcon i) override {
        log.push_back(i == LinkIcon::Bright ? "icon:bright" : "icon:grey");
    }
    CaptionMode captionMode() const override { return mode; }
    void setCaption(const std::string& text) override { caption = text; }
    void setApplicationTitle(const std::string&) override {}
    bool messageBoxOpen() const override { return boxOpen; }
    void clearMessageBoxOpen() override {
        log.push_back("clear-box-flag");
        boxOpen = false;
    }
    void saveSettings() override { log.push_back("save"); }
    void unload() override { log.push_back("unload"); }
    void reportError(const KivraError& error) override { reportedErrors.push_back(error.number()); }

private:
    FakeDesktop& desktop_;
    WindowId window_;
};

// A link window and its host on the fake desktop, in the state the link program starts with.
struct LinkOnDesktop {
    LinkOnDesktop(const std::string& title, const Rect& hostAt, const Rect& ownAt, std::int16_t instance = 1,
                  std::int16_t count = 1)
        : host(desktop.addWindow({.title = title, .className = "HostWnd", .rect = hostAt})),
          own(desktop.addWindow({.title = title, .className = "QbaseRT5", .rect = ownAt})) {
        LinkCommandLine line;
        line.hostWindow = host;
        line.instance = instance;
        line.count = count;
        line.names = makeLinkNames(title, instance, count);
        state = makeLinkState(line, hostAt);
        state.ownWindow = own;
    }

    FakeDesktop desktop;
    const WindowId host, own;
    RecordingOwnWindow window{desktop, own};
    LinkState state;
};

}  // namespace kivra
