// Receive path of the console: bytes written by the device side of a pseudo-terminal, read by the
// serial transport's worker and handed over synchronously (the console's Qt hand-off) to a consumer
// on a running Qt event loop that walks them byte by byte, as the console window does. Reported as bytes per
// second and as a multiple of the 57600-baud line rate (5,760 bytes/s); the aim is at least 100 times.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include "serial/PortNaming.h"
#include "serial/SerialTransport.h"
#include "ui/QtHandOff.h"

namespace {

constexpr double kLineBytesPerSecond = 57600.0 / 10.0; // 8N1: ten bit times a byte

QCoreApplication &application() {
    static int argc = 1;
    static char name[] = "bench_console_receive";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool writeAll(int fd, const std::vector<uint8_t> &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void BM_ReceivePathThroughQtBridge(benchmark::State &state) {
    application();
    QTemporaryDir folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path().toStdString());
    serial::setDeviceTable(serial::emptyDeviceTable());

    int master = -1, slave = -1;
    char slaveName[256] = {};
    if (::openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
        state.SkipWithError("openpty failed");
        return;
    }
    std::filesystem::create_symlink(slaveName, "COM1");

    const std::size_t perIteration = static_cast<std::size_t>(state.range(0));
    std::vector<uint8_t> payload(perIteration);
    std::mt19937 generator(1);
    for (uint8_t &b : payload)
        b = static_cast<uint8_t>(generator());

    struct Consumer : session::ITransportEvents {
        QEventLoop *running = nullptr;
        std::size_t received = 0;
        std::size_t wanted = 0;
        uint32_t checksum = 0;
        void onTransportBytes(const std::uint8_t *data, std::size_t size) override {
            for (std::size_t i = 0; i < size; ++i)
                checksum = checksum * 31 + data[i];
            received += size;
            if (received >= wanted && running)
                running->quit();
        }
        void onTransportDrop() override {}
    } consumer;
    consumer.wanted = perIteration;
    QEventLoop *&running = consumer.running;
    std::size_t &received = consumer.received;
    ui::QtHandOff handOff;
    serial::SerialTransport line(1, handOff);
    if (!line.open(&consumer, true)) {
        state.SkipWithError("the link did not open");
    } else {
        double seconds = 0;
        for (auto _ : state) {
            received = 0;
            const auto start = std::chrono::steady_clock::now();
            bool written = false;
            std::thread writer([&] { written = writeAll(master, payload); });
            QEventLoop loop;
            running = &loop;
            if (received < perIteration)
                loop.exec();
            running = nullptr;
            writer.join();
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!written || received != perIteration) {
                state.SkipWithError("bytes went missing");
                break;
            }
        }
        benchmark::DoNotOptimize(consumer.checksum);
        const double total = static_cast<double>(state.iterations()) * static_cast<double>(perIteration);
        state.SetBytesProcessed(static_cast<int64_t>(total));
        if (seconds > 0) {
            state.counters["bytes_per_s"] = total / seconds;
            state.counters["x_57600_baud"] = total / seconds / kLineBytesPerSecond;
        }
    }
    line.close();
    ::close(master);
    ::close(slave);
    serial::setDeviceTable(serial::systemDeviceTable());
    std::filesystem::current_path(previous);
}

BENCHMARK(BM_ReceivePathThroughQtBridge)->Arg(256 * 1024)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
