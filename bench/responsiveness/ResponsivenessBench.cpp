// How long the console's event loop can be kept from running by a misbehaving line: korvex-sim
// sends garbage after every reply, then floods without line ends, while the operator clicks routing
// radios, the multiview button and the address list. A 10 ms timer measures the longest wait between
// its ticks; the goal is under 250 ms. Run: bench_responsiveness [seconds per fault]
#include "app/CConsoleDlg.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/video/CVideoPage.h"
#include "serial/PortNaming.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "SimProcess.h"
#include "TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Result {
    double longestGapMs = 0;
    double p99GapMs = 0;
    unsigned long long bytes = 0;
    int clicks = 0;
};

Result measure(const std::vector<std::string> &fault, int seconds) {
    testsupport::ScopedTempCwd cwd;
    std::vector<std::string> args{"--link", "COM1"};
    args.insert(args.end(), fault.begin(), fault.end());
    testsupport::SimProcess sim(args);
    if (!sim.started()) {
        std::fprintf(stderr, "cannot start korvex-sim: %s\n", sim.error().c_str());
        std::exit(1);
    }
    ui::MessageCapture messages;
    CConsoleDlg console;
    console.show();
    ui::control<QPushButton>(&console, CConsoleDlg::IDC_PORT_BUTTON)->click();
    if (!console.portOn()) {
        std::fprintf(stderr, "the console could not open COM1\n");
        std::exit(1);
    }
    auto *addresses = ui::control<QComboBox>(&console, CConsoleDlg::IDC_ADDRESS_LIST);
    auto *mvButton = ui::control<QPushButton>(console.multiview(), CMultiviewPanel::IDC_MV_BUTTON);
    auto *video = console.findPage<CVideoPage>();

    std::vector<double> gaps;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        gaps.push_back(static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    beat.start(10);

    // The operator clicks every 20 ms through a timer of its own, like a person on the window.
    Result r;
    QTimer operatorClicks;
    QObject::connect(&operatorClicks, &QTimer::timeout, [&] {
        switch (r.clicks++ % 3) {
        case 0:
            ui::control<QRadioButton>(video, CVideoPage::radioId(r.clicks % 9, r.clicks % 10))->click();
            break;
        case 1:
            mvButton->click();
            break;
        default:
            emit addresses->activated(0);
            break;
        }
    });
    operatorClicks.start(20);

    QElapsedTimer run;
    run.start();
    const auto start = console.linkCounters().bytes;
    while (run.elapsed() < seconds * 1000LL)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    r.bytes = console.linkCounters().bytes - start;
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty()) {
        r.longestGapMs = gaps.back();
        r.p99GapMs = gaps[gaps.size() * 99 / 100];
    }
    return r;
}

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KORVEX_SIM", KORVEX_SIM_PATH);
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    serial::setDeviceTable(serial::emptyDeviceTable());

    struct Fault {
        const char *name;
        std::vector<std::string> args;
    };
    const Fault faults[] = {
        {"garbage after every reply", {"--garbage", "256", "--seed", "9"}},
        {"flood without line ends", {"--flood"}},
    };
    bool ok = true;
    for (const Fault &f : faults) {
        const Result r = measure(f.args, seconds);
        std::printf("%s: %d clicks, %llu bytes received, 10 ms timer: longest wait %.1f ms, p99 %.1f ms"
                    " (goal: under 250 ms)\n",
                    f.name, r.clicks, r.bytes, r.longestGapMs, r.p99GapMs);
        ok = ok && r.longestGapMs < 250.0;
    }
    return ok ? 0 : 2;
}
