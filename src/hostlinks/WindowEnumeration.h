// The walk over the desktop's windows that lists candidate host windows:
// "T: " top-level entries and " + C: " MDI child entries, in Z order from the top.
#pragma once

#include "WindowSystem.h"

#include <string>
#include <vector>

namespace kivra {

struct HostEntry {
    std::string text;   // "T: " + title or " + C: " + title, trailing blanks removed
    WindowId window = 0;
    bool operator==(const HostEntry&) const = default;
};

// Walks every window once and returns the eligible ones as host list entries.
std::vector<HostEntry> walkWindows(WindowSystem& ws);

// The window title of an entry: "T..." drops 3 characters, anything else 6.
std::string entryTitle(const std::string& entryText);

}  // namespace kivra
