#pragma once

#include "store/RoutingState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace store {

using PresetId = std::uint32_t;
constexpr int kMaxPresets = 64;

// A routing saved under a name. What was unknown when it was saved stays absent and a recall leaves
// it alone; the quick-view sources are kept only when all four were known, as they are set together.
struct Preset {
    PresetId id = 0; // stable, never reused while the device's presets are kept
    std::string name;
    std::array<std::optional<int>, kOutputCount> outputs; // input 1..10 per output 1..9
    std::optional<MvMode> mvMode;
    std::optional<std::array<int, kQuickViewCount>> quickView; // inputs 1..9

    bool operator==(const Preset &) const = default;
};

// A device's presets in the order they were saved, and the id the next one gets.
struct PresetList {
    std::vector<Preset> presets;
    std::uint64_t nextId = 1; // past 0xFFFFFFFF no preset can be saved any more

    bool operator==(const PresetList &) const = default;
};

} // namespace store
