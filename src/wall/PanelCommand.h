#pragma once

#include "wall/WallPanel.h"

#include <string>

namespace wall {

enum class PanelRefusal {
    None,
    DeviceAddress, // above 99: no two-digit prefix
    OutputPort,    // outside 1..9: no one-digit output
    Rotation,      // not 0, 90, 180 or 270
    Rectangle,     // outside the frame, or not left < right and top < bottom (the empty record too)
};

// A panel command line ready for SendText, or why none could be formed. The line is 47 bytes:
// CR LF, "Add SET OUTp VW XYZ x1-1.y1-1.x2-1.y2-1.rot", CR LF, numbers zero-padded, the rectangle
// 0-based on the wire. It carries the panel's own device address as its prefix.
struct PanelCommand {
    std::string line;
    PanelRefusal refusal = PanelRefusal::None;
    std::string reason; // for the operator or a log; empty when the line was formed
    bool ok() const { return refusal == PanelRefusal::None; }
};

inline constexpr std::size_t kPanelCommandLength = 47;

// The command that sends one panel's capture rectangle and rotation to its switcher output.
PanelCommand BuildPanelCommand(const WallPanel &panel);

// The command that shows the whole frame on one output: rectangle 0000.0000.1919.1079, rotation
// "180" when the rotation given is 180 and "000" for any other value.
PanelCommand BuildFullScreenCommand(unsigned deviceAddress, int outputPort, int rotation);

} // namespace wall
