#pragma once

#include "wall/PanelArrangement.h"
#include "wall/WallPreset.h"

namespace wall {

enum class CaptureResult {
    Computed,    // the R x N block of panels got new rectangles
    Vertical,    // portrait arrangements are not computed; nothing changed
    ZeroDivisor, // panel size and gap both 0 along an axis with two or more panels; nothing changed
    BadGrid,     // rows or columns outside 1..6; nothing changed
    OutOfRange,  // an edge is not a finite number within the 16-bit coordinate range; nothing changed
};

// Turns the physical wall into capture rectangles for the preset's panels in rows 0..rows-1 and
// columns 0..columns-1: the usable picture (the frame less the overscan, centred) is shared out in
// proportion to panel size, and the picture behind each gap is left out. Device addresses, ports,
// rotations and every panel outside the block are left alone. Either every rectangle of the block
// is written or none is.
CaptureResult ComputeCaptureRects(const PanelArrangement &arrangement, unsigned rows, unsigned columns,
                                  WallPreset &preset);

// A sentence for the operator about a result other than Computed.
const char *captureResultText(CaptureResult result);

} // namespace wall
