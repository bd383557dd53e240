#pragma once

#include "wall/WallPanel.h"

#include <ostream>

namespace wall {

// Readable panels in test failure messages.
inline void PrintTo(const WallPanel &p, std::ostream *os) {
    *os << "{addr " << int{p.deviceAddress} << ", port " << int{p.outputPort} << ", rot " << p.rotation
        << ", (" << p.x1 << ", " << p.y1 << ")-(" << p.x2 << ", " << p.y2 << ")}";
}

} // namespace wall
