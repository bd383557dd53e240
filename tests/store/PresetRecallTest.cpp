#include "store/PresetRecall.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace store;

namespace store {
void PrintTo(const RecallStep &s, std::ostream *os) {
    const char *kinds[] = {"Route", "MvMode", "QuickView"};
    *os << kinds[static_cast<int>(s.kind)] << "(" << s.output << "<-" << s.input << " mode "
        << static_cast<int>(s.mvMode) << " qv " << s.quickView[0] << s.quickView[1] << s.quickView[2]
        << s.quickView[3] << ")";
}
} // namespace store

namespace {

RecallStep route(int output, int input) {
    RecallStep s;
    s.output = output;
    s.input = input;
    return s;
}

RecallStep mode(MvMode m) {
    RecallStep s;
    s.kind = RecallStep::Kind::MvMode;
    s.mvMode = m;
    return s;
}

RecallStep quickView(int a, int b, int c, int d) {
    RecallStep s;
    s.kind = RecallStep::Kind::QuickView;
    s.quickView = {a, b, c, d};
    return s;
}

RoutingState state(std::array<std::optional<int>, 9> outputs, std::optional<MvMode> mv,
                   std::array<std::optional<int>, 4> qv) {
    return RoutingState{outputs, mv, qv};
}

Preset preset(std::array<std::optional<int>, 9> outputs, std::optional<MvMode> mv,
              std::optional<std::array<int, 4>> qv) {
    return Preset{1, "P", outputs, mv, qv};
}

struct RecallCase {
    const char *label;
    RoutingState current;
    Preset preset;
    std::vector<RecallStep> steps;
};

constexpr auto k3 = MvMode::ThreeByThree;
constexpr auto k2 = MvMode::TwoByTwo;
const std::array<std::optional<int>, 9> kAllOne{1, 1, 1, 1, 1, 1, 1, 1, 1};

class PresetRecallTest : public ::testing::TestWithParam<RecallCase> {};

TEST_P(PresetRecallTest, ListsWhatDiffersInSendingOrder) {
    EXPECT_EQ(recallSteps(GetParam().current, GetParam().preset), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Recalls, PresetRecallTest,
    ::testing::Values(
        RecallCase{"AlreadyThere", state(kAllOne, k3, {1, 2, 3, 4}), preset(kAllOne, k3, {{1, 2, 3, 4}}), {}},
        RecallCase{"OutputsInOrderThenModeThenQuickView",
                   state(kAllOne, k3, {1, 2, 3, 4}),
                   preset({1, 10, 1, 1, 1, 1, 1, 1, 5}, k2, {{5, 6, 7, 8}}),
                   {route(2, 10), route(9, 5), mode(k2), quickView(5, 6, 7, 8)}},
        RecallCase{"UnreportedValuesCountAsDifferent",
                   state({}, std::nullopt, {1, 2, 3, std::nullopt}),
                   preset({3}, k3, {{1, 2, 3, 4}}),
                   {route(1, 3), mode(k3), quickView(1, 2, 3, 4)}},
        RecallCase{"WhatThePresetLacksIsLeftAlone",
                   state(kAllOne, k3, {1, 2, 3, 4}),
                   preset({std::nullopt, 2}, std::nullopt, std::nullopt),
                   {route(2, 2)}},
        RecallCase{"OneQuickViewWindowSendsAllFour",
                   state(kAllOne, k2, {1, 2, 3, 4}),
                   preset(kAllOne, k2, {{1, 2, 3, 9}}),
                   {quickView(1, 2, 3, 9)}},
        RecallCase{"SameInputToSeveralOutputsStaysOneStepEach",
                   state(kAllOne, k3, {}),
                   preset({4, 4, 1, 1, 1, 1, 1, 1, 4}, std::nullopt, std::nullopt),
                   {route(1, 4), route(2, 4), route(9, 4)}}),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace
