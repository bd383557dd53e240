#pragma once

#include <cstdint>

namespace wall {

// One cell of a video wall: the switcher output that feeds it and the rectangle of the 1920 x 1080
// source it shows. Coordinates are 1-based and inclusive; a record of all zeros is empty.
struct WallPanel {
    uint8_t deviceAddress = 0; // 0..99
    uint8_t outputPort = 0;    // 1..9, 0 = not assigned
    int16_t rotation = 0;      // 0, 90, 180 or 270 degrees
    int16_t x1 = 0;            // left, 1..1920
    int16_t y1 = 0;            // top, 1..1080
    int16_t x2 = 0;            // right, 1..1920
    int16_t y2 = 0;            // bottom, 1..1080
    bool operator==(const WallPanel &) const = default;
};

} // namespace wall
