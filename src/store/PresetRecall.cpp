#include "store/PresetRecall.h"

namespace store {

std::vector<RecallStep> recallSteps(const RoutingState &current, const Preset &preset) {
    std::vector<RecallStep> steps;
    for (int o = 0; o < kOutputCount; ++o) {
        if (preset.outputs[o] && current.outputs[o] != preset.outputs[o]) {
            RecallStep step;
            step.output = o + 1;
            step.input = *preset.outputs[o];
            steps.push_back(step);
        }
    }
    if (preset.mvMode && current.mvMode != preset.mvMode) {
        RecallStep step;
        step.kind = RecallStep::Kind::MvMode;
        step.mvMode = *preset.mvMode;
        steps.push_back(step);
    }
    if (preset.quickView) {
        bool differs = false;
        for (int w = 0; w < kQuickViewCount; ++w)
            differs = differs || current.quickView[w] != (*preset.quickView)[w];
        if (differs) {
            RecallStep step;
            step.kind = RecallStep::Kind::QuickView;
            step.quickView = *preset.quickView;
            steps.push_back(step);
        }
    }
    return steps;
}

} // namespace store
