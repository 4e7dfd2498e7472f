// The short pauses between window steps (a raise before a close request, a host
// raised before a start), injectable so tests see them without waiting.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace kivra {

using Pause = std::function<void(std::chrono::milliseconds)>;

inline Pause sleepPause() {
    return [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
}

inline constexpr std::chrono::milliseconds kStepPause{1};

}  // namespace kivra
