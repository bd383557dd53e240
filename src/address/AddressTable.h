#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace address {

// The entries of the console's address list (after "All").
inline constexpr std::size_t kEntryCount = 32;

// One switcher on the line: its device address (0..99) and the operator's name for it.
struct AddressEntry {
    uint16_t address = 0;
    std::string description; // at most 10 characters, Latin-1 (one byte each)
    bool operator==(const AddressEntry &) const = default;
};

// The 32 switchers offered in the console's address list; entries[0] is entry 1.
struct AddressTable {
    std::array<AddressEntry, kEntryCount> entries;
    bool operator==(const AddressTable &) const = default;
};

} // namespace address
