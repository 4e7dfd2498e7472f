// The walk over the desktop's windows that lists candidate host windows:
// "T: " top-level entries and " + C: " MDI child entries, in Z order from the top.
#pragma once

#include "WindowSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace kivra {

struct HostEntry {
    std::string text;   // "T: " + title or " + C: " + title, trailing blanks removed
    WindowId window = 0;
    std::string className;  // the window's class name, as the walk read it
    bool operator==(const HostEntry&) const = default;
};

inline constexpr std::string_view kTopLevelPrefix = "T: ";
inline constexpr std::string_view kChildPrefix = " + C: ";
// Titles and class names are read as a 256-character buffer would hold them.
inline constexpr std::size_t kWindowTextLimit = 255;
// The listed window count is 16-bit: a walk lists at most this many windows.
inline constexpr std::size_t kMaxListedWindows = 32767;

// Walks every window once and returns the eligible ones as host list entries.
// Top-level windows are read in one batch, then the children of the listed ones
// in a second batch.
std::vector<HostEntry> walkWindows(WindowSystem& ws);

// The window title of an entry: "T..." drops 3 characters, anything else 6.
std::string entryTitle(const std::string& entryText);

}  // namespace kivra
