// An in-memory desktop behind the window-system seam, scripted by tests: windows,
// child trees, Z order, foreground, a log of every action and hooks on any seam call.
#pragma once

#include "WindowSystem.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kivra {

enum class FakeWindowState { Normal, Minimized, Maximized };

// What a window does with a close request.
enum class CloseBehaviour { Close, Ignore };

// Every call a backend answers, for counting, logging and hooks.
enum class SeamCall {
    TopLevelWindows, ChildWindows, Describe,
    Exists, Title, ClassName, IsVisible, IsMinimized, IsMaximized, Rect, Parent, ProcessOf, Foreground,
    Restore, Raise, Move, SetTopmost, Minimize, RequestClose, NudgeForegroundLock,
    VirtualScreen, CaptionHeight, Watch, TakeNotifications,
    Count_
};

// A window to create. Designated initializers keep test scripts short:
// desktop.addWindow({.title = "Editor", .className = "EditWnd"}).
struct FakeWindowSpec {
    std::string title{};
    std::string className = "FakeWindow";
    std::uint32_t style = style::PlainMainWindow;
    WindowKind kind = WindowKind::Normal;
    bool visible = true;
    int controlId = 0;              // children: the control identifier
    WindowId owner = 0;             // top-level windows: the owner, answered by parent()
    ProcessId pid = 0;
    kivra::Rect rect{100, 100, 500, 400};
    FakeWindowState state = FakeWindowState::Normal;
    CloseBehaviour onClose = CloseBehaviour::Close;
};

// One action made through the seam, in call order.
struct FakeAction {
    SeamCall call;
    WindowId window = 0;
    kivra::Rect rect;        // Move: the requested frame
    bool topmost = false;    // SetTopmost: the requested state
    bool result = false;     // what the seam answered
};

// One batched read: how many windows and which fields.
struct FakeDescribeCall {
    std::size_t windows = 0;
    std::uint32_t fields = 0;
};

enum class ZPlace { Top, Bottom };
enum class HookRepeat { Once, Always };
// Whether titles are cut to 255 characters as the seam promises, or handed out
// whole (to check that callers guard against a backend that does not).
enum class TitleLimit { Cut255, Unlimited };

class FakeDesktop : public WindowSystem {
public:
    // --- Scripting the desktop (never logged, never counted, never hooked) ---
    WindowId addWindow(FakeWindowSpec desc, ZPlace place = ZPlace::Top);
    // Appended as the last child of `parent`, so it is walked after its earlier siblings.
    // Returns 0 when the parent does not exist.
    WindowId addChild(WindowId parent, FakeWindowSpec desc);
    void destroy(WindowId window);  // with its descendants and the top-level windows it owns
    void bringToFront(WindowId window);
    void sendToBack(WindowId window);
    void rename(WindowId window, std::string title);
    void setClassName(WindowId window, std::string className);
    void setStyle(WindowId window, std::uint32_t style);
    void setKind(WindowId window, WindowKind kind);
    void setControlId(WindowId window, int id);
    void setProcess(WindowId window, ProcessId pid);
    void moveTo(WindowId window, int left, int top);
    void resizeTo(WindowId window, int width, int height);
    void setRect(WindowId window, const kivra::Rect& rect);
    void setState(WindowId window, FakeWindowState state);
    void hide(WindowId window);
    void show(WindowId window);
    void setForeground(WindowId window);
    void activate(WindowId window);  // bring to front and make it the foreground window
    void setCloseBehaviour(WindowId window, CloseBehaviour behaviour);
    void setScreen(const kivra::Rect& screen) { screen_ = screen; }
    void setCaptionHeight(int pixels) { captionHeight_ = pixels; }
    void setTitleLimit(TitleLimit limit) { titleLimit_ = limit; }

    // --- Reading the desktop back -------------------------------------------
    bool has(WindowId window) const { return windows_.count(window) != 0; }
    const FakeWindowSpec& desc(WindowId window) const;  // the window must exist
    bool isTopmost(WindowId window) const;
    const std::vector<WindowId>& zOrder() const { return zOrder_; }  // top-level, topmost first
    std::size_t windowCount() const { return windows_.size(); }

    // --- The record of seam traffic ------------------------------------------
    const std::vector<FakeAction>& actions() const { return actions_; }
    std::vector<FakeAction> actionsOn(WindowId window) const;
    int actionCount(SeamCall call, WindowId window = 0) const;  // window 0: on any window
    void clearActions() { actions_.clear(); }
    int callCount(SeamCall call) const { return counts_[static_cast<int>(call)]; }
    const std::vector<FakeDescribeCall>& describeCalls() const { return describeCalls_; }
    void resetCallCounts();

    // Runs `hook` with the call's window (a batch: its first window; none: 0) each time
    // the call is made, before it is answered, so a hook that destroys a window makes
    // the call see it gone.
    void onCall(SeamCall call, std::function<void(WindowId)> hook, HookRepeat repeat = HookRepeat::Once);
    void clearHooks() { hooks_.clear(); }

    // --- WindowSystem ---------------------------------------------------------
    std::vector<WindowId> topLevelWindows() override;
    std::vector<WindowId> childWindows(WindowId window) override;
    std::vector<WindowInfo> describe(std::span<const WindowId> windows, std::uint32_t fields) override;
    using WindowSystem::describe;
    bool exists(WindowId window) override;
    std::string title(WindowId window) override;
    std::string className(WindowId window) override;
    bool isVisible(WindowId window) override;
    bool isMinimized(WindowId window) override;
    bool isMaximized(WindowId window) override;
    std::optional<kivra::Rect> rect(WindowId window) override;
    WindowId parent(WindowId window) override;
    ProcessId processOf(WindowId window) override;
    WindowId foreground() override;
    bool restore(WindowId window) override;
    bool raise(WindowId window) override;
    bool raiseWithFocus(WindowId window) override;  // logged as a Raise; the window becomes the foreground
    bool move(WindowId window, const kivra::Rect& frame) override;
    bool setTopmost(WindowId window, bool topmost) override;
    bool minimize(WindowId window) override;
    bool requestClose(WindowId window) override;
    void nudgeForegroundLock() override;
    kivra::Rect virtualScreen() override;
    int captionHeight() override;
    void watch(WindowId window) override;
    bool takeNotifications() override;
    bool notifyOnChange(std::function<void()> changed) override;
    void watchDesktop() override;

private:
    struct Node {
        FakeWindowSpec desc;
        WindowId parent = 0;  // 0 for top-level windows
        std::vector<WindowId> children;
        bool topmost = false;
        bool wasMaximized = false;  // a minimized window restores to maximized
    };

    Node* find(WindowId window);
    const Node* find(WindowId window) const;
    void enter(SeamCall call, WindowId window);
    FakeAction& logAction(SeamCall call, WindowId window);
    void placeInZOrder(WindowId window, ZPlace place);
    void collectDescendants(const Node& node, std::vector<WindowId>& out) const;
    bool visibleWithAncestors(const Node& node) const;
    std::string visibleTitle(const std::string& title) const;
    WindowInfo infoOf(WindowId window, std::uint32_t fields) const;

    struct Hook {
        SeamCall call;
        std::function<void(WindowId)> run;
        HookRepeat repeat;
    };

    std::map<WindowId, Node> windows_;
    std::vector<WindowId> zOrder_;
    WindowId nextId_ = 0x400001;
    WindowId foreground_ = 0;
    kivra::Rect screen_{0, 0, 1920, 1080};
    int captionHeight_ = 22;
    TitleLimit titleLimit_ = TitleLimit::Cut255;
    std::vector<FakeAction> actions_;
    int counts_[static_cast<int>(SeamCall::Count_)] = {};
    std::vector<FakeDescribeCall> describeCalls_;
    std::vector<Hook> hooks_;
    bool inHook_ = false;

    // Change notification, as the real backends give it: a scripted change of a watched
    // window (or, with the desktop watched, of the window list, the foreground, a title or
    // state) is pending until taken, and calls the callback at once.
    enum class Change { Geometry, TitleOrState, WindowList, Foreground };
    void changed(WindowId window, Change change);
    std::set<WindowId> watched_;
    bool desktopWatched_ = false;
    bool pendingChange_ = false;
    std::function<void()> onChange_;
};

}  // namespace kivra
