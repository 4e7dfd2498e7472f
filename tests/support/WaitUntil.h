// Polling with a deadline: how real-X tests wait for something the window manager or
// another process does on its own time. A slow machine only makes a test slower, not wrong.
#pragma once

#include <chrono>
#include <thread>

namespace kivra::test {

using namespace std::chrono_literals;

// How long the tests wait for anything on a private display before giving up.
constexpr std::chrono::milliseconds DefaultDeadline = 5s;

// Evaluates `predicate` until it holds (true) or `timeout` has passed (false), calling
// `between` (e.g. to handle Qt's events) before each check; checked once more at the deadline.
template <class Predicate, class Between = void (*)()>
bool waitUntil(Predicate predicate, std::chrono::milliseconds timeout = DefaultDeadline, Between between = [] {}) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        between();
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return between(), predicate();
        std::this_thread::sleep_for(1ms);
    }
}

}  // namespace kivra::test
