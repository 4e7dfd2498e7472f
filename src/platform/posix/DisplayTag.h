// The display this process runs on, as a name fit for a file: per-display locks
// and channel folders are named after it.
#pragma once

#include <string>

namespace kivra {

// ":0", ":0.0" and "localhost:0" name the same display; the screen number is
// dropped and characters unfit for a file name replaced. "nodisplay" without one.
std::string displayTag();

}  // namespace kivra
