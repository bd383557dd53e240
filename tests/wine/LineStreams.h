#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// What both ends of the Wine serial tests agree on: the Windows test program and the Linux peer
// (peer/main.cpp) each make the other's byte stream from the same seed. std::mt19937 gives the same
// numbers under every standard library.
namespace linestreams {

inline std::vector<std::uint8_t> bytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> out(count);
    for (std::uint8_t &b : out)
        b = static_cast<std::uint8_t>(generator() >> 24);
    return out;
}

// The exchange: each side sends kExchangeCount bytes, Windows the stream of kFromWindowsSeed, the
// peer that of kToWindowsSeed.
inline constexpr std::size_t kExchangeCount = 10000;
inline constexpr unsigned kFromWindowsSeed = 1709;
inline constexpr unsigned kToWindowsSeed = 2611;

// The peer's answer before it hangs up.
inline constexpr const char *kHangUpAnswer = "OUT1 VS IN1\r\n";

} // namespace linestreams
