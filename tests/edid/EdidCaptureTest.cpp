#include "edid/EdidCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

// "EDID OUT1 DATA" and the bytes as lower-case pairs with one blank before each, as a switcher
// sends them.
std::string dump(const std::vector<int> &bytes, const std::string &head = "EDID OUT1 DATA") {
    std::string line = head;
    for (int b : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, " %02x", b);
        line += pair;
    }
    return line + "\r\n";
}

std::vector<int> counting(int count) {
    std::vector<int> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back((i * 37 + 5) & 0xFF);
    return bytes;
}

// The image with the given leading bytes and 0xFF after them.
edid::EdidImage padded(const std::vector<int> &bytes) {
    edid::EdidImage image;
    image.fill(0xFF);
    for (std::size_t i = 0; i < bytes.size() && i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(bytes[i]);
    return image;
}

struct DumpCase {
    const char *name;
    std::string line;
    std::vector<int> expected; // leading bytes; the rest 0xFF
};

TEST(EdidCapture, DumpLineParse) {
    const std::vector<int> full = counting(256);
    const std::vector<DumpCase> cases = {
        {"all 256 pairs in order", dump(full), full},
        {"pairs beyond 256 are not read", dump(counting(300)), full},
        {"input dump", dump({0x00, 0xff, 0x10}, "EDID IN3 2 DATA"), {0x00, 0xff, 0x10}},
        {"no pairs at all", "EDID OUT1 DATA \r\n", {}},
        {"separators of any kind are skipped", "EDID OUT1 DATA 12,34;;56\t78\r\n", {0x12, 0x34, 0x56, 0x78}},
        {"pairs need no separator", "EDID OUT1 DATA 0a0b0c\r\n", {0x0a, 0x0b, 0x0c}},
        {"upper-case letters do not start a pair", "EDID OUT1 DATA AB 12 CD 34\r\n", {0x12, 0x34}},
        {"an upper-case second digit ends the parse", "EDID OUT1 DATA 12 3A 56\r\n", {0x12}},
        {"a blank inside a pair ends the parse", "EDID OUT1 DATA 12 3 456\r\n", {0x12}},
        {"a pair cut off by the line end ends the parse", "EDID OUT1 DATA 12 3\r\n", {0x12}},
        {"a pair cut off at the very end of the text", "EDID OUT1 DATA 12 3", {0x12}},
        {"the pairs follow the first DATA", "X DATA 01 EDID DATA 02\r\n", {0x01, 0x02}},
        {"nothing is read past the first 2000 characters",
         "EDID OUT1 DATA 12" + std::string(1979, ' ') + "34 56\r\n",
         {0x12, 0x34}},
        {"a pair straddling character 2000 is not read",
         "EDID OUT1 DATA 12" + std::string(1982, ' ') + "34 56\r\n",
         {0x12}},
        {"no DATA: nothing read", "IN1 EDID 3\r\n", {}},
    };
    for (const DumpCase &c : cases)
        EXPECT_EQ(edid::parseEdidDump(c.line), padded(c.expected)) << c.name;
}

TEST(EdidCapture, NumberedFileNames) {
    EXPECT_EQ(edid::edidCaptureStem(edid::EdidPortKind::Output, 3), "Matrix_EDID_out3_");
    EXPECT_EQ(edid::edidCaptureStem(edid::EdidPortKind::Input, 9), "Matrix_EDID_inp9_");
    EXPECT_EQ(edid::edidCaptureFileName("Matrix_EDID_out1_", 7), "Matrix_EDID_out1_07.bin");

    struct Case {
        const char *name;
        std::set<std::string> present;
        std::string expected;
    };
    std::set<std::string> all;
    for (int n = 0; n < 100; ++n)
        all.insert(edid::edidCaptureFileName("Matrix_EDID_out1_", n));
    std::set<std::string> gap = all;
    gap.erase("Matrix_EDID_out1_42.bin");
    const std::vector<Case> cases = {
        {"first gap wins", {"Matrix_EDID_out1_00.bin", "Matrix_EDID_out1_02.bin"}, "Matrix_EDID_out1_01.bin"},
        {"other ports do not count",
         {"Matrix_EDID_out2_00.bin", "Matrix_EDID_inp1_00.bin"},
         "Matrix_EDID_out1_00.bin"},
        {"only 42 free", gap, "Matrix_EDID_out1_42.bin"},
        {"all 100 taken: 99 again", all, "Matrix_EDID_out1_99.bin"},
    };
    for (const Case &c : cases) {
        const std::string name = edid::nextEdidCaptureFileName(
            "Matrix_EDID_out1_", [&](const std::string &n) { return c.present.count(n) > 0; });
        EXPECT_EQ(name, c.expected) << c.name;
    }
}

} // namespace
