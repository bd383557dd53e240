#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "store/RoutingState.h"

namespace store {

// Who holds an output and since when (UTC milliseconds since 1970).
struct OutputLock {
    std::string owner; // opaque to the store: "panel", a router client's id, ...
    std::int64_t sinceMs = 0;

    bool operator==(const OutputLock &) const = default;
};

using DeviceLocks = std::array<std::optional<OutputLock>, kOutputCount>; // outputs 1..9

} // namespace store
