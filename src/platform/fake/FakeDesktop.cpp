// The in-memory desktop: window tree, Z order in two bands (topmost above the rest),
// and the bookkeeping tests read back.
#include "FakeDesktop.h"

#include <algorithm>
#include <stdexcept>

namespace kivra {

namespace {

// The first `maxChars` UTF-8 characters of `text`, cut at the first NUL as a
// 256-character text buffer would be; never splits a multibyte character.
std::string cutText(const std::string& text, std::size_t maxChars) {
    const std::string untilNul = text.substr(0, text.find('\0'));
    std::size_t chars = 0;
    for (std::size_t i = 0; i < untilNul.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(untilNul[i]) & 0xC0) == 0x80;
        if (!continuation && chars++ == maxChars) return untilNul.substr(0, i);
    }
    return untilNul;
}

constexpr std::size_t kTextLimit = 255;

}  // namespace

// --- Scripting ---------------------------------------------------------------

WindowId FakeDesktop::addWindow(FakeWindowSpec desc, ZPlace place) {
    const WindowId id = nextId_++;
    Node node;
    node.wasMaximized = desc.state == FakeWindowState::Maximized;
    node.desc = std::move(desc);
    windows_.emplace(id, std::move(node));
    placeInZOrder(id, place);
    changed(id, Change::WindowList);
    return id;
}

WindowId FakeDesktop::addChild(WindowId parent, FakeWindowSpec desc) {
    Node* p = find(parent);
    if (!p) return 0;
    const WindowId id = nextId_++;
    p->children.push_back(id);
    Node node;
    node.desc = std::move(desc);
    node.parent = parent;
    windows_.emplace(id, std::move(node));
    return id;
}

void FakeDesktop::destroy(WindowId window) {
    Node* node = find(window);
    if (!node) return;
    // Owned top-level windows go with their owner, as on Win32.
    std::vector<WindowId> owned;
    for (const auto& [id, other] : windows_)
        if (other.parent == 0 && other.desc.owner == window && id != window) owned.push_back(id);
    if (node->parent != 0) {
        auto& siblings = find(node->parent)->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
    std::vector<WindowId> subtree{window};
    collectDescendants(*node, subtree);
    for (WindowId id : subtree) {
        windows_.erase(id);
        zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), id), zOrder_.end());
        if (foreground_ == id) foreground_ = 0;
    }
    for (WindowId id : owned) destroy(id);
    changed(window, Change::WindowList);
    watched_.erase(window);
}

void FakeDesktop::bringToFront(WindowId window) {
    Node* node = find(window);
    if (!node) return;
    if (node->parent == 0) {
        placeInZOrder(window, ZPlace::Top);
    } else {
        auto& siblings = find(node->parent)->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
        siblings.insert(siblings.begin(), window);
    }
}

void FakeDesktop::sendToBack(WindowId window) {
    Node* node = find(window);
    if (!node) return;
    if (node->parent == 0) {
        node->topmost = false;
        placeInZOrder(window, ZPlace::Bottom);
    } else {
        auto& siblings = find(node->parent)->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
        siblings.push_back(window);
    }
}

void FakeDesktop::rename(WindowId window, std::string title) {
    if (Node* n = find(window)) n->desc.title = std::move(title);
    changed(window, Change::TitleOrState);
}
void FakeDesktop::setClassName(WindowId window, std::string className) {
    if (Node* n = find(window)) n->desc.className = std::move(className);
    changed(window, Change::TitleOrState);
}
void FakeDesktop::setStyle(WindowId window, std::uint32_t style) {
    if (Node* n = find(window)) n->desc.style = style;
}
void FakeDesktop::setKind(WindowId window, WindowKind kind) {
    if (Node* n = find(window)) n->desc.kind = kind;
}
void FakeDesktop::setControlId(WindowId window, int id) {
    if (Node* n = find(window)) n->desc.controlId = id;
}
void FakeDesktop::setProcess(WindowId window, ProcessId pid) {
    if (Node* n = find(window)) n->desc.pid = pid;
}

void FakeDesktop::moveTo(WindowId window, int left, int top) {
    if (Node* n = find(window)) {
        const kivra::Rect r = n->desc.rect;
        n->desc.rect = {left, top, left + r.width(), top + r.height()};
    }
    changed(window, Change::Geometry);
}

void FakeDesktop::resizeTo(WindowId window, int width, int height) {
    if (Node* n = find(window)) {
        n->desc.rect.right = n->desc.rect.left + width;
        n->desc.rect.bottom = n->desc.rect.top + height;
    }
    changed(window, Change::Geometry);
}

void FakeDesktop::setRect(WindowId window, const kivra::Rect& rect) {
    if (Node* n = find(window)) n->desc.rect = rect;
    changed(window, Change::Geometry);
}

void FakeDesktop::setState(WindowId window, FakeWindowState state) {
    Node* n = find(window);
    if (!n) return;
    if (state == FakeWindowState::Minimized)
        n->wasMaximized = n->desc.state == FakeWindowState::Maximized;
    n->desc.state = state;
    changed(window, Change::TitleOrState);
}

// Hiding clears the visible style bit too, as ShowWindow does.
void FakeDesktop::hide(WindowId window) {
    if (Node* n = find(window)) {
        n->desc.visible = false;
        n->desc.style &= ~style::Visible;
    }
    changed(window, Change::TitleOrState);
}

void FakeDesktop::show(WindowId window) {
    if (Node* n = find(window)) {
        n->desc.visible = true;
        n->desc.style |= style::Visible;
    }
    changed(window, Change::TitleOrState);
}

void FakeDesktop::setForeground(WindowId window) {
    foreground_ = has(window) ? window : 0;
    changed(window, Change::Foreground);
}

void FakeDesktop::activate(WindowId window) {
    bringToFront(window);
    setForeground(window);
}

void FakeDesktop::setCloseBehaviour(WindowId window, CloseBehaviour behaviour) {
    if (Node* n = find(window)) n->desc.onClose = behaviour;
}

// --- Reading back ------------------------------------------------------------

const FakeWindowSpec& FakeDesktop::desc(WindowId window) const {
    const Node* n = find(window);
    if (!n) throw std::out_of_range("FakeDesktop: no such window");
    return n->desc;
}

bool FakeDesktop::isTopmost(WindowId window) const {
    const Node* n = find(window);
    return n && n->topmost;
}

std::vector<FakeAction> FakeDesktop::actionsOn(WindowId window) const {
    std::vector<FakeAction> out;
    for (const FakeAction& a : actions_)
        if (a.window == window) out.push_back(a);
    return out;
}

int FakeDesktop::actionCount(SeamCall call, WindowId window) const {
    return static_cast<int>(std::count_if(actions_.begin(), actions_.end(), [&](const FakeAction& a) {
        return a.call == call && (window == 0 || a.window == window);
    }));
}

void FakeDesktop::resetCallCounts() {
    std::fill(std::begin(counts_), std::end(counts_), 0);
    describeCalls_.clear();
}

void FakeDesktop::onCall(SeamCall call, std::function<void(WindowId)> hook, HookRepeat repeat) {
    hooks_.push_back({call, std::move(hook), repeat});
}

// --- Internals -----------------------------------------------------------------

FakeDesktop::Node* FakeDesktop::find(WindowId window) {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

const FakeDesktop::Node* FakeDesktop::find(WindowId window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

// Counts the call and runs its hooks. Hooks do not fire from inside a hook.
void FakeDesktop::enter(SeamCall call, WindowId window) {
    ++counts_[static_cast<int>(call)];
    if (inHook_) return;
    std::vector<std::function<void(WindowId)>> due;
    for (auto it = hooks_.begin(); it != hooks_.end();) {
        if (it->call != call) {
            ++it;
            continue;
        }
        due.push_back(it->run);
        it = it->repeat == HookRepeat::Once ? hooks_.erase(it) : it + 1;
    }
    inHook_ = true;
    try {
        for (auto& run : due) run(window);
    } catch (...) {
        inHook_ = false;
        throw;
    }
    inHook_ = false;
}

FakeAction& FakeDesktop::logAction(SeamCall call, WindowId window) {
    actions_.push_back(FakeAction{call, window, {}, false, false});
    return actions_.back();
}

// Topmost windows stay above the others: Top places a window first in its band.
void FakeDesktop::placeInZOrder(WindowId window, ZPlace place) {
    zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), window), zOrder_.end());
    if (place == ZPlace::Bottom) {
        zOrder_.push_back(window);
        return;
    }
    auto pos = zOrder_.begin();
    if (!isTopmost(window))
        pos = std::find_if(zOrder_.begin(), zOrder_.end(), [&](WindowId w) { return !isTopmost(w); });
    zOrder_.insert(pos, window);
}

// Depth first, each child before its own descendants, as EnumChildWindows walks.
void FakeDesktop::collectDescendants(const Node& node, std::vector<WindowId>& out) const {
    for (WindowId child : node.children) {
        out.push_back(child);
        collectDescendants(*find(child), out);
    }
}

bool FakeDesktop::visibleWithAncestors(const Node& node) const {
    for (const Node* n = &node; n; n = n->parent ? find(n->parent) : nullptr)
        if (!n->desc.visible) return false;
    return true;
}

std::string FakeDesktop::visibleTitle(const std::string& title) const {
    if (titleLimit_ == TitleLimit::Unlimited) return title;
    return cutText(title, kTextLimit);
}

WindowInfo FakeDesktop::infoOf(WindowId window, std::uint32_t fields) const {
    WindowInfo info;
    info.id = window;
    const Node* n = find(window);
    if (!n) return info;
    info.exists = true;
    const FakeWindowSpec& s = n->desc;
    if (fields & FieldTitle) info.title = visibleTitle(s.title);
    if (fields & FieldClass) info.className = cutText(s.className, kTextLimit);
    if (fields & FieldStyle) {
        info.style = s.style;
        info.kind = s.kind;
    }
    if (fields & FieldVisible) info.visible = visibleWithAncestors(*n);
    if (fields & FieldControlId) info.controlId = s.controlId;
    if (fields & FieldParent) info.parent = n->parent ? n->parent : (has(s.owner) ? s.owner : 0);
    if (fields & FieldProcess) info.pid = s.pid;
    if (fields & FieldRect) info.rect = s.rect;
    if (fields & FieldState) {
        info.minimized = s.state == FakeWindowState::Minimized;
        info.maximized = s.state == FakeWindowState::Maximized;
    }
    return info;
}

// --- WindowSystem: listing and questions ------------------------------------------

std::vector<WindowId> FakeDesktop::topLevelWindows() {
    enter(SeamCall::TopLevelWindows, 0);
    return zOrder_;
}

std::vector<WindowId> FakeDesktop::childWindows(WindowId window) {
    enter(SeamCall::ChildWindows, window);
    std::vector<WindowId> out;
    if (const Node* n = find(window)) collectDescendants(*n, out);
    return out;
}

std::vector<WindowInfo> FakeDesktop::describe(std::span<const WindowId> windows, std::uint32_t fields) {
    enter(SeamCall::Describe, windows.empty() ? 0 : windows.front());
    describeCalls_.push_back({windows.size(), fields});
    std::vector<WindowInfo> out;
    out.reserve(windows.size());
    for (WindowId w : windows) out.push_back(infoOf(w, fields));
    return out;
}

bool FakeDesktop::exists(WindowId window) {
    enter(SeamCall::Exists, window);
    return has(window);
}

std::string FakeDesktop::title(WindowId window) {
    enter(SeamCall::Title, window);
    return infoOf(window, FieldTitle).title;
}

std::string FakeDesktop::className(WindowId window) {
    enter(SeamCall::ClassName, window);
    return infoOf(window, FieldClass).className;
}

bool FakeDesktop::isVisible(WindowId window) {
    enter(SeamCall::IsVisible, window);
    return infoOf(window, FieldVisible).visible;
}

bool FakeDesktop::isMinimized(WindowId window) {
    enter(SeamCall::IsMinimized, window);
    return infoOf(window, FieldState).minimized;
}

bool FakeDesktop::isMaximized(WindowId window) {
    enter(SeamCall::IsMaximized, window);
    return infoOf(window, FieldState).maximized;
}

std::optional<kivra::Rect> FakeDesktop::rect(WindowId window) {
    enter(SeamCall::Rect, window);
    const Node* n = find(window);
    if (!n) return std::nullopt;
    return n->desc.rect;
}

WindowId FakeDesktop::parent(WindowId window) {
    enter(SeamCall::Parent, window);
    return infoOf(window, FieldParent).parent;
}

ProcessId FakeDesktop::processOf(WindowId window) {
    enter(SeamCall::ProcessOf, window);
    return infoOf(window, FieldProcess).pid;
}

WindowId FakeDesktop::foreground() {
    enter(SeamCall::Foreground, 0);
    return has(foreground_) ? foreground_ : 0;
}

// --- WindowSystem: actions ------------------------------------------------------------

bool FakeDesktop::restore(WindowId window) {
    enter(SeamCall::Restore, window);
    FakeAction& a = logAction(SeamCall::Restore, window);
    Node* n = find(window);
    if (!n) return false;
    if (n->desc.state == FakeWindowState::Minimized)
        n->desc.state = n->wasMaximized ? FakeWindowState::Maximized : FakeWindowState::Normal;
    return a.result = true;
}

bool FakeDesktop::raise(WindowId window) {
    enter(SeamCall::Raise, window);
    FakeAction& a = logAction(SeamCall::Raise, window);
    if (!has(window)) return false;
    bringToFront(window);
    return a.result = true;
}

bool FakeDesktop::raiseWithFocus(WindowId window) {
    if (!raise(window)) return false;
    setForeground(window);
    return true;
}

bool FakeDesktop::move(WindowId window, const kivra::Rect& frame) {
    enter(SeamCall::Move, window);
    FakeAction& a = logAction(SeamCall::Move, window);
    a.rect = frame;
    Node* n = find(window);
    if (!n) return false;
    n->desc.rect = frame;
    return a.result = true;
}

bool FakeDesktop::setTopmost(WindowId window, bool topmost) {
    enter(SeamCall::SetTopmost, window);
    FakeAction& a = logAction(SeamCall::SetTopmost, window);
    a.topmost = topmost;
    Node* n = find(window);
    if (!n) return false;
    if (n->parent == 0) {
        n->topmost = topmost;
        placeInZOrder(window, ZPlace::Top);
    }
    return a.result = true;
}

bool FakeDesktop::minimize(WindowId window) {
    enter(SeamCall::Minimize, window);
    FakeAction& a = logAction(SeamCall::Minimize, window);
    if (!has(window)) return false;
    setState(window, FakeWindowState::Minimized);
    return a.result = true;
}

bool FakeDesktop::requestClose(WindowId window) {
    enter(SeamCall::RequestClose, window);
    FakeAction& a = logAction(SeamCall::RequestClose, window);
    Node* n = find(window);
    if (!n) return false;
    a.result = true;  // the request was delivered, whether or not the window obeys
    if (n->desc.onClose == CloseBehaviour::Close) destroy(window);
    return true;
}

void FakeDesktop::nudgeForegroundLock() {
    enter(SeamCall::NudgeForegroundLock, 0);
    logAction(SeamCall::NudgeForegroundLock, 0).result = true;
}

kivra::Rect FakeDesktop::virtualScreen() {
    enter(SeamCall::VirtualScreen, 0);
    return screen_;
}

int FakeDesktop::captionHeight() {
    enter(SeamCall::CaptionHeight, 0);
    return captionHeight_;
}

void FakeDesktop::watch(WindowId window) {
    enter(SeamCall::Watch, window);
    if (has(window)) watched_.insert(window);
}

bool FakeDesktop::takeNotifications() {
    enter(SeamCall::TakeNotifications, 0);
    const bool pending = pendingChange_;
    pendingChange_ = false;
    return pending;
}

bool FakeDesktop::notifyOnChange(std::function<void()> changed) {
    onChange_ = std::move(changed);
    return true;
}

void FakeDesktop::watchDesktop() { desktopWatched_ = true; }

void FakeDesktop::changed(WindowId window, Change change) {
    const bool desktopSees = desktopWatched_ && change != Change::Geometry;
    if (!desktopSees && !watched_.count(window)) return;
    pendingChange_ = true;
    if (onChange_) onChange_();
}

}  // namespace kivra
