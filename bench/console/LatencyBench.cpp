// Latencies an operator feels, over a real pseudo-terminal in one process: from a routing line written
// on the device side until its radio toggles ("line to widget"), from a click on a routing radio until
// the command's last byte arrives on the device side ("click to wire"), and the start-up of the console
// window against a bare Qt dialog with a tab control. The window's thread sleeps in its event loop
// between samples, as it does in use, so every wake-up on the way is in the figures; samples are a
// couple of milliseconds apart so that each starts with every thread idle. Percentiles over many
// samples; run: bench_console_latency [samples] [--gap MS] [--no-startup]
#include "app/CConsoleDlg.h"
#include "pages/video/CVideoPage.h"
#include "res/Resources.h"
#include "serial/PortNaming.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "TempDir.h"
#include "serial_pty.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void report(const char *what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<std::size_t>(q * (samples.size() - 1))]; };
    std::printf("%-16s p50 %7.1f us   p90 %7.1f us   p99 %7.1f us   max %8.1f us   (%zu samples)\n", what,
                at(0.5), at(0.9), at(0.99), samples.back(), samples.size());
}

// Lets the window's thread sleep in its event loop for a while: paints and timers due meanwhile run,
// and the worker goes back to waiting on the port.
void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Handles the window's first paint request itself and notes when it is done.
struct FirstPaint : QObject {
    explicit FirstPaint(QWidget *w) : window(w) { window->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != window || event->type() != QEvent::UpdateRequest || done)
            return false;
        window->removeEventFilter(this);
        static_cast<QObject *>(window)->event(event); // painted whole here
        at = Clock::now();
        done = true;
        return true;
    }
    QWidget *window;
    bool done = false;
    Clock::time_point at;
};

// A process that starts Qt, shows a window, paints it once and ends: the console window, or a bare
// dialog with one control of each kind the console's first view shows.
int startupChild(int argc, char **argv, bool console) {
    QApplication app(argc, argv);
    ui::MessageCapture messages;
    std::unique_ptr<QWidget> window;
    if (console) {
        window = std::make_unique<CConsoleDlg>();
    } else {
        // The kinds of controls the console's first view is made of, one each: a list with an edit
        // field, a button, a picture, a framed group with a radio button and an edit field, and a
        // tab control with five tabs.
        window = std::make_unique<QDialog>();
        auto *layout = new QVBoxLayout(window.get());
        auto *list = new QComboBox(window.get());
        list->setEditable(true);
        layout->addWidget(list);
        layout->addWidget(new QPushButton(QStringLiteral("Turn on Port"), window.get()));
        auto *picture = new QLabel(window.get());
        picture->setPixmap(res::icon(res::IDI_PORT_OFF).pixmap(32, 32));
        layout->addWidget(picture);
        auto *group = new QGroupBox(window.get());
        auto *groupLayout = new QHBoxLayout(group);
        groupLayout->addWidget(new QRadioButton(QStringLiteral("in1"), group));
        groupLayout->addWidget(new QLineEdit(QStringLiteral("3"), group));
        layout->addWidget(group);
        auto *tabs = new QTabWidget(window.get());
        for (const char *title : {"VIDEO", "VIDEO WALL", "EDID MANAGEMENT", "IP CONFIG", "SETTING"})
            tabs->addTab(new QLabel(QString::fromLatin1(title)), QString::fromLatin1(title));
        layout->addWidget(tabs);
    }
    // The moment the window's first paint is done, on the clock every process shares; what the
    // window does after it and tearing down are not part of starting up.
    FirstPaint firstPaint(window.get());
    window->show();
    while (!firstPaint.done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    std::printf("%lld\n", static_cast<long long>(firstPaint.at.time_since_epoch().count()));
    return 0;
}

// Time from starting a process to its window's first paint, in microseconds; -1 when it failed.
double startupMicros(const std::string &self, const char *kind) {
    const std::string command = "\"" + self + "\" --startup-child " + kind + " 2>/dev/null";
    const auto start = Clock::now();
    FILE *child = popen(command.c_str(), "r");
    long long shown = 0;
    const bool read = child && std::fscanf(child, "%lld", &shown) == 1;
    if (child)
        pclose(child);
    return read ? micros(Clock::duration(shown) - start.time_since_epoch()) : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    // Offscreen unless a platform is chosen: under a real X server (xcb) start-up is measured as a
    // desktop user meets it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--startup-child")
        return startupChild(argc, argv, std::string(argv[2]) == "console");
    // Arguments: the number of samples (1000), --gap MS between samples (2), and --no-startup to leave
    // start-up out (when profiling).
    int samples = 1000, startRounds = 20, gapMs = 2;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-startup")
            startRounds = 0;
        else if (std::string(argv[i]) == "--gap" && i + 1 < argc)
            gapMs = std::max(1, std::atoi(argv[++i]));
        else
            samples = std::max(10, std::atoi(argv[i]));
    }
    // The children start in one folder of their own, where the console's files exist after the
    // warm-up run, as on every start but the first.
    // Bare dialog and console alternate, so that whatever else the machine does weighs on both.
    std::vector<double> bareRuns, consoleRuns;
    {
        const std::string self = std::filesystem::absolute(argv[0]).string();
        testsupport::ScopedTempCwd startFolder;
        for (int round = 0; startRounds && round <= startRounds; ++round) {
            const double bare = startupMicros(self, "bare");
            const double console = startupMicros(self, "console");
            if (bare <= 0 || console <= 0) {
                std::fprintf(stderr, "a start-up run failed\n");
                return 1;
            }
            if (round > 0) { // the first pair warms the caches
                bareRuns.push_back(bare);
                consoleRuns.push_back(console);
            }
        }
    }
    const double bare = bareRuns.empty() ? 0 : median(bareRuns),
                 full = consoleRuns.empty() ? 0 : median(consoleRuns);
    QApplication app(argc, argv);

    testsupport::ScopedTempCwd cwd;
    serial::setDeviceTable(serial::emptyDeviceTable());
    ui::MessageCapture messages;
    serialtest::PtyPeer device(1);
    CConsoleDlg console;
    console.show();
    ui::control<QPushButton>(&console, CConsoleDlg::IDC_PORT_BUTTON)->click();
    if (!console.portOn()) {
        std::fprintf(stderr, "the console could not open COM1\n");
        return 1;
    }
    QWidget *video = console.page(CVideoPage::kTemplate);
    auto *out3in5 = ui::control<QRadioButton>(video, CVideoPage::radioId(2, 4));
    auto *out3in6 = ui::control<QRadioButton>(video, CVideoPage::radioId(2, 5));

    // The radio's toggle ends the wait and is stamped where it happens; the deadline is a timer of the
    // same loop, so the thread sleeps until one or the other.
    QEventLoop waiting;
    Clock::time_point toggledAt;
    for (QRadioButton *radio : {out3in5, out3in6}) {
        QObject::connect(radio, &QRadioButton::toggled, &waiting, [&](bool checked) {
            if (checked) {
                toggledAt = Clock::now();
                waiting.exit(0);
            }
        });
    }
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(10000);
    QObject::connect(&deadline, &QTimer::timeout, &waiting, [&] { waiting.exit(1); });

    std::vector<double> lineToWidget;
    for (int i = 0; i < samples; ++i) {
        idle(gapMs);
        deadline.start();
        const auto start = Clock::now();
        device.write(i % 2 ? "OUT3 VS IN6 \r\n" : "OUT3 VS IN5 \r\n");
        if (waiting.exec() != 0) {
            std::fprintf(stderr, "a line never reached its radio\n");
            return 1;
        }
        deadline.stop();
        lineToWidget.push_back(micros(toggledAt - start));
    }
    report("line to widget", lineToWidget);

    // The click runs on this thread; reading the device side then blocks it until the worker has
    // written the whole command.
    std::vector<double> clickToWire;
    const std::string expected = "\r\nA00 SET OUT3 VS IN5 \r\n";
    for (int i = 0; i < samples; ++i) {
        idle(gapMs);
        const auto start = Clock::now();
        out3in5->click();
        if (device.read(expected.size()).size() != expected.size()) {
            std::fprintf(stderr, "a click never reached the line\n");
            return 1;
        }
        clickToWire.push_back(micros(Clock::now() - start));
    }
    report("click to wire", clickToWire);

    if (startRounds)
        std::printf(
            "%-16s console %8.0f us   bare dialog %8.0f us   ratio %.2f (medians of %zu process starts to "
            "first paint)\n",
            "start-up", full, bare, full / bare, bareRuns.size());
    return 0;
}
