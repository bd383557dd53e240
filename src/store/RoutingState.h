#pragma once

#include <array>
#include <optional>

namespace store {

constexpr int kDeviceCount = 100; // addresses 0..99
constexpr int kInputCount = 10;   // inputs 1..9 and the multiview picture (10)
constexpr int kOutputCount = 9;
constexpr int kQuickViewCount = 4;
constexpr int kMultiviewInput = 10;
constexpr int kLastVideoInput = 9; // quick-view windows show inputs 1..9

enum class MvMode { ThreeByThree, TwoByTwo };

// A device's routing as korvexd's model knows it, 1-based: each value is absent until the device
// reported it.
struct RoutingState {
    std::array<std::optional<int>, kOutputCount> outputs; // input 1..10 per output 1..9
    std::optional<MvMode> mvMode;
    std::array<std::optional<int>, kQuickViewCount> quickView; // input 1..9 per quick-view window

    bool operator==(const RoutingState &) const = default;
};

} // namespace store
