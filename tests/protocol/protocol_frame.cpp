#include "protocol/CommandFrame.h"
#include "protocol/Commands.h"

#include <gtest/gtest.h>

#include <numeric>

namespace protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ProtocolFrame, ShortFrameExamples) {
    const std::tuple<std::uint8_t, std::uint16_t, Bytes> cases[] = {
        {0, 0x7802, {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x00, 0x02, 0x78, 0xD1}},
        {5, 0x7802, {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x05, 0x02, 0x78, 0xCC}},
        {99, 0x0000, {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x63, 0x00, 0x00, 0xE8}},
        {0, 0xFFFF, {0xAA, 0x06, 0x00, 0x05, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x4D}},
    };
    for (const auto &[device, code, expected] : cases) {
        SCOPED_TRACE(testing::Message() << "device " << int(device) << " code " << code);
        EXPECT_EQ(buildShortFrame(kFrameGroup, device, code), expected);
        const FrameResult full = buildFrame(kFrameGroup, device, code, {});
        EXPECT_TRUE(full.ok());
        EXPECT_EQ(full.bytes, expected);
    }
    EXPECT_EQ(buildResetLanFrame(5), std::get<2>(cases[1]));
}

TEST(ProtocolFrame, PayloadLayoutLengthAndChecksum) {
    for (std::size_t n :
         {std::size_t{0}, std::size_t{1}, std::size_t{250}, std::size_t{251}, kMaxFramePayload}) {
        SCOPED_TRACE(n);
        Bytes payload(n);
        std::iota(payload.begin(), payload.end(), std::uint8_t{0x37});
        const FrameResult frame = buildFrame(0, 17, 0x1234, payload);
        ASSERT_TRUE(frame.ok());
        const Bytes &b = frame.bytes;
        ASSERT_EQ(b.size(), n + 10);
        EXPECT_EQ(b[0], 0xAA);
        EXPECT_EQ(b[1], 0x06);
        EXPECT_EQ(b[2], 0x00);
        EXPECT_EQ(b[3] | (b[4] << 8), static_cast<int>(n + 5));
        EXPECT_EQ(b[5], 0x00);
        EXPECT_EQ(b[6], 17);
        EXPECT_EQ(b[7], 0x34);
        EXPECT_EQ(b[8], 0x12);
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), b.begin() + 9));
        EXPECT_EQ(std::accumulate(b.begin(), b.end(), 0u) % 256, 0u);
    }
}

TEST(ProtocolFrame, LargestPayloadFillsThreeHundredBytesOneMoreIsRefused) {
    const Bytes max(290, 0xFF);
    const FrameResult ok = buildFrame(0, 1, 0x7802, max);
    ASSERT_TRUE(ok.ok());
    EXPECT_EQ(ok.bytes.size(), kMaxFrameSize);
    EXPECT_EQ(ok.bytes.size(), 300u);

    const Bytes tooMuch(291, 0xFF);
    const FrameResult refused = buildFrame(0, 1, 0x7802, tooMuch);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error, FrameError::TooMuchParameter);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_STREQ(kTooMuchParameterText, "Too much parameter.");
}

TEST(ProtocolFrame, Checksum) {
    EXPECT_EQ(frameChecksum({}), 0);
    const Bytes one{0x01};
    EXPECT_EQ(frameChecksum(one), 0xFF);
    const Bytes wraps{0xFF, 0xFF, 0x02}; // sum 0x200
    EXPECT_EQ(frameChecksum(wraps), 0x00);
}

} // namespace
} // namespace protocol
