#include "EdidImageBuilder.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidNames.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

using edidtest::Block;
using edidtest::Crlf;
using edidtest::Decoded;
using edidtest::Filler;
using edidtest::ImageBuilder;

namespace {

struct TextCase {
    const char *name;
    edid::EdidImage image;
    std::string expected; // with plain LF line ends
};

std::string CaseName(const testing::TestParamInfo<TextCase> &info) {
    return info.param.name;
}

// A video block of 31 SVDs that fills extension offsets 96 to 127 exactly.
std::vector<std::uint8_t> VideoBlockToTheLastByte() {
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
    EXPECT_EQ(Decoded(GetParam().image, 0), Crlf(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Edid, VideoText,
    testing::Values(
        TextCase{"ProgressivePreferred", ImageBuilder().Timing(54, 14850, 1920, 280, 1080, 45),
                 "Preferred Timing:1920x1080@60Hz\n"},
        TextCase{"InterlacedPreferredEndsWithBlank",
                 ImageBuilder().Timing(54, 7425, 1920, 280, 540, 22, true),
                 "Preferred Timing:1920x1080i@60Hz \n"},
        TextCase{"ZeroHorizontalTotalGivesZeroRefresh", ImageBuilder().Timing(54, 14850, 0, 0, 1080, 45),
                 "Preferred Timing:0x1080@0Hz\n"},
        TextCase{"ZeroVerticalTotalGivesZeroRefresh", ImageBuilder().Timing(54, 14850, 1920, 280, 0, 0),
                 "Preferred Timing:1920x0@0Hz\n"},
        TextCase{"PixelClockAbove327MHzIsUnsigned", ImageBuilder().Timing(54, 0x9000, 3000, 1000, 1400, 100),
                 "Preferred Timing:3000x1400@61Hz\n"},
        TextCase{"LargestFieldValues", ImageBuilder().Timing(54, 65535, 4095, 4095, 4095, 4095, true),
                 "Preferred Timing:4095x8190i@10Hz \n"},
        TextCase{"RefreshRoundsHalfUp", ImageBuilder().Timing(54, 121, 100, 100, 50, 50),
                 "Preferred Timing:100x50@61Hz\n"},
        TextCase{"DetailedTimingsNeedBothClockBytes",
                 ImageBuilder()
                     .Timing(72, 0x0100, 1280, 370, 720, 30)
                     .Bytes(90, {0, 0, 0, 0xFC, 0})
                     .Text(95, "NAME\n")
                     .Timing(108, 7425, 1280, 370, 720, 30),
                 "Preferred Timing:0x0@0Hz\nDetailed Timing:1280x720@60Hz\n"},
        TextCase{"DetailedTimingWithHighClockByteZero", ImageBuilder().Timing(72, 0x00FF, 1280, 370, 720, 30),
                 kPreferredZero},
        TextCase{"DetailedTimingsInOrder",
                 ImageBuilder()
                     .Timing(72, 14850, 1920, 280, 1080, 45)
                     .Timing(90, 7425, 1920, 280, 540, 22, true)
                     .Timing(108, 7425, 1280, 370, 720, 30),
                 "Preferred Timing:0x0@0Hz\nDetailed Timing:1920x1080@60Hz\nDetailed Timing:1920x1080i@60Hz\n"
                 "Detailed Timing:1280x720@60Hz\n"},
        TextCase{"ExtensionTimingsNumberPrintedSlotsOnly",
                 ImageBuilder()
                     .Cea(4)
                     .Timing(128 + 4, 7425, 1280, 370, 720, 30)
                     .Timing(128 + 40, 7425, 1920, 280, 540, 22, true),
                 "Preferred Timing:0x0@0Hz\nExtension Detailed Timing1:1280x720@60Hz\n"
                 "Extension Detailed Timing2:1920x1080i@60Hz\n\nShort Video Descripter\n"},
        TextCase{"LastExtensionSlotEndsBeforeChecksum",
                 ImageBuilder().Cea(109).Timing(128 + 109, 14850, 1920, 280, 1080, 45),
                 std::string(kPreferredZero) + "Extension Detailed Timing1:1920x1080@60Hz\n" + kSvdHeading},
        TextCase{"SlotReachingChecksumIsNotRead",
                 ImageBuilder().Cea(110).Timing(128 + 110, 14850, 1920, 280, 1080, 45),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"DAbove126HasNoTimingsButWalksBlocks",
                 ImageBuilder().Blocks({Block(2, {0x10})}).Bytes(130, {255}),
                 std::string(kPreferredZero) + kSvdHeading + "1920x1080p@60Hz  16:9\n"},
        TextCase{
            "DZeroHasNoTimingsOrBlocks",
            ImageBuilder().Cea(0).Bytes(132, {0x42, 0x10, 0x04}).Timing(128 + 18, 7425, 1280, 370, 720, 30),
            std::string(kPreferredZero) + kSvdHeading},
        TextCase{"DThreeHasNoTimingsOrBlocks", ImageBuilder().Cea(3).Bytes(132, {0x42, 0x10, 0x04}),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"SvdNamesAndNativeFlags",
                 ImageBuilder().Blocks({Block(2, {0x81, 0x10, 0x00, 0x6C, 0x80, 0xC1, 0xEB, 0xFF, 0x6B})}),
                 std::string(kPreferredZero) + kSvdHeading +
                     "640x480p@60Hz  4:3  Native\n1920x1080p@60Hz  16:9\n1280x720p@24Hz  64:27  Native\n"
                     "3840x2160p@60Hz  64:27  Native\n3840x2160p@60Hz  64:27\n"},
        TextCase{"AudioBlockFirstStillListsSvds",
                 ImageBuilder().Blocks({Block(1, {0x09, 0x07, 0x07}), Block(2, {0x04})}),
                 std::string(kPreferredZero) + kSvdHeading + "1280x720p@60Hz  16:9\n"},
        TextCase{"OnlyFirstVideoBlock", ImageBuilder().Blocks({Block(2, {0x04}), Block(2, {0x10})}),
                 std::string(kPreferredZero) + kSvdHeading + "1280x720p@60Hz  16:9\n"},
        TextCase{"BlockEndingAtChecksumOffsetIsRead",
                 ImageBuilder().Blocks({Filler(31), Filler(31), Filler(27), VideoBlockToTheLastByte()}),
                 std::string(kPreferredZero) + kSvdHeading + "1920x1080p@60Hz  16:9\n1280x720p@60Hz  16:9\n"},
        TextCase{"BlockRunningPastImageIsAbsent",
                 ImageBuilder()
                     .Blocks({Filler(31), Filler(31), Filler(28)})
                     .Bytes(128 + 97, {0x5F, 0x10})
                     .Bytes(130, {200}),
                 std::string(kPreferredZero) + kSvdHeading},
        TextCase{"WalkThatReachesDFindsNothing",
                 ImageBuilder().Blocks({Filler(1), Block(2, {0x10})}).Bytes(130, {6}),
                 std::string(kPreferredZero) + "Extension Detailed Timing1:0x0@0Hz\n" + kSvdHeading},
        TextCase{"NoExtensionWhenCountIsZero",
                 ImageBuilder()
                     .Blocks({Block(2, {0x10})})
                     .Timing(128 + 6, 7425, 1280, 370, 720, 30)
                     .Bytes(126, {0}),
                 kPreferredZero},
        TextCase{"NoExtensionWhenTagIsNotCea",
                 ImageBuilder()
                     .Blocks({Block(2, {0x10})})
                     .Timing(128 + 6, 7425, 1280, 370, 720, 30)
                     .Bytes(128, {0x40}),
                 kPreferredZero}),
    CaseName);

// ---- Audio text ----

class AudioText : public testing::TestWithParam<TextCase> {};

TEST_P(AudioText, MatchesWholeText) {
    EXPECT_EQ(Decoded(GetParam().image, 1), Crlf(GetParam().expected));
}

constexpr const char *kLpcm32k16Bit =
    "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n32KHz\nSample Bit:\n16Bit \n\n\n\n";

INSTANTIATE_TEST_SUITE_P(
    Edid, AudioText,
    testing::Values(
        TextCase{
            "LpcmAllRatesAndSizes", ImageBuilder().Blocks({Block(1, {0x09, 0x7F, 0x07})}),
            "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n192KHz\n176KHz\n96KHz\n88KHz\n48KHz\n"
            "44.1KHz\n32KHz\nSample Bit:\n24Bit \n20Bit \n16Bit \n\n\n\n"},
        TextCase{
            "SampleBitsWhateverTheFormat", ImageBuilder().Blocks({Block(1, {0x15, 0x04, 0x05})}),
            "Audio Format:AC-3.\nAudio Channel(s):6\nSample Frequency:\n48KHz\nSample Bit:\n24Bit \n16Bit "
            "\n\n\n\n"},
        TextCase{"ReservedFormatEightChannelsNoRates", ImageBuilder().Blocks({Block(1, {0x7F, 0x80, 0xF8})}),
                 "Audio Format:Reserved.\nAudio Channel(s):8\nSample Frequency:\n\n\n"},
        TextCase{"FormatCodeZero", ImageBuilder().Blocks({Block(1, {0x00, 0x01, 0x00})}),
                 "Audio Format:Refer to Stream Header.\nAudio Channel(s):1\nSample Frequency:\n32KHz\n\n\n"},
        TextCase{"SeveralDescriptorsInOrder",
                 ImageBuilder().Blocks({Block(1, {0x09, 0x06, 0x01, 0x3D, 0x06, 0xC0})}),
                 "Audio Format:LPCM.\nAudio Channel(s):2\nSample Frequency:\n48KHz\n44.1KHz\nSample "
                 "Bit:\n16Bit \n\n\n"
                 "Audio Format:DTS.\nAudio Channel(s):6\nSample Frequency:\n48KHz\n44.1KHz\n\n\n"},
        TextCase{"LengthBelowTwoPrintsNothing", ImageBuilder().Blocks({Block(1, {0x09})}), "\n"},
        TextCase{"LastDescriptorReadsPastItsBlock",
                 ImageBuilder().Blocks({Block(1, {0x09, 0x01}), Block(2, {0x04})}), kLpcm32k16Bit},
        TextCase{"OnlyFirstAudioBlock",
                 ImageBuilder().Blocks({Block(1, {0x09, 0x01, 0x01}), Block(1, {0x15, 0x01, 0x00})}),
                 kLpcm32k16Bit},
        TextCase{"DescriptorEndingAtLastByte",
                 ImageBuilder().Blocks({Filler(31), Filler(31), Filler(31), Filler(23),
                                        Block(1, {0x09, 0x01, 0x01})}),
                 kLpcm32k16Bit},
        TextCase{
            "DescriptorPastLastByteIsNotPrinted",
            ImageBuilder().Blocks({Filler(31), Filler(31), Filler(31), Filler(24), Block(1, {0x09, 0x01})}),
            "\n"},
        TextCase{"NoExtension", ImageBuilder().Blocks({Block(1, {0x09, 0x01, 0x01})}).Bytes(126, {0}), "\n"}),
    CaseName);

// ---- General text ----

class GeneralText : public testing::TestWithParam<TextCase> {};

TEST_P(GeneralText, MatchesWholeText) {
    EXPECT_EQ(Decoded(GetParam().image, 2), Crlf(GetParam().expected));
}

// What an all-zero base block gives, and the CEA lines of an extension without blocks.
const std::string kHead =
    "\nManufacture's Name:@@@\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit Depth:Reserved\n";
const std::string kNoDeepColour = "YCbCr444 DeepColor:not support\n";
const std::string kNo3d = "3D video:not support\n\n";
const std::string kCeaTail = "Native Timings:0\n" + kNoDeepColour + kNo3d;

// An HDMI vendor block with physical address 1.0.0.0 followed by the given bytes from block byte 6.
std::vector<std::uint8_t> Hdmi(std::initializer_list<int> fromByte6) {
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
                 ImageBuilder().Bytes(8, {0x10, 0xAC, 0xF3, 0x80}).Bytes(20, {0xF0}),
                 "\nManufacture's Name:DEL\nProduct Code:33011\nVideo Signal Interface:Digtal\n"
                 "Color Bit Depth:Reserved\n\n"},
        TextCase{"ManufacturerCodeOneIsA", ImageBuilder().Bytes(8, {0x04, 0x21}),
                 "\nManufacture's Name:AAA\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit "
                 "Depth:Reserved\n\n"},
        TextCase{"ManufacturerTopBitNotMasked", ImageBuilder().Bytes(8, {0x84, 0x21}),
                 "\nManufacture's Name:aAA\nProduct Code:0\nVideo Signal Interface:Analog\nColor Bit "
                 "Depth:Reserved\n\n"},
        TextCase{"ThreeLetterNamePaddedToThirteen",
                 ImageBuilder().Bytes(90, {0, 0, 0, 0xFC, 0}).Text(95, "ABC\n"),
                 kHead + "Display Product Name:ABC          \n\n"},
        TextCase{"NameStopsAtThirteenCharacters",
                 ImageBuilder().Bytes(90, {0, 0, 0, 0xFC, 0}).Text(95, "ABCDEFGHIJKLMNOP"),
                 kHead + "Display Product Name:ABCDEFGHIJKLM\n\n"},
        TextCase{"NameFoundAtAnyOffset", ImageBuilder().Bytes(55, {0, 0, 0, 0xFC, 0}).Text(60, "XY\n"),
                 kHead + "Display Product Name:XY           \n\n"},
        TextCase{"LaterNameOverwritesOnlyItsLength",
                 ImageBuilder()
                     .Bytes(72, {0, 0, 0, 0xFC, 0})
                     .Text(77, "ABCDEFGHIJ\n")
                     .Bytes(90, {0, 0, 0, 0xFC, 0})
                     .Text(95, "XY\n"),
                 kHead + "Display Product Name:XYCDEFGHIJ   \n\n"},
        TextCase{"NulEndsPrintedName",
                 ImageBuilder().Bytes(90, {0, 0, 0, 0xFC, 0, 'A', 'B', 0, 'C', 'D', 0x0A}),
                 kHead + "Display Product Name:AB\n\n"},
        TextCase{"NameInLastSlot", ImageBuilder().Bytes(108, {0, 0, 0, 0xFC, 0}).Text(113, "LASTSLOTNAME!"),
                 kHead + "Display Product Name:LASTSLOTNAME!\n\n"},
        TextCase{
            "RangeLimitsAreUnsigned",
            ImageBuilder().Bytes(108, {0, 0, 0, 0xFD, 0x0A, 48, 144, 30, 160, 0xFF}),
            kHead +
                "Vertical Rate:48Hz--144Hz\nHorizontal Rate:30KHz--160KHz\nMaximum Pixel Clock:2550MHz\n\n"},
        TextCase{"NameBeforeRangesWhereverTheyLie",
                 ImageBuilder()
                     .Bytes(72, {0, 0, 0, 0xFD, 0, 50, 75, 30, 83, 17})
                     .Bytes(90, {0, 0, 0, 0xFC, 0, 'N', 0x0A})
                     .Bytes(108, {0, 0, 0, 0xFD, 0, 24, 60, 15, 70, 30}),
                 kHead +
                     "Display Product Name:N            \nVertical Rate:50Hz--75Hz\n"
                     "Horizontal Rate:30KHz--83KHz\nMaximum Pixel Clock:170MHz\nVertical Rate:24Hz--60Hz\n"
                     "Horizontal Rate:15KHz--70KHz\nMaximum Pixel Clock:300MHz\n\n"},
        TextCase{"ExtensionSupportAll", ImageBuilder().Cea(4, 0x70),
                 kHead + "Extension Device Support:\nBase Audio\nYCbCr4:4:4\nYCbCr4:2:2\n\n" + kCeaTail +
                     "\n"},
        TextCase{"ExtensionSupportSome", ImageBuilder().Cea(4, 0x50),
                 kHead + "Extension Device Support:\nBase Audio\nYCbCr4:2:2\n\n" + kCeaTail + "\n"},
        TextCase{"ExtensionSupportOtherBitsOnly", ImageBuilder().Cea(4, 0x8F), kHead + kCeaTail + "\n"},
        TextCase{"NativeCountsEveryFlaggedSvd",
                 ImageBuilder().Blocks({Block(2, {0x81, 0x80, 0xC1, 0x05, 0xFF})}),
                 kHead + "Native Timings:4\n" + kNoDeepColour + kNo3d + "\n"},
        TextCase{"NativeWithoutVideoBlockWithinD",
                 ImageBuilder().Blocks({Filler(1), Block(2, {0x81})}).Bytes(130, {6}),
                 kHead + kCeaTail + "\n"},
        TextCase{"DeepColour48And30", ImageBuilder().Blocks({Hdmi({0x50})}),
                 kHead + "Native Timings:0\nDeep Color:\n48Bit 30Bit \n" + kNoDeepColour + kNo3d + "\n"},
        TextCase{"DeepColourAllWithYcbcr444", ImageBuilder().Blocks({Hdmi({0x78})}),
                 kHead + "Native Timings:0\nDeep Color:\n48Bit 36Bit 30Bit \nYCbCr444 DeepColor:support\n" +
                     kNo3d + "\n"},
        TextCase{"Ycbcr444WithoutDeepColour", ImageBuilder().Blocks({Hdmi({0x08})}),
                 kHead + "Native Timings:0\nYCbCr444 DeepColor:support\n" + kNo3d + "\n"},
        TextCase{"VendorBlockTooShortForDeepColour",
                 ImageBuilder().Blocks({Block(3, {0x03, 0x0C, 0x00, 0x10, 0x00}), Block(4, {0x78})}),
                 kHead + kCeaTail + "\n"},
        TextCase{
            "OnlyFirstVendorBlock",
            ImageBuilder().Blocks({Hdmi({0x00}), Block(3, {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x78, 0x20, 0x80})}),
            kHead + kCeaTail + "\n"},
        TextCase{"ThreeDPresent", ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x20, 0x80, 0x00})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour + "3D video:support\n\n\n"},
        TextCase{"BothLatencyFieldsMoveThe3dByte",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0xE0, 0x00, 0, 0, 0, 0x80, 0x80, 1, 5, 4, 3})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended "
                     "Resolution(4Kx2K):\n4Kx2K@30Hz\n4Kx2K@24Hz(SMPTE)\n4Kx2K@24Hz\n\n"},
        TextCase{"OneLatencyFieldMovesThe3dByte",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x60, 0x00, 0, 0x80, 0x20, 2})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended Resolution(4Kx2K):\n4Kx2K@25Hz\n\n"},
        TextCase{"ThreeDBytePastBlockIsAbsent",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0xE0, 0, 0, 0, 0}), Block(4, {0x7F})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"HdmiVicsCutAtBlockEnd",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x20, 0x80, 0x60, 0x01}), Block(2, {0x02})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour +
                     "3D video:support\n\nExtended Resolution(4Kx2K):\n4Kx2K@30Hz\n\n"},
        TextCase{"CountBytePastBlockIsAbsent",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x20, 0x00}), Block(4, {0x01, 0x02})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"HdmiVideoFlagClear", ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x00, 0x80, 0x20, 0x01})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"UnknownHdmiVicPrintsNothing",
                 ImageBuilder().Blocks({Hdmi({0x00, 0x00, 0x20, 0x00, 0x40, 5, 2})}),
                 kHead + "Native Timings:0\n" + kNoDeepColour + kNo3d +
                     "Extended Resolution(4Kx2K):\n4Kx2K@25Hz\n\n"},
        TextCase{
            "Y420VideoBlockNamesByLowBits", ImageBuilder().Blocks({Block(7, {14, 0x61, 0xE0, 0x00, 0x6C})}),
            kHead + kCeaTail + "\nY420VDB Descripter :\n3840x2160p@60Hz  16:9\n3840x2160p@50Hz  16:9\n\n"},
        TextCase{"Y420MapNamesSvdsWithoutNativeFlag",
                 ImageBuilder().Blocks({Block(2, {0x90, 0x04, 0x85}), Block(7, {15, 0x05})}),
                 kHead + "Native Timings:2\n" + kNoDeepColour + kNo3d +
                     "\nY420CMDB Descripter :\n1920x1080p@60Hz  16:9\n1920x1080i@60Hz  16:9\n\n"},
        TextCase{"Y420MapWithoutBytesMeansAll", ImageBuilder().Blocks({Block(7, {15})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\nAll SVDs do support YUV420\n\n"},
        TextCase{"Y420MapSkipsMissingAndUnnamedSvds",
                 ImageBuilder().Blocks({Block(2, {0x04, 0x00}), Block(7, {15, 0xFF, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n1280x720p@60Hz  16:9\n\n"},
        TextCase{"Y420MapSecondByte",
                 ImageBuilder().Blocks({Block(2, {1, 2, 3, 4, 5, 6, 7, 8, 9}), Block(7, {15, 0x00, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n720(1440)x240p@60Hz  16:9\n\n"},
        TextCase{"Y420MapCodeComparedInFiveBits",
                 ImageBuilder().Blocks({Block(2, {0x04}), Block(7, {0x2F, 0x01})}),
                 kHead + kCeaTail + "\nY420CMDB Descripter :\n1280x720p@60Hz  16:9\n\n"},
        TextCase{"OnlyFirstExtendedBlock",
                 ImageBuilder().Blocks({Block(7, {5, 0x80, 0x00}), Block(7, {14, 0x10})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"EmptyExtendedBlockPrintsNothing",
                 ImageBuilder().Blocks({Block(7, {}),
                                        Block(0, {16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16})}),
                 kHead + kCeaTail + "\n"},
        TextCase{"NoExtensionLinesWhenCountIsZero",
                 ImageBuilder()
                     .Cea(4, 0x70)
                     .Blocks({Block(2, {0x81}), Hdmi({0x78}), Block(7, {15})})
                     .Bytes(126, {0}),
                 kHead + "\n"}),
    CaseName);

// ---- Interface ----

TEST(EdidDecoder, OtherSectionValuesDoNothing) {
    const edid::EdidImage image =
        ImageBuilder().Timing(54, 14850, 1920, 280, 1080, 45).Blocks({Block(1, {9, 7, 7})});
    edid::EdidDecoder decoder;
    for (int section : {-1, 3, 100}) {
        decoder.Decode(image, section);
        EXPECT_EQ(decoder.VideoText(), "") << section;
        EXPECT_EQ(decoder.AudioText(), "") << section;
        EXPECT_EQ(decoder.GeneralText(), "") << section;
    }
}

TEST(EdidDecoder, DecodeAppendsUntilTextsAreCleared) {
    const edid::EdidImage image = ImageBuilder().Timing(54, 14850, 1920, 280, 1080, 45);
    edid::EdidDecoder decoder;
    decoder.Decode(image, 0);
    decoder.Decode(image, 0);
    EXPECT_EQ(decoder.VideoText(), "Preferred Timing:1920x1080@60Hz\r\nPreferred Timing:1920x1080@60Hz\r\n");
    EXPECT_EQ(decoder.AudioText(), "");

    decoder.DecodeAll(image);
    EXPECT_EQ(decoder.VideoText(), "Preferred Timing:1920x1080@60Hz\r\n");
    EXPECT_EQ(decoder.AudioText(), "\r\n");
    EXPECT_EQ(decoder.GeneralText(), Decoded(image, 2));

    decoder.ClearTexts();
    EXPECT_EQ(decoder.VideoText() + decoder.AudioText() + decoder.GeneralText(), "");
}

// Every VIC name has the shape the console prints, and no two VICs share a name.
TEST(EdidNames, VideoFormatNamesAreWellFormedAndDistinct) {
    const std::regex shape(R"(\d+(\(\d+\))?x\d+[pi](\(1250 total\))?@\d+Hz  (4:3|16:9|64:27|256:135))");
    std::set<std::string> seen;
    for (unsigned vic = 1; vic <= 107; ++vic) {
        ASSERT_NE(edid::VicName(vic), nullptr) << vic;
        EXPECT_TRUE(std::regex_match(edid::VicName(vic), shape)) << vic << ": " << edid::VicName(vic);
        EXPECT_TRUE(seen.insert(edid::VicName(vic)).second) << vic;
    }
    for (unsigned vic : {0u, 108u, 127u, 255u})
        EXPECT_EQ(edid::VicName(vic), nullptr) << vic;
    EXPECT_EQ(edid::AudioFormatName(16), nullptr);
    EXPECT_EQ(edid::SampleRateName(7), nullptr);
    EXPECT_EQ(edid::SampleSizeName(3), nullptr);
}

} // namespace
