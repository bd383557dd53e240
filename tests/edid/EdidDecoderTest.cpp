#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidNames.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

using edidtest::block;
using edidtest::crlf;
using edidtest::decoded;
using edidtest::filler;
using edidtest::ImageBuilder;

namespace {

struct TextCase {
    const char *name;
    edid::EdidImage image;
    std::string expected; // with plain LF line ends
};

std::string caseName(const testing::TestParamInfo<TextCase> &info) {
    return info.param.name;
}

// A video block of 31 SVDs that fills extension offsets 96 to 127 exactly.
std::vector<std::uint8_t> videoBlockToTheLastByte() {
    std::vector<std::uint8_t> block(32, 0x00);
    block[0] = (2 << 5) | 31;
    block[1] = 0x10;
    block[31] = 0x04;
    return block;
}

constexpr const char *kPreferredZero = "Preferred Timing:0x0@0Hz\n";
constexpr const char *kSvdHeading = "\nShort Video Descripter\n";

// ---- Video text ----

class VideoText : public testing::TestWithParam<TextCase> {};

TEST_P(VideoText, MatchesWholeText) {
    EXPECT_EQ(decoded(GetParam().image, 0), crlf(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Edid, VideoText,
    testing::Values(
        TextCase{"ProgressivePreferred", ImageBuilder().timing(54, 14850, 1920, 280, 1080, 45),
                 "Preferred Timing:1920x1080@60Hz\n"},
        TextCase{"InterlacedPreferredEndsWithBlank",
                 ImageBuilder().timing(54, 7425, 1920, 280, 540, 22, true),
                 "Preferred Timing:1920x1080i@60Hz \n"},
        TextCase{"ZeroHorizontalTotalGivesZeroRefresh", ImageBuilder().timing(54, 14850, 0, 0, 1080, 45),
                 "Preferred Timing:0x1080@0Hz\n"},
        TextCase{"ZeroVerticalTotalGivesZeroRefresh", ImageBuilder().timing(54, 14850, 1920, 280, 0, 0),
                 "Preferred Timing:1920x0@0Hz\n"},
        TextCase{"PixelClockAbove327MHzIsUnsigned", ImageBuilder().timing(54, 0x9000, 3000, 1000, 1400, 100),
                 "Preferred Timing:3000x1400@61Hz\n"},
        TextCase{"LargestFieldValues", ImageBuilder().timing(54, 65535, 4095, 4095, 4095, 4095, true),
                 "Preferred Timing:4095x8190i@10Hz \n"},
        TextCase{"RefreshRoundsHalfUp", ImageBuilder().timing(54, 121, 100, 100, 50, 50),
                 "Preferred Timing:100x50@61Hz\n"},
        TextCase{"DetailedTimingsNeedBothClockBytes",
                 ImageBuilder()
                     .timing(72, 0x0100, 1280, 370, 720, 30)
                     .bytes(90, {0, 0, 0, 0xFC, 0})
                     .text(95, "NAME\n")
                     .timing(108, 7425, 1280, 370, 720, 30),
                 "Preferred Timing:0x0@0Hz\nDetailed Timing:1280x720@60Hz\n"},
        TextCase{"DetailedTimingWithHighClockByteZero", ImageBuilder().timing(72, 0x00FF, 1280, 370, 720, 30),
                 kPreferredZero},
        TextCase{"DetailedTimingsInOrder",
                 ImageBuilder()
                     .timing(72, 14850, 1920, 280, 1080, 45)
                     .timing(90, 7425, 1920, 280, 540, 22, true)
                     .timing(108, 7425, 1280, 370, 720, 30),
                 "Preferred Timing:0x0@0Hz\nDetailed Timing:1920x1080@60Hz\nDetailed Timing:1920x1080i@60Hz\n"
                 "Detailed Timing:1280x720@60Hz\n"},
        TextCase{"ExtensionTimingsNumberPrintedSlotsOnly",
                 ImageBuilder()
                     .cea(4)
                     .timing(128 + 4, 7425, 1280, 370, 720, 30)
                     .timing(128 + 40, 7425, 1920, 280, 540, 22, true),
                 "Preferred Timing:0x0@0Hz\nExtension Detailed Timing1:1280x720@60Hz\n"
                 "Extension Detailed Timing2:1920x1080i@60Hz\n\nShort Video Descripter\n"},
        TextCase{"LastExtensionSlotEndsBeforeChecksum",
                 ImageBuilder().cea(109).timing(128 + 109, 14850, 1920, 280, 1080, 45),
                 std::string(kPreferredZero) + "Extension Detailed Timing1:1920x1080@60Hz\n" + kSvdHeading},
        TextCase{"SlotReachingChecksumIsNotRead",
                 ImageBuilder().cea(110).timing(128 + 110, 14850, 1920, 280, 1080, 45),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"DAbove126HasNoTimingsButWalksBlocks",
                 ImageBuilder().blocks({block(2, {0x10})}).bytes(130, {255}),
                 std::string(kPreferredZero) + kSvdHeading + "1920x1080p@60Hz  16:9\n"},
        TextCase{
            "DZeroHasNoTimingsOrBlocks",
            ImageBuilder().cea(0).bytes(132, {0x42, 0x10, 0x04}).timing(128 + 18, 7425, 1280, 370, 720, 30),
            std::string(kPreferredZero) + kSvdHeading},
        TextCase{"DThreeHasNoTimingsOrBlocks", ImageBuilder().cea(3).bytes(132, {0x42, 0x10, 0x04}),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"SvdNamesAndNativeFlags",
                 ImageBuilder().blocks({block(2, {0x81, 0x10, 0x00, 0x6C, 0x80, 0xC1, 0xEB, 0xFF, 0x6B})}),
                 std::string(kPreferredZero) + kSvdHeading +
                     "640x480p@60Hz  4:3  Native\n1920x1080p@60Hz  16:9\n1280x720p@24Hz  64:27  Native\n"
                     "3840x2160p@60Hz  64:27  Native\n3840x2160p@60Hz  64:27\n"},
        TextCase{"AudioBlockFirstStillListsSvds",
                 ImageBuilder().blocks({block(1, {0x09, 0x07, 0x07}), block(2, {0x04})}),
                 std::string(kPreferredZero) + kSvdHeading + "1280x720p@60Hz  16:9\n"},
        TextCase{"OnlyFirstVideoBlock", ImageBuilder().blocks({block(2, {0x04}), block(2, {0x10})}),
                 std::string(kPreferredZero) + kSvdHeading + "1280x720p@60Hz  16:9\n"},
        TextCase{"BlockEndingAtChecksumOffsetIsRead",
                 ImageBuilder().blocks({filler(31), filler(31), filler(27), videoBlockToTheLastByte()}),
                 std::string(kPreferredZero) + kSvdHeading + "1920x1080p@60Hz  16:9\n1280x720p@60Hz  16:9\n"},
        TextCase{"BlockRunningPastImageIsAbsent",
                 ImageBuilder()
                     .blocks({filler(31), filler(31), filler(28)})
                     .bytes(128 + 97, {0x5F, 0x10})
                     .bytes(130, {200}),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"WalkThatReachesDFindsNothing",
                 ImageBuilder().blocks({filler(1), block(2, {0x10})}).bytes(130, {6}),
                 std::string(kPreferredZero) + "Extension Detailed Timing1:0x0@0Hz\n" + kSvdHeading},
        TextCase{"NoExtensionWhenCountIsZero",
                 ImageBuilder()
                     .blocks({block(2, {0x10})})
                     .timing(128 + 6, 7425, 1280, 370, 720, 30)
                     .bytes(126, {0}),
                 kPreferredZero},
        TextCase{"NoExtensionWhenTagIsNotCea",
                 ImageBuilder()
                     .blocks({block(2, {0x10})})
                     .timing(128 + 6, 7425, 1280, 370, 720, 30)
                     .bytes(128, {0x40}),
                 kPreferredZero}),
    caseName);

// ---- Audio text ----

class AudioText : public testing::TestWithParam<TextCase> {};

TEST_P(AudioText, MatchesWholeText) {
    EXPECT_EQ(decoded(GetParam().image, 1), crlf(GetParam().expected));
}

constexpr const char *kLpcm32k16Bit =
    "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n32KHz\nSample Bit:\n16Bit \n\n\n\n";

INSTANTIATE_TEST_SUITE_P(
    Edid, AudioText,
    testing::Values(
        TextCase{
            "LpcmAllRatesAndSizes", ImageBuilder().blocks({block(1, {0x09, 0x7F, 0x07})}),
            "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n192KHz\n176KHz\n96KHz\n88KHz\n48KHz\n"
            "44.1KHz\n32KHz\nSample Bit:\n24Bit \n20Bit \n16Bit \n\n\n\n"},
        TextCase{
            "SampleBitsWhateverTheFormat", ImageBuilder().blocks({block(1, {0x15, 0x04, 0x05})}),
            "Audio Format:AC-3.\nAudio Channel(s):6\nSample Frequency:\n48KHz\nSample Bit:\n24Bit \n16Bit "
            "\n\n\n\n"},
        TextCase{"ReservedFormatEightChannelsNoRates", ImageBuilder().blocks({block(1, {0x7F, 0x80, 0xF8})}),
                 "Audio Format:Reserved.\nAudio Channel(s):8\nSample Frequency:\n\n\n"},
        TextCase{"FormatCodeZero", ImageBuilder().blocks({block(1, {0x00, 0x01, 0x00})}),
                 "Audio Format:Refer to Stream Header.\nAudio Channel(s):1\nSample Frequency:\n32KHz\n\n\n"},
        TextCase{"SeveralDescriptorsInOrder",
                 ImageBuilder().blocks({block(1, {0x09, 0x06, 0x01, 0x3D, 0x06, 0xC0})}),
                 "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n48KHz\n44.1KHz\nSample "
                 "Bit:\n16Bit \n\n\n"
                 "Audio Format:DTS.\nAudio Channel(s):6\nSample Frequency:\n48KHz\n44.1KHz\n\n\n"},
        TextCase{"LengthBelowTwoPrintsNothing", ImageBuilder().blocks({block(1, {0x09})}), "\n"},
        TextCase{"LastDescriptorReadsPastItsBlock",
                 ImageBuilder().blocks({block(1, {0x09, 0x01}), block(2, {0x04})}), kLpcm32k16Bit},
        TextCase{"OnlyFirstAudioBlock",
                 ImageBuilder().blocks({block(1, {0x09, 0x01, 0x01}), block(1, {0x15, 0x01, 0x00})}),
                 kLpcm32k16Bit},
        TextCase{"DescriptorEndingAtLastByte",
                 ImageBuilder().blocks({filler(31), filler(31), filler(31), filler(23),
                                        block(1, {0x09, 0x01, 0x01})}),
                 kLpcm32k16Bit},
        TextCase{
            "DescriptorPastLastByteIsNotPrinted",
            ImageBuilder().blocks({filler(31), filler(31), filler(31), filler(24), block(1, {0x09, 0x01})}),
            "\n"},
        TextCase{"NoExtension", ImageBuilder().blocks({block(1, {0x09, 0x01, 0x01})}).bytes(126, {0}), "\n"}),
    caseName);

// ---- General text ----

class GeneralText : public testing::TestWithParam<TextCase> {};

TEST_P(GeneralText, MatchesWholeText) {
    EXPECT_EQ(decoded(GetParam().image, 2), crlf(GetParam().expected));
}

// What an all-zero base block gives, and the CEA lines of an extension without blocks.
const std::string kHead =
    "\nManufacture's Name:@@@\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit Depth:Reserved\n";
const std::string kNoDeepColour = "YCbCr444 DeepColor:not support\n";
const std::string kNo3d = "3D video:not support\n\n";
const std::string kCeaTail = "Native Timings:0\n" + kNoDeepColour + kNo3d;

// An HDMI vendor block with physical address 1.0.0.0 followed by the given bytes from block byte 6.
std::vector<std::uint8_t> hdmi(std::initializer_list<int> fromByte6) {
    std::vector<std::uint8_t> block{0, 0x03, 0x0C, 0x00, 0x10, 0x00};
    for (int b : fromByte6)
        block.push_back(static_cast<std::uint8_t>(b));
    block[0] = static_cast<std::uint8_t>((3 << 5) | (block.size() - 1));
    return block;
}

INSTANTIATE_TEST_SUITE_P(
    Edid, GeneralText,
    testing::Values(
        TextCase{"ZeroBaseBlock", ImageBuilder(), kHead + "\n"},
        TextCase{"ManufacturerProductAndInterface",
                 ImageBuilder().bytes(8, {0x10, 0xAC, 0xF3, 0x80}).bytes(20, {0xF0}),
                 "\nManufacture's Name:DEL\nProduct Code:33011\nVideo Signal Interface:Digtal\n"
                 "Color Bit Depth:Reserved\n\n"},
        TextCase{"ManufacturerCodeOneIsA", ImageBuilder().bytes(8, {0x04, 0x21}),
                 "\nManufacture's Name:AAA\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit "
                 "Depth:Reserved\n\n"},
        TextCase{"ManufacturerTopBitNotMasked", ImageBuilder().bytes(8, {0x84, 0x21}),
                 "\nManufacture's Name:aAA\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit "
                 "Depth:Reserved\n\n"},
        TextCase{"ThreeLetterNamePaddedToThirteen",
                 ImageBuilder().bytes(90, {0, 0, 0, 0xFC, 0}).text(95, "ABC\n"),
                 kHead + "Display Product Name:ABC          \n\n"},
        TextCase{"NameStopsAtThirteenCharacters",
                 ImageBuilder().bytes(90, {0, 0, 0, 0xFC, 0}).text(95, "ABCDEFGHIJKLMNOP"),
                 kHead + "Display Product Name:ABCDEFGHIJKLM\n\n"},
        TextCase{"NameFoundAtAnyOffset", ImageBuilder().bytes(55, {0, 0, 0, 0xFC, 0}).text(60, "XY\n"),
                 kHead + "Display Product Name:XY           \n\n"},
        TextCase{"LaterNameOverwritesOnlyItsLength",
                 ImageBuilder()
                     .bytes(72, {0, 0, 0, 0xFC, 0})
                     .text(77, "ABCDEFGHIJ\n")
                     .bytes(90, {0, 0, 0, 0xFC, 0})
                     .text(95, "XY\n"),
                 kHead + "Display Product Name:XYCDEFGHIJ   \n\n"},
        TextCase{"NulEndsPrintedName",
                 ImageBuilder().bytes(90, {0, 0, 0, 0xFC, 0, 'A', 'B', 0, 'C', 'D', 0x0A}),
                 kHead + "Display Product Name:AB\n\n"},
        TextCase{"NameInLastSlot", ImageBuilder().bytes(108, {0, 0, 0, 0xFC, 0}).text(113, "LASTSLOTNAME!"),
                 kHead + "Display Product Name:LASTSLOTNAME!\n\n"},
        TextCase{
            "RangeLimitsAreUnsigned",
            ImageBuilder().bytes(108, {0, 0, 0, 0xFD, 0x0A, 48, 144, 30, 160, 0xFF}),
            kHead +
                "Vertical Rate:48Hz--144Hz\nHorizontal Rate:30KHz--160KHz\nMaximum Pixel Clock:2550MHz\n\n"},
        TextCase{"NameBeforeRangesWhereverTheyLie",
                 ImageBuilder()
                     .bytes(72, {0, 0, 0, 0xFD, 0, 50, 75, 30, 83, 17})
                     .bytes(90, {0, 0, 0, 0xFC, 0, 'N', 0x0A})
                     .bytes(108, {0, 0, 0, 0xFD, 0, 24, 60, 15, 70, 30}),
                 kHead +
                     "Display Product Name:N            \nVertical Rate:50Hz--75Hz\n"
                     "Horizontal Rate:30KHz--83KHz\nMaximum Pixel Clock:170MHz\nVertical Rate:24Hz--60Hz\n"
                     "Horizontal Rate:15KHz--70KHz\nMaximum Pixel Clock:300MHz\n\n"},
        TextCase{"ExtensionSupportAll", ImageBuilder().cea(4, 0x70),
                 kHead + "Extension Device Support:\nBase Audio\nYCbCr4:4:4\nYCbCr4:2:2\n\n" + kCeaTail +
                     "\n"},
        TextCase{"ExtensionSupportSome", ImageBuilder().cea(4, 0x50),
                 kHead + "Extension Device Support:\nBase Audio\nYCbCr4:2:2\n\n" + kCeaTail + "\n"},
        TextCase{"ExtensionSupportOtherBitsOnly", ImageBuilder().cea(4, 0x8F), kHead + kCeaTail + "\n"},
        TextCase{"NativeCountsEveryFlaggedSvd",
                 ImageBuilder().blocks({block(2, {0x81, 0x80, 0xC1, 0x05, 0xFF})}),
                 kHead + "Native Timings:4\n" + kNoDeepColour + kNo3d + "\n"},
        TextCase{"NativeWithoutVideoBlockWithinD",
                 ImageBuilder().blocks({filler(1), block(2, {0x81})}).bytes(130, {6}),
                 kHead + kCeaTail + "\n"},
        TextCase{"DeepColour48And30", ImageBuilder().blocks({hdmi({0x50})}),
                 kHead + "Native Timings:0\nDeep Color:\n48Bit 30Bit \n" + kNoDeepColour + kNo3d + "\n"},
        TextCase{"DeepColourAllWithYcbcr444", ImageBuilder().blocks({hdmi({0x78})}),
                 kHead + "Native Timings:0\nDeep Color:\n48Bit 36Bit 30Bit \nYCbCr444 DeepColor:support\n" +
                     kNo3d + "\n"},
        TextCase{"Ycbcr444WithoutDeepColour", ImageBuilder().blocks({hdmi({0x08})}),
                 kHead + "Native Timings:0\nYCbCr444 DeepColor:support\n" + kNo3d + "\n"},
        TextCase{"VendorBlockTooShortForDeepColour",
                 ImageBuilder().blocks({block(3, {0x03, 0x0C, 0x00, 0x10, 0x00}), block(4, {0x78})}),
                 kHead + kCeaTail + "\n"},
        TextCase{
            "OnlyFirstVendorBlock",
            ImageBuilder().blocks({hdmi({0x00}), block(3, {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x78, 0x20, 0x80})}),
            kHead + kCeaTail + "\n"},
        TextCase{"ThreeDPresent", ImageBuilder().blocks({hdmi({0x00, 0x00, 0x20, 0x80, 0x00})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour + "3D video:support\n\n\n"},
        TextCase{"BothLatencyFieldsMoveThe3dByte",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0xE0, 0x00, 0, 0, 0, 0x80, 0x80, 1, 5, 4, 3})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended "
                     "Resolution(4Kx2K):\n4Kx2K@30Hz\n4Kx2K@24Hz(SMPTE)\n4Kx2K@24Hz\n\n"},
        TextCase{"OneLatencyFieldMovesThe3dByte",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0x60, 0x00, 0, 0x80, 0x20, 2})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended Resolution(4Kx2K):\n4Kx2K@25Hz\n\n"},
        TextCase{"ThreeDBytePastBlockIsAbsent",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0xE0, 0, 0, 0, 0}), block(4, {0x7F})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"HdmiVicsCutAtBlockEnd",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0x20, 0x80, 0x60, 0x01}), block(2, {0x02})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended Resolution(4Kx2K):\n4Kx2K@30Hz\n\n"},
        TextCase{"CountBytePastBlockIsAbsent",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0x20, 0x00}), block(4, {0x01, 0x02})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"HdmiVideoFlagClear", ImageBuilder().blocks({hdmi({0x00, 0x00, 0x00, 0x80, 0x20, 0x01})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"UnknownHdmiVicPrintsNothing",
                 ImageBuilder().blocks({hdmi({0x00, 0x00, 0x20, 0x00, 0x40, 5, 2})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour + kNo3d +
                     "Extended Resolution(4Kx2K):\n4Kx2K@25Hz\n\n"},
        TextCase{
            "Y420VideoBlockNamesByLowBits", ImageBuilder().blocks({block(7, {14, 0x61, 0xE0, 0x00, 0x6C})}),
            kHead + kCeaTail + "\nY420VDB Descripter :\n3840x2160p@60Hz  16:9\n3840x2160p@50Hz  16:9\n\n"},
        TextCase{"Y420MapNamesSvdsWithoutNativeFlag",
                 ImageBuilder().blocks({block(2, {0x90, 0x04, 0x85}), block(7, {15, 0x05})}),
                 kHead + "Native Timings:2\n" + kNoDeepColour + kNo3d +
                     "\nY420CMDB Descripter :\n1920x1080p@60Hz  16:9\n1920x1080i@60Hz  16:9\n\n"},
        TextCase{"Y420MapWithoutBytesMeansAll", ImageBuilder().blocks({block(7, {15})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\nAll SVDs do support YUV420\n\n"},
        TextCase{"Y420MapSkipsMissingAndUnnamedSvds",
                 ImageBuilder().blocks({block(2, {0x04, 0x00}), block(7, {15, 0xFF, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n1280x720p@60Hz  16:9\n\n"},
        TextCase{"Y420MapSecondByte",
                 ImageBuilder().blocks({block(2, {1, 2, 3, 4, 5, 6, 7, 8, 9}), block(7, {15, 0x00, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n720(1440)x240p@60Hz  16:9\n\n"},
        TextCase{"Y420MapCodeComparedInFiveBits",
                 ImageBuilder().blocks({block(2, {0x04}), block(7, {0x2F, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n1280x720p@60Hz  16:9\n\n"},
        TextCase{"OnlyFirstExtendedBlock",
                 ImageBuilder().blocks({block(7, {5, 0x80, 0x00}), block(7, {14, 0x10})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"EmptyExtendedBlockPrintsNothing",
                 ImageBuilder().blocks({block(7, {}),
                                        block(0, {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"NoExtensionLinesWhenCountIsZero",
                 ImageBuilder()
                     .cea(4, 0x70)
                     .blocks({block(2, {0x81}), hdmi({0x78}), block(7, {15})})
                     .bytes(126, {0}),
                 kHead + "\n"}),
    caseName);

// ---- Interface ----

TEST(EdidDecoder, OtherSectionValuesDoNothing) {
    const edid::EdidImage image =
        ImageBuilder().timing(54, 14850, 1920, 280, 1080, 45).blocks({block(1, {9, 7, 7})});
    edid::EdidDecoder decoder;
    for (int section : {-1, 3, 100}) {
        decoder.Decode(image, section);
        EXPECT_EQ(decoder.videoText(), "") << section;
        EXPECT_EQ(decoder.audioText(), "") << section;
        EXPECT_EQ(decoder.generalText(), "") << section;
    }
}

TEST(EdidDecoder, DecodeAppendsUntilTextsAreCleared) {
    const edid::EdidImage image = ImageBuilder().timing(54, 14850, 1920, 280, 1080, 45);
    edid::EdidDecoder decoder;
    decoder.Decode(image, 0);
    decoder.Decode(image, 0);
    EXPECT_EQ(decoder.videoText(), "Preferred Timing:1920x1080@60Hz\r\nPreferred Timing:1920x1080@60Hz\r\n");
    EXPECT_EQ(decoder.audioText(), "");

    decoder.decodeAll(image);
    EXPECT_EQ(decoder.videoText(), "Preferred Timing:1920x1080@60Hz\r\n");
    EXPECT_EQ(decoder.audioText(), "\r\n");
    EXPECT_EQ(decoder.generalText(), decoded(image, 2));

    decoder.clearTexts();
    EXPECT_EQ(decoder.videoText() + decoder.audioText() + decoder.generalText(), "");
}

// Every VIC name has the shape the console prints, and no two VICs share a name.
TEST(EdidNames, VideoFormatNamesAreWellFormedAndDistinct) {
    const std::regex shape(R"(\d+(\(\d+\))?x\d+[pi](\(1250 total\))?@\d+Hz  (4:3|16:9|64:27|256:135))");
    std::set<std::string> seen;
    for (unsigned vic = 1; vic <= 107; ++vic) {
        ASSERT_NE(edid::vicName(vic), nullptr) << vic;
        EXPECT_TRUE(std::regex_match(edid::vicName(vic), shape)) << vic << ": " << edid::vicName(vic);
        EXPECT_TRUE(seen.insert(edid::vicName(vic)).second) << vic;
    }
    for (unsigned vic : {0u, 108u, 127u, 255u})
        EXPECT_EQ(edid::vicName(vic), nullptr) << vic;
    EXPECT_EQ(edid::audioFormatName(16), nullptr);
    EXPECT_EQ(edid::sampleRateName(7), nullptr);
    EXPECT_EQ(edid::sampleSizeName(3), nullptr);
}

} // namespace
