#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace session {

// One switcher's state as its reply lines reported it, held the way the console's pages hold it
// (routing, quick-view sources, audio routing and IR routes 0-based; MV audio 1..10). A value no
// reply gave, or gave out of range, is absent.
struct DeviceState {
    template <std::size_t N> using Values = std::array<std::optional<int>, N>;
    using IpAddress = std::array<std::uint8_t, 4>;

    Values<9> routing;         // outputs 1..9: 0..8 = in1..in9, 9 = MV
    std::optional<int> mvMode; // 0 = 3x3, 1 = 2x2
    Values<4> qvSources;       // quick-view windows 1..4: 0..8 = in1..in9
    Values<9> mvAudio;         // outputs 1..9: 1..9 = input, 10 = mute
    std::optional<int> borderWidth;
    Values<3> borderColour;  // red, green, blue
    Values<9> edidChoice;    // inputs 1..9: EDID list index 0..13
    std::optional<int> dhcp; // 0 or 1
    std::optional<IpAddress> host;
    std::optional<IpAddress> mask;
    std::optional<IpAddress> router;
    std::optional<std::string> tcpPort; // as reported, up to four characters (device bytes, Latin-1)
    std::optional<std::string> mac;     // as reported, 17 characters (device bytes, Latin-1)
    std::optional<int> audioMode;       // 0 follow the input, 1 follow the output, 2 independent
    Values<9> audioRouting;             // outputs 1..9: 0..8 = in1..in9
    Values<9> audioMute;                // outputs 1..9: 0 on, 1 mute
    Values<9> irRoute;                  // outputs 1..9: 0..3 = IRext1..IRext4
    Values<13> irExtSwitch;             // 0/1: HDBT1..HDBT9, then IR.ext1..IR.ext4
    Values<9> irEmitter;                // 0/1: outputs 1..9
    Values<9> rs232;                    // 0/1: outputs 1..9
    std::optional<int> address;         // 0..99

    friend bool operator==(const DeviceState &, const DeviceState &) = default;
};

} // namespace session
