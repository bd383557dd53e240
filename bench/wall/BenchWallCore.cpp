// Costs of what the console does with the wall presets: start-up load (format and parse the whole
// layout), computing a 6 x 6 wall, and building panel command lines.
#include "wall/ComputeCaptureRects.h"
#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include <benchmark/benchmark.h>

#include <sstream>

namespace {

void BM_FormatDefaultLayout(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(wall::defaultLayoutFileContent());
}
BENCHMARK(BM_FormatDefaultLayout);

void BM_ReadDefaultLayout(benchmark::State &state) {
    const std::string content = wall::defaultLayoutFileContent();
    wall::PresetTable table;
    for (auto _ : state) {
        std::istringstream in(content);
        wall::readLayout(in, table);
        benchmark::DoNotOptimize(table);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}
BENCHMARK(BM_ReadDefaultLayout);

void BM_ComputeSixBySix(benchmark::State &state) {
    const wall::PanelArrangement arrangement{55.2f, 31.1f, 2.5f, 0.35f, 0.35f, false};
    wall::WallPreset preset;
    for (auto _ : state) {
        benchmark::DoNotOptimize(wall::ComputeCaptureRects(arrangement, 6, 6, preset));
        benchmark::DoNotOptimize(preset);
    }
}
BENCHMARK(BM_ComputeSixBySix);

void BM_BuildPanelCommand(benchmark::State &state) {
    const wall::WallPanel panel{1, 3, 90, 641, 1, 1280, 360};
    for (auto _ : state)
        benchmark::DoNotOptimize(wall::buildPanelCommand(panel));
}
BENCHMARK(BM_BuildPanelCommand);

} // namespace
