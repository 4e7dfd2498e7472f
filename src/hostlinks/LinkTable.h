// The link table: the memorized links in the order of the sorted link list
// `CLinksKVAList` (alphabetical without regard to case), with the link count and
// the active-link count. The list box mirrors titles(); record k is list entry k.
#pragma once

#include "HostLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivra {

// The list's order: titles compared without regard to case (see TextRules.h);
// titles equal that way fall back to byte order, so the order is total.
bool linkTitleLess(std::string_view a, std::string_view b);

class LinkTable {
public:
    static constexpr int kMaxLinks = 32767;
    static constexpr int kMaxActiveLinks = 32766;

    int linkCount() const { return static_cast<int>(records_.size()); }
    bool empty() const { return records_.empty(); }
    bool full() const { return linkCount() >= kMaxLinks; }

    // Change options freely through at(); change a title only with retitle(),
    // which keeps the order.
    const HostLink& at(int index) const { return records_.at(static_cast<std::size_t>(index)); }
    HostLink& at(int index) { return records_.at(static_cast<std::size_t>(index)); }
    const std::vector<HostLink>& records() const { return records_; }
    std::vector<std::string> titles() const;

    // Where a title would be inserted: after every title that sorts before or equal to it.
    int insertionIndex(std::string_view title) const;
    // Inserts in sorted position and returns the index; nullopt when the table is full.
    std::optional<int> insert(HostLink record);
    // Replaces the whole table with `records` in sorted order (equal titles keep their
    // given order, as one-by-one insertion would); records past the limit are dropped.
    void assign(std::vector<HostLink> records);
    // Removes record `index` (out-of-range indexes are ignored).
    void removeAt(int index);
    // Gives record `index` a new title and moves it to its sorted place; returns the new index.
    int retitle(int index, std::string title);
    void clear();

    // The first record whose title equals `title` exactly.
    std::optional<int> find(std::string_view title) const;
    // The first record whose title equals `title` when both are trimmed of blanks
    // and compared without regard to case (the duplicate check).
    std::optional<int> findSimilar(std::string_view title) const;

    int activeLinkCount() const { return activeLinks_; }
    void incrementActiveLinkCount();  // at most kMaxActiveLinks
    void decrementActiveLinkCount();  // never below 0
    void setActiveLinkCount(int count);

private:
    std::vector<HostLink> records_;
    int activeLinks_ = 0;
};

}  // namespace kivra
