#include "edid/EdidFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

edid::EdidImage expected(std::size_t size) {
    edid::EdidImage image;
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = i < size ? static_cast<std::uint8_t>(i * 7 + 3) : 0xFF;
    return image;
}

class EdidFileSize : public testing::TestWithParam<std::size_t> {};

// At most 256 bytes are taken; the bytes a shorter file lacks read as 0xFF.
TEST_P(EdidFileSize, TakesFirst256BytesAndPadsWithFF) {
    const std::size_t size = GetParam();
    EXPECT_EQ(edid::edidImageFromBytes(pattern(size)), expected(size));

    testsupport::ScopedTempCwd dir;
    testsupport::writeFile("edid.bin", pattern(size));
    edid::EdidImage image{};
    std::string error;
    ASSERT_TRUE(edid::readEdidFile("edid.bin", image, error)) << error;
    EXPECT_EQ(image, expected(size));
}

INSTANTIATE_TEST_SUITE_P(Edid, EdidFileSize, testing::Values(0, 1, 127, 128, 255, 256, 257, 4096));

TEST(EdidFile, UnreadableFilesReportAReasonAndLeaveTheImage) {
    testsupport::ScopedTempCwd dir;
    edid::EdidImage image;
    image.fill(0x5A);
    const edid::EdidImage before = image;

    std::string error;
    EXPECT_FALSE(edid::readEdidFile("missing.bin", image, error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(image, before);

    error.clear();
    EXPECT_FALSE(edid::readEdidFile(dir.path(), image, error)); // a folder opens but cannot be read
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(image, before);
}

} // namespace
