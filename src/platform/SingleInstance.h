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
// another live process holds it, and when it cannot be taken at all (POSIX: no safe
// runtime folder, see RuntimeFolder.h): a program never runs without it. A crashed
// holder never leaves it stuck: the operating system releases the lock with the process.
std::unique_ptr<SingleInstanceLock> acquireSingleInstance(const std::string& program);

}  // namespace kivra
