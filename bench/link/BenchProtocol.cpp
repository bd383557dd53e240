// Reply-line decoding speed over a status burst as a device sends it after "GET STA", and the
// cost of the received-line buffer and of address prefixing around it. At 57600 baud the line
// carries about 5760 bytes a second, so decoding must be far faster than that to stay unnoticed.

#include "protocol/Commands.h"
#include "protocol/LineAssembler.h"
#include "protocol/ReplyDecoder.h"
#include "protocol/TextPrefix.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// Every status line of one device, per-output groups in output order 1..9.
std::vector<std::string> statusBurst() {
    std::vector<std::string> lines;
    auto add = [&](std::string line) { lines.push_back(std::move(line) + "\r\n"); };
    for (int o = 1; o <= 9; ++o)
        add("OUT" + std::to_string(o) + (o == 9 ? " VS IN10" : " VS IN" + std::to_string(10 - o) + " "));
    for (int i = 1; i <= 9; ++i)
        add("IN" + std::to_string(i) + " EDID " + (i < 5 ? std::to_string(i) : std::to_string(i + 4)));
    add("MAC 00:1A:2B:3C:4D:5E");
    add("HIP 192.168.001.010");
    add("NMK 255.255.255.000");
    add("RIP 192.168.001.001");
    add("TIP 8080");
    add("DHCP 0");
    for (int o = 1; o <= 9; ++o)
        add("OUT" + std::to_string(o) + " EAS IN" + std::to_string(o));
    for (int o = 1; o <= 9; ++o)
        add("OUT" + std::to_string(o) + (o % 2 ? " EXA EN" : " EXA DIS"));
    add("EXA MODE2");
    add("RS MUX 0.1.0.0.1.0.0.0.0");
    for (int o = 1; o <= 9; ++o)
        add("IRT OUT" + std::to_string(o) + " IS IN" + std::to_string(1 + o % 4));
    add("IR EXT SW 0.1.0.0.0.0.0.0.0.1.0.0.0");
    add("IRC MUX 1.0.0.0.0.0.0.0.1");
    add("MVW MODE1");
    add("QVW VS 3.5.1.2");
    add("BLC 255.000.128");
    add("BLW 12");
    for (int o = 1; o <= 9; ++o)
        add("OUT" + std::to_string(o) + " MAS IN" + (o == 9 ? std::string("10") : std::to_string(o) + " "));
    return lines;
}

void BM_DecodeStatusLines(benchmark::State &state) {
    const std::vector<std::string> lines = statusBurst();
    for (auto _ : state) {
        for (const std::string &line : lines) {
            protocol::Reply reply = protocol::decodeReply(line);
            benchmark::DoNotOptimize(reply);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
    state.counters["lines_per_burst"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_DecodeStatusLines);

// The burst as the port delivers it, in reads of `range(0)` bytes, assembled and decoded.
void BM_AssembleAndDecodeBurst(benchmark::State &state) {
    std::string wire;
    std::size_t lineCount = 0;
    for (const std::string &line : statusBurst()) {
        wire += line;
        ++lineCount;
    }
    const auto chunk = static_cast<std::size_t>(state.range(0));
    protocol::LineAssembler assembler;
    for (auto _ : state) {
        for (std::size_t at = 0; at < wire.size(); at += chunk) {
            assembler.feed(std::string_view(wire).substr(at, chunk), [](std::string_view line) {
                protocol::Reply reply = protocol::decodeReply(line);
                benchmark::DoNotOptimize(reply);
            });
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lineCount));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
    state.counters["wire_seconds_at_57600"] = static_cast<double>(wire.size()) * 10.0 / 57600.0;
}
BENCHMARK(BM_AssembleAndDecodeBurst)->Arg(1)->Arg(16)->Arg(4096);

// The longest multi-line text a page sends, prefixed for the port.
void BM_PrefixLanSettings(benchmark::State &state) {
    protocol::LanSettings lan;
    lan.host = {192, 168, 1, 10};
    lan.netMask = {255, 255, 255, 0};
    lan.router = {192, 168, 1, 1};
    lan.tcpPort = "8080";
    lan.mac = "00:1A:2B:3C:4D:5E";
    const std::string text = *protocol::buildSetLan(lan);
    for (auto _ : state) {
        auto out = protocol::prefixText(text, 5);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_PrefixLanSettings);

} // namespace
