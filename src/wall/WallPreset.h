#pragma once

#include "wall/WallPanel.h"

#include <array>
#include <cstdint>
#include <string>

namespace wall {

inline constexpr int kGridSide = 6;                       // a wall has at most 6 x 6 panels
inline constexpr int kPanelCount = kGridSide * kGridSide; // panels indexed 6 x row + column

// One stored wall layout. The grid code's tens digit is the number of rows, its units digit the
// number of columns (33 = 3 x 3). Panels keep their 6 x 6 index whatever the grid size.
struct WallPreset {
    uint16_t gridCode = 0;
    std::string description; // at most 10 characters
    std::array<WallPanel, kPanelCount> panels{};
    bool operator==(const WallPreset &) const = default;
};

inline constexpr int panelIndex(int row, int column) {
    return kGridSide * row + column;
}

// The grid code of a wall of rows x columns panels (each 1..6).
inline constexpr uint16_t gridCode(unsigned rows, unsigned columns) {
    return static_cast<uint16_t>(10 * rows + columns);
}

// Rows and columns a grid code stands for: its tens and units digits.
unsigned gridRows(uint16_t gridCode);
unsigned gridColumns(uint16_t gridCode);

// The preset list entry for preset n (1..32): label, rows digit, "x", columns digit, ": ",
// description; the default preset 1 reads "No. 1:3x3:  ".
std::string presetListText(int n, const WallPreset &preset);

} // namespace wall
