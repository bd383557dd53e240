#pragma once

#include "wall/PanelCheck.h"

#include <string>

namespace wall {

// A panel command line ready for SendText, or why none could be formed. The line is 47 bytes:
// CR LF, "Add SET OUTp VW XYZ x1-1.y1-1.x2-1.y2-1.rot", CR LF, numbers zero-padded, the rectangle
// 0-based on the wire. It carries the panel's own device address as its prefix.
struct PanelCommand {
    std::string line; // empty when refused
    PanelRefusal refusal = PanelRefusal::None;
    bool ok() const { return refusal == PanelRefusal::None; }
};

inline constexpr std::size_t kPanelCommandLength = 47;

// The command that sends one panel's capture rectangle and rotation to its switcher output.
PanelCommand buildPanelCommand(const WallPanel &panel);

// The command that shows the whole frame on one output: rectangle 0000.0000.1919.1079, rotation
// "180" when the rotation given is 180 and "000" for any other value.
PanelCommand buildFullScreenCommand(unsigned deviceAddress, int outputPort, int rotation);

} // namespace wall
