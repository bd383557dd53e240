#include "share/UnitCutter.h"
#include "share/UnitDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace share {
namespace {

using Bytes = std::string;

std::string escaped(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        if (b == '\r') {
            out += "\\r";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}

std::span<const std::uint8_t> asBytes(const Bytes &bytes) {
    return {reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()};
}

// A frame with its checksum, computed here rather than by the protocol code.
Bytes frame(std::uint8_t device, std::uint16_t code, const Bytes &payload) {
    const std::size_t length = payload.size() + 5;
    Bytes f = {'\xAA',
               '\x06',
               '\x00',
               static_cast<char>(length & 0xFF),
               static_cast<char>(length >> 8),
               '\x00',
               static_cast<char>(device),
               static_cast<char>(code & 0xFF),
               static_cast<char>(code >> 8)};
    f += payload;
    unsigned sum = 0;
    for (char c : f)
        sum += static_cast<std::uint8_t>(c);
    f += static_cast<char>(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return f;
}

Bytes badChecksum(Bytes f) {
    f.back() = static_cast<char>(f.back() + 1);
    return f;
}

std::string text(const Bytes &bytes) {
    return "text " + escaped(asBytes(bytes));
}
std::string frameUnit(const Bytes &bytes) {
    return "frame " + escaped(asBytes(bytes));
}
std::string refused(UnitKind kind, Refusal::Reason reason, std::size_t size) {
    const char *why = reason == Refusal::Reason::TooLong       ? "too long"
                      : reason == Refusal::Reason::BadChecksum ? "bad checksum"
                                                               : "bad length";
    return std::string("refused ") + (kind == UnitKind::Frame ? "frame" : "text") + " " + why + " " +
           std::to_string(size);
}

class Recorder : public IUnitSink {
public:
    void onUnit(const Unit &unit) override {
        events.push_back(unit.kind == UnitKind::Frame ? "frame " + escaped(unit.bytes)
                                                      : "text " + escaped(unit.bytes));
    }
    void onRefusal(const Refusal &r) override { events.push_back(refused(r.kind, r.reason, r.size)); }
    std::vector<std::string> events;
};

// Feeds the input in the given chunk sizes (the last chunk takes the rest); checks the memory bound
// after every chunk.
std::vector<std::string> cut(const Bytes &input, std::size_t limit, const std::vector<std::size_t> &chunks,
                             std::size_t *pending) {
    UnitCutter cutter(limit);
    Recorder recorder;
    std::size_t at = 0;
    for (std::size_t i = 0; at < input.size(); ++i) {
        const std::size_t n = i < chunks.size() ? std::min(chunks[i], input.size() - at) : input.size() - at;
        cutter.feed(asBytes(input).subspan(at, n), recorder);
        at += n;
        EXPECT_LE(cutter.heldSize(), limit);
    }
    *pending = cutter.pendingSize();
    return recorder.events;
}

TEST(UnitCutter, CutsTheSameWhereverTheChunksEnd) {
    using R = Refusal::Reason;
    const Bytes f10 = frame(5, 0x7802, "");
    const Bytes withLf = frame(3, 0x1234, "\n\r\n\x0A");
    const Bytes x63(63, 'X');
    const Bytes x64(64, 'X');
    const Bytes flood(100000, 'X');
    const Bytes tooLongFrame = frame(1, 0x0001, "\n\nAB\r\n" + Bytes(54, '\n')); // 70 bytes, LFs inside
    const Bytes limitFrame = frame(1, 0x0001, Bytes(54, '\n'));                  // exactly 64
    struct Case {
        const char *name;
        Bytes input;
        std::size_t limit;
        std::vector<std::string> events;
        std::size_t pending = 0;
    };
    const Case cases[] = {
        {"LF line", "GET STA\n", 1024, {text("GET STA\n")}},
        {"CR LF lines", "A\r\nB\r\n", 1024, {text("A\r\n"), text("B\r\n")}},
        {"unfinished line waits", "GET STA", 1024, {}, 7},
        {"blank line goes with the next line", "\r\nA05 GET STA\r\n", 1024, {text("\r\nA05 GET STA\r\n")}},
        {"second blank line sends the first alone", "\r\n\r\nX\n", 1024, {text("\r\n"), text("\r\nX\n")}},
        {"bare LF blank lines", "\n\nX\n", 1024, {text("\n"), text("\nX\n")}},
        {"trailing blank line is held", "X\n\r\n", 1024, {text("X\n")}, 2},
        {"CR CR LF is a line", "\r\r\n", 1024, {text("\r\r\n")}},
        {"frame without payload", f10, 1024, {frameUnit(f10)}},
        {"frame with LFs inside", withLf, 1024, {frameUnit(withLf)}},
        {"frame between lines", "X\n" + withLf + "Y\n", 1024, {text("X\n"), frameUnit(withLf), text("Y\n")}},
        {"back-to-back frames", f10 + withLf, 1024, {frameUnit(f10), frameUnit(withLf)}},
        {"blank line before a frame goes alone", "\r\n" + f10, 1024, {text("\r\n"), frameUnit(f10)}},
        {"unfinished frame waits", f10.substr(0, 9), 1024, {}, 9},
        {"AA 06 01 starts text", "\xAA\x06\x01Z\n", 1024, {text("\xAA\x06\x01Z\n")}},
        {"AA then LF is text", "\xAA\n", 1024, {text("\xAA\n")}},
        {"blank line joins an AA line", "\r\n\xAA\x07X\n", 1024, {text("\r\n\xAA\x07X\n")}},
        {"frame start inside a line is text", "X" + f10 + "\n", 1024, {text("X" + f10 + "\n")}},
        {"bad checksum refused, next line passes",
         badChecksum(withLf) + "Y\n",
         1024,
         {refused(UnitKind::Frame, R::BadChecksum, withLf.size()), text("Y\n")}},
        {"length field below 5 refused with its header",
         Bytes("\xAA\x06\x00\x04\x00", 5) + "Y\n",
         1024,
         {refused(UnitKind::Frame, R::BadLength, 5), text("Y\n")}},
        {"too-long frame refused from its header, its bytes skipped",
         tooLongFrame + "Y\n",
         64,
         {refused(UnitKind::Frame, R::TooLong, 70), text("Y\n")}},
        {"too-long frame refused before its bytes arrive",
         tooLongFrame.substr(0, 5),
         64,
         {refused(UnitKind::Frame, R::TooLong, 70)}},
        {"frame of exactly the limit", limitFrame, 64, {frameUnit(limitFrame)}},
        {"line of exactly the limit", x63 + "\n", 64, {text(x63 + "\n")}},
        {"line one byte over, refused at its LF",
         x64 + "\nY\n",
         64,
         {refused(UnitKind::Text, R::TooLong, 65), text("Y\n")}},
        {"flood without LF is dropped as it comes", flood, 64, {}, flood.size()},
        {"flood refused whole at its LF, next line passes",
         flood + "\nZ\n",
         64,
         {refused(UnitKind::Text, R::TooLong, flood.size() + 1), text("Z\n")}},
        {"blank line goes alone when the line after it would not fit",
         "\r\n" + x63 + "\n",
         64,
         {text("\r\n"), text(x63 + "\n")}},
        {"blank line joins a line when both fit",
         "\r\n" + x63.substr(2) + "\n",
         64,
         {text("\r\n" + x63.substr(2) + "\n")}},
        {"frame at the write limit",
         frame(2, 7, Bytes(1014, 'p')),
         1024,
         {frameUnit(frame(2, 7, Bytes(1014, 'p')))}},
        {"frame one over the write limit",
         frame(2, 7, Bytes(1015, 'p')) + "Y\n",
         1024,
         {refused(UnitKind::Frame, R::TooLong, 1025), text("Y\n")}},
    };
    std::mt19937 random(20240611);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::vector<std::size_t>> splits = {{c.input.size()},
                                                        std::vector<std::size_t>(c.input.size(), 1)};
        for (int i = 0; i < 20; ++i) {
            std::vector<std::size_t> chunks;
            std::uniform_int_distribution<std::size_t> size(1, 1 + c.input.size() / (1 + i % 8));
            for (std::size_t at = 0; at < c.input.size(); at += chunks.back())
                chunks.push_back(size(random));
            splits.push_back(chunks);
        }
        for (const std::vector<std::size_t> &chunks : splits) {
            std::size_t pending = 0;
            ASSERT_EQ(cut(c.input, c.limit, chunks, &pending), c.events) << chunks.size() << " chunks";
            EXPECT_EQ(pending, c.pending);
        }
    }
}

TEST(UnitCutter, UnitDevice) {
    struct Case {
        const char *name;
        UnitKind kind;
        Bytes bytes;
        std::uint8_t expected;
    };
    const std::uint8_t current = 7;
    const Case cases[] = {
        {"prefixed line", UnitKind::Text, "A05 SET OUT1 VS IN2\r\n", 5},
        {"after CR LF", UnitKind::Text, "\r\nA05 GET STA\r\n", 5},
        {"after LF", UnitKind::Text, "\nA12 X\n", 12},
        {"A99", UnitKind::Text, "A99 GET STA\r\n", 99},
        {"A00 is every device", UnitKind::Text, "A00 GET ADDR\r\n", 0},
        {"no prefix", UnitKind::Text, "GET STA\r\n", current},
        {"blank line, no prefix", UnitKind::Text, "\r\nGET STA\r\n", current},
        {"one digit", UnitKind::Text, "A5 GET STA\r\n", current},
        {"no space", UnitKind::Text, "A05GET\r\n", current},
        {"lower-case a", UnitKind::Text, "a05 GET\r\n", current},
        {"leading space", UnitKind::Text, " A05 GET\r\n", current},
        {"CR alone before", UnitKind::Text, "\rA05 GET\n", current},
        {"two blank lines before", UnitKind::Text, "\r\n\r\nA05 GET\r\n", current},
        {"too short", UnitKind::Text, "A05", current},
        {"frame's device byte", UnitKind::Frame, frame(9, 0x7802, ""), 9},
        {"frame for every device", UnitKind::Frame, frame(0, 0x7802, "A05 "), 0},
        {"frame's device byte as it is", UnitKind::Frame, frame(200, 0x7802, ""), 200},
        {"frame bytes that look like a prefix", UnitKind::Frame, "A05 \x01\x02\x03\x04", '\x03'},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(unitDevice(Unit{c.kind, asBytes(c.bytes)}, current), c.expected);
    }
}

} // namespace
} // namespace share
