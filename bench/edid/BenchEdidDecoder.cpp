// Images decoded per second: this console's EdidDecoder (all three sections, from memory) against the
// edid-decode program (one process per image, output discarded), on the sample images, with the ratio
// printed after the runs. The samples come from KORVEX_EDID_SAMPLES, else the shared sample folder.

#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Sample {
    std::string path;
    edid::EdidImage image;
};

const std::vector<Sample> &edidSamples() {
    static const std::vector<Sample> samples = [] {
        const char *env = std::getenv("KORVEX_EDID_SAMPLES");
        const std::filesystem::path dir = env && *env ? env : KORVEX_EDID_SAMPLES_DEFAULT;
        std::vector<Sample> found;
        std::error_code ec;
        for (const auto &entry : std::filesystem::directory_iterator(dir, ec)) {
            if (entry.path().extension() != ".bin")
                continue;
            Sample sample{entry.path().string(), {}};
            std::string error;
            if (edid::readEdidFile(sample.path, sample.image, error))
                found.push_back(sample);
        }
        std::sort(found.begin(), found.end(),
                  [](const Sample &a, const Sample &b) { return a.path < b.path; });
        return found;
    }();
    return samples;
}

void BM_KorvexEdidDecoder(benchmark::State &state) {
    const auto &samples = edidSamples();
    if (samples.empty()) {
        state.SkipWithError("no EDID samples found");
        return;
    }
    edid::EdidDecoder decoder;
    for (auto _ : state) {
        for (const Sample &sample : samples) {
            decoder.decodeAll(sample.image);
            benchmark::DoNotOptimize(decoder.generalText().data());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(samples.size()));
}
BENCHMARK(BM_KorvexEdidDecoder)->UseRealTime();

// Runs edid-decode on one file with its output sent to /dev/null; false when it could not be started.
bool runEdidDecode(const std::string &path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "edid-decode";
    std::string file = path;
    char *argv[] = {program.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "edid-decode", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 127;
}

void BM_EdidDecodeProgram(benchmark::State &state) {
    const auto &samples = edidSamples();
    if (samples.empty()) {
        state.SkipWithError("no EDID samples found");
        return;
    }
    if (!runEdidDecode(samples.front().path)) {
        state.SkipWithError("edid-decode is not installed (Debian package edid-decode)");
        return;
    }
    for (auto _ : state) {
        for (const Sample &sample : samples)
            runEdidDecode(sample.path);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(samples.size()));
}
BENCHMARK(BM_EdidDecodeProgram)->UseRealTime();

// Keeps each run's images per second so the ratio can be printed once all have run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void reportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (!run.error_occurred && it != run.counters.end())
                m_rates[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::reportRuns(runs);
    }

    void printRatio() const {
        const auto ours = m_rates.find("BM_KorvexEdidDecoder/real_time");
        const auto theirs = m_rates.find("BM_EdidDecodeProgram/real_time");
        if (ours == m_rates.end() || theirs == m_rates.end() || theirs->second <= 0) {
            std::printf("ratio: not available (both benchmarks must run)\n");
            return;
        }
        std::printf(
            "EdidDecoder: %.0f images/s, edid-decode: %.1f images/s, ratio %.0fx (%zu sample images)\n",
            ours->second, theirs->second, ours->second / theirs->second, edidSamples().size());
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio();
    benchmark::Shutdown();
    return 0;
}
