#pragma once

#include <cstdint>
#include <string>

namespace protocol {

// Three decimal digits, hundreds first, with leading zeros: 5 -> "005", 255 -> "255".
// Every fixed-width number the switchers read (IP address fields, border width and colour) uses it.
std::string FormatDec3(std::uint8_t value);

} // namespace protocol
