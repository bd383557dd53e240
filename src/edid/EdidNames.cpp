#include "edid/EdidNames.h"

#include <array>

namespace edid {
namespace {

constexpr std::array<const char *, 16> kAudioFormats = {
    "Refer to Stream Header.",
    "LPCM.",
    "AC-3.",
    "MPEG1.",
    "MP3(Layer3).",
    "MPEG2.",
    "AAC.",
    "DTS.",
    "ATRAC.",
    "OneBitAudio.",
    "Dolby D+.",
    "DTS-HD.",
    "MAT(MLP).",
    "DST.",
    "WMA Pro.",
    "Reserved.",
};

constexpr std::array<const char *, 7> kSampleRates = {"32KHz", "44.1KHz", "48KHz", "88KHz",
                                                      "96KHz", "176KHz",  "192KHz"};

constexpr std::array<const char *, 3> kSampleSizes = {"16Bit", "20Bit", "24Bit"};

// Indexed by VIC - 1: the CEA-861 formats 1 to 107 in this console's wording.
constexpr std::array<const char *, 107> kVideoFormats = {
    "640x480p@60Hz  4:3",         "720x480p@60Hz  4:3",         "720x480p@60Hz  16:9",
    "1280x720p@60Hz  16:9",       "1920x1080i@60Hz  16:9",      "720(1440)x480i@60Hz  4:3",
    "720(1440)x480i@60Hz  16:9",  "720(1440)x240p@60Hz  4:3",   "720(1440)x240p@60Hz  16:9",
    "2880x480i@60Hz  4:3",        "2880x480i@60Hz  16:9",       "2880x240p@60Hz  4:3",
    "2880x240p@60Hz  16:9",       "1440x480p@60Hz  4:3",        "1440x480p@60Hz  16:9",
    "1920x1080p@60Hz  16:9",      "720x576p@50Hz  4:3",         "720x576p@50Hz  16:9",
    "1280x720p@50Hz  16:9",       "1920x1080i@50Hz  16:9",      "720(1440)x576i@50Hz  4:3",
    "720(1440)x576i@50Hz  16:9",  "720(1440)x288p@50Hz  4:3",   "720(1440)x288p@50Hz  16:9",
    "2880x576i@50Hz  4:3",        "2880x576i@50Hz  16:9",       "2880x288p@50Hz  4:3",
    "2880x288p@50Hz  16:9",       "1440x576p@50Hz  4:3",        "1440x576p@50Hz  16:9",
    "1920x1080p@50Hz  16:9",      "1920x1080p@24Hz  16:9",      "1920x1080p@25Hz  16:9",
    "1920x1080p@30Hz  16:9",      "2880x480p@60Hz  4:3",        "2880x480p@60Hz  16:9",
    "2880x576p@50Hz  4:3",        "2880x576p@50Hz  16:9",       "1920x1080i(1250 total)@50Hz  16:9",
    "1920x1080i@100Hz  16:9",     "1280x720p@100Hz  16:9",      "720x576p@100Hz  4:3",
    "720x576p@100Hz  16:9",       "720(1440)x576i@100Hz  4:3",  "720(1440)x576i@100Hz  16:9",
    "1920x1080i@120Hz  16:9",     "1280x720p@120Hz  16:9",      "720x480p@120Hz  4:3",
    "720x480p@120Hz  16:9",       "720(1440)x480i@120Hz  4:3",  "720(1440)x480i@120Hz  16:9",
    "720x576p@200Hz  4:3",        "720x576p@200Hz  16:9",       "720(1440)x576i@200Hz  4:3",
    "720(1440)x576i@200Hz  16:9", "720x480p@240Hz  4:3",        "720x480p@240Hz  16:9",
    "720(1440)x480i@240Hz  4:3",  "720(1440)x480i@240Hz  16:9", "1280x720p@24Hz  16:9",
    "1280x720p@25Hz  16:9",       "1280x720p@30Hz  16:9",       "1920x1080p@120Hz  16:9",
    "1920x1080p@100Hz  16:9",     "1280x720p@24Hz  64:27",      "1280x720p@25Hz  64:27",
    "1280x720p@30Hz  64:27",      "1280x720p@50Hz  64:27",      "1280x720p@60Hz  64:27",
    "1280x720p@100Hz  64:27",     "1280x720p@120Hz  64:27",     "1920x1080p@24Hz  64:27",
    "1920x1080p@25Hz  64:27",     "1920x1080p@30Hz  64:27",     "1920x1080p@50Hz  64:27",
    "1920x1080p@60Hz  64:27",     "1920x1080p@100Hz  64:27",    "1920x1080p@120Hz  64:27",
    "1680x720p@24Hz  64:27",      "1680x720p@25Hz  64:27",      "1680x720p@30Hz  64:27",
    "1680x720p@50Hz  64:27",      "1680x720p@60Hz  64:27",      "1680x720p@100Hz  64:27",
    "1680x720p@120Hz  64:27",     "2560x1080p@24Hz  64:27",     "2560x1080p@25Hz  64:27",
    "2560x1080p@30Hz  64:27",     "2560x1080p@50Hz  64:27",     "2560x1080p@60Hz  64:27",
    "2560x1080p@100Hz  64:27",    "2560x1080p@120Hz  64:27",    "3840x2160p@24Hz  16:9",
    "3840x2160p@25Hz  16:9",      "3840x2160p@30Hz  16:9",      "3840x2160p@50Hz  16:9",
    "3840x2160p@60Hz  16:9",      "4096x2160p@24Hz  256:135",   "4096x2160p@25Hz  256:135",
    "4096x2160p@30Hz  256:135",   "4096x2160p@50Hz  256:135",   "4096x2160p@60Hz  256:135",
    "3840x2160p@24Hz  64:27",     "3840x2160p@25Hz  64:27",     "3840x2160p@30Hz  64:27",
    "3840x2160p@50Hz  64:27",     "3840x2160p@60Hz  64:27",
};

} // namespace

const char *audioFormatName(unsigned code) {
    return code < kAudioFormats.size() ? kAudioFormats[code] : nullptr;
}

const char *sampleRateName(unsigned bit) {
    return bit < kSampleRates.size() ? kSampleRates[bit] : nullptr;
}

const char *sampleSizeName(unsigned bit) {
    return bit < kSampleSizes.size() ? kSampleSizes[bit] : nullptr;
}

const char *vicName(unsigned vic) {
    if (vic == 0 || vic > kVideoFormats.size())
        return nullptr;
    return kVideoFormats[vic - 1];
}

} // namespace edid
