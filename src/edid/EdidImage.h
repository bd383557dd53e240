#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace edid {

// An EDID image as the switcher ports hand it over: the base block (bytes 0 to 127) followed by the
// first extension block (bytes 128 to 255).
inline constexpr std::size_t kEdidImageSize = 256;
using EdidImage = std::array<std::uint8_t, kEdidImageSize>;

} // namespace edid
