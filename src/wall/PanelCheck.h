#pragma once

#include "wall/WallPanel.h"

#include <string>

namespace wall {

// Why a panel cannot form a command line. The checks run in this order and the first that fails is
// the answer, so the operator hears of one fault at a time.
enum class PanelRefusal {
    None,
    DeviceAddress, // above 99: no two-digit prefix
    OutputPort,    // outside 1..9: no one-digit output
    Rotation,      // not 0, 90, 180 or 270
    OutsideFrame,  // a corner outside (1, 1)-(1920, 1080), the empty record too
    Corners,       // the top left corner not left of and above the bottom right one
};

// One panel's values as an edit or a file gives them, wide enough that a value past its stored
// field is refused rather than cut to fit.
struct PanelValues {
    unsigned deviceAddress = 0;
    int outputPort = 0;
    int rotation = 0;
    long long x1 = 0; // left
    long long y1 = 0; // top
    long long x2 = 0; // right
    long long y2 = 0; // bottom
};

// Whether the values make a panel command line, and if not, why.
PanelRefusal checkPanel(const PanelValues &values);
PanelRefusal checkPanel(const WallPanel &panel);

// Why a stored panel (a hand-edited file, a computed rectangle, a record never set) cannot be sent:
// "Output port 12 is not 1~9.", ...; empty for None.
std::string storedPanelRefusalText(PanelRefusal refusal, const WallPanel &panel);

// A full-screen line needs only its prefix and output digit: its rectangle is fixed and any
// rotation other than 180 goes out as 0.
PanelRefusal checkFullScreen(unsigned deviceAddress, int outputPort);

} // namespace wall
