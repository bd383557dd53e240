#include "protocol/LineAssembler.h"
#include "protocol/ReplyDecoder.h"
#include "protocol_print.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace protocol {
namespace {

// A status burst as a device sends it, with lines of every shape the console sees.
const std::vector<std::string> kBurstLines = {"OUT1 VS IN1 \r\n",
                                              "OUT2 VS IN10\r\n",
                                              "IN1 EDID 3\r\n",
                                              "IN9 EDID 13\r\n",
                                              "MAC 00:1A:2B:3C:4D:5E\r\n",
                                              "HIP 192.168.001.010\r\n",
                                              "TIP 8080\r\n",
                                              "DHCP 0\r\n",
                                              "OUT1 EXA EN\r\n",
                                              "RS MUX 0.1.0.0.1.0.0.0.0\r\n",
                                              "MVW MODE1\r\n",
                                              "QVW VS 3.5.1.2\r\n",
                                              "BLC 5.10.255\r\n",
                                              "BLW 12\r\n",
                                              "OUT0 MAS IN10\r\n",
                                              "\r\n",
                                              "noise without keyword\r\n",
                                              "\n",
                                              "ADDR 07\r\n"};

std::string joined(const std::vector<std::string> &lines) {
    std::string out;
    for (const std::string &l : lines)
        out += l;
    return out;
}

// A chunk as the session hands it over: byte by byte.
template <typename OnLine> void feed(LineAssembler &assembler, std::string_view bytes, OnLine &&onLine) {
    for (char byte : bytes)
        if (std::optional<std::string> line = assembler.push(byte))
            onLine(*line);
}

std::vector<std::string> feedInChunks(LineAssembler &assembler, std::string_view bytes, std::size_t chunk) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
        feed(assembler, bytes.substr(at, chunk), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(ProtocolAssembler, LinesSplitAcrossReadsOfEverySizeComeOutWhole) {
    const std::string burst = joined(kBurstLines);
    for (std::size_t chunk = 1; chunk <= burst.size(); ++chunk) {
        LineAssembler assembler;
        EXPECT_EQ(feedInChunks(assembler, burst, chunk), kBurstLines) << "chunk " << chunk;
        EXPECT_TRUE(assembler.pending().empty());
    }
}

TEST(ProtocolAssembler, RandomSmallReadsDecodeLikeWholeLines) {
    const std::string burst = joined(kBurstLines) + "OUT3 VS IN"; // ends mid-line
    std::mt19937 random(1234);
    std::uniform_int_distribution<std::size_t> size(0, 7);
    for (int round = 0; round < 50; ++round) {
        LineAssembler assembler;
        std::vector<Reply> decoded;
        for (std::size_t at = 0; at < burst.size();) {
            const std::size_t n = std::min(size(random), burst.size() - at);
            feed(assembler, std::string_view(burst).substr(at, n),
                 [&](std::string_view line) { decoded.push_back(decodeReply(line)); });
            at += n;
        }
        ASSERT_EQ(decoded.size(), kBurstLines.size());
        for (std::size_t i = 0; i < decoded.size(); ++i)
            EXPECT_EQ(decoded[i], decodeReply(kBurstLines[i])) << escapeBytes(kBurstLines[i]);
        EXPECT_EQ(assembler.pending(), "OUT3 VS IN");
    }
}

TEST(ProtocolAssembler, PushHandsBackTheLineOnlyAtLineFeed) {
    LineAssembler assembler;
    for (char c : std::string_view("GET\rSTA\r"))
        EXPECT_EQ(assembler.push(c), std::nullopt); // CR alone ends nothing
    EXPECT_EQ(assembler.pending(), "GET\rSTA\r");
    EXPECT_EQ(assembler.push('\n'), "GET\rSTA\r\n");
    EXPECT_TRUE(assembler.pending().empty());
    EXPECT_EQ(assembler.push('\n'), "\n");
    EXPECT_EQ(assembler.push('\0'), std::nullopt);
    EXPECT_EQ(assembler.push('\n'), std::string("\0\n", 2));
}

TEST(ProtocolAssembler, LinesLongerThanTheBoundAreDiscardedWhole) {
    struct Case {
        std::size_t length; // bytes of the line, LF included
        bool kept;
    };
    const Case cases[] = {{1, true},     {4095, true},  {4096, true},
                          {4097, false}, {4098, false}, {20000, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        LineAssembler assembler;
        const std::string longLine = std::string(c.length - 1, 'x') + '\n';
        const std::vector<std::string> lines =
            feedInChunks(assembler, "BLW 7\r\n" + longLine + "BLW 12\r\n", 1000);
        std::vector<std::string> expected = {"BLW 7\r\n"};
        if (c.kept)
            expected.push_back(longLine);
        expected.push_back("BLW 12\r\n");
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(assembler.discardedLines(), c.kept ? 0u : 1u);
        EXPECT_FALSE(assembler.discarding());
    }
}

TEST(ProtocolAssembler, FloodWithoutLineFeedStaysBounded) {
    LineAssembler assembler;
    std::size_t lines = 0;
    const std::string flood(64 * 1024, 'Z');
    for (int i = 0; i < 16; ++i) {
        feed(assembler, flood, [&](std::string_view) { ++lines; });
        EXPECT_LE(assembler.pending().size(), LineAssembler::kMaxLine);
        EXPECT_TRUE(assembler.discarding());
    }
    EXPECT_EQ(assembler.push('\n'), std::nullopt); // the end of the flooded line
    EXPECT_FALSE(assembler.discarding());
    EXPECT_EQ(assembler.push('A'), std::nullopt);
    EXPECT_EQ(assembler.push('\n'), "A\n");
    EXPECT_EQ(lines, 0u);
    EXPECT_EQ(assembler.discardedLines(), 1u);
}

TEST(ProtocolAssembler, ClearDropsThePartialLineAndTheDiscarding) {
    LineAssembler assembler;
    feed(assembler, "OUT3 VS", [](std::string_view) { FAIL(); });
    assembler.clear();
    EXPECT_TRUE(assembler.pending().empty());
    EXPECT_EQ(assembler.push('\n'), "\n");

    feed(assembler, std::string(5000, 'x'), [](std::string_view) { FAIL(); });
    ASSERT_TRUE(assembler.discarding());
    assembler.clear();
    EXPECT_FALSE(assembler.discarding());
    EXPECT_EQ(assembler.push('\n'), "\n");
}

} // namespace
} // namespace protocol
