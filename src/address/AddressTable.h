#pragma once

#include <array>
#include <cstdint>
#include <string>

// One switcher on the line: its device address (0..99) and the operator's name for it.
struct AddressEntry {
    uint16_t address = 0;
    std::string description; // at most 10 characters, Latin-1 (one byte each)
    bool operator==(const AddressEntry &) const = default;
};

// The 32 switchers offered in the console's address list; entries[0] is entry 1.
struct AddressTable {
    std::array<AddressEntry, 32> entries;
    bool operator==(const AddressTable &) const = default;
};
