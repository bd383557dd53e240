// One device's whole "GET STA" answer (77 lines) over TCP loopback into the console window: from the
// moment its last byte is written on the switcher's side to the moment the console has applied
// every line. The switcher's side is a plain socket in this program, so only the console's receive
// path is measured: the TCP transport's worker, the Qt hand-off, the session and every page.
// Run: bench_console_tcp [rounds]
#include "app/CConsoleDlg.h"
#include "net/TcpTransport.h"
#include "ui/MessageBox.h"
#include "ui/QtHandOff.h"

#include "SpinUntil.h"
#include "TempDir.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;

    std::ifstream file(KORVEX_STATUS_BURST, std::ios::binary);
    const std::string seed{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (seed.size() < 3) {
        std::fprintf(stderr, "the status burst file is missing\n");
        return 1;
    }
    const std::string burst = seed.substr(2); // after the fuzzer's two setup bytes
    const auto lines = static_cast<std::uint64_t>(std::count(burst.begin(), burst.end(), '\n'));

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }

    testsupport::ScopedTempCwd cwd;
    ui::MessageCapture messages;
    ui::QtHandOff handOff; // outlives the console's line
    CConsoleDlg console;
    session::DeviceSession &session = console.session();
    session.setTransport(std::make_unique<net::TcpTransport>("127.0.0.1", ntohs(address.sin_port), handOff));
    if (!session.open()) {
        std::fprintf(stderr, "the TCP transport did not start\n");
        return 1;
    }
    const int device = ::accept(listener, nullptr, nullptr);
    if (device < 0 || !spinUntil([&] { return session.transport()->isOpen() && !session.lineFailed(); })) {
        std::fprintf(stderr, "the console did not connect\n");
        return 1;
    }

    std::vector<double> micros;
    for (int round = 0; round < rounds; ++round) {
        const std::uint64_t before = session.counters().lines;
        std::size_t done = 0;
        while (done < burst.size()) {
            const ssize_t n = ::write(device, burst.data() + done, burst.size() - done);
            if (n <= 0) {
                std::fprintf(stderr, "the connection broke\n");
                return 1;
            }
            done += static_cast<std::size_t>(n);
        }
        const auto lastByte = Clock::now();
        if (!spinUntil([&] { return session.counters().lines >= before + lines; })) {
            std::fprintf(stderr, "the status answer was not applied\n");
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - lastByte).count());
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
    std::printf("GET STA answer over TCP (%llu lines, %zu bytes): applied %.0f us after its last byte (p50), "
                "p99 %.0f us, max %.0f us, %d rounds\n",
                static_cast<unsigned long long>(lines), burst.size(), at(0.5), at(0.99), micros.back(),
                rounds);
    ::close(device);
    ::close(listener);
    return 0;
}
