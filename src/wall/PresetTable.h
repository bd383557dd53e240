#pragma once

#include "wall/WallPreset.h"

#include <array>

namespace wall {

inline constexpr int kPresetCount = 32;

// The 32 wall presets, numbered 1..32 for the operator; presets[0] is preset 1.
struct PresetTable {
    std::array<WallPreset, kPresetCount> presets;
    bool operator==(const PresetTable &) const = default;
};

} // namespace wall
