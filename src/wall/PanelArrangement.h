#pragma once

namespace wall {

// The physical wall as the operator described it last; all zero until the arrangement dialog is
// first confirmed.
struct PanelArrangement {
    float panelWidth = 0;  // inches
    float panelHeight = 0; // inches
    float overscan = 0;    // percent of the picture width and height cut away
    float vGap = 0;        // inches between vertically adjacent panels
    float hGap = 0;        // inches between horizontally adjacent panels
    bool vertical = false; // portrait arrangement requested
    bool operator==(const PanelArrangement &) const = default;
};

} // namespace wall
