// The periodic host list refresh and the list helpers that go with it.
#include "HostListRefresh.h"

#include <algorithm>

namespace kivra {

namespace {
// Clears a flag when the scope ends, also when a hook throws.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};
}  // namespace

RefreshOutcome HostListRefresh::refresh() {
    if (busy_) return RefreshOutcome::Busy;
    FlagScope busy(busy_);
    shadowList_ = walkWindows(ws_);
    const bool rebuild = needsRebuild();
    if (rebuild) {
        // The visible list takes the walk just made rather than walking again, so the
        // two lists hold the same windows at the same indexes.
        hostList_ = shadowList_;
        lastListedCount_ = static_cast<std::int16_t>(hostList_.size());
    }
    if (checkActiveLinks_) checkActiveLinks_();
    return rebuild ? RefreshOutcome::Rebuilt : RefreshOutcome::Unchanged;
}

void HostListRefresh::open() {
    busy_ = false;
    lastListedCount_ = -1;
}

// Rebuild when the count differs from the last rebuild's, or an entry text differs (case-sensitive).
bool HostListRefresh::needsRebuild() const {
    if (static_cast<int>(shadowList_.size()) != lastListedCount_) return true;
    for (std::size_t i = 0; i < hostList_.size(); ++i)
        if (i >= shadowList_.size() || hostList_[i].text != shadowList_[i].text) return true;
    return false;
}

std::vector<std::string> HostListRefresh::hostListTexts() const {
    std::vector<std::string> out;
    out.reserve(hostList_.size());
    for (const HostEntry& e : hostList_) out.push_back(e.text);
    return out;
}

WindowId HostListRefresh::hostWindowAt(int index) const {
    if (index < 0 || index >= static_cast<int>(shadowList_.size())) return 0;
    return shadowList_[static_cast<std::size_t>(index)].window;
}

int horizontalExtent(std::span<const std::string> entries, const std::function<double(std::string_view)>& textWidth) {
    if (entries.empty()) return 0;
    double widest = 0;
    for (const std::string& e : entries) widest = std::max(widest, textWidth(e));
    return static_cast<int>(widest + textWidth("  "));
}

std::string linkCountLabelText(int linkCount) { return "Total Links Defined: " + std::to_string(linkCount); }

}  // namespace kivra
