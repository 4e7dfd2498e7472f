// The viewed picture files of a window: 64 full paths, most recent first, the
// names the viewed list shows, and the cursor that "Pre&v." steps through them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kivra {

class ViewedFiles {
public:
    static constexpr int kCapacity = 64;

    // Fills the list from stored paths, newest first (PrevFile1 ... PrevFile5);
    // each shows its file name. Empty paths are skipped.
    void restore(const std::vector<std::string>& newestFirst);

    // Records a shown file on top: `path` into the array, `displayName` (the name
    // the file list showed) into the list. An empty path records nothing.
    void add(const std::string& path, const std::string& displayName);

    // Entry `i` of the array; empty when not filled or out of range.
    const std::string& path(int i) const;
    // The list's names, most recent first (at most 64).
    const std::vector<std::string>& displayNames() const { return names_; }
    // The viewed count: how many names the list holds.
    int count() const { return static_cast<int>(names_.size()); }

    // "Pre&v.": the entry under the cursor, after which the cursor moves on and
    // wraps to the most recent entry once it has passed the last one. Nothing when
    // the list is empty.
    std::optional<std::string> previous();
    int cursor() const { return cursor_; }

    // The filled entries, newest first: what PrevFile1 ... PrevFile5 save.
    std::vector<std::string> newest(int n) const;

private:
    std::array<std::string, kCapacity> files_;
    std::vector<std::string> names_;
    int cursor_ = 0;
};

}  // namespace kivra
