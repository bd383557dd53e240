#include "wall/PanelCommand.h"

#include <gtest/gtest.h>

using namespace wall;

namespace {

struct LineCase {
    WallPanel panel;
    std::string line;
};

class PanelCommandTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(PanelCommandTest, FormsTheFortySevenByteLine) {
    const PanelCommand command = buildPanelCommand(GetParam().panel);
    ASSERT_TRUE(command.ok());
    EXPECT_EQ(command.line, "\r\n" + GetParam().line + "\r\n");
    EXPECT_EQ(command.line.size(), kPanelCommandLength);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelCommandTest,
    ::testing::Values(LineCase{{1, 3, 90, 641, 1, 1280, 360}, "A01 SET OUT3 VW XYZ 0640.0000.1279.0359.090"},
                      LineCase{{0, 1, 0, 1, 1, 2, 2}, "A00 SET OUT1 VW XYZ 0000.0000.0001.0001.000"},
                      LineCase{{99, 9, 270, 1, 1, 1920, 1080}, "A99 SET OUT9 VW XYZ 0000.0000.1919.1079.270"},
                      LineCase{{42, 5, 180, 1919, 1079, 1920, 1080},
                               "A42 SET OUT5 VW XYZ 1918.1078.1919.1079.180"}));

// The checks run in order (address, port, rotation, frame, corners) on values as wide as an edit
// gives them: one that would fit its stored field only once cut is refused all the same.
struct RefusalCase {
    const char *name;
    PanelValues values;
    PanelRefusal refusal;
};

class PanelRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(PanelRefusalTest, NamesTheFirstRuleBroken) {
    EXPECT_EQ(checkPanel(GetParam().values), GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelRefusalTest,
    ::testing::Values(
        RefusalCase{"EmptyRecord", {}, PanelRefusal::OutputPort},
        RefusalCase{"EmptyRectangle", {1, 1, 0, 0, 0, 0, 0}, PanelRefusal::OutsideFrame},
        RefusalCase{"Address100", {100, 3, 0, 1, 1, 2, 2}, PanelRefusal::DeviceAddress},
        RefusalCase{"Address255", {255, 3, 0, 1, 1, 2, 2}, PanelRefusal::DeviceAddress},
        RefusalCase{"Address256BeforePort", {256, 0, 45, 0, 0, 0, 0}, PanelRefusal::DeviceAddress},
        RefusalCase{"Port10", {1, 10, 0, 1, 1, 2, 2}, PanelRefusal::OutputPort},
        RefusalCase{"PortBeforeRectangle", {1, 0, 45, 0, 1, 2, 2}, PanelRefusal::OutputPort},
        RefusalCase{"Rotation45", {1, 3, 45, 1, 1, 2, 2}, PanelRefusal::Rotation},
        RefusalCase{"RotationMinus90", {1, 3, -90, 1, 1, 2, 2}, PanelRefusal::Rotation},
        RefusalCase{"Rotation360", {1, 3, 360, 1, 1, 2, 2}, PanelRefusal::Rotation},
        RefusalCase{"LeftZero", {1, 3, 0, 0, 1, 2, 2}, PanelRefusal::OutsideFrame},
        RefusalCase{"TopZero", {1, 3, 0, 1, 0, 2, 2}, PanelRefusal::OutsideFrame},
        RefusalCase{"RightPastFrame", {1, 3, 0, 1, 1, 1921, 2}, PanelRefusal::OutsideFrame},
        RefusalCase{"BottomPastFrame", {1, 3, 0, 1, 1, 2, 1081}, PanelRefusal::OutsideFrame},
        RefusalCase{"Negative", {1, 3, 0, -5, 1, 2, 2}, PanelRefusal::OutsideFrame},
        RefusalCase{"SwappedAndLeftPastFrame", {1, 3, 0, 2000, 1, 100, 2}, PanelRefusal::OutsideFrame},
        RefusalCase{"RightPastSixteenBits", {1, 3, 0, 1, 1, 65536 + 640, 360}, PanelRefusal::OutsideFrame},
        RefusalCase{"NoWidth", {1, 3, 0, 100, 100, 100, 200}, PanelRefusal::Corners},
        RefusalCase{"UpsideDown", {1, 3, 0, 1, 300, 2, 200}, PanelRefusal::Corners}),
    [](const ::testing::TestParamInfo<RefusalCase> &info) { return std::string(info.param.name); });

struct FullScreenCase {
    unsigned deviceAddress;
    int outputPort;
    int rotation;
    std::string line; // empty: refused
    PanelRefusal refusal;
};

class FullScreenTest : public ::testing::TestWithParam<FullScreenCase> {};

TEST_P(FullScreenTest, ShowsTheWholeFrameTurnedOnlyForHalfATurn) {
    const FullScreenCase &c = GetParam();
    const PanelCommand command = buildFullScreenCommand(c.deviceAddress, c.outputPort, c.rotation);
    EXPECT_EQ(command.refusal, c.refusal);
    if (c.line.empty()) {
        EXPECT_TRUE(command.line.empty());
    } else {
        EXPECT_EQ(command.line, "\r\n" + c.line + "\r\n");
        EXPECT_EQ(command.line.size(), kPanelCommandLength);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullScreenTest,
    ::testing::Values(
        FullScreenCase{5, 2, 90, "A05 SET OUT2 VW XYZ 0000.0000.1919.1079.000", PanelRefusal::None},
        FullScreenCase{5, 2, 180, "A05 SET OUT2 VW XYZ 0000.0000.1919.1079.180", PanelRefusal::None},
        FullScreenCase{0, 9, 270, "A00 SET OUT9 VW XYZ 0000.0000.1919.1079.000", PanelRefusal::None},
        FullScreenCase{99, 1, -180, "A99 SET OUT1 VW XYZ 0000.0000.1919.1079.000", PanelRefusal::None},
        FullScreenCase{100, 2, 0, "", PanelRefusal::DeviceAddress},
        FullScreenCase{4000000000u, 2, 0, "", PanelRefusal::DeviceAddress},
        FullScreenCase{5, 0, 0, "", PanelRefusal::OutputPort},
        FullScreenCase{5, 10, 0, "", PanelRefusal::OutputPort},
        FullScreenCase{5, -1, 180, "", PanelRefusal::OutputPort}));

} // namespace
