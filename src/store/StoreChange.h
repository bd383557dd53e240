#pragma once

#include <cstdint>

namespace store {

// One change the store made, for the caller and the observers to pass on (web panels, router
// clients). The store already holds the new state; read it there.
struct StoreChange {
    enum class Kind {
        InputName,     // number: input 1..10
        OutputName,    // number: output 1..9
        PresetSaved,   // preset: the new preset's id
        PresetRenamed, // preset
        PresetDeleted, // preset
        Lock,          // number: output 1..9, locked, unlocked or taken over
        Activity,      // seq: the entry appended
    };
    Kind kind;
    int device = 0;
    int number = 0;
    std::uint32_t preset = 0;
    std::uint64_t seq = 0;

    bool operator==(const StoreChange &) const = default;
};

} // namespace store
