#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidSummary.h"

#include <gtest/gtest.h>

#include <string>

using edidtest::crlf;
using edidtest::ImageBuilder;

namespace {

struct SummaryCase {
    const char *name;
    std::string video;
    std::string audio;
    std::string general;
    std::string expected;
};

class EdidSummary : public testing::TestWithParam<SummaryCase> {};

TEST_P(EdidSummary, CopiesKeyLinesInKeyOrder) {
    const SummaryCase &c = GetParam();
    EXPECT_EQ(edid::summarizeEdid(crlf(c.video), crlf(c.audio), crlf(c.general)), crlf(c.expected));
}

const std::string kGeneral = "\nManufacture's Name:DEL\nProduct Code:41157\nVertical Rate:29Hz--76Hz\n"
                             "Maximum Pixel Clock:600MHz\nNative Timings:0\n3D video:support\n\n";
const std::string kAudio =
    "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n48KHz\n\nAudio Format:AC-3.\n"
    "Audio Channel(s):6\nSample Frequency:\n48KHz\n\n\n";

INSTANTIATE_TEST_SUITE_P(
    Edid, EdidSummary,
    testing::Values(
        SummaryCase{"AllKeys", "Preferred Timing:1920x1080@60Hz\nDetailed Timing:1280x720@60Hz\n", kAudio,
                    kGeneral,
                    "Manufacture's Name:DEL\nMaximum Pixel Clock:600MHz\n3D video:support\n"
                    "Preferred Timing:1920x1080@60Hz\nDetailed Timing:1280x720@60Hz\nAudio Format:LPCM.\n"
                    "Audio Channel(s):2\n"},
        SummaryCase{"DetailedTimingInsideExtensionLine",
                    "Preferred Timing:1920x1080i@60Hz \nExtension Detailed Timing1:1280x720@60Hz\n"
                    "Extension Detailed Timing2:720x480@60Hz\n\nShort Video Descripter\n",
                    "\n", "\n", "Preferred Timing:1920x1080i@60Hz \nDetailed Timing1:1280x720@60Hz\n"},
        SummaryCase{"FirstDetailedTimingWins",
                    "Preferred Timing:0x0@0Hz\nDetailed Timing:640x480@60Hz\nDetailed Timing:800x600@60Hz\n"
                    "Extension Detailed Timing1:1280x720@60Hz\n",
                    "", "", "Preferred Timing:0x0@0Hz\nDetailed Timing:640x480@60Hz\n"},
        SummaryCase{"ChannelsOnlyAfterAFormat", "", "Audio Channel(s):2\n", "", ""},
        SummaryCase{"KeyWithoutLineFeedRunsToTheEnd", "", "", "\nManufacture's Name:ABC",
                    "Manufacture's Name:ABC"},
        SummaryCase{"OrderFollowsKeysNotTexts", "", "",
                    "3D video:not support\n\nMaximum Pixel Clock:170MHz\nManufacture's Name:LGE\n",
                    "Manufacture's Name:LGE\nMaximum Pixel Clock:170MHz\n3D video:not support\n"},
        SummaryCase{"KeysAreLookedForInTheirOwnText", "Manufacture's Name:XYZ\n",
                    "Preferred Timing:1x1@1Hz\n", "Audio Format:LPCM.\nAudio Channel(s):2\n", ""},
        SummaryCase{"EmptyTexts", "", "", "", ""}),
    [](const testing::TestParamInfo<SummaryCase> &info) { return info.param.name; });

// A captured EDID without a CEA extension: manufacturer, maximum pixel clock and preferred timing only.
TEST(EdidSummaryOfDecodedImage, NoCeaExtension) {
    const edid::EdidImage image =
        ImageBuilder()
            .bytes(8, {0x10, 0xAC})
            .timing(54, 14850, 1920, 280, 1080, 45)
            .bytes(90, {0, 0, 0, 0xFD, 0, 56, 76, 30, 83, 17})
            .bytes(128, {2, 3, 4, 0x70}); // stale extension bytes, but byte 126 is 0
    edid::EdidDecoder decoder;
    decoder.decodeAll(image);
    EXPECT_EQ(edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText()),
              "Manufacture's Name:DEL\r\nMaximum Pixel Clock:170MHz\r\nPreferred Timing:1920x1080@60Hz\r\n");
}

} // namespace
