// In-memory settings store: a flat map keyed by the full path of the section.
#include "MemoryStore.h"

#include <algorithm>
#include <cctype>

namespace kivra {

namespace {
int compareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = std::tolower(static_cast<unsigned char>(a[i]));
        const int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool startsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && compareNoCase(s.substr(0, prefix.size()), prefix) == 0;
}

std::string pathOf(std::string_view app, std::string_view section) {
    std::string p(app);
    p += '\\';
    p += section;
    return p;
}
}  // namespace

bool NoCaseLess::operator()(const std::pair<std::string, std::string>& a,
                            const std::pair<std::string, std::string>& b) const {
    const int c = compareNoCase(a.first, b.first);
    return c != 0 ? c < 0 : compareNoCase(a.second, b.second) < 0;
}

std::string MemoryStore::read(std::string_view app, std::string_view section, std::string_view key,
                              std::string_view fallback) {
    auto it = values_.find({pathOf(app, section), std::string(key)});
    return it == values_.end() ? std::string(fallback) : it->second;
}

void MemoryStore::write(std::string_view app, std::string_view section, std::string_view key,
                        std::string_view value) {
    ++writes_;
    values_[{pathOf(app, section), std::string(key)}] = std::string(value);
}

void MemoryStore::deleteSection(std::string_view app, std::string_view section) {
    ++writes_;
    const std::string path = pathOf(app, section);
    const std::string below = path + '\\';
    for (auto it = values_.begin(); it != values_.end();) {
        const std::string& p = it->first.first;
        if (compareNoCase(p, path) == 0 || startsWithNoCase(p, below))
            it = values_.erase(it);
        else
            ++it;
    }
}

std::vector<StoredEntry> MemoryStore::entries(std::string_view under) {
    const std::string path(under);
    const std::string below = path + '\\';
    std::vector<StoredEntry> result;
    for (const auto& [where, value] : values_) {
        const std::string& p = where.first;
        if (path.empty() || compareNoCase(p, path) == 0 || startsWithNoCase(p, below))
            result.push_back({p, where.second, value});
    }
    return result;
}

}  // namespace kivra
