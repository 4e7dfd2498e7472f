// The low-resource warning: how many concurrent links the machine's memory is
// recommended for, and the warning after a launch when that many run and free
// memory is very low.
#pragma once

#include "MemoryStatus.h"
#include "MessageSink.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace kivra {

// 6, 12, 24, 48, 96 or 192 by the installed physical memory in bytes. The
// thresholds are 128, 256, 512, 1024 and 2048 MiB less 17/4096 of each. Totals are
// compared as the unsigned 64-bit numbers they are, so every machine with about
// 2 GiB or more gets 192.
int recommendedMaximum(std::uint64_t totalPhysBytes);

inline constexpr std::uint64_t kLowMemoryBytes = 4u * 1024u * 1024u;
// Less than 4 MiB of physical memory available.
bool lowMemory(std::uint64_t availPhysBytes);

class ResourceCheck {
public:
    using MemoryReader = std::function<std::optional<MemoryStatus>()>;

    explicit ResourceCheck(MessageSink& messages, MemoryReader reader = readMemoryStatus)
        : messages_(messages), reader_(std::move(reader)) {}

    // Start-up with the `MemTestOff` preference: off computes the recommended maximum
    // and lets the warning show; on keeps the warning off (the maximum stays 0).
    void startUp(bool memTestOff);

    // After a launch has counted its link. Shows kind 28 when warnings are on, the
    // count has reached the recommended maximum and little memory is free. The
    // memory status is read only when the count test passes; an unreadable status
    // warns of nothing.
    void run(int activeLinkCount);

    int recommended() const { return recommended_; }

private:
    MessageSink& messages_;
    MemoryReader reader_;
    int recommended_ = 0;
};

}  // namespace kivra
