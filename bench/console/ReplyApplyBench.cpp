// What applying replies costs the window's thread: one routing reply, a line no page handles, and a
// device's whole status answer, each through the window's device session and every page, panel and
// dialog that hears replies (offscreen). The line is in memory, so only the console is measured.
#include "app/CConsoleDlg.h"
#include "session/MemoryTransport.h"
#include "ui/MessageBox.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

struct Console {
    Console() {
        static int argc = 1;
        static char name[] = "bench_console_apply";
        static char *argv[] = {name, nullptr};
        static QApplication app(argc, argv);
        QDir::setCurrent(folder.path());
        window = std::make_unique<CConsoleDlg>();
        auto line = std::make_unique<session::MemoryTransport>();
        memory = line.get();
        window->session().setTransport(std::move(line));
        window->session().open();
        window->show();
        QApplication::processEvents();
    }
    void feed(const std::string &bytes) {
        window->session().receive(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    QTemporaryDir folder;
    ui::MessageCapture messages;
    std::unique_ptr<CConsoleDlg> window;
    session::MemoryTransport *memory = nullptr;
};

Console &console() {
    static Console c;
    return c;
}

// Every reply changes what the page shows, so each one costs a real refresh.
void BM_RoutingReply(benchmark::State &state) {
    Console &c = console();
    const std::string lines[] = {"OUT3 VS IN5 \r\n", "OUT3 VS IN6 \r\n"};
    std::size_t i = 0;
    for (auto _ : state)
        c.feed(lines[i++ & 1]);
}
BENCHMARK(BM_RoutingReply)->Unit(benchmark::kMicrosecond);

void BM_LineNobodyHandles(benchmark::State &state) {
    Console &c = console();
    for (auto _ : state)
        c.feed("UNKNOWN LINE\r\n");
}
BENCHMARK(BM_LineNobodyHandles)->Unit(benchmark::kMicrosecond);

// The 77 lines a device answers "GET STA" with (the console fuzzer's seed, after its two setup bytes).
void BM_StatusAnswer(benchmark::State &state) {
    std::ifstream file(KORVEX_STATUS_BURST, std::ios::binary);
    const std::string seed{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (seed.size() < 3) {
        state.SkipWithError("the status burst file is missing");
        return;
    }
    const std::string burst = seed.substr(2);
    Console &c = console();
    for (auto _ : state)
        c.feed(burst);
    state.counters["lines"] = 77;
}
BENCHMARK(BM_StatusAnswer)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
