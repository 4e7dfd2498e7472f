// Rectangles in test failures as "(left, top)-(right, bottom)" instead of bytes, in every tier.
#pragma once

#include "WindowSystem.h"

#include <ostream>

namespace kivra {

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

}  // namespace kivra
