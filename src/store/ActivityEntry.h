#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace store {

// Who made a change.
struct Actor {
    enum class Kind {
        Panel,    // a web panel user: name is the user, address the browser's
        Router,   // a router-protocol client: name is its id
        Protocol, // a client of the switcher's own protocol
        Device,   // the device itself, a change seen by polling
    };
    Kind kind = Kind::Device;
    std::string name;
    std::string address; // "host:port" of the peer; empty for the device

    bool operator==(const Actor &) const = default;
};

// What changed: a kind ("route", "input-name", "lock", ...) with the numbers and value it concerns,
// and the line the activity list shows. The store records "input-name", "output-name",
// "preset-save", "preset-rename", "preset-delete", "lock" and "unlock" itself; korvexd records the
// rest (routing, multiview, recalls).
struct ActivityWhat {
    std::string kind;
    std::optional<int> output;
    std::optional<int> input;
    std::optional<std::uint32_t> preset;
    std::string value; // a name, a preset's name, a lock's owner: what the kind needs
    std::string text;

    bool operator==(const ActivityWhat &) const = default;
};

struct ActivityEntry {
    std::uint64_t seq = 0;   // per device, rising by one per entry
    std::int64_t timeMs = 0; // UTC milliseconds since 1970
    Actor who;
    ActivityWhat what;

    bool operator==(const ActivityEntry &) const = default;
};

constexpr std::size_t kActivityLimit = 500; // entries kept per device, oldest dropped first

} // namespace store
