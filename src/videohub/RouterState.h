#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace videohub {

// Who holds a lock: korvexd gives every router-protocol client its own id (the web panel one too).
using ClientId = std::uint64_t;

// The router as the server shows it. korvexd fills it from its device model and its store; the
// blocks every client is sent are made from two of these (StatusBlocks.h). The label vectors give
// the port counts: one label per input, one per output; routing and lockOwners hold one entry per
// output.
struct RouterState {
    bool present = false; // a device answers behind the server
    std::string modelName;
    std::string friendlyName; // not sent when empty
    std::string uniqueId;     // not sent when empty
    std::vector<std::string> inputLabels;
    std::vector<std::string> outputLabels;
    std::vector<std::optional<int>> routing;         // the input on each output; unknown until polled
    std::vector<std::optional<ClientId>> lockOwners; // the client holding each output's lock
    friend bool operator==(const RouterState &, const RouterState &) = default;
};

// A Korvex switcher at a device address (0..99): 10 inputs (in1..in9, then the multiview picture)
// and 9 outputs, named as the web panel names them until someone gives them a label, the routing not
// yet known, no locks, not yet present.
RouterState korvexRouter(int address);

// The lock letter one client is shown: "O" for its own lock, "L" for another's, "U" when free.
char lockLetterFor(const std::optional<ClientId> &owner, ClientId viewer);

} // namespace videohub
