// libFuzzer target for the unit cutter: whatever a client sends, in whatever chunks, every unit that
// passes is whole (a text line ending in its LF, or a frame of the size its length says with a right
// checksum) and within the limit; units and refusals account for the input byte for byte, in order;
// the cutter never holds more than the limit; and the cut does not depend on where chunks end.

#include "share/UnitCutter.h"
#include "share/UnitDevice.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool isBlankLine(std::span<const std::uint8_t> b) {
    return (b.size() == 1 && b[0] == '\n') || (b.size() == 2 && b[0] == '\r' && b[1] == '\n');
}

// Checks each event against the input as it comes and records it for the comparison of cuts.
class Checker : public share::IUnitSink {
public:
    Checker(std::span<const std::uint8_t> input, std::size_t limit) : m_input(input), m_limit(limit) {}

    void onUnit(const share::Unit &unit) override {
        const std::span<const std::uint8_t> b = unit.bytes;
        check(!b.empty() && b.size() <= m_limit);
        check(m_cursor + b.size() <= m_input.size());
        for (std::size_t i = 0; i < b.size(); ++i)
            check(b[i] == m_input[m_cursor + i]);
        m_cursor += b.size();
        if (unit.kind == share::UnitKind::Frame) {
            check(b.size() >= 10 && b[0] == 0xAA && b[1] == 0x06 && b[2] == 0x00);
            check(b[3] + (static_cast<std::size_t>(b[4]) << 8) + 5 == b.size());
            unsigned sum = 0;
            for (std::uint8_t byte : b)
                sum += byte;
            check(sum % 256 == 0);
            check(share::unitDevice(unit, 0) == b[6]);
        } else {
            // One line, with at most one blank line before it.
            std::size_t lineFeeds = 0;
            for (std::uint8_t byte : b)
                lineFeeds += byte == '\n' ? 1 : 0;
            check(b.back() == '\n' && lineFeeds <= 2);
            if (lineFeeds == 2) {
                const std::size_t first = b[0] == '\n' ? 1 : 2;
                check(isBlankLine(b.first(first)) && !isBlankLine(b.subspan(first)));
                const std::span<const std::uint8_t> line = b.subspan(first);
                check(!(line.size() >= 3 && line[0] == 0xAA && line[1] == 0x06 && line[2] == 0x00));
            }
            const std::uint8_t device = share::unitDevice(unit, 200);
            check(device == 200 || device <= 99);
        }
        m_events.emplace_back(b.begin(), b.end());
        m_events.back().push_back(unit.kind == share::UnitKind::Frame ? 'F' : 'T');
    }

    void onRefusal(const share::Refusal &refusal) override {
        check(refusal.size > 0);
        if (refusal.reason == share::Refusal::Reason::TooLong)
            check(refusal.size > m_limit);
        else
            check(refusal.kind == share::UnitKind::Frame);
        m_cursor += refusal.size;
        m_events.push_back(std::to_string(refusal.size) + "R" +
                           std::to_string(static_cast<int>(refusal.reason)) +
                           std::to_string(static_cast<int>(refusal.kind)));
    }

    std::size_t cursor() const { return m_cursor; }
    const std::vector<std::string> &events() const { return m_events; }

private:
    std::span<const std::uint8_t> m_input;
    std::size_t m_limit;
    std::size_t m_cursor = 0; // bytes accounted for, including those of a refused frame still to come
    std::vector<std::string> m_events;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    // Small limits reach the refusals with short inputs; the largest is the session's 1024.
    const std::size_t limit = std::min<std::size_t>(10 + data[0] * 4u, 1024);
    const std::size_t chunk = 1 + data[1] % 32;
    const std::span<const std::uint8_t> input(data + 2, size - 2);

    Checker whole(input, limit);
    share::UnitCutter cutter(limit);
    cutter.feed(input, whole);
    check(cutter.heldSize() <= limit);
    check(whole.cursor() + cutter.pendingSize() == input.size() + cutter.skipRemaining());

    Checker pieces(input, limit);
    share::UnitCutter pieceCutter(limit);
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        pieceCutter.feed(input.subspan(at, std::min(chunk, input.size() - at)), pieces);
        check(pieceCutter.heldSize() <= limit);
    }
    check(pieces.events() == whole.events());
    check(pieceCutter.pendingSize() == cutter.pendingSize() &&
          pieceCutter.skipRemaining() == cutter.skipRemaining());
    return 0;
}
