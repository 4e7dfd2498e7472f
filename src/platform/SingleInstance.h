// Detection of another running instance of a program, per user and per display.
#pragma once

#include <memory>
#include <string>

namespace kivra {

class SingleInstanceLock {
public:
    virtual ~SingleInstanceLock() = default;
};

// Takes the lock named `program` for this user and display. Returns null when
// another live process holds it. A crashed holder never leaves it stuck: the
// operating system releases the lock with the process. When the lock cannot be
// set up at all (no writable runtime folder), the program is allowed to run.
std::unique_ptr<SingleInstanceLock> acquireSingleInstance(const std::string& program);

}  // namespace kivra
