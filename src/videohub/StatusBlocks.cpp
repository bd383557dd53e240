#include "videohub/StatusBlocks.h"

#include "videohub/BlockFormat.h"

#include <optional>
#include <vector>

namespace videohub {

namespace {

std::size_t portCount(StatusBlock block, const RouterState &state) {
    return block == StatusBlock::InputLabels ? state.inputLabels.size() : state.outputLabels.size();
}

// The line a client is shown for one port of a block; none for a route not yet known.
std::optional<std::string> lineOf(StatusBlock block, const RouterState &state, std::size_t port,
                                  ClientId viewer) {
    switch (block) {
    case StatusBlock::InputLabels:
        return portLine(port, state.inputLabels[port]);
    case StatusBlock::OutputLabels:
        return portLine(port, state.outputLabels[port]);
    case StatusBlock::OutputLocks: {
        const std::optional<ClientId> owner =
            port < state.lockOwners.size() ? state.lockOwners[port] : std::nullopt;
        return portLine(port, std::string(1, lockLetterFor(owner, viewer)));
    }
    case StatusBlock::OutputRouting:
        if (port < state.routing.size() && state.routing[port])
            return portLine(port, std::to_string(*state.routing[port]));
        break;
    }
    return std::nullopt;
}

// The lines of a block that after shows and before did not show the same way.
std::vector<std::string> changedLines(StatusBlock block, const RouterState &before, const RouterState &after,
                                      ClientId viewer) {
    std::vector<std::string> lines;
    for (std::size_t port = 0; port < portCount(block, after); ++port) {
        std::optional<std::string> now = lineOf(block, after, port, viewer);
        if (now && (port >= portCount(block, before) || now != lineOf(block, before, port, viewer)))
            lines.push_back(std::move(*now));
    }
    return lines;
}

std::string everyBlockButPreamble(const RouterState &state, ClientId viewer) {
    std::string out = deviceBlock(state);
    for (const StatusBlock block : kStatusBlocks)
        out += wholeBlock(block, state, viewer);
    return out;
}

} // namespace

std::string initialDump(const RouterState &state, ClientId viewer) {
    std::string out = preambleBlock();
    out += state.present ? everyBlockButPreamble(state, viewer) : deviceBlock(state);
    out += endPreludeBlock();
    return out;
}

std::string wholeBlock(StatusBlock block, const RouterState &state, ClientId viewer) {
    std::vector<std::string> lines;
    for (std::size_t port = 0; port < portCount(block, state); ++port)
        if (std::optional<std::string> line = lineOf(block, state, port, viewer))
            lines.push_back(std::move(*line));
    return formatBlock(headerOf(block), lines);
}

std::string statusUpdate(const RouterState &before, const RouterState &after, ClientId viewer) {
    if (!after.present)
        return before.present ? deviceBlock(after) : std::string();
    if (!before.present)
        return everyBlockButPreamble(after, viewer);
    std::string out;
    if (deviceBlock(before) != deviceBlock(after))
        out += deviceBlock(after);
    for (const StatusBlock block : kStatusBlocks)
        if (const std::vector<std::string> lines = changedLines(block, before, after, viewer); !lines.empty())
            out += formatBlock(headerOf(block), lines);
    return out;
}

} // namespace videohub
