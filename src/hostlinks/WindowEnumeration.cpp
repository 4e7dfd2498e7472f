// Which windows the host list shows, and the text of each entry.
#include "WindowEnumeration.h"

#include "TextRules.h"

#include <cstdint>

namespace kivra {

namespace {

constexpr std::uint32_t kTopLevelFields = FieldTitle | FieldClass | FieldStyle | FieldVisible;
constexpr std::uint32_t kChildFields = FieldTitle | FieldClass | FieldControlId | FieldVisible;

std::string_view bufferText(const std::string& text) { return cutToCharacters(text, kWindowTextLimit); }

bool isListedTopLevel(const WindowInfo& w, std::string_view title) {
    if (!w.exists || title.empty()) return false;
    if (startsWithNoCase(title, "res://")) return false;
    const std::string_view cls = bufferText(w.className);
    // Our own windows, standard dialogs and help viewers.
    if (occursIn("QbaseRT5", cls) || occursIn("#32770", cls) || occursIn("HH Parent", cls)) return false;
    if (w.kind == WindowKind::Dialog || w.kind == WindowKind::HelpViewer || w.kind == WindowKind::Popup) return false;
    if (static_cast<std::int32_t>(w.style) <= 0) return false;  // WS_POPUP, or no style at all
    return w.visible;
}

std::string entryText(std::string_view prefix, std::string_view title) {
    std::string text(prefix);
    text += rightTrimBlanks(title);
    return text;
}

// Children are listed only once the walk of their top-level window has met an MDI client.
class ChildFilter {
public:
    bool listed(const WindowInfo& c, std::string_view title) {
        const std::string_view cls = bufferText(c.className);
        if (occursIn("MDIClient", cls)) {
            mdiClientSeen_ = true;
            return false;
        }
        if (title.empty() || !mdiClientSeen_) return false;
        if (occursIn("QbaseRT5", cls)) return false;
        return c.controlId != 0 && c.visible;
    }

private:
    bool mdiClientSeen_ = false;
};

}  // namespace

std::vector<HostEntry> walkWindows(WindowSystem& ws) {
    const std::vector<WindowId> tops = ws.topLevelWindows();
    const std::vector<WindowInfo> topInfo = ws.describe(tops, kTopLevelFields);

    // Listed top-level windows, each with its descendants.
    struct Listed {
        HostEntry entry;
        std::vector<WindowId> children;
    };
    std::vector<Listed> listed;
    std::vector<WindowId> allChildren;
    for (const WindowInfo& w : topInfo) {
        const std::string_view title = bufferText(w.title);
        if (!isListedTopLevel(w, title)) continue;
        Listed l{{entryText(kTopLevelPrefix, title), w.id, std::string(bufferText(w.className))},
                 ws.childWindows(w.id)};
        allChildren.insert(allChildren.end(), l.children.begin(), l.children.end());
        listed.push_back(std::move(l));
    }
    const std::vector<WindowInfo> childInfo =
        allChildren.empty() ? std::vector<WindowInfo>{} : ws.describe(allChildren, kChildFields);

    const WindowInfo gone;  // stands in for answers a backend failed to give
    std::vector<HostEntry> entries;
    std::size_t next = 0;  // position in childInfo
    for (Listed& l : listed) {
        if (entries.size() >= kMaxListedWindows) break;
        entries.push_back(std::move(l.entry));
        ChildFilter filter;
        for (std::size_t k = 0; k < l.children.size(); ++k) {
            const WindowInfo& c = next + k < childInfo.size() ? childInfo[next + k] : gone;
            const std::string_view title = bufferText(c.title);
            if (!filter.listed(c, title) || entries.size() >= kMaxListedWindows) continue;
            entries.push_back({entryText(kChildPrefix, title), c.id, std::string(bufferText(c.className))});
        }
        next += l.children.size();
    }
    return entries;
}

std::string entryTitle(const std::string& entryText) {
    const std::size_t drop = (!entryText.empty() && entryText[0] == 'T') ? kTopLevelPrefix.size() : kChildPrefix.size();
    return entryText.size() > drop ? entryText.substr(drop) : std::string();
}

}  // namespace kivra
