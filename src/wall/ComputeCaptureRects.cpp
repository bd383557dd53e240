#include "wall/ComputeCaptureRects.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace wall {

namespace {

constexpr int kFrameWidth = 1920;
constexpr int kFrameHeight = 1080;

struct AxisEdges {
    std::array<float, kGridSide> low{};  // top or left edge of each cell
    std::array<float, kGridSide> high{}; // bottom or right edge of each cell
};

// One axis of the wall. The mixture of single and double precision is deliberate: the rectangles
// the switchers already hold were computed this way, and the last edge can fall a pixel short of
// the frame because the stored edges are floats.
bool computeAxis(unsigned count, float panel, float gap, float usable, int frame, AxisEdges &edges) {
    const float margin = static_cast<float>((frame - usable) * 0.5);
    edges.low[0] = margin;
    if (count == 1) {
        edges.high[0] = frame - edges.low[0];
        return true;
    }
    const float divisor = count * panel + (count - 1) * gap;
    if (divisor == 0)
        return false;
    const double cell = (static_cast<double>(panel) / divisor) * usable;
    const double gapPixels = (static_cast<double>(gap) / divisor) * usable;
    const float cellSingle = static_cast<float>(cell);
    edges.high[0] = static_cast<float>(cell + edges.low[0]);
    for (unsigned i = 1; i < count; ++i) {
        edges.low[i] = static_cast<float>(gapPixels + edges.high[i - 1]);
        edges.high[i] = cellSingle + edges.low[i];
    }
    return true;
}

// trunc(value) + offset as a coordinate, or false when it is no finite number in the 16-bit range.
bool toCoordinate(float value, int offset, int16_t &out) {
    if (!std::isfinite(value))
        return false;
    const double whole = std::trunc(static_cast<double>(value)) + offset;
    if (whole < INT16_MIN || whole > INT16_MAX)
        return false;
    out = static_cast<int16_t>(whole);
    return true;
}

} // namespace

CaptureResult ComputeCaptureRects(const PanelArrangement &arrangement, unsigned rows, unsigned columns,
                                  WallPreset &preset) {
    if (arrangement.vertical)
        return CaptureResult::Vertical;
    if (rows < 1 || rows > kGridSide || columns < 1 || columns > kGridSide)
        return CaptureResult::BadGrid;

    const double keep = 1 - arrangement.overscan * 0.01;
    const float usableWidth = static_cast<float>(keep * kFrameWidth);
    const float usableHeight = static_cast<float>(keep * kFrameHeight);

    AxisEdges vertical;
    AxisEdges horizontal;
    if (!computeAxis(rows, arrangement.panelHeight, arrangement.vGap, usableHeight, kFrameHeight, vertical) ||
        !computeAxis(columns, arrangement.panelWidth, arrangement.hGap, usableWidth, kFrameWidth, horizontal))
        return CaptureResult::ZeroDivisor;

    // Convert everything first so that a bad edge leaves the preset untouched.
    std::array<int16_t, kGridSide> x1{}, x2{}, y1{}, y2{};
    for (unsigned i = 0; i < rows; ++i)
        if (!toCoordinate(vertical.low[i], 1, y1[i]) || !toCoordinate(vertical.high[i], 0, y2[i]))
            return CaptureResult::OutOfRange;
    for (unsigned j = 0; j < columns; ++j)
        if (!toCoordinate(horizontal.low[j], 1, x1[j]) || !toCoordinate(horizontal.high[j], 0, x2[j]))
            return CaptureResult::OutOfRange;

    for (unsigned i = 0; i < rows; ++i) {
        for (unsigned j = 0; j < columns; ++j) {
            WallPanel &panel = preset.panels[panelIndex(static_cast<int>(i), static_cast<int>(j))];
            panel.x1 = x1[j];
            panel.y1 = y1[i];
            panel.x2 = x2[j];
            panel.y2 = y2[i];
        }
    }
    return CaptureResult::Computed;
}

const char *captureResultText(CaptureResult result) {
    switch (result) {
    case CaptureResult::Computed:
        return "The capture rectangles were computed.";
    case CaptureResult::Vertical:
        return "Capture rectangles are not computed for a vertical arrangement.";
    case CaptureResult::ZeroDivisor:
        return "Panel size and gap cannot both be 0; the capture rectangles were not changed.";
    case CaptureResult::BadGrid:
        return "Rows and columns must be 1 to 6; the capture rectangles were not changed.";
    case CaptureResult::OutOfRange:
        return "These sizes give capture rectangles far outside the picture; they were not changed.";
    }
    return "";
}

} // namespace wall
