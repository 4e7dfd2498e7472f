// Recommended link maximum, low memory test and the resource warning.
#include "ResourceCheck.h"

#include "LinkMessages.h"

namespace kivra {

int recommendedMaximum(std::uint64_t total) {
    struct Row {
        std::uint64_t below;
        int maximum;
    };
    static constexpr Row rows[] = {
        {0x07F78000u, 6}, {0x0FEF0000u, 12}, {0x1FDE0000u, 24}, {0x3FBC0000u, 48}, {0x7F780000u, 96},
    };
    for (const Row& row : rows)
        if (total < row.below) return row.maximum;
    return 192;
}

bool lowMemory(std::uint64_t avail) { return avail < kLowMemoryBytes; }

void ResourceCheck::startUp(bool memTestOff) {
    if (memTestOff) {
        messages_.setResourceWarningOff(true);
        return;
    }
    // An unreadable status counts as no memory at all, as a zero-filled report would.
    const auto status = reader_();
    recommended_ = recommendedMaximum(status ? status->totalPhys : 0);
    messages_.setResourceWarningOff(false);
}

void ResourceCheck::run(int activeLinkCount) {
    if (messages_.resourceWarningOff()) return;
    if (activeLinkCount < recommended_) return;
    const auto status = reader_();
    if (!status || !lowMemory(status->availPhys)) return;
    messages_.show(MessageKind::ResourcesLow, resourcesLowText());
}

}  // namespace kivra
