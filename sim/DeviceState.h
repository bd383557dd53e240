#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvexsim {

using EdidImage = std::array<std::uint8_t, 256>;

struct LanSettings {
    int dhcp = 0;
    std::array<int, 4> host{192, 168, 1, 100};
    std::array<int, 4> mask{255, 255, 255, 0};
    std::array<int, 4> router{192, 168, 1, 1};
    int tcpPort = 8000;
};

// Capture rectangle of one output of a video wall, in wire coordinates (0-based pixels of the
// 1920 x 1080 source), and the rotation in degrees.
struct WallRect {
    int x1 = 0, y1 = 0, x2 = 1919, y2 = 1079, rotation = 0;
};

// Everything one switcher remembers. Per-output and per-input arrays are indexed 0..8 for
// outputs/inputs 1..9; values are kept as they go on the wire.
struct DeviceState {
    int address = 1;
    std::array<int, 9> routing{};      // 1..9 input, 10 = MV picture
    int mvMode = 0;                    // 0 = 3x3, 1 = 2x2
    std::array<int, 4> qvSources{};    // input 1..9 of QV windows 1..4
    std::array<int, 9> mvAudio{};      // 1..9 input, 10 = mute
    int borderWidth = 1;               // 0..15
    std::array<int, 3> borderColour{}; // red, green, blue
    std::array<int, 9> edidChoice{};   // 0..13 (see the EDID page's list)
    std::array<std::array<EdidImage, 3>, 9> userEdid{};
    std::array<EdidImage, 9> sinkEdid{}; // the display on each output
    LanSettings lan;
    std::string mac;                   // 17 characters
    int audioMode = 0;                 // 0 follow input, 1 follow output, 2 independent
    std::array<int, 9> audioRouting{}; // input 1..9
    std::array<int, 9> audioMute{};    // 0 on, 1 mute
    std::array<int, 9> irRoute{};      // external IR input 1..4
    std::array<int, 13> irExtSwitch{}; // HDBaseT 1..9, external IR 1..4
    std::array<int, 9> irEmitter{};
    std::array<int, 9> rs232{};
    std::array<WallRect, 9> wall{};

    // A switcher as it leaves the factory, at the given address.
    static DeviceState factory(int address);
};

} // namespace korvexsim
