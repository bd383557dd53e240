// Measures what the console adds to the line: korvex-sim answers "GET STA" paced at the real byte
// time of 57600 baud, and the console receives, parses and applies every line. Reported: the time
// from the first byte received to the last line applied, against the wire time of the bytes after
// the first one (10 bits a byte). Run: bench_status_burst [rounds]
#include "app/CConsoleDlg.h"
#include "serial/PortNaming.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "../console/SpinUntil.h"
#include "SimProcess.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVEX_SIM", KORVEX_SIM_PATH);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    testsupport::ScopedTempCwd cwd;
    serial::setDeviceTable(serial::emptyDeviceTable());
    testsupport::SimProcess sim({"--link", "COM1", "--pace"});
    if (!sim.started()) {
        std::fprintf(stderr, "cannot start korvex-sim: %s\n", sim.error().c_str());
        return 1;
    }
    ui::MessageCapture messages;
    CConsoleDlg console;
    ui::control<QPushButton>(&console, CConsoleDlg::IDC_PORT_BUTTON)->click();
    if (!console.portOn()) {
        std::fprintf(stderr, "the console could not open COM1\n");
        return 1;
    }
    auto *addresses = ui::control<QComboBox>(&console, CConsoleDlg::IDC_ADDRESS_LIST);

    // One warm-up burst tells how many lines and bytes a status burst has.
    auto askStatus = [&] { emit addresses->activated(0); };
    auto counters = [&] { return console.linkCounters(); };
    askStatus();
    std::uint64_t lastBytes = 0;
    QElapsedTimer quiet;
    quiet.start();
    spinUntil(
        [&] {
            if (counters().bytes != lastBytes) {
                lastBytes = counters().bytes;
                quiet.restart();
            }
            return lastBytes > 0 && quiet.elapsed() > 500;
        },
        30000);
    const std::uint64_t burstLines = counters().lines;
    const std::uint64_t burstBytes = counters().bytes;
    if (burstLines == 0) {
        std::fprintf(stderr, "no status lines arrived\n");
        return 1;
    }

    std::vector<double> ratios;
    double wireMs = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = counters();
        askStatus();
        if (!spinUntil([&] { return counters().bytes > start.bytes; }, 10000))
            return 1;
        QElapsedTimer t;
        t.start();
        const std::uint64_t firstChunk = counters().bytes - start.bytes;
        if (!spinUntil([&] { return counters().lines >= start.lines + burstLines; }, 30000)) {
            std::fprintf(stderr, "burst %d incomplete\n", round);
            return 1;
        }
        const double elapsedMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
        // The bytes after the first chunk had to cross the wire while the clock ran.
        wireMs = static_cast<double>(burstBytes - firstChunk) * 10.0 * 1000.0 / 57600.0;
        ratios.push_back(elapsedMs / wireMs);
    }
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    std::printf("status burst: %llu lines, %llu bytes, wire time %.1f ms\n",
                static_cast<unsigned long long>(burstLines), static_cast<unsigned long long>(burstBytes),
                wireMs);
    std::printf(
        "first byte to last line applied / wire time: median %.4f, best %.4f, worst %.4f over %d rounds\n",
        median, ratios.front(), ratios.back(), rounds);
    std::printf("console overhead: %.2f %% of the wire time (goal: under 5 %%)\n", (median - 1.0) * 100.0);
    return 0;
}
