// waitUntil inside a Qt program: Qt's events (timers, socket notifiers, X events) are
// handled between checks.
#pragma once

#include "WaitUntil.h"

#include <QCoreApplication>

namespace kivra::test {

template <class Predicate>
bool pumpUntil(Predicate predicate, std::chrono::milliseconds timeout = DefaultDeadline) {
    return waitUntil(predicate, timeout, [] { QCoreApplication::processEvents(); });
}

}  // namespace kivra::test
