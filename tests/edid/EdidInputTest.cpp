#include "EdidImageBuilder.h"

#include "edid/EdidInput.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

using edidtest::hexPairs;

namespace {

// A block with the EDID header, then bytes that differ from block to block.
std::string block(int seed) {
    std::string bytes("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8);
    for (int i = 8; i < 128; ++i)
        bytes += static_cast<char>(i * 7 + seed);
    return bytes;
}

const std::string kBase = block(3);
const std::string kTwo = block(3) + block(5);
const std::string kXrandrHead = "Screen 0: minimum 320 x 200, current 1920 x 1080, maximum 16384 x 16384\n"
                                "HDMI-A-0 connected primary 1920x1080+0+0 (0x5c) normal 1600mm x 900mm\n"
                                "\tCTM: 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0 \n\t\t0 1 \n";

struct InputCase {
    const char *name;
    std::string content;
    std::string image; // the first bytes of the image read (the rest 0xFF), or
    std::string error; // the expected reason
};

class EdidInput : public testing::TestWithParam<InputCase> {};

// The layouts' corners; the tool's tests compare real dumps with their .bin and cover malformed dumps.
TEST_P(EdidInput, ReadsTheImageOrGivesTheReason) {
    const InputCase &c = GetParam();
    testsupport::ScopedTempCwd dir;
    testsupport::writeFile("input", c.content);
    edid::EdidImage image;
    image.fill(0x5A);
    std::string error;
    EXPECT_EQ(edid::readEdidInput("input", image, error), c.error.empty());
    EXPECT_EQ(error, c.error);
    const std::string expected =
        c.error.empty() ? c.image + std::string(256 - c.image.size(), '\xFF') : std::string(256, '\x5A');
    EXPECT_EQ(std::string(image.begin(), image.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edid, EdidInput,
    testing::Values(
        InputCase{"RawTakesTheFirst256Bytes", kTwo + block(7), kTwo, ""},
        InputCase{"HugeRawFileIsOnlyItsStart", kTwo + std::string(2 << 20, '\0'), kTwo, ""},
        InputCase{"AnyWhiteSpaceAndCrLf", "\r\n  " + hexPairs(kTwo, 7, "\t", " \t ") + "\r\n\r\n", kTwo, ""},
        InputCase{"Utf8ByteOrderMark", "\xEF\xBB\xBF" + hexPairs(kBase), kBase, ""},
        InputCase{"XrandrFirstEdidProperty",
                  kXrandrHead + "\tEDID: \n" + hexPairs(kTwo, 16, "\t\t", "") +
                      "\tCONNECTOR_ID: 88 \n\t\tsupported: 88\nDP-1 connected\n\tEDID: \n" +
                      hexPairs(block(9) + block(11), 16, "\t\t", ""),
                  kTwo, ""},
        InputCase{"XrandrOldEdidDataProperty",
                  kXrandrHead + "\tEDID_DATA: \n" + hexPairs(kBase, 16, "\t\t", ""), kBase, ""},
        InputCase{"WhiteSpaceOnly", " \n\t\r\n", "", "no hex pairs in it, no EDID"},
        InputCase{"HugeText", std::string(2 << 20, ' '), "", "over 1 MiB of text, not an EDID dump"},
        InputCase{"XrandrEdidPropertyWithoutHex", kXrandrHead + "\tEDID: \n\tCONNECTOR_ID: 88 \n", "",
                  "the EDID property at line 5 holds no hex lines"},
        InputCase{"TextAfterTheDumpWithoutDashes", hexPairs(kBase) + "\nBlock 0, Base EDID:\n", "",
                  "line 10: \"Block\" is not hexadecimal"}),
    [](const testing::TestParamInfo<InputCase> &info) { return std::string(info.param.name); });

} // namespace
