#pragma once

#include "videohub/BlockFormat.h"
#include "videohub/RouterState.h"

#include <string>

// What the server sends each client about the router: the dump on connect, a status block asked for
// again, and the updates when the router changes. Locks are shown as the given client sees them.
namespace videohub {

// On connect: preamble, device, labels, locks, routing, END PRELUDE. Without a device only the
// preamble, "Device present: false" and END PRELUDE: the client then knows the dump is complete.
std::string initialDump(const RouterState &state, ClientId viewer);

// A status block in full, the answer (after ACK) to its header sent alone.
std::string wholeBlock(StatusBlock block, const RouterState &state, ClientId viewer);

// From before to after: each block that changed, with only its changed lines. A device that went away
// is "Device present: false" alone; one that came back gets every block again except the preamble.
// Empty when nothing this client can see changed.
std::string statusUpdate(const RouterState &before, const RouterState &after, ClientId viewer);

} // namespace videohub
