#include "wall/ComputeCaptureRects.h"
#include "wall/PanelCommand.h"

#include "WallPrint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace wall;

namespace {

struct Span {
    int from;
    int to;
};

struct RectCase {
    const char *name;
    PanelArrangement arrangement;
    unsigned rows;
    unsigned columns;
    std::vector<Span> xs; // per column
    std::vector<Span> ys; // per row
};

// Every panel carries its own index as address and port so that "untouched" is visible.
WallPreset markedPreset() {
    WallPreset preset;
    for (int i = 0; i < kPanelCount; ++i)
        preset.panels[i] = WallPanel{static_cast<uint8_t>(i), 5, 90, static_cast<int16_t>(i), 2, 3, 4};
    return preset;
}

class CaptureRectsTest : public ::testing::TestWithParam<RectCase> {};

TEST_P(CaptureRectsTest, TilesTheUsablePicturePixelForPixel) {
    const RectCase &c = GetParam();
    const WallPreset before = markedPreset();
    WallPreset preset = before;
    ASSERT_EQ(ComputeCaptureRects(c.arrangement, c.rows, c.columns, preset), CaptureResult::Computed);
    for (int row = 0; row < kGridSide; ++row) {
        for (int column = 0; column < kGridSide; ++column) {
            const int index = panelIndex(row, column);
            SCOPED_TRACE(index);
            const WallPanel &p = preset.panels[index];
            const WallPanel &old = before.panels[index];
            EXPECT_EQ(p.deviceAddress, old.deviceAddress);
            EXPECT_EQ(p.outputPort, old.outputPort);
            EXPECT_EQ(p.rotation, old.rotation);
            if (row < static_cast<int>(c.rows) && column < static_cast<int>(c.columns)) {
                EXPECT_EQ(p.x1, c.xs[column].from);
                EXPECT_EQ(p.x2, c.xs[column].to);
                EXPECT_EQ(p.y1, c.ys[row].from);
                EXPECT_EQ(p.y2, c.ys[row].to);
            } else {
                EXPECT_EQ(p, old);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CaptureRectsTest,
    ::testing::Values(
        RectCase{"TwoByTwo",
                 {160, 90, 0, 0.3f, 0.3f, false},
                 2,
                 2,
                 {{1, 959}, {961, 1920}},
                 {{1, 539}, {541, 1080}}},
        RectCase{"OneByOneOverscan", {10, 20, 5, 1, 2, false}, 1, 1, {{49, 1872}}, {{28, 1053}}},
        // Single-precision edges leave the last column one pixel short of the frame.
        RectCase{"ThreeByThreeHalfInchGaps",
                 {48, 27, 0, 0.5f, 0.5f, false},
                 3,
                 3,
                 {{1, 635}, {643, 1277}, {1285, 1919}},
                 {{1, 355}, {363, 717}, {725, 1080}}},
        RectCase{
            "SingleRowNeedsNoSizes", {48, 0, 0, 0, 0, false}, 1, 2, {{1, 960}, {961, 1920}}, {{1, 1080}}},
        RectCase{"ZeroGapSixBySix",
                 {10, 10, 0, 0, 0, false},
                 6,
                 6,
                 {{1, 320}, {321, 640}, {641, 960}, {961, 1280}, {1281, 1600}, {1601, 1920}},
                 {{1, 180}, {181, 360}, {361, 540}, {541, 720}, {721, 900}, {901, 1080}}}),
    [](const ::testing::TestParamInfo<RectCase> &info) { return std::string(info.param.name); });

struct RefusedCase {
    const char *name;
    PanelArrangement arrangement;
    unsigned rows;
    unsigned columns;
    CaptureResult result;
};

class CaptureRectsRefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CaptureRectsRefusedTest, ChangesNothingAndSaysWhy) {
    const RefusedCase &c = GetParam();
    const WallPreset before = markedPreset();
    WallPreset preset = before;
    EXPECT_EQ(ComputeCaptureRects(c.arrangement, c.rows, c.columns, preset), c.result);
    EXPECT_EQ(preset, before);
    EXPECT_STRNE(captureResultText(c.result), "");
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureRectsRefusedTest,
    ::testing::Values(
        RefusedCase{"Vertical", {160, 90, 0, 0.3f, 0.3f, true}, 3, 2, CaptureResult::Vertical},
        RefusedCase{"ZeroRows", {160, 0, 0, 0, 0.3f, false}, 2, 2, CaptureResult::ZeroDivisor},
        // the rows are fine, the columns divide by zero: the rows must not be written
        RefusedCase{"ZeroColumns", {0, 90, 0, 0.3f, 0, false}, 2, 2, CaptureResult::ZeroDivisor},
        RefusedCase{"GapCancelsPanels", {1, 90, 0, 0, -2, false}, 1, 2, CaptureResult::ZeroDivisor},
        RefusedCase{"NoRows", {160, 90, 0, 0, 0, false}, 0, 2, CaptureResult::BadGrid},
        RefusedCase{"SevenColumns", {160, 90, 0, 0, 0, false}, 2, 7, CaptureResult::BadGrid},
        RefusedCase{"HugeOverscan", {160, 90, -1e9f, 0, 0, false}, 2, 2, CaptureResult::OutOfRange},
        RefusedCase{"NaNOverscan", {160, 90, kNaN, 0, 0, false}, 1, 1, CaptureResult::OutOfRange},
        RefusedCase{"InfiniteGap", {160, 90, 0, 0, kInf, false}, 2, 2, CaptureResult::OutOfRange},
        // a gap that nearly cancels the panels: cells of some 10^10 pixels
        RefusedCase{"NearZeroDivisor", {1, 90, 0, 0, -1.9999999f, false}, 1, 2, CaptureResult::OutOfRange}),
    [](const ::testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.name); });

// Rectangles the computation can produce but no switcher can take are caught before sending.
TEST(CaptureRects, DegenerateResultsAreRefusedByTheCommandBuilder) {
    WallPreset preset = markedPreset();
    ASSERT_EQ(ComputeCaptureRects({10, 10, 100, 0, 0, false}, 1, 1, preset), CaptureResult::Computed);
    EXPECT_EQ(preset.panels[0].x1, 961);
    EXPECT_EQ(preset.panels[0].x2, 960);
    preset.panels[0].deviceAddress = 1;
    EXPECT_EQ(buildPanelCommand(preset.panels[0]).refusal, PanelRefusal::Corners);

    ASSERT_EQ(ComputeCaptureRects({10, 10, -10, 0, 0, false}, 1, 1, preset), CaptureResult::Computed);
    EXPECT_EQ(preset.panels[0].x1, -95);
    EXPECT_EQ(buildPanelCommand(preset.panels[0]).refusal, PanelRefusal::OutsideFrame);
}

} // namespace
