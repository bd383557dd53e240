// libFuzzer target for korvex-sim's receive side: arbitrary bytes, cut into chunks at points the
// input chooses, go through the wire decoder (lines and binary frames, with frame time-outs) and
// every line and frame is handled by a line of three switchers. Nothing may crash, read out of
// bounds or leave a device in a state the simulator could not report.
//
// The first byte: its low six bits choose the chunk length; bit 7 ends the input by rendering the
// state snapshot. Only those inputs render it: it spells out 108 EDID images in hexadecimal, which
// would otherwise be most of the time every input takes.

#include "sim/ReplyFormatter.h"
#include "sim/StateJson.h"
#include "sim/SwitcherLine.h"
#include "sim/WireDecoder.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using korvexsim::SwitcherLine;
using korvexsim::WireDecoder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    // One input tries one way of splitting the stream.
    const std::size_t chunk = 1 + data[0] % 64;
    std::string_view stream(reinterpret_cast<const char *>(data + 1), size - 1);

    WireDecoder decoder;
    SwitcherLine line({0, 1, 99});
    auto now = WireDecoder::Clock::time_point{};
    std::vector<WireDecoder::Event> events;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        events.clear();
        decoder.feed(stream.substr(at, chunk), now, events);
        // Every other chunk arrives after the frame time-out, so half-received frames are given up.
        now += (at / chunk) % 2 ? WireDecoder::kFrameTimeout + std::chrono::milliseconds(1)
                                : std::chrono::milliseconds(1);
        decoder.expire(now, events);
        for (const WireDecoder::Event &e : events) {
            if (e.kind == WireDecoder::Event::Line)
                line.handleLine(e.bytes);
            else if (e.kind == WireDecoder::Event::Frame)
                line.handleFrame(e.bytes);
        }
    }
    // Whatever the commands did, the state must still render.
    if ((data[0] & 0x80) == 0)
        return 0;
    const std::string json = korvexsim::StateJson::render(line.devices(), {});
    if (json.empty() || json.front() != '{')
        __builtin_trap();
    return 0;
}
