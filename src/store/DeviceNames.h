#pragma once

#include "store/RoutingState.h"

#include <array>
#include <string>

namespace store {

// The names operators gave a device's inputs and outputs; an empty name means none was given.
struct DeviceNames {
    std::array<std::string, kInputCount> inputs; // inputs 1..9, then the multiview picture
    std::array<std::string, kOutputCount> outputs;

    bool operator==(const DeviceNames &) const = default;
};

// What a panel shows for an input or output without a name: "in7", "MV", "Out3".
std::string defaultInputLabel(int input);
std::string defaultOutputLabel(int output);

} // namespace store
