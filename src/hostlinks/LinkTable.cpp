// The sorted link table.
#include "LinkTable.h"

#include "TextRules.h"

#include <algorithm>

namespace kivra {

bool linkTitleLess(std::string_view a, std::string_view b) {
    const int c = compareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

std::vector<std::string> LinkTable::titles() const {
    std::vector<std::string> out;
    out.reserve(records_.size());
    for (const HostLink& r : records_) out.push_back(r.title);
    return out;
}

int LinkTable::insertionIndex(std::string_view title) const {
    auto it = std::upper_bound(records_.begin(), records_.end(), title,
                               [](std::string_view t, const HostLink& r) { return linkTitleLess(t, r.title); });
    return static_cast<int>(it - records_.begin());
}

std::optional<int> LinkTable::insert(HostLink record) {
    if (full()) return std::nullopt;
    const int index = insertionIndex(record.title);
    records_.insert(records_.begin() + index, std::move(record));
    return index;
}

void LinkTable::assign(std::vector<HostLink> records) {
    if (records.size() > static_cast<std::size_t>(kMaxLinks)) records.resize(kMaxLinks);
    std::stable_sort(records.begin(), records.end(),
                     [](const HostLink& x, const HostLink& y) { return linkTitleLess(x.title, y.title); });
    records_ = std::move(records);
}

void LinkTable::removeAt(int index) {
    if (index < 0 || index >= linkCount()) return;
    records_.erase(records_.begin() + index);
}

int LinkTable::retitle(int index, std::string title) {
    HostLink record = at(index);
    record.title = std::move(title);
    records_.erase(records_.begin() + index);
    const int to = insertionIndex(record.title);
    records_.insert(records_.begin() + to, std::move(record));
    return to;
}

void LinkTable::clear() {
    records_.clear();
    activeLinks_ = 0;
}

std::optional<int> LinkTable::find(std::string_view title) const {
    for (int i = 0; i < linkCount(); ++i)
        if (records_[static_cast<std::size_t>(i)].title == title) return i;
    return std::nullopt;
}

std::optional<int> LinkTable::findSimilar(std::string_view title) const {
    const std::string_view key = trimBlanks(title);
    for (int i = 0; i < linkCount(); ++i)
        if (equalsNoCase(trimBlanks(records_[static_cast<std::size_t>(i)].title), key)) return i;
    return std::nullopt;
}

void LinkTable::incrementActiveLinkCount() { activeLinks_ = std::min(activeLinks_ + 1, kMaxActiveLinks); }

void LinkTable::decrementActiveLinkCount() { activeLinks_ = std::max(activeLinks_ - 1, 0); }

void LinkTable::setActiveLinkCount(int count) { activeLinks_ = std::clamp(count, 0, kMaxActiveLinks); }

}  // namespace kivra
