// The viewed picture files and their list.
#include "ViewedFiles.h"

#include "PicturePaths.h"

namespace kivra {

void ViewedFiles::restore(const std::vector<std::string>& newestFirst) {
    files_ = {};
    names_.clear();
    cursor_ = 0;
    for (const std::string& p : newestFirst) {
        if (p.empty() || count() == kCapacity) continue;
        files_[static_cast<std::size_t>(count())] = p;
        names_.push_back(fileNamePart(p));
    }
}

void ViewedFiles::add(const std::string& path, const std::string& displayName) {
    if (path.empty()) return;
    for (std::size_t i = kCapacity - 1; i > 0; --i) files_[i] = std::move(files_[i - 1]);
    files_[0] = path;
    names_.insert(names_.begin(), displayName.empty() ? fileNamePart(path) : displayName);
    if (names_.size() > static_cast<std::size_t>(kCapacity)) names_.resize(kCapacity);
}

const std::string& ViewedFiles::path(int i) const {
    static const std::string none;
    return i >= 0 && i < kCapacity ? files_[static_cast<std::size_t>(i)] : none;
}

std::optional<std::string> ViewedFiles::previous() {
    if (count() == 0) return std::nullopt;
    if (cursor_ >= count()) cursor_ = 0;
    std::optional<std::string> shown;
    if (!path(cursor_).empty()) shown = path(cursor_);
    if (++cursor_ >= count()) cursor_ = 0;
    return shown;
}

std::vector<std::string> ViewedFiles::newest(int n) const {
    std::vector<std::string> out;
    for (const std::string& p : files_) {
        if (static_cast<int>(out.size()) == n) break;
        if (!p.empty()) out.push_back(p);
    }
    return out;
}

}  // namespace kivra
