// Waiting with a deadline inside a Qt program: the same polls as waitUntil, but
// Qt's events (timers, socket notifiers, X events) are handled between checks.
#pragma once

#include "WaitUntil.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace kivra::test {

// Handles Qt's pending events once.
inline void pumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

// Handles Qt's events and evaluates `predicate` until it holds (true) or
// `timeout` has passed (false); checked once more at the deadline.
template <class Predicate>
bool pumpUntil(Predicate predicate, std::chrono::milliseconds timeout = DefaultDeadline) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        pumpEvents();
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) {
            pumpEvents();
            return predicate();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace kivra::test
