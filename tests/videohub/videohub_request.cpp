#include "videohub/RequestDecoder.h"

#include <gtest/gtest.h>

namespace videohub {
namespace {

constexpr RouterSize kKorvex{10, 9};

struct RequestCase {
    std::string block; // the block's lines without the blank line that ends it
    Request expected;
};

void expectDecodes(std::initializer_list<RequestCase> cases) {
    for (const RequestCase &c : cases) {
        SCOPED_TRACE(c.block);
        BlockReader reader;
        const std::vector<Block> blocks = reader.feed(c.block + "\n\n");
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(decodeRequest(blocks[0], kKorvex), c.expected);
    }
}

Request nak(NakReason reason, std::size_t line = 0) {
    return Malformed{reason, line};
}

Request inputLabel(int index, std::string text) {
    return LabelRequest{PortSide::Input, {{index, std::move(text)}}};
}

TEST(VideohubRequest, Routing) {
    expectDecodes({
        {"VIDEO OUTPUT ROUTING:\n7 2", RouteRequest{{{7, 2}}}},
        {"VIDEO OUTPUT ROUTING:\n0 9\n8 0\n0 3", RouteRequest{{{0, 9}, {8, 0}, {0, 3}}}},
        {"VIDEO OUTPUT ROUTING:\n07 002", RouteRequest{{{7, 2}}}},
        {"VIDEO OUTPUT ROUTING:\n0 1\n1 1\n9 1", nak(NakReason::IndexOutOfRange, 2)}, // refused whole
        {"VIDEO OUTPUT ROUTING:\n99999999999 1", nak(NakReason::IndexOutOfRange)},
        {"VIDEO OUTPUT ROUTING:\n0 1\n7 10", nak(NakReason::InputOutOfRange, 1)},
        {"VIDEO OUTPUT ROUTING:\n7", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n7 ", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n7 2 ", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n7  2", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n 7 2", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n-1 2", nak(NakReason::MalformedLine)},
        {"VIDEO OUTPUT ROUTING:\n7 +2", nak(NakReason::MalformedLine)},
    });
}

TEST(VideohubRequest, Labels) {
    const std::string e32 = [] {
        std::string s;
        for (int i = 0; i < 32; ++i)
            s += "\xC3\xA9"; // é
        return s;
    }();
    expectDecodes({
        {"INPUT LABELS:\n3 Camera 4", inputLabel(3, "Camera 4")},
        {"INPUT LABELS:\n9 ", inputLabel(9, "")}, // clears the name
        {"INPUT LABELS:\n0  two  blanks ", inputLabel(0, " two  blanks ")},
        {"INPUT LABELS:\n1 \xF0\x9F\x8E\xA5 cam", inputLabel(1, "\xF0\x9F\x8E\xA5 cam")},
        {"INPUT LABELS:\n2 " + e32, inputLabel(2, e32)},
        {"OUTPUT LABELS:\n8 Stage\n0 Booth", LabelRequest{PortSide::Output, {{8, "Stage"}, {0, "Booth"}}}},
        {"INPUT LABELS:\n2 " + e32 + "x", nak(NakReason::LabelTooLong)},
        {"INPUT LABELS:\n10 x", nak(NakReason::IndexOutOfRange)},
        {"OUTPUT LABELS:\n9 x", nak(NakReason::IndexOutOfRange)},
        {"INPUT LABELS:\n3", nak(NakReason::MalformedLine)},
        {"INPUT LABELS:\n1 ok\n3 \xC3", nak(NakReason::BadLabel, 1)}, // cut short
        {"INPUT LABELS:\n3 \xE0\x80\xAF", nak(NakReason::BadLabel)},  // overlong
        {"INPUT LABELS:\n3 \xED\xA0\x80", nak(NakReason::BadLabel)},  // surrogate
        {"INPUT LABELS:\n3 \xF4\x90\x80\x80", nak(NakReason::BadLabel)},
        {"INPUT LABELS:\n3 \x80", nak(NakReason::BadLabel)},
        {"INPUT LABELS:\n3 a\tb", nak(NakReason::BadLabel)},
        {"INPUT LABELS:\n3 a\rb", nak(NakReason::BadLabel)},
        {"INPUT LABELS:\n3 a\xC2\x85", nak(NakReason::BadLabel)}, // C1 control
    });
}

TEST(VideohubRequest, Locks) {
    expectDecodes({
        {"VIDEO OUTPUT LOCKS:\n0 O\n1 U\n8 F",
         LockRequest{{{0, LockAction::Own}, {1, LockAction::Release}, {8, LockAction::Force}}}},
        {"VIDEO OUTPUT LOCKS:\n9 O", nak(NakReason::IndexOutOfRange)},
        {"VIDEO OUTPUT LOCKS:\n3 L", nak(NakReason::BadLockLetter)},
        {"VIDEO OUTPUT LOCKS:\n3 o", nak(NakReason::BadLockLetter)},
        {"VIDEO OUTPUT LOCKS:\n3 OU", nak(NakReason::BadLockLetter)},
        {"VIDEO OUTPUT LOCKS:\n3 ", nak(NakReason::BadLockLetter)},
        {"VIDEO OUTPUT LOCKS:\nx O", nak(NakReason::MalformedLine)},
    });
}

TEST(VideohubRequest, QueriesPingAndIgnoredBlocks) {
    expectDecodes({
        {"INPUT LABELS:", BlockQuery{StatusBlock::InputLabels}},
        {"OUTPUT LABELS:", BlockQuery{StatusBlock::OutputLabels}},
        {"VIDEO OUTPUT LOCKS:", BlockQuery{StatusBlock::OutputLocks}},
        {"VIDEO OUTPUT ROUTING:", BlockQuery{StatusBlock::OutputRouting}},
        {"PING:", Ping{}},
        {"PING:\nwhatever", Ping{}},
        {"PROTOCOL PREAMBLE:\nVersion: 2.3", Ignored{}},
        {"VIDEOHUB DEVICE:", Ignored{}},
        {"VIDEOHUB DEVICE:\nDevice present: true", Ignored{}},
        {"END PRELUDE:", Ignored{}},
        {"ACK", Ignored{}},
        {"VIDEO MONITORING OUTPUT ROUTING:\n0 1", Ignored{}},
        {"SERIAL PORT ROUTING:\n0 1", Ignored{}},
        {"video output routing:\n7 2", Ignored{}},
        {"VIDEO OUTPUT ROUTING: \n7 2", Ignored{}},
        {"hello\n7 2", Ignored{}},
    });
}

} // namespace
} // namespace videohub
