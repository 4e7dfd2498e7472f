// Polling with a deadline: how real-X tests wait for something the window
// manager or another process does on its own time.
#pragma once

#include <chrono>
#include <thread>

namespace kivra::test {

using namespace std::chrono_literals;

// How long the tests wait for anything on a private display before giving up.
constexpr std::chrono::milliseconds DefaultDeadline = 5s;

// Evaluates `predicate` until it holds (true) or `timeout` has passed (false).
// The predicate is checked once more at the deadline, so a slow machine only
// ever makes a test slower, not wrong.
template <class Predicate>
bool waitUntil(Predicate predicate, std::chrono::milliseconds timeout = DefaultDeadline) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline) return predicate();
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

}  // namespace kivra::test
