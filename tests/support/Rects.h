// Rectangles in tests: printed as "(left, top)-(right, bottom)" in failures instead of bytes,
// in every tier, and moved by an offset.
#pragma once

#include "WindowSystem.h"

#include <ostream>

namespace kivra {

inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

namespace test {

inline Rect shifted(const Rect& r, int dx, int dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace test
}  // namespace kivra
