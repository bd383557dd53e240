#pragma once

#include "store/Preset.h"
#include "store/RoutingState.h"

#include <array>
#include <vector>

namespace store {

// One change a recall makes on the device. Plain data: the caller turns it into commands, and may
// send outputs that take the same input as one command.
struct RecallStep {
    enum class Kind { Route, MvMode, QuickView };
    Kind kind = Kind::Route;
    int output = 0; // Route: output 1..9
    int input = 0;  // Route: input 1..10
    MvMode mvMode = MvMode::ThreeByThree;
    std::array<int, kQuickViewCount> quickView{}; // QuickView: all four windows, inputs 1..9

    bool operator==(const RecallStep &) const = default;
};

// The changes that bring a device from its current state to the preset, in the order to send them:
// the outputs in order 1..9, then the multiview mode, then the quick-view sources as one change. A
// value the device has not reported counts as different; a value the preset lacks is left alone.
std::vector<RecallStep> recallSteps(const RoutingState &current, const Preset &preset);

} // namespace store
